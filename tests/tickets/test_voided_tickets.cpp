// Voided tickets everywhere but the void itself: the stock window counts only
// the tickets that stand (every grouping, both tabs, as if the voided ones
// had never been), the ticket list shows them marked and the search finds
// them, archiving never folds them into a summary row and never loses them
// (every row archived or kept, the stock unchanged), and the export holds
// only what is valid.
#include "ticketfixture.h"

#include "../periodclose/xlsxreader.h"
#include "data/datamodule.h"
#include "data/textconv.h"
#include "periodclose/archiveexport.h"
#include "periodclose/archiving.h"
#include "tickets/stockreport.h"
#include "tickets/ticketlist.h"
#include "tickets/ticketlistmodel.h"
#include "tickets/ticketvoid.h"

#include <QSqlQuery>
#include <QTemporaryDir>

using namespace TicketFixture;

namespace {

// Tickets 41 (trailer, crops 1 and 2), 42 (crop 1, producer 2, warehouse 1),
// 43 (outgoing), 44 (crop 2 in warehouse 2), 45 (42 issued again with
// producer 1), a summary row; `voids` are voided (42 in favour of 45).
void seed(TestApp& app, bool withVoided)
{
    registers(app.db);
    Ticket t41;
    t41.number = QStringLiteral("41");
    t41.crop2 = t41.store2 = QStringLiteral("2");
    t41.in2 = 15000;
    t41.out2 = 5000;
    t41.netIn2 = 9500;
    Ticket t42;
    t42.number = QStringLiteral("42");
    t42.producer = QStringLiteral("2");
    t42.date = QStringLiteral("2024-03-05");
    t42.netIn1 = 11000;
    Ticket t43;
    t43.number = QStringLiteral("43");
    t43.movement = QStringLiteral("K");
    t43.in1 = 8000;
    t43.out1 = 21000;
    t43.netIn1 = 0;
    t43.netOut1 = 13000;
    Ticket t44;
    t44.number = QStringLiteral("44");
    t44.crop1 = t44.store1 = QStringLiteral("2");
    t44.date = QStringLiteral("2024-03-05");
    t44.netIn1 = 11800;
    Ticket t45 = t42;
    t45.number = QStringLiteral("45");
    t45.producer = QStringLiteral("1");
    t45.netIn1 = 11600;
    for (const Ticket& t : {t41, t43, t45})
        add(app.db, t);
    if (withVoided)
        for (const Ticket& t : {t42, t44})
            add(app.db, t);
    summary(app.db, QStringLiteral("90000001"), QStringLiteral("1"), QStringLiteral("1"), 50000, 1000,
            QStringLiteral("2024-01-31"));
    if (withVoided) {
        app.db.exec(QStringLiteral("INSERT INTO sztorno (zBszam, zIdo, zGep, zFelhasznalo, zOk, zHelyette) VALUES "
                                   "('42', NOW(), 'mérleg1', 'vello@localhost', 'rossz termelő', '45'), "
                                   "('44', NOW(), 'mérleg2', 'vello@localhost', 'téves mérés', NULL)"));
    }
}

// The rows of a list. The codes that a totals line carries beside its group
// come from any one row of the group (the server's choice, which follows its
// plan and so the rows present): left out, the itemised figures of the line
// below show what its key selects.
QStringList rows(const Query& q)
{
    QStringList out;
    for (int r = 0; r < q.rowCount(); ++r) {
        QStringList line;
        for (int c = 0; c < q.columnCount(); ++c)
            if (!QStringList {"jTkod", "jOkod", "jKkod"}.contains(q.columnName(c)))
                line << TextConv::toText(q.valueAt(r, c));
        out << line.join(QLatin1Char('|'));
    }
    return out;
}

// Everything the stock window shows for a grouping: totals and their list,
// then the itemised figures and list of every totals line.
QStringList stockView(TestApp& app, StockGrouping g, const QDate& day)
{
    StockReport ops(app.ctx);
    QStringList out;
    auto figures = [](const StockFigures& f) {
        return QStringLiteral("%1/%2/%3").arg(f.weighed).arg(f.storedIn).arg(f.shippedOut);
    };
    out << figures(ops.computeTotals(g, day));
    out << rows(app.data.ZQ20);
    for (int line = 0; line < app.data.ZQ20.rowCount(); ++line) {
        app.data.ZQ20.moveTo(line);
        out << figures(ops.computeItems(g, day));
        out << rows(app.data.ZQ21);
    }
    return out;
}

}   // namespace

