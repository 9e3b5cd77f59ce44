// Stock window: totals and itemised figures of every grouping on one fixture,
// empty cases, the window's events and the choice of the print template.
#include "ticketfixture.h"

#include "data/datamodule.h"
#include "data/textconv.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "tickets/columnhints.h"
#include "tickets/stockchart.h"
#include "tickets/stockreport.h"
#include "tickets/stockwindow.h"
#include "tickets/ticketswindows.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QSignalSpy>
#include <memory>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

using namespace TicketFixture;
using TestUi::child;
using TestUi::click;
using TestUi::text;

Q_DECLARE_METATYPE(StockGrouping)

namespace {

const QDate kDay1(2024, 3, 4);
const QDate kDay2(2024, 3, 5);

// Intake with a fraction (1), a trailer intake into warehouse 2 (2), a
// dispatch (3), an intake of the second producer on the second day (4) and
// a summary row of an earlier archiving.
void seedStock(const TestDb& db)
{
    registers(db);
    Ticket t1;
    t1.number = QStringLiteral("1");
    t1.netIn1 = 11500.4;
    add(db, t1);
    Ticket t2;
    t2.number = QStringLiteral("2");
    t2.producer = QStringLiteral("2");
    t2.in1 = 18000;
    t2.out1 = 6000;
    t2.netIn1 = 11000.6;
    t2.store1 = QStringLiteral("2");
    t2.crop2 = QStringLiteral("2");
    t2.store2 = QStringLiteral("2");
    t2.in2 = 15000;
    t2.out2 = 5000;
    t2.netIn2 = 9500;
    add(db, t2);
    Ticket t3;
    t3.number = QStringLiteral("3");
    t3.movement = QStringLiteral("K");
    t3.date = QStringLiteral("2024-03-05");
    t3.in1 = 8000;
    t3.out1 = 21000;
    t3.netIn1 = 0;
    t3.netOut1 = 13000;
    add(db, t3);
    Ticket t4;
    t4.number = QStringLiteral("4");
    t4.date = QStringLiteral("2024-03-05");
    t4.producer = QStringLiteral("2");
    t4.crop1 = QStringLiteral("2");
    t4.in1 = 16000;
    t4.out1 = 6000;
    t4.netIn1 = 9800.25;
    add(db, t4);
    summary(db, QStringLiteral("90000001"), QStringLiteral("1"), QStringLiteral("1"), 50000, 2000,
            QStringLiteral("2023-12-31"));
}

// Weighed, stored in, shipped out, stock as the window shows them.
QStringList figures(const StockFigures& f)
{
    return {StockFigures::text(f.weighed), StockFigures::text(f.storedIn), StockFigures::text(f.shippedOut),
            StockFigures::text(f.stock())};
}

// Each line of a list: the given columns as text, joined by "|".
QStringList lines(const Query& q, const QStringList& columns)
{
    QStringList out;
    for (int r = 0; r < q.rowCount(); ++r) {
        QStringList l;
        for (const QString& c : columns)
            l << TextConv::toText(q.valueAt(r, q.columnIndex(c)));
        out << l.join(QLatin1Char('|'));
    }
    return out;
}

}   // namespace

class TestStock : public QObject {
    Q_OBJECT
private slots:
    void figures_data();
    void figures();
    void emptyTableAndEmptyDay_data();
    void emptyTableAndEmptyDay();
    void printTemplate_data();
    void printTemplate();
    void windowEvents();
    void chartOfTotals();
    void headersOfTheGrids();
};

