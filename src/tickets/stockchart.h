#pragma once
#include "reports/reportlayout.h"
#include "tickets/stockreport.h"

#include <QList>
#include <QString>

struct AppContext;
class Query;

// The stock chart: per group of the totals list, a bar of what was stored
// in, what was shipped out and the stock, drawn as a report layout so that
// the preview prints it or saves it as PDF.
struct StockBar {
    QString label;
    double storedIn = 0;
    double shippedOut = 0;
    double stock = 0;
};

// The groups of the totals list (ZQ20) as it stands.
QList<StockBar> stockBars(const Query& totals, StockGrouping g);
// A4 landscape pages, twelve groups to a page.
ReportLayout stockChartLayout(const QList<StockBar>& bars, const QString& title);
// Builds the chart of the current totals and shows it in the preview.
bool showStockChart(AppContext& ctx, StockGrouping g);
