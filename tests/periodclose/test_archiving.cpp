// Archiving: the period up to a cut-off date is folded into summary rows and
// its tickets move into the archive, all or nothing.
#include "archivefixture.h"
#include "testapp.h"
#include "widgets.h"

#include "app/mainwindow.h"
#include "periodclose/archiving.h"
#include "periodclose/periodclosewindows.h"

#include <QAction>
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
    const QString groupings[] = {QString(), QStringLiteral("jTkod"), QStringLiteral("jKkod"),
                                 QStringLiteral("jTkod, jKkod")};
    for (const QString& g : groupings) {
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("SELECT %1 SUM(jNettoBe), SUM(jNettoKi), SUM(jNettoBe - jNettoKi) FROM vello "
                              "WHERE jTkod <> '' %2")
                   .arg(g.isEmpty() ? QString() : g + QStringLiteral(","),
                        g.isEmpty() ? QString() : QStringLiteral("GROUP BY ") + g + QStringLiteral(" ORDER BY ") + g));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << q.value(i).toString();
            out << g + QStringLiteral(": ") + cells.join(QLatin1Char('/'));
        }
    }
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

} // namespace

class TestArchiving : public QObject {
    Q_OBJECT
private slots:
    void conservesStockAndArchivesEveryCollectedRow();
    void nothingToCollect();
    void secondRunKeepsFirstSummaries();
    void failureAtEveryStatementChangesNothing_data();
    void failureAtEveryStatementChangesNothing();
    void windowRunsAndLogs();
    void menuOpensBothWindows();
};

void TestArchiving::conservesStockAndArchivesEveryCollectedRow()
{
    TestApp app;
    fill(app.db);
    const QStringList figuresBefore = stockFigures(app.db);
    const QStringList after = rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jDatum > '2026-03-31'"));
    const QStringList earlier = rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jMozgas IS NULL"));
    const QStringList collectedIds = rows(app.db, QStringLiteral("(SELECT IDj FROM vello WHERE jDatum <= '2026-03-31' "
                                                                 "AND jMozgas IN ('B', 'K')) c"));
    QStringList log;
    Archiving run(app.ctx);
    run.setLog([&](const QString& l) { log << l; });
    QVERIFY(run.run(cutOff()));
    app.verifyScriptsDone();
    QVERIFY(!app.data.inTransaction());

    QCOMPARE(stockFigures(app.db), figuresBefore);
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jDatum <= '2026-03-31' AND jMozgas IN ('B', 'K')")), 0);
    QCOMPARE(rows(app.db, QStringLiteral("vello"), QStringLiteral("WHERE jDatum > '2026-03-31'")), after);
    QCOMPARE(rows(app.db, QStringLiteral("munka")).size(), collectedIds.size());
    QCOMPARE(collectedIds.size(), 8);
    QCOMPARE(run.collected(), 8);
    QCOMPARE(run.deleted(), 8);

    // Summary rows: (1,1) (1,2) (2,1) (2,2) and the empty pair, numbered 1..5
    // although tickets 1..5 carry the same numbers; the earlier one stays.
    const QStringList earlierAfter = rows(app.db, QStringLiteral("vello"),
                                          QStringLiteral("WHERE jMozgas IS NULL AND jDatum < '2026-03-31'"));
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
        summaries << QStringLiteral("%1:%2/%3=%4/%5").arg(q.value(0).toString(), q.value(1).toString(),
                                                        q.value(2).toString(), q.value(3).toString(), q.value(4).toString());
    }
    QCOMPARE(summaries, QStringList({"1:/=0/0", "2:1/1=18000/0", "3:1/2=0/5000", "4:2/1=7000/0", "5:2/2=3000/0"}));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'K'")).toString(), QStringLiteral("5"));
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jTorolt = 'A'")), 0);

    // The archive: every collected row with a crop code, names beside the
    // codes, the cut-off in its dates; the row with the missing plate too.
    QCOMPARE(run.archived(), 5);
    QVERIFY(q.exec(QStringLiteral("SELECT jBszam, jTkod, tMegnev, jKkod, kNev, jOkod, oNev, jRkod, rRendszam, rTara, "
                                  "jDatum, jModDatum, jRogDatum, jNettoBe, jNettoKI, jBeido, jTorolt FROM archiv ORDER BY IDj")));
    QStringList archived;
    while (q.next()) {
        QCOMPARE(q.value(10).toDate(), cutOff());
        QCOMPARE(q.value(11).toDate(), cutOff());
        QCOMPARE(q.value(12).toDate(), cutOff());
        QCOMPARE(q.value(15).toString(), QStringLiteral("08:00:00"));
        QVERIFY(q.isNull(16));
        archived << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11/%12")
                        .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                             q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), q.value(7).toString(),
                             q.isNull(8) ? QStringLiteral("-") : q.value(8).toString())
                        .arg(q.value(9).toString(), q.value(13).toString(), q.value(14).toString());
    }
    QCOMPARE(archived, QStringList({"1 1 Búza 1 Raktár 1 1 Kiss Gazda 1 ABC-123 8000 10000/0",
                                    "2 1 Búza 1 Raktár 1 1 Kiss Gazda 2 XYZ-987 9000 8000/0",
                                    "2 2 Kukorica 1 Raktár 1 1 Kiss Gazda 2 XYZ-987 9000 7000/0",
                                    "3 1 Búza 2 Raktár 2 1 Kiss Gazda 1 ABC-123 8000 0/5000",
                                    "5 2 Kukorica 2 Raktár 2 1 Kiss Gazda 99 - 0 3000/0"}));

    QCOMPARE(log.first(), QStringLiteral(" Kérem várjon ..."));
    QVERIFY(log.contains(QStringLiteral("Kigyüjtés vége.  ")));
    QVERIFY(log.contains(QStringLiteral("K sorszám letárolása.   ")));
    QCOMPARE(log.last(), QStringLiteral(" ---------- Vége. -----------"));
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
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jNettoBe FROM vello WHERE jBszam = '6' AND jMozgas IS NULL")).toDouble(),
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
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'K'")).toString(), QStringLiteral("5"));
    QCOMPARE(app.db.count(QStringLiteral("munka")), 8);
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

void TestArchiving::menuOpensBothWindows()
{
    TestApp app;
    MainWindow w(app.ctx);
    QStringList titles;
    app.host.expect(QStringLiteral("TForm19"), [&](QDialog& d) { titles << d.windowTitle(); d.reject(); });
    app.host.expect(QStringLiteral("TForm20"), [&](QDialog& d) { titles << d.windowTitle(); d.reject(); });
    w.item(QStringLiteral("Arhivls1"))->trigger();
    w.item(QStringLiteral("Exportls1"))->trigger();
    QCOMPARE(titles, QStringList({"Mérlegjegy összesítés és archiválása", "Exportálása excel  táblába"}));
    app.verifyScriptsDone();
}

QTEST_MAIN(TestArchiving)
#include "test_archiving.moc"
