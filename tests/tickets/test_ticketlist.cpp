// The ticket list read in keyset pages against the grouping statement it
// stands for, on a fixture with the awkward cases, for every way of moving.
#include "ticketfixture.h"

#include "data/datamodule.h"
#include "data/textconv.h"
#include "tickets/ticketlist.h"
#include "tickets/ticketlistmodel.h"

#include <QSignalSpy>

using namespace TicketFixture;

namespace {

// Tickets 9 and 10 (10 lists first), a trailer ticket, an outgoing one,
// tickets whose producer is empty or whose plate has no register row, a
// trailer ticket whose first row's crop has no register row, a crop code
// that two crop rows carry, summary rows of two archiving runs, and a run
// of plain tickets so that pages of a few lines turn many times.
void seedList(const TestDb& db)
{
    registers(db);
    // Two crop rows with one code: a database from before the codes were
    // unique, whose upgrade waits for the site to sort them out.
    db.exec(QStringLiteral("ALTER TABLE termeny DROP KEY termeny_kod, ADD KEY termeny_kod (tKod)"));
    db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev) VALUES ('2', 'Kukorica (másik sor)')"));
    auto plain = [&](const QString& n) {
        Ticket t;
        t.number = n;
        add(db, t);
    };
    plain(QStringLiteral("9"));
    plain(QStringLiteral("10"));
    Ticket trailer;
    trailer.number = QStringLiteral("11");
    trailer.crop2 = QStringLiteral("2");
    trailer.store2 = QStringLiteral("2");
    trailer.in2 = 15000;
    trailer.out2 = 5000;
    add(db, trailer);
    Ticket out;
    out.number = QStringLiteral("12");
    out.movement = QStringLiteral("K");
    out.in1 = 8000;
    out.out1 = 21000;
    out.netIn1 = 0;
    out.netOut1 = 13000;
    add(db, out);
    Ticket noProducer;
    noProducer.number = QStringLiteral("13");
    noProducer.producer = QString();
    add(db, noProducer);
    Ticket noPlate;
    noPlate.number = QStringLiteral("14");
    noPlate.plate = QStringLiteral("77");
    add(db, noPlate);
    Ticket halfKnown = trailer;
    halfKnown.number = QStringLiteral("15");
    halfKnown.crop1 = QStringLiteral("66");
    add(db, halfKnown);
    Ticket twoCrops;
    twoCrops.number = QStringLiteral("16");
    twoCrops.crop1 = QStringLiteral("2");
    add(db, twoCrops);
    for (int n = 100; n < 130; ++n)
        plain(QString::number(n));
    summary(db, QStringLiteral("90000001"), QStringLiteral("1"), QStringLiteral("1"), 50000, 0,
            QStringLiteral("2023-12-31"));
    summary(db, QStringLiteral("90000002"), QString(), QString(), 0, 0, QStringLiteral("2023-12-31"));
    summary(db, QStringLiteral("90000003"), QStringLiteral("2"), QStringLiteral("2"), 1000, 2000,
            QStringLiteral("2024-01-31"));
}

// The lines of the list statement, each followed by the void marker (no
// ticket of these lists is voided: empty).
QList<QStringList> statementLines(TestApp& app, QStringList* columns)
{
    Query& q = app.data.ZQ12;
    q.openSql(TicketList::ListSql);
    QList<QStringList> out;
    for (int c = 0; c < q.columnCount(); ++c)
        columns->append(q.columnName(c));
    columns->append(TicketList::VoidColumn);
    for (int r = 0; r < q.rowCount(); ++r) {
        QStringList line;
        for (int c = 0; c < q.columnCount(); ++c)
            line << TextConv::toText(q.valueAt(r, c));
        line << QString();
        out << line;
    }
    return out;
}

QStringList modelLine(const TicketListModel& m, int row)
{
    QStringList line;
    const TicketList::Line* l = m.line(row);
    if (!l)
        return {QStringLiteral("<not read>")};
    for (const QVariant& v : l->values)
        line << TextConv::toText(v);
    return line;
}

}   // namespace

class TestTicketList : public QObject {
    Q_OBJECT
private slots:
    void listIsTheStatement_data();
    void listIsTheStatement();
    void keepsFewLines_data();
    void keepsFewLines();
    void emptyTable();
    void findMatches_data();
    void findMatches();
    void locateKeepsOrder_data();
    void locateKeepsOrder();
    void dataAsksAfterPainting();
};

