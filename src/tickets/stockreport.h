#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

#include "tickets/ticketdocument.h"

struct AppContext;
class Query;

// The groupings of the stock window, in the order of its radio buttons.
enum class StockGrouping { Crop, Day, Producer, Warehouse };

// The four stock figures of a set of ticket rows: the ticket sums and the stock.
struct StockFigures : TicketSums {
    // Whole kilograms with digit grouping, as the window shows them.
    static QString text(double v);
};

// The stock figures of the stock window: totals (ZQ23 sums, ZQ20 list) and
// itemised figures (ZQ22 sums, ZQ21 list) per grouping.
class StockReport {
public:
    explicit StockReport(AppContext& ctx);

    static QString totalsSumsSql(StockGrouping g);
    static QString totalsListSql(StockGrouping g);
    static QString itemSumsSql(StockGrouping g);
    static QString itemListSql(StockGrouping g);
    // The code columns of the totals list that the grouping does not define
    // (the statement selects them beside the sums, and a group's line
    // carries the codes of one arbitrary ticket row of it): the window hides
    // them. "Terményenként" and the day: jOkod and jKkod; "Személyenként":
    // jKkod; "Raktáranként": jOkod.
    static QStringList undefinedTotalsColumns(StockGrouping g);
    // The key column of the totals line that the itemised figures read.
    static QString keyColumn(StockGrouping g);
    // The template of "Nyomtat" for the grouping and the tab showing.
    static QString templateName(StockGrouping g, bool itemised);

    // ZQ23 and ZQ20 for the grouping (`day` for the day grouping).
    StockFigures computeTotals(StockGrouping g, const QDate& day);
    // ZQ22 and ZQ21 for the current line of ZQ20.
    StockFigures computeItems(StockGrouping g, const QDate& day);
    // "Nyomtat": the lists and sums as they stand. True when shown.
    bool print(StockGrouping g, bool itemised, const QDate& day);

private:
    AppContext& m_ctx;
};
