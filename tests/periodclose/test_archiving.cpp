// Archiving: the period up to a cut-off date is folded into summary rows and
// its tickets move into the archive, all or nothing.
#include "archivefixture.h"
#include "testapp.h"
#include "widgets.h"

#include "../weighing/weighingfixture.h"

#include "app/mainwindow.h"
#include "periodclose/archiving.h"
#include "periodclose/archivingwindow.h"
#include "periodclose/periodclosewindows.h"
#include "weighing/finalisation.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace ArchiveFixture;

namespace {

// Stored in, shipped out and stock per grouping, as the stock window sums them.
QStringList stockFigures(const TestDb& db)
{
    QStringList out;
    const QString groupings[]
            = {QString(), QStringLiteral("jTkod"), QStringLiteral("jKkod"), QStringLiteral("jTkod, jKkod")};
    for (const QString& g : groupings) {
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("SELECT %1 SUM(jNettoBe), SUM(jNettoKi), SUM(jNettoBe - jNettoKi) FROM vello "
                              "WHERE jTkod <> '' %2")
                        .arg(g.isEmpty() ? QString() : g + QStringLiteral(","),
                                g.isEmpty() ? QString()
                                            : QStringLiteral("GROUP BY ") + g + QStringLiteral(" ORDER BY ") + g));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << q.value(i).toString();
            out << g + QStringLiteral(": ") + cells.join(QLatin1Char('/'));
        }
    }
    return out;
}

// The sums of the whole ticket table per crop (empty and NULL apart) and
// warehouse: what the summary rows must carry on, rows without a crop too.
QStringList wholeTableSums(const TestDb& db)
{
    QStringList out;
    QSqlQuery q(db.admin());
    q.exec(QStringLiteral("SELECT COALESCE(jTkod, 'NULL'), COALESCE(jKkod, 'NULL'), SUM(jNettoBe), SUM(jNettoKi) "
                          "FROM vello GROUP BY 1, 2 ORDER BY 1, 2"));
    while (q.next())
        out << QStringLiteral("%1/%2=%3/%4")
                        .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                q.value(3).toString());
    return out;
}

// What a ticket row says, in the columns that vello and archiv share (the
// dates are the cut-off's in the archive, so they stay out).
const char* const kContent[] = {"jBszam", "jMbszam", "jMozgas", "jPot", "jEgymeres", "jBeido", "jKiido", "jBemeres",
        "jKimeres", "jNettoBe", "jNettoKI", "jBemerleg", "jKimerleg", "jTkod", "jRkod", "jKkod", "jOkod", "jAkod",
        "jMegj", "jTiszt", "jViztart"};

QStringList contents(const TestDb& db, const QString& from)
{
    QStringList cols;
    for (const char* c : kContent)
        cols << QStringLiteral("COALESCE(%1, 'NULL')").arg(QLatin1String(c));
    QStringList out;
    QSqlQuery q(db.admin());
    q.exec(QStringLiteral("SELECT CONCAT_WS('|', %1) FROM %2").arg(cols.join(QLatin1String(", ")), from));
    while (q.next())
        out << q.value(0).toString();
    out.sort();
    return out;
}

struct Snapshot {
    QStringList vello, archiv, munka;
    QString counter;
    bool operator==(const Snapshot& o) const
    {
        return vello == o.vello && archiv == o.archiv && munka == o.munka && counter == o.counter;
    }
};

Snapshot snapshot(const TestDb& db)
{
    return {rows(db, QStringLiteral("vello")), rows(db, QStringLiteral("archiv")), rows(db, QStringLiteral("munka")),
            db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'K'")).toString()};
}

// What a run leaves, by content (row identifiers differ between databases
// and after rolled-back inserts).
QStringList finished(const TestDb& db)
{
    QStringList out;
    out << contents(db, QStringLiteral("vello")) << QStringLiteral("--") << contents(db, QStringLiteral("archiv"))
        << QStringLiteral("--") << contents(db, QStringLiteral("munka")) << QStringLiteral("--")
        << db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'K'")).toString();
    return out;
}

// A previous run's work row, which a run that did not happen must keep.
void addEarlierWorkRow(const TestDb& db)
{
    db.exec(QStringLiteral("INSERT INTO munka (IDj, jBszam, jMozgas) VALUES (900, '9', 'B')"));
}

// The statements of a whole run on `date` and what it leaves, from a
// database of its own.
struct CleanRun {
    qint64 statements = 0;
    QStringList after;
};

CleanRun cleanRun(const QDate& date)
{
    TestApp app;
    fill(app.db);
    addEarlierWorkRow(app.db);
    Archiving run(app.ctx);
    const qint64 before = app.data.statementCount();
    CleanRun out;
    if (!run.run(date))
        return out;
    out.statements = app.data.statementCount() - before;
    out.after = finished(app.db);
    return out;
}

}   // namespace

