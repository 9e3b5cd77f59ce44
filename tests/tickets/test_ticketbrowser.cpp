// Ticket browser: detail of each kind of ticket, the blanking rules, the sums,
// the window's navigation, and the ticket copy read back from the report.
#include "ticketfixture.h"

#include "data/textconv.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "data/datamodule.h"
#include "tickets/columnhints.h"
#include "tickets/ticketbrowser.h"
#include "tickets/ticketbrowserwindow.h"
#include "tickets/ticketdocument.h"
#include "tickets/ticketlistmodel.h"
#include "tickets/ticketswindows.h"

#include <QHeaderView>
#include <QTableView>
#include <QToolButton>

using namespace TicketFixture;
using TestUi::child;
using TestUi::click;
using TestUi::text;

namespace {

using Expect = QMap<QString, QString>;

// 41 trailer intake, 42 intake without trailer, 43 outgoing, 44 trailer whose
// second measurement weighed nothing.
void seedTickets(const TestDb& db)
{
    registers(db);
    Ticket t41;
    t41.number = QStringLiteral("41");
    t41.crop2 = QStringLiteral("2");
    t41.store2 = QStringLiteral("2");
    t41.in2 = 15000;
    t41.out2 = 5000;
    t41.netIn2 = 9500;
    add(db, t41);
    Ticket t42;
    t42.number = QStringLiteral("42");
    t42.plate = QStringLiteral("2");
    t42.producer = QStringLiteral("2");
    add(db, t42);
    Ticket t43;
    t43.number = QStringLiteral("43");
    t43.movement = QStringLiteral("K");
    t43.in1 = 8000;
    t43.out1 = 21000;
    t43.netIn1 = 0;
    t43.netOut1 = 13000;
    add(db, t43);
    Ticket t44 = t41;
    t44.number = QStringLiteral("44");
    t44.in2 = 0;
    t44.out2 = 0;
    t44.netIn2 = 0;
    add(db, t44);
}

Expect blankGroup2()
{
    Expect e;
    for (int n = 7; n <= 12; ++n)
        e[QStringLiteral("Edit%1").arg(n)] = QStringLiteral(" ");
    for (int n = 19; n <= 24; ++n)
        e[QStringLiteral("Edit%1").arg(n)] = QStringLiteral(" ");
    return e;
}
Expect merge(Expect a, const Expect& b)
{
    for (auto it = b.begin(); it != b.end(); ++it)
        a[it.key()] = it.value();
    return a;
}

}   // namespace

class TestTicketBrowser : public QObject {
    Q_OBJECT
private slots:
    void detail_data();
    void detail();
    void copy_data();
    void copy();
    void copyAnsweredNo();
    void windowOpensOnFirstLineAndMoves();
    void emptyWindowStillPrints();
    void searchInTheWindow();
};

void TestTicketBrowser::detail_data()
{
    QTest::addColumn<QString>("ticket");
    QTest::addColumn<Expect>("expected");
    const QString blank = QStringLiteral(" ");
    QTest::newRow("trailer, intake: KI crop and warehouse blank")
            << QStringLiteral("41")
            << Expect {{"Edit1", "20000"}, {"Edit2", "20010"}, {"Edit3", "Búza"}, {"Edit5", "1"},
                       {"Edit4", "Síkraktár 1"}, {"Edit6", "1"}, {"Edit13", "8000"}, {"Edit14", "8010"},
                       {"Edit15", blank}, {"Edit16", blank}, {"Edit17", blank}, {"Edit18", blank}, {"Edit7", "15000"},
                       {"Edit8", "15000"}, {"Edit9", "Kukorica"}, {"Edit11", "2"}, {"Edit10", "Siló 2"},
                       {"Edit12", "2"}, {"Edit19", "5000"}, {"Edit20", "5000"}, {"Edit21", blank}, {"Edit22", blank},
                       {"Edit23", blank}, {"Edit24", blank}, {"Edit35", "21000"}, {"Edit52", "22000"}, {"Edit51", "0"},
                       {"jBszam", "41"}, {"jMozgas", "B"}, {"jPot", "I"}, {"jDatum", "2024.03.04"},
                       {"jBeido", "08:00:00"}, {"jKiido", "08:30:00"}, {"jMegj", "megjegyzés"}, {"jTiszt", "98"},
                       {"jViztart", "15"}, {"jEgymeres", ""}, {"oNev", "Kovács István"}, {"oIrszam", "6400"},
                       {"oBankszla", "11700000-12345678"}, {"oKod", "1"}, {"rRendszam", "ABC-123"}, {"rTara", "8000"},
                       {"rUgyintez", "Kovács Péter"}, {"rKod", "1"}};
    QTest::newRow("no trailer: group 2 blank")
            << QStringLiteral("42")
            << merge(blankGroup2(),
                       Expect {{"Edit1", "20000"}, {"Edit13", "8000"}, {"Edit3", "Búza"}, {"Edit15", blank},
                               {"Edit35", "11500"}, {"Edit52", "12000"}, {"Edit51", "0"}, {"oNev", "Alföldi Mag Zrt."},
                               {"rRendszam", "XYZ-987"}});
    QTest::newRow("outgoing: BE crop and warehouse blank")
            << QStringLiteral("43")
            << merge(blankGroup2(),
                       Expect {{"Edit1", "8000"}, {"Edit3", blank}, {"Edit4", blank}, {"Edit5", blank},
                               {"Edit6", blank}, {"Edit13", "21000"}, {"Edit15", "Búza"}, {"Edit17", "1"},
                               {"Edit16", "Síkraktár 1"}, {"Edit18", "1"}, {"Edit35", "0"}, {"Edit52", "13000"},
                               {"Edit51", "13000"}, {"jMozgas", "K"}});
    QTest::newRow("trailer that weighed nothing: group 2 blank") << QStringLiteral(
            "44") << merge(blankGroup2(), Expect {{"Edit1", "20000"}, {"Edit35", "11500"}, {"Edit52", "12000"}});
    QTest::newRow("no ticket: empty fields, sums 0")
            << QString()
            << merge(blankGroup2(),
                       Expect {{"Edit1", ""}, {"Edit2", ""}, {"Edit3", ""}, {"Edit13", ""}, {"Edit15", ""},
                               {"Edit35", "0"}, {"Edit52", "0"}, {"Edit51", "0"}, {"jBszam", ""}, {"oNev", ""},
                               {"rRendszam", ""}});
}