class TestVoidedTickets : public QObject {
    Q_OBJECT
private slots:
    // Each grouping and tab, with voided tickets present, shows exactly what
    // it shows on a site where they were never weighed.
    void stockLeavesVoidedOut_data()
    {
        QTest::addColumn<int>("grouping");
        QTest::addColumn<QDate>("day");
        QTest::newRow("Terményenként") << int(StockGrouping::Crop) << QDate();
        QTest::newRow("Erről a napról:") << int(StockGrouping::Day) << QDate(2024, 3, 5);
        QTest::newRow("Személyenként") << int(StockGrouping::Producer) << QDate();
        QTest::newRow("Raktáranként") << int(StockGrouping::Warehouse) << QDate();
    }
    void stockLeavesVoidedOut()
    {
        QFETCH(int, grouping);
        QFETCH(QDate, day);
        TestApp with, without;
        seed(with, true);
        seed(without, false);
        const QStringList shown = stockView(with, StockGrouping(grouping), day);
        QCOMPARE(shown, stockView(without, StockGrouping(grouping), day));
        // and the voided tickets are there to be left out: 42 is in warehouse
        // 1 with crop 1, 44 is crop 2.
        with.db.exec("DELETE FROM sztorno");
        QVERIFY(stockView(with, StockGrouping(grouping), day) != shown);
    }

    // The list shows the voided tickets, marked, and the search finds them;
    // every other line and column is as the list statement gives it.
    void listMarksVoided()
    {
        TestApp app;
        seed(app, true);
        TicketList list(app.data.ZQ21);
        TicketListModel model(list);
        model.open();
        QCOMPARE(list.columns().last(), TicketList::VoidColumn);
        QStringList marks;
        for (int r = 0; r < model.rowCount(); ++r) {
            QVERIFY(model.ensureRow(r));
            marks << model.value(r, QStringLiteral("jBszam")).toString() + QLatin1Char('=')
                            + model.value(r, TicketList::VoidColumn).toString();
        }
        QCOMPARE(marks, (QStringList {"41=", "42=SZTORNÓ, helyette: 45", "43=", "44=SZTORNÓ", "45="}));
        const int row44 = 3;
        QCOMPARE(model.data(model.index(row44, 0), Qt::ToolTipRole).toString(), QStringLiteral("SZTORNÓ"));
        QVERIFY(model.data(model.index(row44, 0), Qt::ForegroundRole).isValid());
        QVERIFY(!model.data(model.index(0, 0), Qt::ForegroundRole).isValid());
        // The columns before the marker are those of the list statement.
        Query& q = app.data.ZQ12;
        q.openSql(TicketList::ListSql);
        QStringList columns;
        for (int c = 0; c < q.columnCount(); ++c)
            columns << q.columnName(c);
        QCOMPARE(list.columns().mid(0, columns.size()), columns);
        QCOMPARE(list.columns().size(), columns.size() + 1);

        TicketList::Search byNumber;
        byNumber.ticket = QStringLiteral("44");
        QCOMPARE(list.find(byNumber).value_or(QVariant()).toString(), QStringLiteral("44"));
        TicketList::Search byDay;
        byDay.from = byDay.to = QDate(2024, 3, 5);
        QCOMPARE(list.find(byDay).value_or(QVariant()).toString(), QStringLiteral("42"));
    }