class TestArchiving : public QObject {
    Q_OBJECT
private slots:
    void conservesStockAndArchivesEveryCollectedRow();
    void everyDeletedRowIsArchived_data();
    void everyDeletedRowIsArchived();
    void nothingToCollect();
    void secondRunKeepsFirstSummaries();
    void failureAtEveryStatementChangesNothing_data();
    void failureAtEveryStatementChangesNothing();
    void lostReplyAtEveryStatementToldTruly();
    void lostCommitReply_data();
    void lostCommitReply();
    void finalisationGoesThroughWhileArchivingRuns_data();
    void finalisationGoesThroughWhileArchivingRuns();
    void windowRunsAndLogs();
    void windowRefusesADateItCannotTrust_data();
    void windowRefusesADateItCannotTrust();
    void menuOpensBothWindows();
};

void TestArchiving::conservesStockAndArchivesEveryCollectedRow()
{
    TestApp app;
    fill(app.db);
    const QStringList figuresBefore = stockFigures(app.db);
    const QStringList after = rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jDatum > '2026-03-31'"));
    const QStringList earlier = rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jMozgas IS NULL"));
    const QStringList collectedIds = rows(app.db,
            QStringLiteral("(SELECT IDj FROM vello WHERE jDatum <= '2026-03-31' "
                           "AND jMozgas IN ('B', 'K')) c"));
    QStringList log;
    Archiving run(app.ctx);
    run.setLog([&](const QString& l) { log << l; });
    QVERIFY(run.run(cutOff()));
    app.verifyScriptsDone();
    QVERIFY(!app.data.inTransaction());

    QCOMPARE(stockFigures(app.db), figuresBefore);
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jDatum <= '2026-03-31' AND jMozgas IN ('B', 'K')")),
            0);
    QCOMPARE(rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jDatum > '2026-03-31'")), after);
    QCOMPARE(rows(app.db, QStringLiteral("munka")).size(), collectedIds.size());
    QCOMPARE(collectedIds.size(), 8);
    QCOMPARE(run.collected(), 8);
    QCOMPARE(run.deleted(), 8);

    // Summary rows: (1,1) (1,2) (2,1) (2,2) and the empty pair, numbered 1..5
    // although tickets 1..5 carry the same numbers; the earlier one stays.
    const QStringList earlierAfter
            = rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jMozgas IS NULL AND jDatum < '2026-03-31'"));
    QCOMPARE(earlierAfter, earlier);
    QSqlQuery q(app.db.admin());
    QVERIFY(q.exec(QStringLiteral("SELECT jBszam, jTkod, jKkod, jNettoBe, jNettoKI, jDatum, jModDatum, jRogDatum, "
                                  "jTorolt, jMbszam, jRkod, jOkod FROM vello WHERE jMozgas IS NULL "
                                  "AND jDatum = '2026-03-31' ORDER BY IDj")));
    QStringList summaries;
    while (q.next()) {
        QCOMPARE(q.value(5).toDate(), cutOff());
        QCOMPARE(q.value(6).toDate(), cutOff());
        QCOMPARE(q.value(7).toDate(), cutOff());
        QCOMPARE(q.value(8).toString(), QString());
        QVERIFY(q.isNull(9) && q.isNull(10) && q.isNull(11));
        summaries << QStringLiteral("%1:%2/%3=%4/%5")
                             .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                     q.value(3).toString(), q.value(4).toString());
    }
    QCOMPARE(summaries, QStringList({"1:/=0/0", "2:1/1=18000/0", "3:1/2=0/5000", "4:2/1=7000/0", "5:2/2=3000/0"}));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'K'")).toString(),
            QStringLiteral("5"));
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jTorolt = 'A'")), 0);

    // The archive: every collected row with a crop code, names beside the
    // codes, the cut-off in its dates; the row with the missing plate too.
    QCOMPARE(run.archived(), 5);
    QVERIFY(q.exec(QStringLiteral(
            "SELECT jBszam, jTkod, tMegnev, jKkod, kNev, jOkod, oNev, jRkod, rRendszam, rTara, "
            "jDatum, jModDatum, jRogDatum, jNettoBe, jNettoKI, jBeido, jTorolt FROM archiv ORDER BY IDj")));
    QStringList archived;
    while (q.next()) {
        QCOMPARE(q.value(10).toDate(), cutOff());
        QCOMPARE(q.value(11).toDate(), cutOff());
        QCOMPARE(q.value(12).toDate(), cutOff());
        QCOMPARE(q.value(15).toString(), QStringLiteral("08:00:00"));
        QVERIFY(q.isNull(16));
        archived << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11/%12")
                            .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                    q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                                    q.value(6).toString(), q.value(7).toString(),
                                    q.isNull(8) ? QStringLiteral("-") : q.value(8).toString())
                            .arg(q.value(9).toString(), q.value(13).toString(), q.value(14).toString());
    }
    QCOMPARE(archived,
            QStringList({"1 1 Búza 1 Raktár 1 1 Kiss Gazda 1 ABC-123 8000 10000/0",
                    "2 1 Búza 1 Raktár 1 1 Kiss Gazda 2 XYZ-987 9000 8000/0",
                    "2 2 Kukorica 1 Raktár 1 1 Kiss Gazda 2 XYZ-987 9000 7000/0",
                    "3 1 Búza 2 Raktár 2 1 Kiss Gazda 1 ABC-123 8000 0/5000",
                    "5 2 Kukorica 2 Raktár 2 1 Kiss Gazda 99 - 0 3000/0"}));

    QCOMPARE(log.first(), QStringLiteral(" Kérem várjon ..."));
    QVERIFY(log.contains(QStringLiteral("Kigyüjtés vége.  ")));
    QVERIFY(log.contains(QStringLiteral("K sorszám letárolása.   ")));
    QCOMPARE(log.last(), QStringLiteral(" ---------- Vége. -----------"));
}