void TestTicketBrowser::detail()
{
    QFETCH(QString, ticket);
    QFETCH(Expect, expected);
    TestApp app;
    seedTickets(app.db);
    TicketBrowser ops(app.ctx);
    const TicketBrowser::Fields f = ops.showDetail(ticket);
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QVERIFY2(f.contains(it.key()), qPrintable(it.key()));
        QCOMPARE(f.value(it.key()), it.value());
    }
    // The data sets stay on the ticket shown: its rows, and its sums as the
    // fields show them.
    if (app.data.ZQ20.rowCount() > 0)
        QCOMPARE(app.data.ZQ20.text(QStringLiteral("jBszam")), ticket);
    const TicketSums sums = TicketDocument::readSums(app.data.ZQ23);
    QCOMPARE(TextConv::number(sums.storedIn), f.value(QStringLiteral("Edit35")));
    QCOMPARE(TextConv::number(sums.weighed), f.value(QStringLiteral("Edit52")));
    QCOMPARE(TextConv::number(sums.shippedOut), f.value(QStringLiteral("Edit51")));
}

void TestTicketBrowser::copy_data()
{
    QTest::addColumn<QString>("ticket");
    QTest::addColumn<double>("in2");
    QTest::addColumn<double>("out2");
    QTest::addColumn<double>("net");
    QTest::addColumn<QString>("movement");
    QTest::addColumn<int>("rows");
    QTest::newRow("trailer") << QStringLiteral("41") << 15000.0 << 5000.0 << 22000.0 << QStringLiteral("BE") << 2;
    // The second row has empty crop and warehouse codes: the joins leave it out.
    QTest::newRow("no trailer") << QStringLiteral("42") << 0.0 << 0.0 << 12000.0 << QStringLiteral("BE") << 1;
    QTest::newRow("outgoing") << QStringLiteral("43") << 0.0 << 0.0 << 13000.0 << QStringLiteral("KI") << 1;
    QTest::newRow("no ticket") << QString() << 0.0 << 0.0 << 0.0 << QStringLiteral("KI") << 0;
}

