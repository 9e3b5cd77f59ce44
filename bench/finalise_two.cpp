// Two workstations finalising at once: each finalises its own pending
// weighings (the core operation of "OK" in the vehicles-on-site window,
// Finalisation::store, no window, no print) as fast as it can, on its own
// connection and thread; first on one server, then on a three-node Galera
// cluster with workstation A on node 1 and B on node 2. Beside each, one
// workstation alone on the same server (the baseline of the same run).
//
// Run it with one command (builds, starts a private server, and starts and
// stops a cluster of its own through scripts/cluster):
//
//     bash scripts/bench bench_finalise_two
//
//   bench_finalise_two [count]      weighings per workstation (default 1000)
//   VELLO_BENCH_CLUSTER=0           leave the cluster out
//   VELLO_BENCH_ROUNDS=N            rounds of each pair (default 3; medians)
//   VELLO_CLUSTER_DIR=DIR           use the cluster already running in DIR
//
// A finalisation that fails is counted with its message and tried again
// by the workstation, as an operator would press OK again (at most 20
// times). Checked per run and printed one line per figure: J numbers issued
// (distinct, and any gap against the failures), lost weighings (neither a
// ticket nor still pending), failures by message, statements per
// finalisation (more than the baseline's means retries inside the
// operation), throughput, CPU busy share of the machine, and the alibi
// log's chain check where the log has entries.
#include "alibi/alibilog.h"
#include "benchclock.h"
#include "clusterdb.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "testdb.h"
#include "ui/scriptedprompt.h"
#include "weighing/finalisation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <unistd.h>
#include <functional>
#include <memory>