void TestArchiving::everyDeletedRowIsArchived_data()
{
    // Extra ticket rows in the period, beside those of the fixture: movement,
    // trailer, then per row crop ("NULL" for NULL), warehouse, in, out, net in, net out.
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("trailer pass with an empty crop and weights")
            << QStringList {"B|I|1|1|18000|8000|10000|0", "B|I||1|15000|8000|7000|0"};
    QTest::newRow("trailer pass with a NULL crop and weights")
            << QStringList {"B|I|2|2|17000|8000|9000|0", "B|I|NULL|2|14000|8000|6000|0"};
    QTest::newRow("dispatch whose only pass has no crop") << QStringList {"K|||2|8000|14000|0|6000", "K||||0|0|0|0"};
    QTest::newRow("empty crop with only a scale weight") << QStringList {"B|I|1|1|12000|8000|4000|0", "B|I||1|0|0|0|0"};
}

void TestArchiving::everyDeletedRowIsArchived()
{
    QFETCH(QStringList, extra);
    TestApp app;
    fill(app.db);
    for (const QString& e : extra) {
        const QStringList f = e.split(QLatin1Char('|'));
        const QString crop = f[2] == QLatin1String("NULL") ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(f[2]);
        app.db.exec(
                QStringLiteral("INSERT INTO vello (jBszam, jMbszam, jMozgas, jPot, jDatum, jBeido, jKiido, jModDatum, "
                               "jRogDatum, jBemeres, jKimeres, jNettoBe, jNettoKI, jBemerleg, jKimerleg, jTkod, "
                               "jKkod, jRkod, jOkod, jMegj) VALUES ('9', 'M9', '%1', '%2', '2026-03-20', '09:00:00', "
                               "'09:20:00', '2026-03-20', '2026-03-20', %4, %5, %6, %7, %4, %5, %3, '%8', '1', '1', "
                               "'extra')")
                        .arg(f[0], f[1], crop, f[4], f[5], f[6], f[7], f[3]));
    }
    // A scale weight alone on an otherwise empty row.
    app.db.exec(QStringLiteral("UPDATE vello SET jBemerleg = 3000 WHERE jBszam = '9' AND jTkod = '' AND jBemeres = 0 "
                               "AND jPot = 'I'"));
    const QString period = QStringLiteral("jDatum <= '2026-03-31' AND jMozgas IN ('B', 'K')");
    const QStringList collected = contents(app.db, QStringLiteral("vello WHERE ") + period);
    const QStringList stockBefore = stockFigures(app.db);
    const QStringList sumsBefore = wholeTableSums(app.db);

    Archiving run(app.ctx);
    QVERIFY(run.run(cutOff()));
    app.verifyScriptsDone();
    QCOMPARE(app.db.count(QStringLiteral("vello"), period), 0);
    QCOMPARE(run.deleted(), qint64(collected.size()));
    QCOMPARE(stockFigures(app.db), stockBefore);
    QCOMPARE(wholeTableSums(app.db), sumsBefore);

    // Every deleted row is in the archive with its content; the only rows
    // left out are empty second rows (no crop, every weight 0) of a ticket
    // whose other row is archived.
    QStringList archived = contents(app.db, QStringLiteral("archiv"));
    QStringList missing;
    for (const QString& row : collected) {
        if (archived.removeOne(row))
            continue;
        const QStringList c = row.split(QLatin1Char('|'));
        const bool empty = (c[13].isEmpty() || c[13] == QLatin1String("NULL")) && c[7] == "0" && c[8] == "0"
                && c[9] == "0" && c[10] == "0" && c[11] == "0" && c[12] == "0";
        const bool ticketArchived
                = app.db.count(QStringLiteral("archiv"), QStringLiteral("jBszam = '%1'").arg(c[0])) > 0;
        if (!empty || !ticketArchived)
            missing << row;
    }
    QVERIFY2(missing.isEmpty(),
            qPrintable(QStringLiteral("deleted, not archived: ") + missing.join(QLatin1String("; "))));
    QVERIFY2(archived.isEmpty(), qPrintable(QStringLiteral("archived twice: ") + archived.join(QLatin1String("; "))));
}