void TestTicketList::listIsTheStatement_data()
{
    QTest::addColumn<int>("pageLines");
    QTest::addColumn<int>("estimate");
    QTest::addColumn<QString>("moves");   // f: forward from the top, b: from the last line up, j: jumps
    for (int page : {1, 2, 3, 7, 100})
        for (const char* moves : {"f", "b", "j"})
            for (int estimate : {2, 38, 1000})
                QTest::addRow("page %d, %s, estimate %d", page, moves, estimate)
                        << page << estimate << QString::fromLatin1(moves);
}

void TestTicketList::listIsTheStatement()
{
    QFETCH(int, pageLines);
    QFETCH(int, estimate);
    QFETCH(QString, moves);
    TestApp app;
    seedList(app.db);
    QStringList columns;
    const QList<QStringList> expected = statementLines(app, &columns);
    QCOMPARE(expected.size(), 36);   // 9, 10, 11, 12, 15, 16 and 100..129
    TicketList list(app.data.ZQ21);
    TicketListModel model(list);
    model.setPageLines(pageLines);
    model.setEstimate(estimate);
    model.open();
    QCOMPARE(list.columns(), columns);
    // Reads the first (or last) row not read yet until every row is read; a
    // row may vanish on the way when the count was overestimated.
    auto walk = [&](bool backwards) {
        for (int guard = 0; guard < 1000; ++guard) {
            int next = -1;
            for (int k = 0; k < model.rowCount() && next < 0; ++k) {
                const int r = backwards ? model.rowCount() - 1 - k : k;
                if (!model.isLoaded(r))
                    next = r;
            }
            if (next < 0)
                return;
            if (!model.ensureRow(next))
                QVERIFY(next >= model.rowCount());
        }
        QFAIL("the list never got read whole");
    };
    if (moves == QLatin1String("f")) {
        walk(false);
    } else if (moves == QLatin1String("b")) {
        const int last = model.ensureLast();
        QVERIFY(last >= 0);
        QCOMPARE(modelLine(model, last), expected.last());
        walk(true);
    } else {
        model.ensureLast();
        model.ensureRow(model.rowCount() / 2);
        model.ensureRow(model.rowCount() / 3);
        model.ensureRow(2 * model.rowCount() / 3);
        walk(false);
    }
    QVERIFY(model.countKnown());
    QCOMPARE(model.rowCount(), expected.size());
    for (int r = 0; r < expected.size(); ++r)
        QCOMPARE(modelLine(model, r), expected[r]);
}

void TestTicketList::keepsFewLines_data()
{
    QTest::addColumn<int>("pageLines");
    QTest::addColumn<int>("keep");
    QTest::addColumn<int>("estimate");
    QTest::newRow("page 2, keep 3, low estimate") << 2 << 3 << 5;
    QTest::newRow("page 3, keep 5, high estimate") << 3 << 5 << 500;
    QTest::newRow("page 7, keep 4, exact") << 7 << 4 << 36;
}

void TestTicketList::keepsFewLines()
{
    // Lines far from the row read are let go and read again when needed:
    // the lines stay right both ways, and only a few are held.
    QFETCH(int, pageLines);
    QFETCH(int, keep);
    QFETCH(int, estimate);
    TestApp app;
    seedList(app.db);
    QStringList columns;
    const QList<QStringList> expected = statementLines(app, &columns);
    TicketList list(app.data.ZQ21);
    TicketListModel model(list);
    model.setPageLines(pageLines);
    model.setKeptLines(keep);
    model.setEstimate(estimate);
    model.open();
    for (int r = 0; r < model.rowCount(); ++r) {
        if (!model.ensureRow(r))
            break;
        QCOMPARE(modelLine(model, r), expected.value(r));
        QVERIFY(model.loadedLines() <= keep);
    }
    QCOMPARE(model.rowCount(), expected.size());
    // From the last line up, and again down from the top.
    for (int r = model.ensureLast(); r >= 0; --r) {
        QVERIFY(model.ensureRow(r));
        QCOMPARE(modelLine(model, r), expected.value(r));
        QVERIFY(model.loadedLines() <= keep);
    }
    for (int r = 0; r < expected.size(); ++r) {
        QVERIFY(model.ensureRow(r));
        QCOMPARE(modelLine(model, r), expected.value(r));
    }
    QCOMPARE(model.rowCount(), expected.size());
}