namespace {

QTextStream out(stdout);

// Busy and total jiffies of the whole machine (/proc/stat).
struct CpuTimes {
    qint64 busy = 0, total = 0;
};
CpuTimes cpuTimes()
{
    CpuTimes t;
    QFile f(QStringLiteral("/proc/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return t;
    const QList<QByteArray> v = f.readLine().simplified().split(' ');
    for (int i = 1; i < v.size(); ++i) {
        const qint64 n = v[i].toLongLong();
        t.total += n;
        if (i != 4 && i != 5)   // idle, iowait
            t.busy += n;
    }
    return t;
}

// Where a run's databases live: the private server, or one node of the cluster.
// CPU seconds (user + system) that process `pid` has used so far.
double processCpu(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray all = f.readAll();
    const QList<QByteArray> v = all.mid(all.lastIndexOf(')') + 2).split(' ');
    if (v.size() < 13)
        return 0;
    return (v[11].toLongLong() + v[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

struct Target {
    QString name;
    QList<qint64> serverPids;   // the server processes (for their CPU time)                                   //
                                // "server", "cluster"
    std::function<ConnectionSettings(int)> settings;   // workstation 0 (A) or 1 (B)
    std::function<void(const QString&)> exec;   // a statement on node 1 / the server
    std::function<QVariant(const QString&)> scalar;
    // The server's command counters (Com_stmt_*, Questions); empty where
    // they cannot be read as one server's.
    std::function<QMap<QString, qint64>()> commands;
};

struct Workstation {
    QString label;
    QList<qint64> ids;   // its pending weighings
    QStringList numbers;   // J numbers its finalisations returned
    QMap<QString, int> failures;   // message -> count
    int gaveUp = 0;
    qint64 statements = 0;
    qint64 gone = 0;   // transactions the data module found gone under a command (tried again)
    double ms = 0;
    QString error;
    QHash<qint64, QStringList> tries;   // weighing -> failure messages before its end
    QHash<qint64, QString> numberOf;   // weighing -> J number returned
};

struct Run {
    double ms = 0;   // wall time, first start to last end
    double cpuBusy = 0;   // share of the machine's CPU time busy
    double clientCpu = 0;   // CPU seconds of this process (both workstations)
    double serverCpu = 0;   // CPU seconds of the server processes
    QMap<QString, qint64> commands;   // the server's command counters over the run
    QList<Workstation> ws;
    int finalised() const
    {
        int n = 0;
        for (const Workstation& w : ws)
            n += w.numbers.size();
        return n;
    }
    int failures() const
    {
        int n = 0;
        for (const Workstation& w : ws)
            for (int c : w.failures)
                n += c;
        return n;
    }
    double perSecond() const { return ms > 0 ? finalised() * 1000.0 / ms : 0; }
};

// Registers and `perWorkstation` pending weighings for each workstation,
// exit weighed, ready for the finalisation: every fourth one a dispatch
// ("K"), the others deliveries with purity and moisture deductions.
void prepare(const Target& t, int workstations, int perWorkstation)
{
    t.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart) VALUES ('1', 'Búza', 98, 14.5), "
                          "('2', 'Kukorica', 97, 14)"));
    t.exec(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Siló'), ('2', 'Síkraktár')"));
    t.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rTara) VALUES ('1', 'ABC-123', 8000)"));
    t.exec(QStringLiteral("INSERT INTO termelo (oKod, oNev) VALUES ('1', 'Kovács István')"));
    const int total = workstations * perWorkstation;
    t.exec(QStringLiteral(
            "INSERT INTO meres (mBszam, mMozgas, mPot, mEgymeres, mDatum, mBeido, mKiido, mRkod, mBemerleg1, "
            "mBemeres1, mBemerleg2, mBemeres2, mKimerleg1, mKimeres1, mKimerleg2, mKimeres2, mTkod1, mTkod2, "
            "mKkod1, mKkod2, mOkod, mAkod, mMegj, mTiszt, mViztart, mNetto1, mNetto2) "
            "SELECT seq, IF(seq % 4 = 0, 'K', 'B'), 'I', '', '2026-12-10', '07:00:00', '07:30:00', '1', "
            "IF(seq % 4 = 0, 8000, 24000 + seq % 500), IF(seq % 4 = 0, 8000, 24000 + seq % 500), "
            "IF(seq % 4 = 0, 6000, 16000), IF(seq % 4 = 0, 6000, 16000), "
            "IF(seq % 4 = 0, 22000, 8000), IF(seq % 4 = 0, 22000, 8000), "
            "IF(seq % 4 = 0, 14000, 6000), IF(seq % 4 = 0, 14000, 6000), '1', '2', '1', '2', '1', '', '', "
            "97, 15, 0, 0 FROM seq_1_to_%1")
                    .arg(total));
}

// One workstation's loop: finalise each of its weighings, again after a
// failure, until done or 20 tries.
void finaliseAll(Workstation& w, const ConnectionSettings& settings, std::atomic<int>& ready, std::atomic<bool>& go,
        int expected, bool keep)
{
    try {
        DataModule data(settings);
        data.setKeepPrepared(keep);
        data.open();
        ScriptedPrompt prompt;
        prompt.setLenient(true);
        AppContext ctx(data, prompt);
        Finalisation f(ctx);
        ++ready;
        while (ready.load() < expected || !go.load())
            QThread::yieldCurrentThread();
        const qint64 before = data.statementCount();
        QElapsedTimer clock;
        clock.start();
        for (qint64 id : w.ids) {
            Finalisation::Input in;
            in.weighingId = id;
            in.netText = QStringLiteral("16000");
            in.today = QDate(2026, 12, 10);
            int tries = 0;
            for (;;) {
                const int shownBefore = prompt.shown().size();
                const FinalisationOutcome o = f.store(in);
                if (o.done()) {
                    w.numbers << o.ticketNumber;
                    w.numberOf.insert(id, o.ticketNumber);
                    break;
                }
                const QStringList texts = prompt.shownTexts().mid(shownBefore);
                const QString text
                        = texts.isEmpty() ? QStringLiteral("(no message)") : texts.join(QLatin1String(" / "));
                w.failures[text]++;
                w.tries[id] << text;
                if (++tries >= 20) {
                    ++w.gaveUp;
                    break;
                }
            }
        }
        w.ms = clock.nsecsElapsed() / 1e6;
        w.statements = data.statementCount() - before;
        w.gone = data.transactionsFoundGone();
    } catch (const DbError& e) {
        w.error = e.text();
        ++ready;
    }
}

// `keep`: the data module keeps its prepared statements (false: each
// statement prepared anew, the Qt driver's way: the baseline).
Run runWorkstations(const Target& t, int workstations, int perWorkstation, bool keep = true)
{
    prepare(t, workstations, perWorkstation);
    Run r;
    for (int i = 0; i < workstations; ++i) {
        Workstation w;
        w.label = QString(QLatin1Char(char('A' + i)));
        // Workstation i takes every workstations-th weighing by number, so
        // both work through the whole id range.
        const QString ids = t.scalar(QStringLiteral("SELECT GROUP_CONCAT(IDm ORDER BY IDm) FROM meres "
                                                    "WHERE MOD(mBszam - 1, %1) = %2")
                                             .arg(workstations)
                                             .arg(i))
                                    .toString();
        for (const QString& s : ids.split(QLatin1Char(','), Qt::SkipEmptyParts))
            w.ids << s.toLongLong();
        r.ws << w;
    }
    std::atomic<int> ready {0};
    std::atomic<bool> go {false};
    QList<QThread*> threads;
    for (int i = 0; i < workstations; ++i) {
        Workstation* w = &r.ws[i];
        const ConnectionSettings s = t.settings(i);
        threads << QThread::create(
                [w, s, &ready, &go, workstations, keep] { finaliseAll(*w, s, ready, go, workstations, keep); });
        threads.last()->start();
    }
    while (ready.load() < workstations)
        QThread::msleep(1);
    const CpuTimes c0 = cpuTimes();
    double client0 = processCpu(QCoreApplication::applicationPid()), server0 = 0;
    for (qint64 pid : t.serverPids)
        server0 += processCpu(pid);
    const QMap<QString, qint64> commands0 = t.commands ? t.commands() : QMap<QString, qint64>();
    QElapsedTimer clock;
    clock.start();
    go = true;
    for (QThread* th : threads) {
        th->wait();
        delete th;
    }
    r.ms = clock.nsecsElapsed() / 1e6;
    if (t.commands) {
        const QMap<QString, qint64> commands1 = t.commands();
        for (auto it = commands1.begin(); it != commands1.end(); ++it)
            r.commands.insert(it.key(), it.value() - commands0.value(it.key()));
    }
    const CpuTimes c1 = cpuTimes();
    r.clientCpu = processCpu(QCoreApplication::applicationPid()) - client0;
    for (qint64 pid : t.serverPids)
        r.serverCpu += processCpu(pid);
    r.serverCpu -= server0;
    r.cpuBusy = c1.total > c0.total ? double(c1.busy - c0.busy) / double(c1.total - c0.total) : 0;
    return r;
}

// Checks and prints one run; `baselineStatements` is the statements per
// finalisation of a run without contention (0: this is that run).
bool report(const Target& t, const QString& label, const Run& r, int expected, double baselineStatements)
{
    bool ok = true;
    QStringList issued;
    for (const Workstation& w : r.ws) {
        if (!w.error.isEmpty()) {
            out << label << ": workstation " << w.label << " could not start: " << w.error << "\n";
            ok = false;
        }
        issued << w.numbers;
    }
    const QSet<QString> distinct(issued.begin(), issued.end());
    qint64 highest = 0;
    for (const QString& n : issued)
        highest = qMax(highest, n.toLongLong());
    const int tickets = t.scalar(QStringLiteral("SELECT COUNT(DISTINCT jBszam) FROM vello")).toInt();
    const int rows = t.scalar(QStringLiteral("SELECT COUNT(*) FROM vello")).toInt();
    const int pending = t.scalar(QStringLiteral("SELECT COUNT(*) FROM meres")).toInt();
    const int weighings = t.scalar(QStringLiteral("SELECT COUNT(DISTINCT jMbszam) FROM vello")).toInt();
    const int badTickets = t.scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT jBszam FROM vello GROUP BY jBszam "
                                                   "HAVING COUNT(*) <> 2 OR COUNT(DISTINCT jMbszam) <> 1) x"))
                                   .toInt();
    const QString counter = t.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'J'")).toString();
    const qint64 gaps = highest - distinct.size();
    const qint64 lost = expected - weighings - pending;
    int gaveUp = 0;
    qint64 statements = 0;
    for (const Workstation& w : r.ws) {
        gaveUp += w.gaveUp;
        statements += w.statements;
    }
    const double perFinalisation = r.finalised() + r.failures() > 0 ? double(statements) / r.finalised() : 0;
    // Every reply inside a transaction is checked by the data module: a
    // transaction found gone stops its attempt at that reply (an error, run
    // again), so no statement goes on outside it. What is counted is the
    // replies that said so.
    qint64 gone = 0;
    for (const Workstation& w : r.ws)
        gone += w.gone;
    const double failedShare = expected > 0 ? 100.0 * r.failures() / expected : 0;
    out << QStringLiteral("%1: transactions found gone under a command %2 (each stopped at that reply and run "
                          "again; statements sent after it 0); operator-visible failures %3 = %4% of %5 "
                          "(goal <= 1%: %6)\n")
                    .arg(label)
                    .arg(gone)
                    .arg(r.failures())
                    .arg(failedShare, 0, 'f', 2)
                    .arg(expected)
                    .arg(failedShare <= 1.0 ? QStringLiteral("met") : QStringLiteral("NOT met"));

    const bool numbersOk = distinct.size() == issued.size() && issued.size() == tickets && rows == 2 * tickets
            && badTickets == 0 && counter == QString::number(highest) && gaps <= r.failures();
    ok = ok && numbersOk && lost == 0 && gaveUp == 0 && issued.size() == expected;
    out << QStringLiteral("%1: J numbers issued %2, distinct %3 (expected %4), highest %5, counter %6, gaps %7 "
                          "(failures %8), tickets in vello %9 (%10 rows, %11 not of two rows of one weighing): %12\n")
                    .arg(label)
                    .arg(issued.size())
                    .arg(distinct.size())
                    .arg(expected)
                    .arg(highest)
                    .arg(counter)
                    .arg(gaps)
                    .arg(r.failures())
                    .arg(tickets)
                    .arg(rows)
                    .arg(badTickets)
                    .arg(numbersOk && issued.size() == expected ? QStringLiteral("ok") : QStringLiteral("WRONG"));
    out << QStringLiteral("%1: lost weighings %2 (finalised %3, still pending %4, given up %5): %6\n")
                    .arg(label)
                    .arg(lost)
                    .arg(weighings)
                    .arg(pending)
                    .arg(gaveUp)
                    .arg(lost == 0 && gaveUp == 0 ? QStringLiteral("ok") : QStringLiteral("WRONG"));
    if (r.failures() == 0)
        out << label << ": failures 0\n";
    for (const Workstation& w : r.ws)
        for (auto it = w.failures.begin(); it != w.failures.end(); ++it)
            out << QStringLiteral("%1: failures at %2: %3 x \"%4\"\n")
                            .arg(label, w.label)
                            .arg(it.value())
                            .arg(it.key());
    out << QStringLiteral("%1: statements per finalisation %2%3\n")
                    .arg(label)
                    .arg(perFinalisation, 0, 'f', 2)
                    .arg(baselineStatements > 0
                                    ? QStringLiteral(" | baseline one workstation %1 (extra: retries inside "
                                                     "the operation or failed tries)")
                                              .arg(baselineStatements, 0, 'f', 2)
                                    : QString());
    if (!r.commands.isEmpty() && r.finalised() > 0 && statements > 0) {
        // Questions counts what the clients sent as statements (a plain
        // query or a prepared statement's execute); prepare, close and reset
        // are commands of their own.
        const qint64 prepare = r.commands.value(QStringLiteral("Com_stmt_prepare"));
        const qint64 close = r.commands.value(QStringLiteral("Com_stmt_close"));
        const qint64 reset = r.commands.value(QStringLiteral("Com_stmt_reset"));
        const qint64 execute = r.commands.value(QStringLiteral("Com_stmt_execute"));
        const qint64 questions = r.commands.value(QStringLiteral("Questions"));
        const qint64 all = questions + prepare + close + reset;
        const double n = r.finalised();
        const double perStatement = double(all) / double(statements);
        out << QStringLiteral("%1: server commands per finalisation: prepare %2, execute %3, reset %4, close %5, "
                              "plain queries %6; %7 commands for %8 statements = %9 per statement (goal <= 1.1: "
                              "%10)\n")
                        .arg(label)
                        .arg(prepare / n, 0, 'f', 2)
                        .arg(execute / n, 0, 'f', 2)
                        .arg(reset / n, 0, 'f', 2)
                        .arg(close / n, 0, 'f', 2)
                        .arg((questions - execute) / n, 0, 'f', 2)
                        .arg(all)
                        .arg(statements)
                        .arg(perStatement, 0, 'f', 2)
                        .arg(perStatement <= 1.1 ? QStringLiteral("met") : QStringLiteral("NOT met"));
    }
    QStringList each;
    for (const Workstation& w : r.ws)
        each << QStringLiteral("%1 %2 in %3 s").arg(w.label).arg(w.numbers.size()).arg(w.ms / 1000.0, 0, 'f', 2);
    out << QStringLiteral("%1: throughput %2 finalisations/s (%3 in %4 s; %5)\n")
                    .arg(label)
                    .arg(r.perSecond(), 0, 'f', 1)
                    .arg(r.finalised())
                    .arg(r.ms / 1000.0, 0, 'f', 2)
                    .arg(each.join(QLatin1String(", ")));
    out << QStringLiteral("%1: CPU: workstations %2 s, server%3 %4 s in %5 s: %6 of the %7 cores; "
                          "the machine (other work included) busy %8%\n")
                    .arg(label)
                    .arg(r.clientCpu, 0, 'f', 2)
                    .arg(t.serverPids.size() > 1 ? QStringLiteral("s") : QString())
                    .arg(r.serverCpu, 0, 'f', 2)
                    .arg(r.ms / 1000.0, 0, 'f', 2)
                    .arg(r.ms > 0 ? (r.clientCpu + r.serverCpu) * 1000.0 / r.ms : 0, 0, 'f', 2)
                    .arg(QThread::idealThreadCount())
                    .arg(r.cpuBusy * 100, 0, 'f', 0);
    // What the lost weighings went through (the failed tries before the
    // last, and the number the last one returned), and who else got that number.
    if (lost > 0 || distinct.size() != issued.size()) {
        QHash<QString, QStringList> holders;
        for (const Workstation& w : r.ws)
            for (auto it = w.numberOf.begin(); it != w.numberOf.end(); ++it)
                holders[it.value()] << QStringLiteral("%1:%2").arg(w.label).arg(it.key());
        int shown = 0;
        for (const Workstation& w : r.ws) {
            for (auto it = w.numberOf.begin(); it != w.numberOf.end() && shown < 12; ++it) {
                const int rowsOfNumber
                        = t.scalar(QStringLiteral("SELECT COUNT(*) FROM vello WHERE jBszam = '%1'").arg(it.value()))
                                  .toInt();
                if (holders.value(it.value()).size() < 2 && rowsOfNumber == 2)
                    continue;
                ++shown;
                out << QStringLiteral("%1: weighing %2 at %3: J %4 (also returned to %5), %6 ticket rows carry it; "
                                      "failed tries before: %7\n")
                                .arg(label, QString::number(it.key()), w.label, it.value(),
                                        holders.value(it.value()).join(QLatin1String(" ")),
                                        QString::number(rowsOfNumber),
                                        w.tries.value(it.key()).join(QLatin1String(" | ")));
            }
        }
    }
    return ok;
}

// The alibi log beside the run's database, when it has entries.
void checkAlibi(const Target& t, const QString& label, const ConnectionSettings& settings)
{
    const QString log = AlibiLog::databaseFor(settings.database);
    const QVariant entries
            = t.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1' "
                                      "AND TABLE_NAME = 'naplo'")
                               .arg(log));
    if (entries.toInt() == 0) {
        out << label << ": alibi log: none beside the database\n";
        return;
    }
    const int n = t.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.naplo").arg(log)).toInt();
    const int links = t.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.kapcsolat").arg(log)).toInt();
    if (n == 0 && links == 0) {
        out << label << ": alibi log: no entries, no links (nothing to check)\n";
        return;
    }
    DataModule data(settings);
    data.open();
    AlibiLog alibi(data);
    const AlibiLog::Verification v = alibi.verify();
    out << QStringLiteral("%1: alibi log: %2 entries, %3 links, chain %4 (verified %5)\n")
                    .arg(label)
                    .arg(n)
                    .arg(links)
                    .arg(v.ok() ? QStringLiteral("ok") : QStringLiteral("BROKEN at %1").arg(v.firstBroken))
                    .arg(v.verified);
}