void TestArchiving::nothingToCollect()
{
    TestApp app;
    fill(app.db);
    const Snapshot before = snapshot(app.db);
    QStringList log;
    Archiving run(app.ctx);
    run.setLog([&](const QString& l) { log << l; });
    QVERIFY(run.run(QDate(2025, 1, 1)));
    const Snapshot after = snapshot(app.db);
    QCOMPARE(after.vello, before.vello);
    QCOMPARE(after.archiv, before.archiv);
    QCOMPARE(after.counter, QStringLiteral("0"));
    QCOMPARE(run.summaries(), 0);
    QCOMPARE(log.last(), QStringLiteral(" ---------- Vége. -----------"));
    app.verifyScriptsDone();
}

void TestArchiving::secondRunKeepsFirstSummaries()
{
    TestApp app;
    fill(app.db);
    Archiving run(app.ctx);
    QVERIFY(run.run(cutOff()));
    // A ticket dated in the closed period, finalised after the first run.
    app.db.exec(QStringLiteral("INSERT INTO vello (jBszam, jMozgas, jDatum, jNettoBe, jTkod, jKkod, jRkod, jOkod) "
                               "VALUES ('6', 'B', '2026-03-20', 4000, '1', '1', '1', '1')"));
    const QStringList figures = stockFigures(app.db);
    QVERIFY(run.run(cutOff()));
    QCOMPARE(stockFigures(app.db), figures);
    QCOMPARE(run.collected(), 1);
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jMozgas IS NULL AND jDatum = '2026-03-31'")), 6);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jNettoBe FROM vello WHERE jBszam = '6' AND jMozgas IS NULL"))
                     .toDouble(),
            4000.0);
    QCOMPARE(app.db.count(QStringLiteral("archiv")), 6);
    QCOMPARE(app.db.count(QStringLiteral("munka")), 1);
}

void TestArchiving::failureAtEveryStatementChangesNothing_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("statement refused") << 1205;
    QTest::newRow("connection lost") << 2013;
}

void TestArchiving::failureAtEveryStatementChangesNothing()
{
    QFETCH(int, code);
    TestApp app;
    fill(app.db);
    // A previous run's work rows, which a failed run must keep.
    app.db.exec(QStringLiteral("INSERT INTO munka (IDj, jBszam, jMozgas) VALUES (900, '9', 'B')"));
    const Snapshot before = snapshot(app.db);
    app.prompt.setLenient(true);
    int n = 1;
    for (;; ++n) {
        QVERIFY2(n < 100, "the run never completed");
        app.prompt.clear();
        QStringList log;
        Archiving run(app.ctx);
        run.setLog([&](const QString& l) { log << l; });
        app.data.failStatement(n, code);
        const bool done = run.run(cutOff());
        if (done) {
            QVERIFY2(app.data.statementFailurePending(), qPrintable(QStringLiteral("statement %1").arg(n)));
            app.data.clearStatementFailure();
            break;
        }
        QVERIFY(!app.data.statementFailurePending());
        const QString where = QStringLiteral("failure at statement %1").arg(n);
        QVERIFY2(snapshot(app.db) == before, qPrintable(where));
        QCOMPARE(app.prompt.shown().size(), 1);
        QVERIFY2(app.prompt.shown().first().text.startsWith(QLatin1String("Hiba")), qPrintable(where));
        QCOMPARE(log.last(), Archiving::nothingChangedLine());
    }
    QVERIFY(n > 10);
    // The run that went through did all of it.
    QCOMPARE(app.db.count(QStringLiteral("archiv")), 5);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'K'")).toString(),
            QStringLiteral("5"));
    QCOMPARE(app.db.count(QStringLiteral("munka")), 8);
}

