// Archiving a decade of tickets (every ticket up to the last day): the run
// of the archiving window, headless, beside a plain SQL script with the same
// effect run by the mariadb client on an identical database; then twice the
// tickets beside the first figure, to show that the run grows linearly.
//
//   bench_archiving [tickets]      (default 500000)
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "generator.h"
#include "periodclose/archiving.h"
#include "testdb.h"
#include "ui/scriptedprompt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>

namespace {

Generator::Size sizeFor(qint64 tickets)
{
    Generator::Size s;
    s.years = 10;
    s.ticketsPerDay = int((tickets + 3649) / 3650);
    return s;
}

QDate lastDay(const Generator::Size& s)
{
    const qint64 count = qint64(s.years) * 365 * s.ticketsPerDay;
    return QDate(2016, 1, 1).addDays(count / s.ticketsPerDay + 1);
}

void prepare(TestDb& db, const Generator::Size& s)
{
    QElapsedTimer t;
    t.start();
    Generator::registers(db, s);
    Generator::tickets(db, s);
    db.exec(QStringLiteral("ANALYZE TABLE vello"));
    QTextStream(stdout) << "generated " << db.count(QStringLiteral("vello")) << " ticket rows in "
                        << t.elapsed() / 1000.0 << " s\n";
}

double runArchiving(TestDb& db, const QDate& cutOff, qint64* archived)
{
    DataModule data(db.settings());
    data.open();
    ScriptedPrompt prompt;
    prompt.setLenient(true);
    AppContext ctx(data, prompt);
    Archiving run(ctx);
    QStringList log;
    run.setLog([&](const QString& l) { log << l; });
    QElapsedTimer t;
    t.start();
    const bool ok = run.run(cutOff);
    const double ms = t.nsecsElapsed() / 1e6;
    if (!ok)
        QTextStream(stdout) << "archiving FAILED: " << prompt.shownTexts().join(QLatin1String("; ")) << "\n"
                            << log.join(QLatin1Char('\n')) << "\n";
    *archived = run.archived();
    return ms;
}

// The same effect as plain SQL in the mariadb client.
double runScript(TestDb& db, const QDate& cutOff)
{
    const QString d = cutOff.toString(Qt::ISODate);
    const QString script = QStringLiteral(
            "START TRANSACTION;\n"
            "DELETE FROM munka;\n"
            "INSERT INTO munka SELECT IDj, jBszam, jMbszam, jMozgas, jPot, jEgymeres, '%1', jBeido, jKiido, '%1', '%1', "
            "jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, jOkod, jAkod, jMegj, "
            "jTiszt, jViztart, jPrn, 'A' FROM vello WHERE jDatum <= '%1' AND jMozgas IN ('B', 'K');\n"
            "INSERT INTO vello (jTkod, jKkod, jNettoBe, jNettoKI, jDatum, jModDatum, jRogDatum, jTorolt) "
            "SELECT jTkod, jKkod, SUM(jNettoBe), SUM(jNettoKI), '%1', '%1', '%1', 'A' FROM munka GROUP BY jTkod, jKkod;\n"
            "SELECT sBszam INTO @n FROM sorszam WHERE sKod = 'K' FOR UPDATE;\n"
            "UPDATE vello SET jBszam = (@n := @n + 1), jTorolt = '' WHERE jTorolt = 'A' ORDER BY IDj;\n"
            "UPDATE sorszam SET sBszam = @n WHERE sKod = 'K';\n"
            "INSERT INTO archiv (jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, jRogDatum, "
            "jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, tMegnev, tMegjegy, tSztiszt, tSzviztart, "
            "jRkod, rRendszam, rTara, jKkod, kNev, jOkod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, jAkod, jMegj, "
            "jTiszt, jViztart) SELECT jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, "
            "jRogDatum, jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, tMegnev, tMegjegy, tSztiszt, "
            "tSzviztart, jRkod, rRendszam, rTara, jKkod, kNev, jOkod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, jAkod, "
            "jMegj, jTiszt, jViztart FROM munka JOIN termeny ON tKod = jTkod JOIN termelo ON oKod = jOkod "
            "JOIN raktar ON kKod = jKkod JOIN rendszam ON rKod = jRkod WHERE jTkod <> '';\n"
            "DELETE vello FROM vello JOIN munka ON munka.IDj = vello.IDj;\n"
            "COMMIT;\n")
                                   .arg(d);
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("mariadb"),
            {QStringLiteral("--user=root"), QStringLiteral("--socket=") + TestDb::socket(), db.name()});
    p.waitForStarted(-1);
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const double ms = t.nsecsElapsed() / 1e6;
    if (p.exitCode() != 0)
        QTextStream(stdout) << "script FAILED: " << p.readAllStandardError() << "\n";
    return ms;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 tickets = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 500000;
    QTextStream out(stdout);
    {
        // The benchmark's own server: a buffer pool that holds the working set.
        TestDb admin(false);
        admin.exec(QStringLiteral("SET GLOBAL innodb_buffer_pool_size = 1073741824"));
        out << "innodb_buffer_pool_size " << admin.scalar(QStringLiteral("SELECT @@innodb_buffer_pool_size")).toString()
            << "\n";
    }
    const Generator::Size small = sizeFor(tickets), large = sizeFor(tickets * 2);
    if (argc > 2 && QByteArray(argv[2]) == "once") {   // the run alone, for a look at one size
        TestDb db;
        prepare(db, small);
        qint64 archived = 0;
        const double ms = runArchiving(db, lastDay(small), &archived);
        out << "archived " << archived << " rows in " << ms << " ms\n";
        return 0;
    }
    qint64 archived = 0;
    double ours = 0, script = 0, twice = 0;
    {
        TestDb db;
        prepare(db, small);
        ours = runArchiving(db, lastDay(small), &archived);
        out << "archived " << archived << " rows; vello now " << db.count(QStringLiteral("vello")) << " rows\n";
    }
    {
        TestDb db;
        prepare(db, small);
        script = runScript(db, lastDay(small));
        out << "script archived " << db.count(QStringLiteral("archiv")) << " rows; vello now "
            << db.count(QStringLiteral("vello")) << " rows\n";
    }
    {
        TestDb db;
        prepare(db, large);
        twice = runArchiving(db, lastDay(large), &archived);
        out << "archived " << archived << " rows\n";
    }
    report(QStringLiteral("archiving %1 tickets").arg(qint64(small.years) * 365 * small.ticketsPerDay), ours,
            QStringLiteral("plain SQL script in the mariadb client"), script);
    report(QStringLiteral("archiving %1 tickets").arg(qint64(large.years) * 365 * large.ticketsPerDay), twice,
            QStringLiteral("archiving half as many"), ours);
    out << "goals: <= 2 against the script: " << (ours <= 2 * script ? "met" : "NOT met")
        << "; <= 2.2 for twice the tickets: " << (twice <= 2.2 * ours ? "met" : "NOT met") << "\n";
    return 0;
}