namespace {

// Plates and dates that differ: tickets 100..129 on days of May, every third
// one on plate XYZ-987; ticket 12 on XYZ-987 in March.
void seedSearch(const TestDb& db)
{
    seedList(db);
    for (int n = 100; n < 130; ++n)
        db.exec(QStringLiteral("UPDATE vello SET jDatum = '2024-05-%1'%2 WHERE jBszam = '%3'")
                        .arg(n - 99, 2, 10, QLatin1Char('0'))
                        .arg(n % 3 == 0 ? QStringLiteral(", jRkod = '2'") : QString())
                        .arg(n));
    db.exec(QStringLiteral("UPDATE vello SET jRkod = '2' WHERE jBszam = '12'"));
}

QString normalPlate(QString p)
{
    return p.remove(QLatin1Char(' ')).remove(QLatin1Char('-')).toCaseFolded();
}

}   // namespace

void TestTicketList::findMatches_data()
{
    QTest::addColumn<QString>("ticket");
    QTest::addColumn<QString>("plate");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("after");
    QTest::newRow("number") << "12"
                            << ""
                            << ""
                            << ""
                            << "";
    QTest::newRow("number with blanks") << " 115 "
                                        << ""
                                        << ""
                                        << ""
                                        << "";
    QTest::newRow("number not listed: no producer") << "13"
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << "";
    QTest::newRow("number of a summary row") << "90000001"
                                             << ""
                                             << ""
                                             << ""
                                             << "";
    QTest::newRow("number never issued") << "231507"
                                         << ""
                                         << ""
                                         << ""
                                         << "";
    QTest::newRow("plate as printed") << ""
                                      << "XYZ-987"
                                      << ""
                                      << ""
                                      << "";
    QTest::newRow("plate typed without hyphen, lower case") << ""
                                                            << "xyz98"
                                                            << ""
                                                            << ""
                                                            << "";
    QTest::newRow("plate after its first") << ""
                                           << "XYZ"
                                           << ""
                                           << ""
                                           << "102";
    QTest::newRow("plate after the last") << ""
                                          << "XYZ"
                                          << ""
                                          << ""
                                          << "129";
    QTest::newRow("one day") << ""
                             << ""
                             << "2024-05-07"
                             << "2024-05-07"
                             << "";
    QTest::newRow("from a day on") << ""
                                   << ""
                                   << "2024-05-20"
                                   << ""
                                   << "";
    QTest::newRow("up to a day") << ""
                                 << ""
                                 << ""
                                 << "2024-03-04"
                                 << "";
    QTest::newRow("plate and week") << ""
                                    << "XYZ 987"
                                    << "2024-05-10"
                                    << "2024-05-16"
                                    << "";
    QTest::newRow("plate and week, next") << ""
                                          << "XYZ 987"
                                          << "2024-05-10"
                                          << "2024-05-16"
                                          << "111";
    QTest::newRow("plate and number that disagree") << "12"
                                                    << "ABC"
                                                    << ""
                                                    << ""
                                                    << "";
    QTest::newRow("a percent sign is a character") << ""
                                                   << "%"
                                                   << ""
                                                   << ""
                                                   << "";
}

// The key found is the first line of the grouping statement, in its order,
// that matches; found by brute force over that statement here.
void TestTicketList::findMatches()
{
    QFETCH(QString, ticket);
    QFETCH(QString, plate);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, after);
    TestApp app;
    seedSearch(app.db);
    QStringList columns;
    const QList<QStringList> lines = statementLines(app, &columns);
    const int cKey = columns.indexOf(QStringLiteral("jBszam"));
    const int cPlate = columns.indexOf(QStringLiteral("rRendszam"));
    const int cDate = columns.indexOf(QStringLiteral("jDatum"));
    TicketList::Search search;
    search.ticket = ticket;
    search.plate = plate;
    search.from = QDate::fromString(from, Qt::ISODate);
    search.to = QDate::fromString(to, Qt::ISODate);
    QString expected;
    bool passed = after.isEmpty();
    for (const QStringList& l : lines) {
        if (!passed) {
            passed = l[cKey] == after;
            continue;
        }
        const QDate d = TextConv::toDate(l[cDate]).value_or(QDate());
        if ((ticket.trimmed().isEmpty() || l[cKey] == ticket.trimmed())
                && normalPlate(l[cPlate]).startsWith(normalPlate(plate)) && (!search.from.isValid() || d >= search.from)
                && (!search.to.isValid() || d <= search.to)) {
            expected = l[cKey];
            break;
        }
    }
    TicketList list(app.data.ZQ21);
    const std::optional<QVariant> found
            = list.find(search, after.isEmpty() ? std::nullopt : std::optional<QVariant>(QVariant(after)));
    QCOMPARE(found ? found->toString() : QString(), expected);
}