void TestTicketBrowser::copy()
{
    QFETCH(QString, ticket);
    QFETCH(double, in2);
    QFETCH(double, out2);
    QFETCH(double, net);
    QFETCH(QString, movement);
    QFETCH(int, rows);
    TestApp app;
    seedTickets(app.db);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
    TicketBrowser ops(app.ctx);
    QVERIFY(ops.printCopy(ticket));
    app.verifyScriptsDone();
    QCOMPARE(app.data.ZQ23.rowCount(), rows);
    if (rows > 0) {
        // The template reads the ticket's first row.
        QCOMPARE(app.data.ZQ23.currentRow(), 0);
        QCOMPARE(app.data.ZQ23.text(QStringLiteral("jBszam")), ticket);
    }
    QCOMPARE(report.variable(QStringLiteral("v_bszam")).toString(), ticket);
    QCOMPARE(report.variable(QStringLiteral("v_Bemeres2")).toDouble(), in2);
    QCOMPARE(report.variable(QStringLiteral("v_Kimeres2")).toDouble(), out2);
    QCOMPARE(report.variable(QStringLiteral("v_m1")).toDouble(), net);
    QCOMPARE(report.variable(QStringLiteral("v_mozgas")).toString(), movement);

    // Read back from the built report.
    QCOMPARE(preview.shown().size(), 1);
    const ReportLayout& layout = preview.last();
    QCOMPARE(layout.templateName, QStringLiteral("vello_masolat.frf"));
    QCOMPARE(layout.pages.first().orientation, QPageLayout::Portrait);
    const QString all = layout.texts().join(QLatin1Char('\n'));
    QVERIFY2(all.contains(QStringLiteral("Bizonylatszám: J %1").arg(ticket)), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Nettó súly:   %1  kg").arg(TextConv::grouped(net))), qPrintable(all));
    QVERIFY2(layout.pages.first().find(movement), qPrintable(all));
}

void TestTicketBrowser::copyAnsweredNo()
{
    TestApp app;
    seedTickets(app.db);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), false);
    TicketBrowser ops(app.ctx);
    QVERIFY(!ops.printCopy(QStringLiteral("41")));
    QVERIFY(preview.shown().isEmpty());
    QVERIFY(!report.variable(QStringLiteral("v_bszam")).isValid());
    app.verifyScriptsDone();
}

void TestTicketBrowser::windowOpensOnFirstLineAndMoves()
{
    TestApp app;
    seedTickets(app.db);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
    app.host.expect(QStringLiteral("TForm17"), [&](QDialog& d) {
        auto& w = static_cast<TicketBrowserWindow&>(d);
        QCOMPARE(w.listModel()->rowCount(), 4);
        QCOMPARE(text(w, QStringLiteral("jBszam")), QStringLiteral("41"));
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("15000"));
        click(*child<QWidget>(w, QStringLiteral("DBNavigator1")), QStringLiteral("Last"));
        QCOMPARE(text(w, QStringLiteral("jBszam")), QStringLiteral("44"));
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral(" "));
        click(*child<QWidget>(w, QStringLiteral("DBNavigator1")), QStringLiteral("Prior"));
        QCOMPARE(text(w, QStringLiteral("jBszam")), QStringLiteral("43"));
        QCOMPARE(text(w, QStringLiteral("Edit3")), QStringLiteral(" "));
        QCOMPARE(text(w, QStringLiteral("Edit51")), QStringLiteral("13000"));
        // A click on a grid cell shows that line.
        QTableView* grid = child<QTableView>(w, QStringLiteral("DBGrid1"));
        // Every header is a column name, each with its meaning as tooltip.
        for (int c = 0; c < grid->horizontalHeader()->count(); ++c)
            QVERIFY2(!ColumnHints::hintAt(grid->horizontalHeader(), c).isEmpty(),
                    qPrintable(grid->model()->headerData(c, Qt::Horizontal).toString()));
        const QModelIndex idx = grid->model()->index(1, 0);
        grid->setCurrentIndex(idx);
        emit grid->clicked(idx);
        QCOMPARE(text(w, QStringLiteral("jBszam")), QStringLiteral("42"));
        click(w, QStringLiteral("Button2"));
        QCOMPARE(report.variable(QStringLiteral("v_bszam")).toString(), QStringLiteral("42"));
        click(w, QStringLiteral("Button5"));
        QVERIFY(!w.isVisible());
    });
    openTicketBrowser(app.ctx);
    app.verifyScriptsDone();
    QCOMPARE(preview.shown().size(), 1);
}

void TestTicketBrowser::emptyWindowStillPrints()
{
    TestApp app;
    registers(app.db);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
    app.host.expect(QStringLiteral("TForm17"), [&](QDialog& w) {
        for (const char* name : {"Edit1", "Edit13", "jBszam", "oNev", "rRendszam"})
            QCOMPARE(text(w, QLatin1String(name)), QString());
        for (const char* name : {"Edit35", "Edit52", "Edit51"})
            QCOMPARE(text(w, QLatin1String(name)), QStringLiteral("0"));
        click(*child<QWidget>(w, QStringLiteral("DBNavigator1")), QStringLiteral("Last"));
        click(*child<QWidget>(w, QStringLiteral("DBNavigator1")), QStringLiteral("Next"));
        click(w, QStringLiteral("Button2"));
    });
    openTicketBrowser(app.ctx);
    app.verifyScriptsDone();
    QCOMPARE(preview.shown().size(), 1);
    QCOMPARE(report.variable(QStringLiteral("v_bszam")).toString(), QString());
    QCOMPARE(report.variable(QStringLiteral("v_m1")).toDouble(), 0.0);
    QCOMPARE(report.variable(QStringLiteral("v_mozgas")).toString(), QStringLiteral("KI"));
}