// The connection drops after the server applied each statement of the run in
// turn. Before the COMMIT the server rolls the run back with the connection:
// nothing changed and the step's failure is shown. After the COMMIT the run
// has happened: the run reconnects, finds it committed and says it finished,
// never that it failed.
void TestArchiving::lostReplyAtEveryStatementToldTruly()
{
    const CleanRun clean = cleanRun(cutOff());
    QVERIFY(clean.statements > 10);
    TestApp app;
    fill(app.db);
    addEarlierWorkRow(app.db);
    const Snapshot before = snapshot(app.db);
    app.prompt.setLenient(true);
    for (int n = 1; n <= clean.statements; ++n) {
        const QString where = QStringLiteral("reply lost after statement %1 of %2").arg(n).arg(clean.statements);
        app.prompt.clear();
        QStringList log;
        Archiving run(app.ctx);
        run.setLog([&](const QString& l) { log << l; });
        app.data.dropAfterStatement(n);
        const bool done = run.run(cutOff());
        QVERIFY2(!app.data.statementDropPending(), qPrintable(where));
        QVERIFY2(!app.data.inTransaction(), qPrintable(where));
        QCOMPARE(app.prompt.shown().size(), 1);
        const QString shown = app.prompt.shown().first().text;
        if (n < clean.statements) {
            QVERIFY2(!done, qPrintable(where));
            QVERIFY2(snapshot(app.db) == before, qPrintable(where));
            QVERIFY2(shown.startsWith(QLatin1String("Hiba")), qPrintable(where + QStringLiteral(": ") + shown));
            QVERIFY2(shown != Archiving::lostCommitUnknownMessage(), qPrintable(where));
            QCOMPARE(log.last(), Archiving::nothingChangedLine());
            continue;
        }
        // The last statement is the COMMIT.
        QVERIFY2(done, qPrintable(where + QStringLiteral(": ") + shown));
        QCOMPARE(shown, Archiving::lostCommitDoneMessage());
        QCOMPARE(finished(app.db), clean.after);
        QCOMPARE(run.collected(), 8);
        QCOMPARE(run.archived(), 5);
        QCOMPARE(log.last(), QStringLiteral(" ---------- Vége. -----------"));
        QVERIFY(!log.contains(Archiving::nothingChangedLine()));
    }
    // The next operation goes on over the new connection.
    QCOMPARE(app.data.ZQ91.run(QStringLiteral("DELETE FROM munka WHERE IDj = 0")), 0);
}

void TestArchiving::lostCommitReply_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("applied");   // the server committed before the connection went
    QTest::addColumn<bool>("checkFails");   // the connection is lost again while the run looks
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("done");
    const QDate none(2025, 1, 1);   // a date with nothing to collect
    QTest::newRow("committed") << cutOff() << true << false << Archiving::lostCommitDoneMessage() << true;
    QTest::newRow("not committed") << cutOff() << false << false << Archiving::lostCommitNotDoneMessage() << false;
    QTest::newRow("committed, cannot look")
            << cutOff() << true << true << Archiving::lostCommitUnknownMessage() << false;
    QTest::newRow("not committed, cannot look")
            << cutOff() << false << true << Archiving::lostCommitUnknownMessage() << false;
    QTest::newRow("connection killed before the COMMIT")
            << cutOff() << false << false << Archiving::lostCommitNotDoneMessage() << false;
    QTest::newRow("nothing collected, committed")
            << none << true << false << Archiving::lostCommitDoneMessage() << true;
    QTest::newRow("nothing collected, not committed")
            << none << false << false << Archiving::lostCommitNotDoneMessage() << false;
}

