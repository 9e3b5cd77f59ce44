// Voided tickets on a site that ran for ten years (500,000 tickets):
//
//   the ticket browser's opening (first screen and detail) and its searches
//   with 1 % of the tickets voided, beside the same on the same data without
//   any void (goal: ratio <= 1.1);
//   the stock statements of every grouping, both tabs, with the voids, beside
//   the server's own time for the same statements in the mariadb client
//   (SHOW PROFILES; goal: ratio <= 1.2), beside the program's time for them
//   without voids, and beside the server's time for the statements without
//   the condition that leaves voided tickets out (for information).
//
// The machine may be shared: the states alternate over three rounds and the
// best figure of each counts.
//
// Usage: bench_voids [tickets per day, default 137] [percent voided, default 1]
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "generator.h"
#include "testdb.h"
#include "tickets/stockreport.h"
#include "tickets/ticketbrowserwindow.h"
#include "tickets/ticketvoid.h"
#include "ui/scriptedprompt.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>

namespace {

QTextStream out(stdout);

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

struct Figures {
    double open = 0;
    QList<double> searches;
    QList<double> stockApp, stockServer;   // totals and items per grouping
    QList<double> stockPlain;   // the server's time for the statements without the void condition
};

// The server's durations of the statements in one session of the mariadb
// client, each run once; in milliseconds.
QList<double> serverMs(const TestDb& db, const QStringList& statements)
{
    QString script = QStringLiteral("SET profiling_history_size = 100; SET profiling = 1;\n");
    for (const QString& st : statements)
        script += st + QStringLiteral(";\n");
    script += QStringLiteral("SHOW PROFILES;\n");
    QProcess p;
    p.start(QStringLiteral("mariadb"),
            {QStringLiteral("--no-defaults"), QStringLiteral("-uroot"), QStringLiteral("--socket=") + TestDb::socket(),
                    db.name(), QStringLiteral("-N"), QStringLiteral("-B")});
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<double> ms;
    for (int i = qMax(0, int(lines.size()) - int(statements.size())); i < lines.size(); ++i)
        ms << lines[i].section(QLatin1Char('\t'), 1, 1).toDouble() * 1000.0;
    return ms;
}

QString literal(const QString& sql, const QDate& day, const QString& key)
{
    QString s = sql;
    s.replace(QStringLiteral(":p0"), QStringLiteral("'%1'").arg(day.toString(Qt::ISODate)));
    s.replace(QStringLiteral(":p1"), QStringLiteral("'%1'").arg(QString(key).replace(QLatin1Char('\''), "''")));
    return s;
}

Figures measureSite(
        const TestDb& db, AppContext& ctx, const QStringList& searchNumbers, const QString& plate, const QString& day)
{
    Figures f;
    f.open = measure(5, [&](int) {
        TicketBrowserWindow w(ctx);
        w.show();
        settle();
    }).min;
    auto search = [&](const QString& ticket, const QString& plateText, const QString& from, const QString& to) {
        TicketBrowserWindow w(ctx);
        w.show();
        settle();
        w.findChild<QLineEdit*>(QStringLiteral("SearchTicket"))->setText(ticket);
        w.findChild<QLineEdit*>(QStringLiteral("SearchPlate"))->setText(plateText);
        w.findChild<QLineEdit*>(QStringLiteral("SearchFrom"))->setText(from);
        w.findChild<QLineEdit*>(QStringLiteral("SearchTo"))->setText(to);
        return measure(5, [&](int) {
            w.search();
            settle();
        }).min;
    };
    for (const QString& n : searchNumbers)
        f.searches << search(n, QString(), QString(), QString());
    f.searches << search(QString(), plate, day, day) << search(QString(), plate, QString(), QString())
               << search(QString(), QString(), day, day);

    StockReport ops(ctx);
    const QDate stockDay(2020, 6, 15);
    for (int g = 0; g < 4; ++g) {
        const StockGrouping grouping = StockGrouping(g);
        double appTotals = 1e18, appItems = 1e18, serverTotals = 1e18, serverItems = 1e18;
        double plainTotals = 1e18, plainItems = 1e18;
        for (int run = 0; run < 2; ++run) {
            QElapsedTimer t;
            t.start();
            ops.computeTotals(grouping, stockDay);
            appTotals = qMin(appTotals, t.nsecsElapsed() / 1e6);
            const QString key = ctx.data.ZQ20.text(StockReport::keyColumn(grouping));
            t.restart();
            ops.computeItems(grouping, stockDay);
            appItems = qMin(appItems, t.nsecsElapsed() / 1e6);
            const QList<double> s = serverMs(db,
                    {literal(StockReport::totalsSumsSql(grouping), stockDay, key),
                            literal(StockReport::totalsListSql(grouping), stockDay, key),
                            literal(StockReport::itemSumsSql(grouping), stockDay, key),
                            literal(StockReport::itemListSql(grouping), stockDay, key)});
            serverTotals = qMin(serverTotals, s.value(0) + s.value(1));
            serverItems = qMin(serverItems, s.value(2) + s.value(3));
            const QString condition = QStringLiteral(" AND ") + TicketVoid::notVoided();
            auto plain = [&](const QString& sql) { return literal(QString(sql).remove(condition), stockDay, key); };
            const QList<double> p = serverMs(db,
                    {plain(StockReport::totalsSumsSql(grouping)), plain(StockReport::totalsListSql(grouping)),
                            plain(StockReport::itemSumsSql(grouping)), plain(StockReport::itemListSql(grouping))});
            plainTotals = qMin(plainTotals, p.value(0) + p.value(1));
            plainItems = qMin(plainItems, p.value(2) + p.value(3));
        }
        f.stockApp << appTotals << appItems;
        f.stockServer << serverTotals << serverItems;
        f.stockPlain << plainTotals << plainItems;
    }
    return f;
}

}   // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Generator::Size size;
    size.ticketsPerDay = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 137;
    const int percent = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1;
    TestDb db;
    QElapsedTimer t;
    t.start();
    Generator::registers(db, size);
    Generator::tickets(db, size);
    db.exec(QStringLiteral("ANALYZE TABLE vello"));
    const qint64 tickets = db.scalar(QStringLiteral("SELECT COUNT(DISTINCT jBszam) FROM vello")).toLongLong();
    out << "generated " << tickets << " tickets in " << t.elapsed() / 1000.0 << " s\n";
    out.flush();
    DataModule data(db.settings());
    ScriptedPrompt prompt;
    prompt.setLenient(true);
    AppContext ctx(data, prompt);
    data.open();

    // Searched: a voided ticket, one beside it, one in the middle; a plate
    // weighed a week before the last day, on that day and over the years.
    const QString middle = QString::number(tickets / 2 + 1);
    const QStringList numbers = {QString::number(tickets / 2), middle};
    const QDate day = db.scalar(QStringLiteral("SELECT MAX(jDatum) FROM vello")).toDate().addDays(-7);
    const QString plate = db.scalar(QStringLiteral("SELECT rRendszam FROM vello JOIN rendszam ON rKod = jRkod "
                                                   "WHERE jDatum = '%1' ORDER BY IDj DESC LIMIT 1")
                                            .arg(day.toString(Qt::ISODate)))
                                  .toString();
    const QString dayText = day.toString(QStringLiteral("yyyy.MM.dd"));

    // Every (100 / percent)-th ticket voided, the one searched for among
    // them, in a table of its own that takes the place of the empty one for
    // the rounds with voids (RENAME TABLE, both ways). The machine is
    // shared: the rounds alternate, and the best figure of each state counts.
    const int every = qMax(1, 100 / qMax(1, percent));
    db.exec(QStringLiteral("CREATE TABLE sztorno_voids LIKE sztorno"));
    db.exec(QStringLiteral("INSERT INTO sztorno_voids (zBszam, zIdo, zGep, zFelhasznalo, zOk) SELECT seq, NOW(), "
                           "'bench', 'bench', 'sztornó' FROM seq_1_to_%1 WHERE seq % %2 = %3")
                    .arg(tickets)
                    .arg(every)
                    .arg((tickets / 2) % every));
    db.exec(QStringLiteral("ANALYZE TABLE sztorno_voids"));
    const qint64 voided = db.count(QStringLiteral("sztorno_voids"));
    out << "voided " << voided << " tickets (" << 100.0 * voided / tickets << " %)\n";
    out.flush();
    auto voids = [&](bool on) {
        db.exec(on ? QStringLiteral("RENAME TABLE sztorno TO sztorno_empty, sztorno_voids TO sztorno")
                   : QStringLiteral("RENAME TABLE sztorno TO sztorno_voids, sztorno_empty TO sztorno"));
    };
    auto best = [](Figures& a, const Figures& b) {
        a.open = qMin(a.open, b.open);
        for (int i = 0; i < a.searches.size(); ++i)
            a.searches[i] = qMin(a.searches[i], b.searches[i]);
        for (int i = 0; i < a.stockApp.size(); ++i) {
            a.stockApp[i] = qMin(a.stockApp[i], b.stockApp[i]);
            a.stockServer[i] = qMin(a.stockServer[i], b.stockServer[i]);
            a.stockPlain[i] = qMin(a.stockPlain[i], b.stockPlain[i]);
        }
    };
    Figures without = measureSite(db, ctx, numbers, plate, dayText);
    voids(true);
    Figures with = measureSite(db, ctx, numbers, plate, dayText);
    for (int round = 1; round < 3; ++round) {
        voids(false);
        best(without, measureSite(db, ctx, numbers, plate, dayText));
        voids(true);
        best(with, measureSite(db, ctx, numbers, plate, dayText));
    }

    bool browserMet = with.open <= 1.1 * without.open;
    report(QStringLiteral("browser open + detail, voided (best of 3 rounds of 5)"), with.open,
            QStringLiteral("no voids"), without.open);
    const QStringList searchNames = {QStringLiteral("ticket %1 (voided)").arg(numbers[0]),
            QStringLiteral("ticket %1").arg(middle), QStringLiteral("plate %1 on %2").arg(plate, dayText),
            QStringLiteral("plate %1").arg(plate), QStringLiteral("day %1").arg(dayText)};
    for (int i = 0; i < with.searches.size(); ++i) {
        report(QStringLiteral("search by %1, voided (best of 3 rounds of 5)").arg(searchNames.value(i)),
                with.searches[i], QStringLiteral("no voids"), without.searches[i]);
        browserMet = browserMet && with.searches[i] <= 1.1 * without.searches[i];
    }
    out << "goal: browser ratios <= 1.1: " << (browserMet ? "met" : "NOT met") << "\n";

    const char* names[] = {"Terményenként", "Erről a napról:", "Személyenként", "Raktáranként"};
    bool stockMet = true;
    for (int g = 0; g < 4; ++g)
        for (int k = 0; k < 2; ++k) {
            const int i = 2 * g + k;
            const QString name = QStringLiteral("stock %1 \"%2\", voided (best of 3 rounds of 2)")
                                         .arg(k == 0 ? QStringLiteral("totals") : QStringLiteral("items"),
                                                 QString::fromUtf8(names[g]));
            report(name, with.stockApp[i], QStringLiteral("server"), with.stockServer[i]);
            report(name, with.stockApp[i], QStringLiteral("program without voids"), without.stockApp[i]);
            report(name, with.stockApp[i], QStringLiteral("server, statements without the void condition"),
                    with.stockPlain[i]);
            stockMet = stockMet && with.stockApp[i] <= 1.2 * with.stockServer[i];
        }
    out << "goal: stock ratios against the server <= 1.2: " << (stockMet ? "met" : "NOT met") << "\n";
    out.flush();
    return 0;
}