void TestStock::figures_data()
{
    QTest::addColumn<StockGrouping>("grouping");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QStringList>("totals");
    QTest::addColumn<QStringList>("totalLines");   // name column(s), Netto, Betarolt, Kiszallitva, Keszlet
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("itemTickets");   // jBszam of the itemised lines
    const QStringList all = {"57 000", "91 801", "15 000", "76 801"};
    QTest::newRow("crop") << StockGrouping::Crop << kDay1 << all
                          << QStringList {"Búza|37000|72501|15000|57501", "Kukorica|20000|19300,25|0|19300,25"}
                          << QStringList {"37 000", "72 501", "15 000", "57 501"}
                          << QStringList {"1", "2", "3", "90000001"};
    QTest::newRow("day 1") << StockGrouping::Day << kDay1 << QStringList {"34 000", "32 001", "0", "32 001"}
                           << QStringList {"Búza|24000|22501|0|22501", "Kukorica|10000|9500|0|9500"}
                           << QStringList {"24 000", "22 501", "0", "22 501"} << QStringList {"1", "2"};
    QTest::newRow("day 2") << StockGrouping::Day << kDay2 << QStringList {"23 000", "9 800", "13 000", "-3 200"}
                           << QStringList {"Búza|13000|0|13000|-13000", "Kukorica|10000|9800,25|0|9800,25"}
                           << QStringList {"13 000", "0", "13 000", "-13 000"} << QStringList {"3"};
    // The list leaves out the summary row (no producer); the sums count it.
    QTest::newRow("producer") << StockGrouping::Producer << kDay1 << all
                              << QStringList {"Alföldi Mag Zrt.|Búza|12000|11000,6|0|11000,6",
                                         "Alföldi Mag Zrt.|Kukorica|20000|19300,25|0|19300,25",
                                         "Kovács István|Búza|25000|11500,4|13000|-1499,6"}
                              << QStringList {"32 000", "30 301", "0", "30 301"} << QStringList {"2", "2", "4"};
    QTest::newRow("warehouse") << StockGrouping::Warehouse << kDay1 << all
                               << QStringList {"Síkraktár 1|Búza|25000|61500,4|15000|46500,4",
                                          "Síkraktár 1|Kukorica|10000|9800,25|0|9800,25",
                                          "Siló 2|Búza|12000|11000,6|0|11000,6", "Siló 2|Kukorica|10000|9500|0|9500"}
                               << QStringList {"35 000", "71 301", "15 000", "56 301"}
                               << QStringList {"1", "3", "4", "90000001"};
}

void TestStock::figures()
{
    QFETCH(StockGrouping, grouping);
    QFETCH(QDate, day);
    QFETCH(QStringList, totals);
    QFETCH(QStringList, totalLines);
    QFETCH(QStringList, items);
    QFETCH(QStringList, itemTickets);
    TestApp app;
    seedStock(app.db);
    StockReport ops(app.ctx);
    const StockFigures total = ops.computeTotals(grouping, day);
    QCOMPARE(::figures(total), totals);
    // The sums data set that the templates read holds the figures shown.
    QCOMPARE(TicketDocument::readSums(app.data.ZQ23).weighed, total.weighed);
    QCOMPARE(TicketDocument::readSums(app.data.ZQ23).stock(), total.stock());
    QStringList cols;
    if (grouping == StockGrouping::Producer)
        cols << QStringLiteral("oNev");
    if (grouping == StockGrouping::Warehouse)
        cols << QStringLiteral("kNev");
    cols << QStringLiteral("tmegnev") << QStringLiteral("Netto") << QStringLiteral("Betarolt")
         << QStringLiteral("Kiszallitva") << QStringLiteral("Keszlet");
    QCOMPARE(lines(app.data.ZQ20, cols), totalLines);
    // The itemised figures of the first totals line.
    const StockFigures item = ops.computeItems(grouping, day);
    QCOMPARE(::figures(item), items);
    QCOMPARE(TicketDocument::readSums(app.data.ZQ22).storedIn, item.storedIn);
    QCOMPARE(TicketDocument::readSums(app.data.ZQ22).shippedOut, item.shippedOut);
    QCOMPARE(lines(app.data.ZQ21, {QStringLiteral("jBszam")}), itemTickets);
}

void TestStock::emptyTableAndEmptyDay_data()
{
    QTest::addColumn<StockGrouping>("grouping");
    QTest::addColumn<bool>("withTickets");
    QTest::newRow("empty table, crop") << StockGrouping::Crop << false;
    QTest::newRow("empty table, producer") << StockGrouping::Producer << false;
    QTest::newRow("empty table, warehouse") << StockGrouping::Warehouse << false;
    QTest::newRow("day without tickets") << StockGrouping::Day << true;
}

void TestStock::emptyTableAndEmptyDay()
{
    QFETCH(StockGrouping, grouping);
    QFETCH(bool, withTickets);
    TestApp app;
    if (withTickets)
        seedStock(app.db);
    else
        registers(app.db);
    StockReport ops(app.ctx);
    const QStringList zero = {"0", "0", "0", "0"};
    QCOMPARE(::figures(ops.computeTotals(grouping, QDate(2024, 3, 6))), zero);
    QCOMPARE(app.data.ZQ20.rowCount(), 0);
    // The itemised figures of an empty totals list: an empty key.
    QCOMPARE(::figures(ops.computeItems(grouping, QDate(2024, 3, 6))), zero);
    QCOMPARE(app.data.ZQ21.rowCount(), 0);
}