// The COMMIT's reply is lost: the run says what the data show after the
// reconnect, and when it cannot look, says exactly that.
void TestArchiving::lostCommitReply()
{
    QFETCH(QDate, date);
    QFETCH(bool, applied);
    QFETCH(bool, checkFails);
    QFETCH(QString, message);
    QFETCH(bool, done);
    const CleanRun clean = cleanRun(date);
    QVERIFY(clean.statements > 5);
    TestApp app;
    fill(app.db);
    addEarlierWorkRow(app.db);
    const Snapshot before = snapshot(app.db);
    const QStringList unchanged = finished(app.db);
    app.prompt.expectMessage(message);
    QStringList log;
    Archiving run(app.ctx);
    run.setLog([&](const QString& l) { log << l; });
    const int commit = int(clean.statements);
    // The look after the lost COMMIT (the second statement after it, after
    // the ROLLBACK) and the read rule's second try of it both find the
    // server gone; armed from the COMMIT on.
    const auto lookFails = [&app] { app.data.beforeStatementRuns(3, [&app] { app.data.failStatement(1, 2013); }); };
    if (applied) {
        app.data.dropAfterStatement(commit);
        if (checkFails)
            app.data.beforeStatementRuns(commit, lookFails);
    } else if (checkFails || QByteArray(QTest::currentDataTag()).startsWith("connection killed")) {
        // The server goes before the COMMIT reaches it (the connection
        // killed from outside): it rolls the run back.
        QSqlQuery id(app.data.database());
        QVERIFY(id.exec(QStringLiteral("SELECT CONNECTION_ID()")) && id.next());
        const qint64 own = id.value(0).toLongLong();
        app.data.beforeStatementRuns(commit, [&app, own, checkFails, lookFails] {
            app.db.exec(QStringLiteral("KILL CONNECTION %1").arg(own));
            if (checkFails)
                lookFails();
        });
    } else {
        app.data.failStatement(commit, 2013);   // lost before the COMMIT went out
    }
    if (checkFails)
        app.data.failStatement(commit + 2, 2013);   // after the ROLLBACK: the first look
    QCOMPARE(run.run(date), done);
    app.verifyScriptsDone();
    QVERIFY(!app.data.statementDropPending());
    QVERIFY(!app.data.statementFailurePending());
    QVERIFY(!app.data.statementActionPending());
    QVERIFY(!app.data.inTransaction());
    if (applied) {
        QCOMPARE(finished(app.db), clean.after);
    } else {
        QVERIFY(snapshot(app.db) == before);
        QCOMPARE(finished(app.db), unchanged);
    }
    if (checkFails) {
        QVERIFY(!log.contains(Archiving::nothingChangedLine()));
        QVERIFY(!log.contains(QStringLiteral(" ---------- Vége. -----------")));
    } else if (done) {
        QCOMPARE(log.last(), QStringLiteral(" ---------- Vége. -----------"));
    } else {
        QCOMPARE(log.last(), Archiving::nothingChangedLine());
    }
}

void TestArchiving::finalisationGoesThroughWhileArchivingRuns_data()
{
    QTest::addColumn<QString>("weighed");   // the date of the weighing finalised meanwhile
    QTest::newRow("in the closed period") << QStringLiteral("2026-03-20");
    QTest::newRow("on the cut-off") << QStringLiteral("2026-03-31");
    QTest::newRow("after the cut-off") << QStringLiteral("2026-04-02");
}

// A second workstation finalises a weighing while the archiving run of the
// first stands before each of its statements in turn (two connections, the
// second one run in the statement hook of the first). The finalisation must
// go through at once: its lock wait is cut to one second, so a lock held by
// the archiving run shows as a failed finalisation instead of a wait.
void TestArchiving::finalisationGoesThroughWhileArchivingRuns()
{
    QFETCH(QString, weighed);
    int n = 1;
    for (;; ++n) {
        QVERIFY2(n < 100, "the run never completed");
        const QString where = QStringLiteral("finalised before statement %1 of the archiving").arg(n);
        TestApp a;
        fill(a.db);
        WeighingFixture::Pending p;
        p.number = QStringLiteral("41");
        const qint64 idm = WeighingFixture::addPending(a.db, p);
        a.db.exec(QStringLiteral("UPDATE meres SET mDatum = '%1' WHERE IDm = %2").arg(weighed).arg(idm));
        a.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '500' WHERE sKod = 'J'"));
        const QStringList sumsBefore = wholeTableSums(a.db);

        DataModule bData(a.db.settings());
        bData.open();
        QSqlQuery(bData.database()).exec(QStringLiteral("SET SESSION innodb_lock_wait_timeout = 1"));
        ScriptedPrompt bPrompt;
        AppContext b(bData, bPrompt);
        bPrompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), false);
        FinalisationOutcome outcome;
        bool ran = false;
        a.data.beforeStatementRuns(n, [&] {
            Finalisation::Input in;
            in.weighingId = idm;
            in.netText = QStringLiteral("12000");
            in.today = QDate(2026, 4, 2);
            outcome = Finalisation(b).run(in);
            ran = true;
        });
        Archiving run(a.ctx);
        QVERIFY2(run.run(cutOff()), qPrintable(where));
        a.verifyScriptsDone();
        if (!ran) {
            a.data.clearStatementAction();
            break;
        }
        QVERIFY2(outcome.result == FinalisationOutcome::Done,
                qPrintable(where + QStringLiteral(": ") + bPrompt.shownTexts().join(QLatin1String("; "))));
        QCOMPARE(outcome.ticketNumber, QStringLiteral("501"));
        QVERIFY2(bPrompt.allAnswered(), qPrintable(where));
        QCOMPARE(bPrompt.shownTexts(), QStringList {QStringLiteral("Mérlegjegy nyomtatása ?")});
        // The ticket is either still in the ticket table (finalised after
        // the collection) or archived with the others, never lost or doubled.
        const int inVello
                = a.db.count(QStringLiteral("vello"), QStringLiteral("jBszam = '501' AND jMozgas IS NOT NULL"));
        const int inArchive = a.db.count(QStringLiteral("archiv"), QStringLiteral("jBszam = '501'"));
        QVERIFY2((inVello == 2 && inArchive == 0) || (inVello == 0 && inArchive == 1),
                qPrintable(where + QStringLiteral(": %1 in vello, %2 archived").arg(inVello).arg(inArchive)));
        QCOMPARE(a.db.count(QStringLiteral("meres")), 0);
        // The summary rows carry on what was there, the new ticket beside.
        QStringList sumsAfter = wholeTableSums(a.db);
        QVERIFY2(sumsAfter != sumsBefore, qPrintable(where));
        a.db.exec(QStringLiteral("DELETE FROM vello WHERE jBszam = '501' AND jMozgas IS NOT NULL"));
        if (inArchive == 1) {
            // Collected with the period: its nets are inside the summary of crop 1, warehouse 1.
            QCOMPARE(a.db.scalar(QStringLiteral("SELECT SUM(jNettoBe) FROM vello WHERE jTkod = '1' AND jKkod = '1'"))
                             .toDouble(),
                    50000.0 + 18000.0
                            + a.db.scalar(QStringLiteral("SELECT jNettoBe FROM archiv WHERE jBszam = '501'"))
                                      .toDouble());
        } else {
            QCOMPARE(wholeTableSums(a.db), sumsBefore);
        }
    }
    QVERIFY(n > 10);
}