    // Archiving with voided tickets dated before the cut-off: they stay in
    // the ticket table as they were, with their records; every other row is
    // archived or kept; no summary row carries a voided net; the stock
    // figures are those of the site without the voided tickets, before and
    // after the run; the export holds the valid tickets only.
    void archivingKeepsVoided()
    {
        TestApp with, without;
        seed(with, true);
        seed(without, false);
        auto contents = [](const TestApp& a, const QString& sql) {
            QSqlQuery q(a.db.admin());
            q.exec(sql);
            QStringList out;
            while (q.next())
                out << q.value(0).toString();
            return out;
        };
        const QString voidedRows = QStringLiteral(
                "SELECT CONCAT_WS('|', IDj, jBszam, jDatum, jModDatum, jTkod, jKkod, jNettoBe, jNettoKI, "
                "COALESCE(jTorolt, '-')) FROM vello WHERE jBszam IN ('42', '44') ORDER BY IDj");
        const QStringList voidedBefore = contents(with, voidedRows);
        const QStringList allBefore = contents(with,
                QStringLiteral("SELECT CONCAT_WS('|', IDj, jBszam) FROM vello WHERE jMozgas IS NOT NULL ORDER BY IDj"));
        const QStringList stockBefore = stockView(with, StockGrouping::Crop, QDate());
        QCOMPARE(stockBefore, stockView(without, StockGrouping::Crop, QDate()));
        with.prompt.setLenient(true, true);
        without.prompt.setLenient(true, true);
        const QDate cutOff(2024, 3, 31);
        QCOMPARE(Archiving(with.ctx).ticketsUpTo(cutOff), 3);
        Archiving run(with.ctx);
        QVERIFY(run.run(cutOff));
        QVERIFY(Archiving(without.ctx).run(cutOff));

        QCOMPARE(contents(with, voidedRows), voidedBefore);
        QCOMPARE(with.db.count("sztorno"), 2);
        // Every ticket row archived or kept: the kept ones are the voided.
        for (const QString& r : allBefore) {
            const QString number = r.section(QLatin1Char('|'), 1);
            const bool kept = with.db.count("vello", QStringLiteral("IDj = %1").arg(r.section(QLatin1Char('|'), 0, 0)));
            const bool archived = with.db.count("archiv", QStringLiteral("jBszam = '%1'").arg(number)) > 0;
            QVERIFY2(kept != archived, qPrintable(r));
            QCOMPARE(kept, number == QLatin1String("42") || number == QLatin1String("44"));
        }
        const QString summaries = QStringLiteral(
                "SELECT CONCAT_WS('|', jTkod, jKkod, jNettoBe, jNettoKI, jDatum) FROM vello WHERE jMozgas IS NULL "
                "ORDER BY jTkod, jKkod, jDatum");
        QCOMPARE(contents(with, summaries), contents(without, summaries));
        const QString archive = QStringLiteral(
                "SELECT CONCAT_WS('|', jBszam, jTkod, jNettoBe, jNettoKI) FROM archiv ORDER BY jBszam, jTkod");
        QCOMPARE(contents(with, archive), contents(without, archive));
        // Stored in and shipped out unchanged by the run (the weighed net
        // drops by the archived tickets), and as on the site without voids.
        const StockFigures after = StockReport(with.ctx).computeTotals(StockGrouping::Crop, QDate());
        QCOMPARE(QStringLiteral("%1/%2").arg(after.storedIn).arg(after.shippedOut),
                stockBefore.first().section(QLatin1Char('/'), 1));
        QCOMPARE(stockView(with, StockGrouping::Crop, QDate()), stockView(without, StockGrouping::Crop, QDate()));
        // A second run keeps them still.
        QVERIFY(Archiving(with.ctx).run(cutOff));
        QCOMPARE(contents(with, voidedRows), voidedBefore);

        // The export: the archive's rows, none of them voided.
        QTemporaryDir dir;
        ArchiveExport e(with.ctx);
        QVERIFY(e.run(dir.path()));
        XlsxReader x(e.path());
        QStringList numbers;
        const XlsxSheet& s = x.sheets().first();
        for (int r = 2; r <= s.rowCount; ++r)
            numbers << s.cells.value(QStringLiteral("B%1").arg(r)).value;
        numbers.removeDuplicates();
        numbers.sort();
        QCOMPARE(numbers, (QStringList {"41", "43", "45"}));
    }

    // A ticket voided while a run goes on (after the run collected it): the
    // run stops and leaves everything as it was.
    void voidDuringArchiving()
    {
        TestApp app;
        seed(app, false);
        app.prompt.setLenient(true, true);
        const QStringList before = {QString::number(app.db.count("vello")), QString::number(app.db.count("archiv"))};
        // Statement 5 of the run comes after the collection; the void goes
        // in on the administrative connection, committed at once.
        app.data.beforeStatementRuns(
                5, [&] { app.db.exec("INSERT INTO sztorno (zBszam, zIdo, zOk) VALUES ('41', NOW(), 'közben')"); });
        QVERIFY(!Archiving(app.ctx).run(QDate(2024, 3, 31)));
        QCOMPARE(
                QStringList({QString::number(app.db.count("vello")), QString::number(app.db.count("archiv"))}), before);
        QVERIFY(app.prompt.shownTexts().join('\n').contains(
                QStringLiteral("Archiválás közben egy másik munkaállomás sztornózta a(z) 41. mérlegjegyet.")));
    }
};

QTEST_MAIN(TestVoidedTickets)
#include "test_voided_tickets.moc"