void TestStock::printTemplate_data()
{
    QTest::addColumn<StockGrouping>("grouping");
    QTest::addColumn<bool>("itemised");
    QTest::addColumn<QString>("file");
    QTest::newRow("crop, totals") << StockGrouping::Crop << false << QStringLiteral("keszlet_termeny.frf");
    QTest::newRow("crop, items") << StockGrouping::Crop << true << QStringLiteral("keszlet_t_termeny.frf");
    QTest::newRow("day, totals") << StockGrouping::Day << false << QStringLiteral("keszlet_datum.frf");
    QTest::newRow("day, items") << StockGrouping::Day << true << QStringLiteral("keszlet_t_datum.frf");
    QTest::newRow("producer, totals") << StockGrouping::Producer << false << QStringLiteral("keszlet_nev.frf");
    QTest::newRow("producer, items") << StockGrouping::Producer << true << QStringLiteral("keszlet_t_nev.frf");
    QTest::newRow("warehouse, totals") << StockGrouping::Warehouse << false << QStringLiteral("keszlet_raktar.frf");
    QTest::newRow("warehouse, items") << StockGrouping::Warehouse << true << QStringLiteral("keszlet_t_raktar.frf");
}

void TestStock::printTemplate()
{
    QFETCH(StockGrouping, grouping);
    QFETCH(bool, itemised);
    QFETCH(QString, file);
    TestApp app;
    seedStock(app.db);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    app.host.expect(QStringLiteral("TForm18"), [&](QDialog& w) {
        child<QRadioButton>(w, QStringLiteral("RadioButton%1").arg(int(grouping) + 1))->click();
        child<QDateEdit>(w, QStringLiteral("DateTimePicker1"))->setDate(kDay2);
        if (itemised)
            emit child<QTableView>(w, QStringLiteral("DBGrid2"))->doubleClicked(QModelIndex());
        // Printed as they stand: no list or sum is run again.
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (Query* q : {&app.data.ZQ20, &app.data.ZQ21, &app.data.ZQ22, &app.data.ZQ23})
            spies << std::make_shared<QSignalSpy>(q, &Query::resultReplaced);
        click(w, QStringLiteral("Button7"));
        for (const auto& spy : spies)
            QCOMPARE(spy->count(), 0);
    });
    openStock(app.ctx);
    app.verifyScriptsDone();
    QCOMPARE(preview.shown().size(), 1);
    QCOMPARE(preview.last().templateName, file);
    QCOMPARE(preview.last().pages.first().orientation, QPageLayout::Portrait);
    if (grouping == StockGrouping::Day)
        QCOMPARE(report.variable(QStringLiteral("v_datum")).toString(), QStringLiteral("2024.03.05"));
    else
        QVERIFY(!report.variable(QStringLiteral("v_datum")).isValid());
}

void TestStock::windowEvents()
{
    TestApp app;
    seedStock(app.db);
    app.host.expect(QStringLiteral("TForm18"), [&](QDialog& w) {
        auto* tabs = child<QTabWidget>(w, QStringLiteral("PageControl1"));
        auto* date = child<QDateEdit>(w, QStringLiteral("DateTimePicker1"));
        QCOMPARE(date->date(), QDate::currentDate());
        QVERIFY(child<QRadioButton>(w, QStringLiteral("RadioButton1"))->isChecked());
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(text(w, QStringLiteral("Edit3")), QStringLiteral("91 801"));
        QCOMPARE(text(w, QStringLiteral("Edit5")), QStringLiteral("76 801"));

        // A new date outside the day grouping computes nothing.
        qint64 before = app.data.statementCount();
        date->setDate(kDay1);
        QCOMPARE(app.data.statementCount(), before);

        // Double click: tab "Tételes" shown from the window, itemised figures
        // computed once (showing the tab is not an operator's tab change).
        before = app.data.statementCount();
        emit child<QTableView>(w, QStringLiteral("DBGrid2"))->doubleClicked(QModelIndex());
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(app.data.statementCount(), before + 2);
        QCOMPARE(text(w, QStringLiteral("Edit8")), QStringLiteral("72 501"));
        QCOMPARE(text(w, QStringLiteral("Edit9")), QStringLiteral("37 000"));

        // The day grouping, then a date: back on "Összesen" with that day.
        child<QRadioButton>(w, QStringLiteral("RadioButton2"))->click();
        QCOMPARE(tabs->currentIndex(), 0);
        date->setDate(kDay2);
        QCOMPARE(text(w, QStringLiteral("Edit5")), QStringLiteral("-3 200"));

        // The operator's tab change computes the tab's figures.
        before = app.data.statementCount();
        tabs->tabBar()->setCurrentIndex(1);
        QCOMPARE(app.data.statementCount(), before + 2);
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("13 000"));
        tabs->tabBar()->setCurrentIndex(0);
        QCOMPARE(app.data.statementCount(), before + 4);
        click(w, QStringLiteral("Button5"));
    });
    openStock(app.ctx);
    app.verifyScriptsDone();
}