void TestArchiving::windowRunsAndLogs()
{
    TestApp app;
    fill(app.db);
    QString title, memoBefore, red, hint;
    QDate shownDate;
    QStringList memo;
    bool enabledAfter = false, closedDuring = false;
    int enabledDuring = 0, changes = 0;
    app.host.expect(QStringLiteral("TForm19"), [&](QDialog& w) {
        title = w.windowTitle();
        shownDate = TestUi::child<QDateEdit>(w, QStringLiteral("DateTimePicker1"))->date();
        auto* m = TestUi::child<QPlainTextEdit>(w, QStringLiteral("Memo1"));
        memoBefore = m->toPlainText();
        const auto labels = w.findChildren<QLabel*>();
        for (QLabel* l : labels)
            if (l->text().startsWith(QStringLiteral("Inditás előtt.")))
                red = l->styleSheet();
        hint = TestUi::child<QPushButton>(w, QStringLiteral("Button5"))->toolTip();
        TestUi::child<QDateEdit>(w, QStringLiteral("DateTimePicker1"))->setDate(cutOff());
        // While the run goes: both buttons disabled, the window cannot be closed.
        auto* start = TestUi::child<QPushButton>(w, QStringLiteral("Button7"));
        auto* cancel = TestUi::child<QPushButton>(w, QStringLiteral("Button5"));
        QObject::connect(m, &QPlainTextEdit::textChanged, &w, [&] {
            enabledDuring += int(start->isEnabled()) + int(cancel->isEnabled());
            w.reject();
            closedDuring = closedDuring || !w.isVisible();
            ++changes;
        });
        app.prompt.expectConfirm(
                QStringLiteral("A(z) 2026.03.31. napig bezárólag 4 mérlegjegy archiválódik. Folytatja?"), true);
        TestUi::click(w, QStringLiteral("Button7"));
        QObject::disconnect(m, &QPlainTextEdit::textChanged, &w, nullptr);
        memo = m->toPlainText().split(QLatin1Char('\n'));
        enabledAfter = TestUi::child<QPushButton>(w, QStringLiteral("Button7"))->isEnabled()
                && TestUi::child<QPushButton>(w, QStringLiteral("Button5"))->isEnabled();
        TestUi::click(w, QStringLiteral("Button5"));
    });
    openArchiving(app.ctx);
    QCOMPARE(title, QStringLiteral("Mérlegjegy összesítés és archiválása"));
    QCOMPARE(shownDate, QDate::currentDate());
    QCOMPARE(memoBefore, QStringLiteral("Üzenet helye."));
    QVERIFY(red.contains(QLatin1String("red")));
    QCOMPARE(hint, QStringLiteral("Kilépés, ablak bezárás"));
    QCOMPARE(memo.first(), QStringLiteral(" Kérem várjon ..."));
    QCOMPARE(memo.last(), QStringLiteral(" ---------- Vége. -----------"));
    QVERIFY(enabledAfter);
    QVERIFY(changes > 10);
    QCOMPARE(enabledDuring, 0);
    QVERIFY(!closedDuring);
    QCOMPARE(app.db.count(QStringLiteral("archiv")), 5);
    app.verifyScriptsDone();
}

