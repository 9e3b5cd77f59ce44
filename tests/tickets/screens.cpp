// Shows the ticket browser and the stock window on a small site, one after
// the other, for a look at them (run under xvfb-run and take screenshots):
//   tickets_screens [seconds per window, default 4]
#include "ticketfixture.h"

#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"
#include "tickets/stockchart.h"
#include "tickets/stockreport.h"
#include "tickets/stockwindow.h"
#include "tickets/ticketbrowserwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>

using namespace TicketFixture;

namespace {
void hold(int seconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}
}   // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 4;
    TestApp site;
    registers(site.db);
    for (int n = 1; n <= 40; ++n) {
        Ticket t;
        t.number = QString::number(n);
        t.date = QStringLiteral("2024-03-%1").arg(1 + n % 9, 2, 10, QLatin1Char('0'));
        if (n % 3 == 0) {
            t.crop2 = QStringLiteral("2");
            t.store2 = QStringLiteral("2");
            t.in2 = 15000 + n * 10;
            t.out2 = 5000;
            t.netIn2 = 9500.5;
        }
        if (n % 7 == 0) {
            t.movement = QStringLiteral("K");
            t.in1 = 8000;
            t.out1 = 21000 + n;
            t.netIn1 = 0;
            t.netOut1 = 13000 + n;
        }
        t.producer = QString::number(1 + n % 2);
        t.plate = QString::number(1 + n % 2);
        add(site.db, t);
    }
    summary(site.db, QStringLiteral("90000001"), QStringLiteral("1"), QStringLiteral("1"), 250000, 12000,
            QStringLiteral("2023-12-31"));
    {
        TicketBrowserWindow w(site.ctx);
        w.show();
        hold(seconds);
        w.grab().save(QStringLiteral("/tmp/tickets_browser_grab.png"));
    }
    {
        StockWindow w(site.ctx);
        w.show();
        hold(seconds);
        w.grab().save(QStringLiteral("/tmp/tickets_stock_grab.png"));
        w.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->tabBar()->setCurrentIndex(1);
        hold(seconds);
        w.grab().save(QStringLiteral("/tmp/tickets_stock_items_grab.png"));
    }
    {
        // The stock chart of the warehouse grouping, painted as the preview shows it.
        StockReport ops(site.ctx);
        ops.computeTotals(StockGrouping::Warehouse, QDate::currentDate());
        const ReportLayout chart = stockChartLayout(
                stockBars(site.data.ZQ20, StockGrouping::Warehouse), QStringLiteral("Készlet raktáranként"));
        QImage page(1188, 840, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        ReportPainter::paintPage(painter, chart.pages.first(), 4.0);
        painter.end();
        page.save(QStringLiteral("/tmp/tickets_chart.png"));
    }
    return 0;
}