void TestStock::chartOfTotals()
{
    TestApp app;
    seedStock(app.db);
    StockReport ops(app.ctx);
    ops.computeTotals(StockGrouping::Warehouse, kDay1);
    const QList<StockBar> bars = stockBars(app.data.ZQ20, StockGrouping::Warehouse);
    QCOMPARE(bars.size(), 4);
    QCOMPARE(bars[0].label, QStringLiteral("Síkraktár 1 / Búza"));
    QCOMPARE(bars[0].storedIn, 61500.4);
    QCOMPARE(bars[0].shippedOut, 15000.0);
    QCOMPARE(bars[0].stock, 46500.4);
    const ReportLayout layout = stockChartLayout(bars, QStringLiteral("Készlet raktáranként"));
    QCOMPARE(layout.pages.size(), 1);
    QCOMPARE(layout.pages[0].orientation, QPageLayout::Landscape);
    QVERIFY(layout.pages[0].find(QStringLiteral("Siló 2 / Kukorica")));
    QVERIFY(layout.pages[0].find(QStringLiteral("46 500")));
    QVERIFY(layout.pages[0].find(QStringLiteral("Készlet raktáranként")));
}

QTEST_MAIN(TestStock)
#include "test_stock.moc"

// The totals grid hides the codes its grouping does not define (a line
// would carry one arbitrary ticket row's); every header titled by a column
// name has its meaning as tooltip.
void TestStock::headersOfTheGrids()
{
    TestApp app;
    seedStock(app.db);
    app.host.expect(QStringLiteral("TForm18"), [&](QDialog& w) {
        auto* grid = child<QTableView>(w, QStringLiteral("DBGrid2"));
        const auto hiddenCodes = [grid] {
            QStringList out;
            for (int c = 0; c < grid->model()->columnCount(); ++c) {
                const QString name = grid->model()->headerData(c, Qt::Horizontal).toString();
                if (name.startsWith(QLatin1String("j")) && grid->isColumnHidden(c))
                    out << name;
            }
            return out.join(QLatin1Char(' '));
        };
        QCOMPARE(hiddenCodes(), QStringLiteral("jOkod jKkod"));
        child<QRadioButton>(w, QStringLiteral("RadioButton3"))->click();   // per producer
        QCOMPARE(hiddenCodes(), QStringLiteral("jKkod"));
        child<QRadioButton>(w, QStringLiteral("RadioButton4"))->click();   // per warehouse
        QCOMPARE(hiddenCodes(), QStringLiteral("jOkod"));
        child<QRadioButton>(w, QStringLiteral("RadioButton2"))->click();   // the day
        QCOMPARE(hiddenCodes(), QStringLiteral("jOkod jKkod"));
        child<QRadioButton>(w, QStringLiteral("RadioButton1"))->click();
        QCOMPARE(hiddenCodes(), QStringLiteral("jOkod jKkod"));

        QHeaderView* header = grid->horizontalHeader();
        for (int c = 0; c < header->count(); ++c) {
            const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(!ColumnHints::hintAt(header, c).isEmpty(), qPrintable(title));
        }
        QCOMPARE(ColumnHints::hintAt(header, 0), QStringLiteral("Termény megnevezése"));   // tmegnev
        click(w, QStringLiteral("Button5"));
    });
    openStock(app.ctx);
    app.verifyScriptsDone();
    QCOMPARE(ColumnHints::meaning(QStringLiteral("Betarolt")), QStringLiteral("Betárolt (kg)"));
    QCOMPARE(ColumnHints::meaning(QStringLiteral("Rendszám")), QString());
}