void TestArchiving::windowRefusesADateItCannotTrust_data()
{
    // keys typed at the end of the date field after it was set to `set`
    // days from today; how the start is asked for ("click": the button only,
    // "focus": the focus goes to the button first, as a mouse click moves it,
    // "enter": Enter in the field, then the button takes the focus); what is
    // expected (the question only if asked).
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("leave");
    QTest::addColumn<QString>("expected");   // "bad", "future", "ask"
    const QStringList leaves = {QStringLiteral("click"), QStringLiteral("focus"), QStringLiteral("enter")};
    for (const QString& leave : leaves) {
        const QByteArray l = leave.toLatin1();
        QTest::newRow("two backspaces and a digit, " + l) << -1 << 2 << QStringLiteral("0") << leave << "bad";
        QTest::newRow("day erased, " + l) << -1 << 2 << QString() << leave << "bad";
        QTest::newRow("one-digit day, " + l) << -1 << 2 << QStringLiteral("1") << leave << "bad";
        QTest::newRow("tomorrow, " + l) << 1 << 0 << QString() << leave << "future";
        QTest::newRow("answered No, " + l) << -1 << 0 << QString() << leave << "ask";
    }
}

void TestArchiving::windowRefusesADateItCannotTrust()
{
    QFETCH(int, set);
    QFETCH(int, backspaces);
    QFETCH(QString, typed);
    QFETCH(QString, leave);
    QFETCH(QString, expected);
    TestApp app;
    fill(app.db);
    // Tickets of yesterday, which a run would take.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    app.db.exec(
            QStringLiteral("UPDATE vello SET jDatum = '%1' WHERE jBszam = '4'").arg(yesterday.toString(Qt::ISODate)));
    const Snapshot before = snapshot(app.db);
    QString shown, memo;
    bool focused = false;
    app.host.expect(QStringLiteral("TForm19"), [&](QDialog& w) {
        auto* date = TestUi::child<QDateEdit>(w, QStringLiteral("DateTimePicker1"));
        date->setDate(QDate::currentDate().addDays(set));
        date->setFocus();
        QTest::keyClick(date, Qt::Key_End);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(date, Qt::Key_Backspace);
        if (!typed.isEmpty())
            QTest::keyClicks(date, typed);
        shown = date->text();
        if (expected == QLatin1String("bad"))
            app.prompt.expectMessage(ArchivingWindow::badDateMessage(shown));
        else if (expected == QLatin1String("future"))
            app.prompt.expectMessage(ArchivingWindow::futureDateMessage());
        else
            app.prompt.expectConfirm(Archiving::confirmQuestion(yesterday, 5), false);
        auto* start = TestUi::child<QPushButton>(w, QStringLiteral("Button7"));
        if (leave == QLatin1String("enter"))
            QTest::keyClick(date, Qt::Key_Return);
        if (leave != QLatin1String("click"))
            start->setFocus(Qt::MouseFocusReason);
        if (app.prompt.shown().isEmpty())   // Enter did not start it already
            TestUi::click(w, QStringLiteral("Button7"));
        memo = TestUi::child<QPlainTextEdit>(w, QStringLiteral("Memo1"))->toPlainText();
        focused = date->hasFocus() || QApplication::focusWidget() == date
                || (QApplication::focusWidget() && date->isAncestorOf(QApplication::focusWidget()));
        TestUi::click(w, QStringLiteral("Button5"));
    });
    openArchiving(app.ctx);
    app.verifyScriptsDone();
    if (expected == QLatin1String("bad")) {
        QVERIFY2(QDate::fromString(shown, QStringLiteral("yyyy.MM.dd")).toString(QStringLiteral("yyyy.MM.dd")) != shown,
                qPrintable(shown));
        QVERIFY(focused);
    }
    QVERIFY(snapshot(app.db) == before);
    QCOMPARE(memo, QStringLiteral("Üzenet helye."));
}

void TestArchiving::menuOpensBothWindows()
{
    TestApp app;
    MainWindow w(app.ctx);
    QStringList titles;
    app.host.expect(QStringLiteral("TForm19"), [&](QDialog& d) {
        titles << d.windowTitle();
        d.reject();
    });
    app.host.expect(QStringLiteral("TForm20"), [&](QDialog& d) {
        titles << d.windowTitle();
        d.reject();
    });
    w.item(QStringLiteral("Arhivls1"))->trigger();
    w.item(QStringLiteral("Exportls1"))->trigger();
    QCOMPARE(titles, QStringList({"Mérlegjegy összesítés és archiválása", "Exportálása excel  táblába"}));
    app.verifyScriptsDone();
}

QTEST_MAIN(TestArchiving)
#include "test_archiving.moc"