// One workstation alone, then two at once, each on a fresh database; a few
// rounds of the pair, since the machine may be shared: every round is
// checked, the throughputs are the medians of the rounds.
struct Pair {
    double one = 0, two = 0;   // median finalisations per second
    bool ok = true;
};
// What the machine allows two workstations: its cores divided by the CPU
// seconds (workstation and server) that one finalisation cost in the run of
// one workstation, in finalisations per second.
double coreBound(const Run& one)
{
    const double cpuPer = one.finalised() > 0 ? (one.clientCpu + one.serverCpu) / one.finalised() : 0;
    return cpuPer > 0 ? QThread::idealThreadCount() / cpuPer : 0;
}
double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}
Pair measureOn(const std::function<std::unique_ptr<Target>()>& makeTarget, const QString& name, int count, int rounds)
{
    Pair p;
    QList<double> ones, twos, ratios, befores, bounds, ofBound;
    for (int round = 1; round <= rounds; ++round) {
        const QString prefix = rounds > 1 ? QStringLiteral("%1 (round %2)").arg(name).arg(round) : name;
        Run one, two, before;
        {
            // The baseline: one workstation whose statements are each
            // prepared anew (the driver's way, four commands a statement).
            std::unique_ptr<Target> t = makeTarget();
            before = runWorkstations(*t, 1, count, false);
            const QString label = prefix + QStringLiteral(", one workstation, statements prepared anew");
            p.ok = report(*t, label, before, count, 0) && p.ok;
        }
        {
            std::unique_ptr<Target> t = makeTarget();
            one = runWorkstations(*t, 1, count);
            const QString label = prefix + QStringLiteral(", one workstation");
            p.ok = report(*t, label, one, count, 0) && p.ok;
            checkAlibi(*t, label, t->settings(0));
        }
        const double baseline = one.finalised() > 0 ? double(one.ws[0].statements) / one.finalised() : 0;
        {
            std::unique_ptr<Target> t = makeTarget();
            two = runWorkstations(*t, 2, count);
            const QString label = prefix + QStringLiteral(", two workstations");
            p.ok = report(*t, label, two, 2 * count, baseline) && p.ok;
            checkAlibi(*t, label, t->settings(0));
        }
        ones << one.perSecond();
        twos << two.perSecond();
        befores << before.perSecond();
        ratios << (one.perSecond() > 0 ? two.perSecond() / one.perSecond() : 0);
        bounds << coreBound(one);
        ofBound << (coreBound(one) > 0 ? two.perSecond() / coreBound(one) : 0);
        out.flush();
    }
    p.one = median(ones);
    p.two = median(twos);
    QStringList each;
    for (double r : ratios)
        each << QString::number(r, 'f', 2);
    const double ratio = p.one > 0 ? p.two / p.one : 0;
    const double before = median(befores);
    const double timeRatio = p.one > 0 && before > 0 ? before / p.one : 0;   // time per finalisation, now / before
    out << QStringLiteral("%1: one workstation's finalisation time, kept statements / prepared anew %2 (medians: "
                          "%3 / %4 finalisations/s; goal <= 0.6: %5)\n")
                    .arg(name)
                    .arg(timeRatio, 0, 'f', 2)
                    .arg(p.one, 0, 'f', 1)
                    .arg(before, 0, 'f', 1)
                    .arg(timeRatio > 0 && timeRatio <= 0.6 ? QStringLiteral("met") : QStringLiteral("NOT met"));
    QStringList eachBound;
    for (int i = 0; i < bounds.size(); ++i)
        eachBound << QStringLiteral("%1 of %2").arg(ofBound[i], 0, 'f', 2).arg(bounds[i], 0, 'f', 1);
    const double medianOfBound = median(ofBound);
    out << QStringLiteral("%1: two workstations / what the cores allow %2 (the bound: %3 cores / CPU seconds of one "
                          "finalisation in the one-workstation run; per round %4; goal >= 0.9: %5)\n")
                    .arg(name)
                    .arg(medianOfBound, 0, 'f', 2)
                    .arg(QThread::idealThreadCount())
                    .arg(eachBound.join(QLatin1String(", ")))
                    .arg(medianOfBound >= 0.9 ? QStringLiteral("met") : QStringLiteral("NOT met"));
    out << QStringLiteral("%1: two workstations / one workstation throughput %2 (medians of %3 rounds: %4 / %5 "
                          "finalisations/s; per round %6; goal >= 1.6: %7)\n")
                    .arg(name)
                    .arg(ratio, 0, 'f', 2)
                    .arg(rounds)
                    .arg(p.two, 0, 'f', 1)
                    .arg(p.one, 0, 'f', 1)
                    .arg(each.join(QLatin1String(", ")))
                    .arg(ratio >= 1.6 ? QStringLiteral("met") : QStringLiteral("NOT met"));
    return p;
}