void TestTicketList::locateKeepsOrder_data()
{
    QTest::addColumn<int>("pageLines");
    QTest::addColumn<int>("keep");
    QTest::addColumn<int>("estimate");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("far, then near, page 3") << 3 << 1000 << 500 << QStringList {"125", "110", "129", "11", "9"};
    QTest::newRow("just before what was read, page 4") << 4 << 1000 << 10 << QStringList {"104", "103", "12"};
    QTest::newRow("the last, then the first, page 2, keep 4")
            << 2 << 4 << 36 << QStringList {"99", "129", "10", "120", "115"};
    QTest::newRow("one page holds all") << 100 << 1000 << 36 << QStringList {"120", "9"};
}

// Locating keys in any order through the keyset pages: each lands on its
// own line, and walking the list afterwards gives the grouping statement's
// lines in its order, with the right count.
void TestTicketList::locateKeepsOrder()
{
    QFETCH(int, pageLines);
    QFETCH(int, keep);
    QFETCH(int, estimate);
    QFETCH(QStringList, keys);
    TestApp app;
    seedList(app.db);
    QStringList columns;
    const QList<QStringList> expected = statementLines(app, &columns);
    TicketList list(app.data.ZQ21);
    TicketListModel model(list);
    model.setPageLines(pageLines);
    model.setKeptLines(keep);
    model.setEstimate(estimate);
    model.open();
    const int cKey = columns.indexOf(QStringLiteral("jBszam"));
    for (const QString& k : keys) {
        const int row = model.locate(QVariant(k));
        if (k == QLatin1String("99")) {   // not a line of the list
            QCOMPARE(row, -1);
            continue;
        }
        QVERIFY2(row >= 0, qPrintable(k));
        QCOMPARE(model.line(row)->key.toString(), k);
        QCOMPARE(modelLine(model, row).value(cKey), k);
    }
    for (int r = 0; r < model.rowCount(); ++r) {
        if (!model.ensureRow(r))
            break;
        QCOMPARE(modelLine(model, r), expected.value(r));
    }
    QCOMPARE(model.rowCount(), expected.size());
    // Once the count is known, a located line stands on its true row.
    for (const QString& k : keys) {
        if (k == QLatin1String("99"))
            continue;
        int want = -1;
        for (int r = 0; r < expected.size(); ++r)
            if (expected[r].value(cKey) == k)
                want = r;
        if (model.countKnown())
            QCOMPARE(model.locate(QVariant(k)), want);
    }
}

void TestTicketList::emptyTable()
{
    TestApp app;
    registers(app.db);
    TicketList list(app.data.ZQ21);
    TicketListModel model(list);
    model.open();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.countKnown());
    QCOMPARE(model.ensureLast(), -1);
    QVERIFY(!model.ensureRow(0));
}

void TestTicketList::dataAsksAfterPainting()
{
    // A row the view asks for that is not read yet shows empty; it is read
    // from the event loop, and the view hears of it.
    TestApp app;
    seedList(app.db);
    TicketList list(app.data.ZQ21);
    TicketListModel model(list);
    model.setPageLines(3);
    model.setEstimate(1000);
    model.open();
    const int row = model.rowCount() - 1;
    QVERIFY(!model.isLoaded(row));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QCOMPARE(model.data(model.index(row, 1)).toString(), QString());
    QTRY_VERIFY(model.isLoaded(model.rowCount() - 1));
    QVERIFY(!changed.isEmpty());
    QCOMPARE(model.value(model.rowCount() - 1, QStringLiteral("jBszam")).toString(), QStringLiteral("9"));
}

QTEST_MAIN(TestTicketList)
#include "test_ticketlist.moc"