// The search row: a plate and a date range put the list on the first
// matching ticket with its detail; "Következő" goes on; the order of the
// list stays; a bad date or no match is said in Hungarian.
void TestTicketBrowser::searchInTheWindow()
{
    TestApp app;
    seedTickets(app.db);
    for (int n = 50; n < 90; ++n) {
        Ticket t;
        t.number = QString::number(n);
        t.date = QStringLiteral("2024-04-%1").arg(n % 28 + 1, 2, 10, QLatin1Char('0'));
        if (n % 5 == 0)
            t.plate = QStringLiteral("2");
        add(app.db, t);
    }
    app.prompt.expectMessage(
            QStringLiteral("Hibás dátum: \"2024.04.\". A dátum formája: éééé.hh.nn (például 2026.12.09)."));
    app.prompt.expectMessage(QStringLiteral("Nincs több a keresésnek megfelelő mérlegjegy."));
    app.prompt.expectMessage(QStringLiteral("Nincs a keresésnek megfelelő mérlegjegy."));
    app.prompt.expectMessage(QStringLiteral("Adja meg a keresett mérlegjegy számát, a rendszámot vagy a dátumot."));
    QStringList found;
    QStringList before, after;
    app.host.expect(QStringLiteral("TForm17"), [&](QDialog& d) {
        auto& w = static_cast<TicketBrowserWindow&>(d);
        w.listModel()->setPageLines(3);
        auto keys = [&] {
            QStringList k;
            for (int r = 0; r < w.listModel()->rowCount(); ++r) {
                w.listModel()->ensureRow(r);
                k << w.listModel()->value(r, QStringLiteral("jBszam")).toString();
            }
            return k;
        };
        TestUi::setText(w, QStringLiteral("SearchPlate"), QStringLiteral("xyz987"));
        TestUi::setText(w, QStringLiteral("SearchFrom"), QStringLiteral("2024.04."));
        click(w, QStringLiteral("SearchButton"));   // refused: not a date
        TestUi::setText(w, QStringLiteral("SearchFrom"), QStringLiteral("2024.04.10"));
        TestUi::setText(w, QStringLiteral("SearchTo"), QStringLiteral("2024.04.24"));
        click(w, QStringLiteral("SearchButton"));
        found << w.currentTicket() + QLatin1Char('/') + text(w, QStringLiteral("jBszam")) + QLatin1Char('/')
                        + text(w, QStringLiteral("rRendszam"));
        click(w, QStringLiteral("SearchNext"));
        found << w.currentTicket() + QLatin1Char('/') + text(w, QStringLiteral("jDatum"));
        click(w, QStringLiteral("SearchNext"));
        found << w.currentTicket();
        click(w, QStringLiteral("SearchNext"));
        found << w.currentTicket();
        click(w, QStringLiteral("SearchNext"));   // no more
        found << w.currentTicket();
        TestUi::setText(w, QStringLiteral("SearchPlate"), QString());
        TestUi::setText(w, QStringLiteral("SearchFrom"), QString());
        TestUi::setText(w, QStringLiteral("SearchTo"), QString());
        TestUi::setText(w, QStringLiteral("SearchTicket"), QStringLiteral("43"));
        click(w, QStringLiteral("SearchButton"));
        found << w.currentTicket() + QLatin1Char('/') + text(w, QStringLiteral("Edit51"));
        TestUi::setText(w, QStringLiteral("SearchTicket"), QStringLiteral("231507"));
        click(w, QStringLiteral("SearchButton"));   // none: the line stays
        found << w.currentTicket();
        TestUi::setText(w, QStringLiteral("SearchTicket"), QString());
        click(w, QStringLiteral("SearchButton"));   // nothing asked for
        after = keys();
    });
    openTicketBrowser(app.ctx);
    // Plate XYZ-987 from 2024.04.10 to 24: tickets 50 (day 23), 65 (10), 70 (15), 75 (20); not
    // 55 (28), 60 (5), 80 (25), 85 (2), nor 42 (March).
    QCOMPARE(found,
            (QStringList {QStringLiteral("50/50/XYZ-987"), QStringLiteral("65/2024.04.10"), QStringLiteral("70"),
                    QStringLiteral("75"), QStringLiteral("75"), QStringLiteral("43/13000"), QStringLiteral("43")}));
    Query& q = app.data.ZQ12;
    q.openSql(TicketList::ListSql);
    for (int r = 0; r < q.rowCount(); ++r)
        before << TextConv::toText(q.valueAt(r, q.columnIndex(QStringLiteral("jBszam"))));
    QCOMPARE(after, before);   // the list's order is unchanged
    app.verifyScriptsDone();
}

QTEST_MAIN(TestTicketBrowser)
#include "test_ticketbrowser.moc"
