// The alibi log's chain check over a million entries: `vello-alibi verify`
// beside the mariadb client reading the same rows with a plain SELECT (both
// as processes, to /dev/null; the client as it comes and with --quick), and the peak resident memory of the check run
// in this process, which must not grow with the log.
//
//   bench_alibi_verify [entries]      (default 1000000)
//
// The entries are generated in the server: one INSERT ... SELECT from a
// sequence table, then one ordered UPDATE that computes the chain values
// with SHA2 by the log's own definition. The check finding every entry
// intact is the proof that the two definitions agree.
#include "alibi/alibilog.h"
#include "benchclock.h"
#include "data/datamodule.h"
#include "testdb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

namespace {

double peakMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void generate(TestDb& db, qint64 n)
{
    const QString naplo = QStringLiteral("`%1`.naplo").arg(AlibiLog::databaseFor(db.name()));
    QElapsedTimer t;
    t.start();
    db.exec(QStringLiteral(
            "INSERT INTO %1 (nr, ido, gep, forras, suly, szamjegy, allapot, port, nyers, lanc) "
            "SELECT seq, TIMESTAMP'2026-01-01 06:00:00' + INTERVAL seq * 7 SECOND, "
            "IF(seq % 2 = 0, 'mérlegház-1', 'mérlegház-2'), ELT(1 + seq % 3, 'mérleg', 'kézi', 'törzs tára'), "
            "(seq * 37) % 60000, LPAD((seq * 37) % 60000, 6, '0'), 'ST', '/dev/ttyS0', "
            "CONCAT('ST,GS,+  ', LPAD((seq * 37) % 60000, 6, '0'), 'kg\\\\x0D\\\\x0A'), '' "
            "FROM seq_1_to_%2")
                    .arg(naplo)
                    .arg(n));
    db.exec(QStringLiteral("SET @p = REPEAT('0', 64)"));
    db.exec(QStringLiteral(
            "UPDATE %1 SET lanc = (@p := SHA2(CONCAT("
            "LENGTH(@p), ':', @p, ',', LENGTH(nr), ':', nr, ',', "
            "LENGTH(CAST(ido AS CHAR)), ':', CAST(ido AS CHAR), ',', LENGTH(gep), ':', gep, ',', "
            "LENGTH(forras), ':', forras, ',', LENGTH(CAST(suly AS CHAR)), ':', CAST(suly AS CHAR), ',', "
            "LENGTH(szamjegy), ':', szamjegy, ',', LENGTH(allapot), ':', allapot, ',', "
            "LENGTH(port), ':', port, ',', LENGTH(nyers), ':', nyers, ','), 256)) ORDER BY nr")
                    .arg(naplo));
    QTextStream(stdout) << "generated " << db.count(naplo) << " log entries in " << t.elapsed() / 1000.0 << " s\n";
}

QString runProcess(const QString& program, const QStringList& args, int* exitCode)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    p.waitForFinished(-1);
    *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardError());
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 n = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTextStream out(stdout);
    TestDb db;
    generate(db, n);
    const QString bin = qEnvironmentVariable("VELLO_BINARY_DIR");

    // Warm the server's buffer pool, so neither side pays for the first read.
    db.exec(QStringLiteral("SELECT COUNT(*), MAX(lanc) FROM `%1`.naplo").arg(AlibiLog::databaseFor(db.name())));

    // The check as the tool runs it; its summary line read once.
    {
        QProcess p;
        p.start(bin + QStringLiteral("/vello-alibi"),
                {QStringLiteral("verify"), QStringLiteral("--user"), QStringLiteral("root"), QStringLiteral("--socket"),
                        TestDb::socket(), QStringLiteral("--database"), db.name()});
        p.waitForFinished(-1);
        out << "vello-alibi says: " << p.readAllStandardOutput();
        if (p.exitCode() != 0) {
            out << "vello-alibi verify FAILED (exit " << p.exitCode() << "): " << p.readAllStandardError() << "\n";
            return 1;
        }
    }
    int rc = 0;
    const double tool = medianMs(3, [&] {
        runProcess(bin + QStringLiteral("/vello-alibi"),
                {QStringLiteral("verify"), QStringLiteral("--user"), QStringLiteral("root"), QStringLiteral("--socket"),
                        TestDb::socket(), QStringLiteral("--database"), db.name()},
                &rc);
    });
    const QString select = QStringLiteral("SELECT nr, ido, gep, forras, suly, szamjegy, allapot, port, nyers, lanc "
                                          "FROM `%1`.naplo ORDER BY nr")
                                   .arg(AlibiLog::databaseFor(db.name()));
    int clientRc = 0;
    QString clientErr;
    const double client = medianMs(3, [&] {
        clientErr = runProcess(QStringLiteral("mariadb"),
                {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + TestDb::socket(),
                        QStringLiteral("--user=root"), QStringLiteral("--batch"), QStringLiteral("-e"), select},
                &clientRc);
    });
    if (clientRc != 0)
        out << "mariadb client FAILED: " << clientErr << "\n";
    report(QStringLiteral("vello-alibi verify, %1 entries").arg(n), tool,
            QStringLiteral("mariadb client SELECT of the same rows"), client);
    // The client streaming the rows (--quick) instead of holding them all,
    // as the check does with its pages.
    const double quick = medianMs(3, [&] {
        clientErr = runProcess(QStringLiteral("mariadb"),
                {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + TestDb::socket(),
                        QStringLiteral("--user=root"), QStringLiteral("--batch"), QStringLiteral("--quick"),
                        QStringLiteral("-e"), select},
                &clientRc);
    });
    report(QStringLiteral("vello-alibi verify, %1 entries").arg(n), tool,
            QStringLiteral("mariadb client SELECT --quick (streamed)"), quick);

    // The same check in this process: time and peak memory.
    DataModule data(db.settings());
    data.open();
    AlibiLog log(data);
    const double before = peakMb();
    QElapsedTimer t;
    t.start();
    const AlibiLog::Verification v = log.verify();
    const double ms = t.nsecsElapsed() / 1e6;
    out << QStringLiteral(
            "in-process check: %1 entries verified (%2) in %3 ms; peak resident memory %4 MB before, %5 MB after\n")
                    .arg(v.verified)
                    .arg(v.ok() ? QStringLiteral("intact") : QStringLiteral("BROKEN at %1").arg(v.firstBroken))
                    .arg(ms, 0, 'f', 1)
                    .arg(before, 0, 'f', 1)
                    .arg(peakMb(), 0, 'f', 1);

    // The window's pacing: pages of 5000 entries, one per step of its event
    // loop, against the check above (pages of 20000) as the baseline.
    QElapsedTimer w;
    w.start();
    AlibiLog::Verifier paced(log, 5000);
    int steps = 1;
    while (paced.step())
        ++steps;
    const double wms = w.nsecsElapsed() / 1e6;
    out << QStringLiteral("window's paced check: %1 entries in %2 steps, %3 ms (%4 ms a step on average); "
                          "ratio to the in-process check %5\n")
                    .arg(paced.result().verified)
                    .arg(steps)
                    .arg(wms, 0, 'f', 1)
                    .arg(wms / steps, 0, 'f', 1)
                    .arg(wms / ms, 0, 'f', 2);
    return v.ok() && v.verified == n && paced.result().ok() ? 0 : 1;
}
