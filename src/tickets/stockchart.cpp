#include "stockchart.h"

#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/textconv.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"

#include <QDate>
#include <cmath>

namespace {

constexpr int kPerPage = 12;
constexpr double kLeft = 30, kRight = 282, kTop = 30, kBottom = 170;   // plot area, mm

LayoutItem text(
        const QRectF& box, const QString& t, double size = 8, Qt::Alignment align = Qt::AlignCenter, bool bold = false)
{
    LayoutItem it;
    it.kind = LayoutItem::Text;
    it.box = box;
    it.text = t;
    it.fontSize = size;
    it.align = align;
    it.bold = bold;
    it.wrap = true;
    return it;
}
LayoutItem line(double x1, double y1, double x2, double y2, double width = 0.2)
{
    LayoutItem it;
    it.kind = LayoutItem::Line;
    it.box = QRectF(QPointF(x1, y1), QPointF(x2, y2));
    it.lineWidth = width;
    return it;
}
// A bar: its outline, filled with vertical strokes `step` mm apart (0: empty).
void bar(LayoutPage& p, double x, double w, double y0, double y1, double step)
{
    const double top = qMin(y0, y1), bottom = qMax(y0, y1);
    if (bottom - top < 0.05)
        return;
    LayoutItem r;
    r.kind = LayoutItem::Rect;
    r.box = QRectF(x, top, w, bottom - top);
    p.items << r;
    if (step > 0)
        for (double s = x + step; s < x + w - 0.05; s += step)
            p.items << line(s, top, s, bottom, 0.3);
}
// A round step of the value axis for the largest value.
double axisStep(double max)
{
    if (max <= 0)
        return 1;
    const double raw = max / 5;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * mag)
            return m * mag;
    return 10 * mag;
}

}   // namespace

QList<StockBar> stockBars(const Query& totals, StockGrouping g)
{
    QList<StockBar> out;
    if (!totals.isOpen())
        return out;
    auto col = [&](const char* name) { return totals.columnIndex(QLatin1String(name)); };
    const int crop = col("tmegnev"), producer = col("oNev"), store = col("kNev");
    const int in = col("Betarolt"), outCol = col("Kiszallitva"), stock = col("Keszlet");
    for (int r = 0; r < totals.rowCount(); ++r) {
        StockBar b;
        QString label = crop >= 0 ? TextConv::toText(totals.valueAt(r, crop)) : QString();
        if (g == StockGrouping::Producer && producer >= 0)
            label = TextConv::toText(totals.valueAt(r, producer)) + QStringLiteral(" / ") + label;
        if (g == StockGrouping::Warehouse && store >= 0)
            label = TextConv::toText(totals.valueAt(r, store)) + QStringLiteral(" / ") + label;
        b.label = label;
        b.storedIn = in >= 0 ? totals.valueAt(r, in).toDouble() : 0;
        b.shippedOut = outCol >= 0 ? totals.valueAt(r, outCol).toDouble() : 0;
        b.stock = stock >= 0 ? totals.valueAt(r, stock).toDouble() : b.storedIn - b.shippedOut;
        out << b;
    }
    return out;
}

ReportLayout stockChartLayout(const QList<StockBar>& bars, const QString& title)
{
    ReportLayout layout;
    layout.templateName = QStringLiteral("keszlet_grafikon");
    layout.title = title;
    double max = 0, min = 0;
    for (const StockBar& b : bars)
        for (double v : {b.storedIn, b.shippedOut, b.stock}) {
            max = qMax(max, v);
            min = qMin(min, v);
        }
    const double step = axisStep(qMax(max, -min));
    const double top = std::ceil(max / step) * step, bottom = std::floor(min / step) * step;
    const double span = qMax(step, top - bottom);
    auto y = [&](double v) { return kBottom - (v - bottom) / span * (kBottom - kTop); };
    const int pages = qMax(1, int((bars.size() + kPerPage - 1) / kPerPage));
    for (int pg = 0; pg < pages; ++pg) {
        LayoutPage p;
        p.size = QSizeF(297, 210);
        p.orientation = QPageLayout::Landscape;
        p.items << text(QRectF(15, 10, 267, 8), title, 12, Qt::AlignCenter, true);
        p.items << text(QRectF(200, 18, 82, 5),
                QStringLiteral("Készült: %1   %2. oldal").arg(TextConv::date(QDate::currentDate())).arg(pg + 1), 8,
                Qt::AlignRight | Qt::AlignVCenter);
        // Legend.
        const QStringList names = {
                QStringLiteral("Betárolt (kg)"), QStringLiteral("Kiszállított (kg)"), QStringLiteral("Készlet (kg)")};
        const double fills[] = {0, 1.5, 0.5};
        for (int s = 0; s < 3; ++s) {
            bar(p, 30 + s * 60, 8, 19, 23, fills[s]);
            p.items << text(QRectF(40 + s * 60, 18.5, 45, 5), names[s], 8, Qt::AlignLeft | Qt::AlignVCenter);
        }
        // Value axis with its grid values.
        p.items << line(kLeft, kTop, kLeft, kBottom);
        for (double v = bottom; v <= top + step / 2; v += step) {
            p.items << line(kLeft - 1.5, y(v), kLeft, y(v));
            p.items << text(
                    QRectF(2, y(v) - 2.5, kLeft - 4, 5), TextConv::groupedKg(v), 7, Qt::AlignRight | Qt::AlignVCenter);
        }
        p.items << line(kLeft, y(0), kRight, y(0), 0.3);
        const int first = pg * kPerPage;
        const int count = int(qMin<qsizetype>(kPerPage, bars.size() - first));
        if (bars.isEmpty())
            p.items << text(
                    QRectF(kLeft, (kTop + kBottom) / 2 - 5, kRight - kLeft, 10), QStringLiteral("Nincs adat."), 10);
        const double slot = (kRight - kLeft) / kPerPage;
        for (int i = 0; i < count; ++i) {
            const StockBar& b = bars[first + i];
            const double x = kLeft + i * slot + slot * 0.1;
            const double w = slot * 0.8 / 3;
            const double values[] = {b.storedIn, b.shippedOut, b.stock};
            for (int s = 0; s < 3; ++s)
                bar(p, x + s * w, w, y(0), y(values[s]), fills[s]);
            p.items << text(QRectF(kLeft + i * slot, kBottom + 2, slot, 12), b.label, 7);
            p.items << text(QRectF(kLeft + i * slot, kBottom + 14, slot, 5), TextConv::groupedKg(b.stock), 7,
                    Qt::AlignCenter, true);
        }
        layout.pages << p;
    }
    return layout;
}

bool showStockChart(AppContext& ctx, StockGrouping g)
{
    if (!ctx.report || !ctx.report->preview())
        return false;
    static const char* const titles[] = {
            "Készlet terményenként", "Készlet a napon terményenként", "Készlet személyenként", "Készlet raktáranként"};
    const ReportLayout layout = stockChartLayout(stockBars(ctx.data.ZQ20, g), QString::fromUtf8(titles[int(g)]));
    ctx.report->preview()->show(layout, QStringLiteral("keszlet_grafikon.pdf"));
    return true;
}