qint64 pidOf(const QString& pidFile)
{
    QFile f(pidFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

// A database of its own on the private server.
struct ServerTarget : Target {
    TestDb db;
    ServerTarget()
    {
        name = QStringLiteral("server");
        settings = [this](int) { return db.settings(); };
        serverPids << pidOf(value(QStringLiteral("SELECT @@pid_file")).toString());
        exec = [this](const QString& sql) { run(sql); };
        scalar = [this](const QString& sql) { return value(sql); };
        commands = [this] {
            QMap<QString, qint64> m;
            QSqlQuery q(db.admin());
            if (!q.exec(QStringLiteral("SHOW GLOBAL STATUS WHERE Variable_name IN ('Com_stmt_prepare', "
                                       "'Com_stmt_execute', 'Com_stmt_close', 'Com_stmt_reset', 'Questions')")))
                qFatal("%s", qPrintable(q.lastError().text()));
            while (q.next())
                m.insert(q.value(0).toString(), q.value(1).toLongLong());
            return m;
        };
    }
    void run(const QString& sql)
    {
        QSqlQuery q(db.admin());
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(db.admin());
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q.next() ? q.value(0) : QVariant();
    }
};

// A database of its own on the cluster: workstation A on node 1, B on node 2.
struct ClusterTarget : Target {
    ClusterDb db;
    ClusterTarget()
    {
        name = QStringLiteral("cluster");
        settings = [this](int ws) { return db.settings(ws + 1); };
        for (int node = 1; node <= 3; ++node)
            serverPids << pidOf(Cluster::scalar(node, QStringLiteral("SELECT @@pid_file")).toString());
        exec = [this](const QString& sql) {
            QSqlQuery use(Cluster::admin(1));
            use.exec(QStringLiteral("USE `%1`").arg(db.name()));
            QString error;
            if (!Cluster::exec(1, sql, &error))
                qFatal("%s: %s", qPrintable(sql), qPrintable(error));
        };
        scalar = [this](const QString& sql) {
            QSqlQuery q(Cluster::admin(1));
            q.exec(QStringLiteral("USE `%1`").arg(db.name()));
            if (!q.exec(sql))
                qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
            return q.next() ? q.value(0) : QVariant();
        };
    }
};

int script(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("bash"),
            QStringList {qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/scripts/cluster")} + args);
    if (!p.waitForFinished(300000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1000;
    const int rounds = qMax(1,
            qEnvironmentVariableIntValue("VELLO_BENCH_ROUNDS") > 0 ? qEnvironmentVariableIntValue("VELLO_BENCH_ROUNDS")
                                                                   : 3);
    out << "rounds: " << rounds << "; weighings per workstation: " << count
        << "; cores: " << QThread::idealThreadCount() << "\n";
    out.flush();

    bool ok = true;
    const Pair server
            = measureOn([] { return std::make_unique<ServerTarget>(); }, QStringLiteral("server"), count, rounds);
    ok = ok && server.ok;
    out.flush();

    if (qEnvironmentVariable("VELLO_BENCH_CLUSTER") == QLatin1String("0")) {
        out << "cluster: left out (VELLO_BENCH_CLUSTER=0)\n";
        return ok ? 0 : 1;
    }
    // The cluster: the one of VELLO_CLUSTER_DIR, or one of our own.
    bool own = false;
    if (qEnvironmentVariableIsEmpty("VELLO_CLUSTER_DIR")) {
        const QString dir = QStringLiteral("/tmp/vello-bench-cluster-%1").arg(QCoreApplication::applicationPid());
        qputenv("VELLO_CLUSTER_DIR", dir.toLocal8Bit());
        QElapsedTimer t;
        t.start();
        if (script({QStringLiteral("start"), QStringLiteral("--dir"), dir}) != 0) {
            out << "cluster: could not be started (scripts/cluster start); its figures are missing\n";
            script({QStringLiteral("stop"), QStringLiteral("--dir"), dir, QStringLiteral("--remove")});
            return 1;
        }
        out << "cluster: started in " << t.elapsed() / 1000.0 << " s\n";
        own = true;
    }
    const Pair cluster
            = measureOn([] { return std::make_unique<ClusterTarget>(); }, QStringLiteral("cluster"), count, rounds);
    ok = ok && cluster.ok;
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    out << QStringLiteral("cluster / server throughput, two workstations %1 (%2 / %3 finalisations/s); "
                          "one workstation %4 (%5 / %6)\n")
                    .arg(ratio(cluster.two, server.two), 0, 'f', 2)
                    .arg(cluster.two, 0, 'f', 1)
                    .arg(server.two, 0, 'f', 1)
                    .arg(ratio(cluster.one, server.one), 0, 'f', 2)
                    .arg(cluster.one, 0, 'f', 1)
                    .arg(server.one, 0, 'f', 1);
    out.flush();
    for (const QString& c : QSqlDatabase::connectionNames())
        QSqlDatabase::database(c, false).close();
    if (own)
        script({QStringLiteral("stop"), QStringLiteral("--dir"), qEnvironmentVariable("VELLO_CLUSTER_DIR"),
                QStringLiteral("--remove")});
    return ok ? 0 : 1;
}
