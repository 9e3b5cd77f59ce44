#include "stockreport.h"

#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/textconv.h"
#include "reports/reportoutput.h"
#include "tickets/ticketvoid.h"

#include <cmath>

namespace {

const QString kFigures = QStringLiteral(
        "SUM(ABS(jBemeres - jKimeres)) AS Netto, SUM(jNettoBe) AS Betarolt, SUM(jNettoKi) AS Kiszallitva, "
        "SUM(jNettoBe - jNettoKi) AS Keszlet, jTkod,jOkod, jKkod");
const QString kItemFigures = QStringLiteral(
        "SUM(ABS(jBemeres - jKimeres)) AS Netto, SUM(jNettoBe) AS Be, SUM(jNettoKi) AS Ki, SUM(jNettoBe - jNettoKi) AS Keszlet");
const QString kItemColumns
        = QStringLiteral(", jMozgas, jBszam, jDatum, jBeido, jKiido, jBemeres, jKimeres, jTiszt, jViztart");
const QString kCropJoin = QStringLiteral(" FROM vello JOIN termeny ON termeny.tKod = vello.jTkod");
const QString kProducerJoin = QStringLiteral(" JOIN termelo ON termelo.OKod = vello.jOkod");
const QString kWarehouseJoin = QStringLiteral(" JOIN raktar ON raktar.kKod = vello.jKkod");

// Every figure leaves voided tickets out: their rows stay in vello, their
// place is taken by the ticket issued instead (if any).
const QString kLive = QStringLiteral(" AND ") + TicketVoid::notVoided();
const QString kWithCrop = QStringLiteral(" WHERE jTkod <> \"\"") + kLive;
const QString kOfDay = QStringLiteral(" WHERE ( jTkod <> \"\" ) AND ( jDatum = :p0 )") + kLive;

}   // namespace

QString StockFigures::text(double v)
{
    // Ten significant digits, then whole kilograms.
    const double r = std::isfinite(v) ? QString::number(v, 'g', 10).toDouble() : 0.0;
    return TextConv::groupedKg(r);
}

StockReport::StockReport(AppContext& ctx) : m_ctx(ctx)
{
}

QStringList StockReport::undefinedTotalsColumns(StockGrouping g)
{
    switch (g) {
    case StockGrouping::Producer:
        return {QStringLiteral("jKkod")};
    case StockGrouping::Warehouse:
        return {QStringLiteral("jOkod")};
    case StockGrouping::Crop:
    case StockGrouping::Day:
        break;
    }
    return {QStringLiteral("jOkod"), QStringLiteral("jKkod")};
}

QString StockReport::totalsSumsSql(StockGrouping g)
{
    return TicketDocument::sumsSql(g == StockGrouping::Day ? kOfDay : kWithCrop);
}

QString StockReport::totalsListSql(StockGrouping g)
{
    switch (g) {
    case StockGrouping::Crop:
        return QStringLiteral("SELECT tmegnev, ") + kFigures + kCropJoin + kWithCrop
                + QStringLiteral(" GROUP BY jTkod");
    case StockGrouping::Day:
        return QStringLiteral("SELECT tmegnev, jDatum, ") + kFigures + kCropJoin + kOfDay
                + QStringLiteral(" GROUP BY jTkod");
    case StockGrouping::Producer:
        return QStringLiteral("SELECT oNev, tmegnev, ") + kFigures + QStringLiteral(", oNev, tMegnev") + kCropJoin
                + kProducerJoin + kWithCrop + QStringLiteral(" GROUP BY jOkod, jTkod ORDER BY oNev, tMegnev");
    case StockGrouping::Warehouse:
        return QStringLiteral("SELECT kNev, tmegnev, ") + kFigures + QStringLiteral(", kNev, tMegnev") + kCropJoin
                + kWarehouseJoin + kWithCrop + QStringLiteral(" GROUP BY jKkod, jTkod ORDER BY kNev, tMegnev");
    }
    return QString();
}

QString StockReport::itemSumsSql(StockGrouping g)
{
    switch (g) {
    case StockGrouping::Crop:
        return TicketDocument::sumsSql(QStringLiteral(" WHERE jTkod = :p1") + kLive);
    case StockGrouping::Day:
        return TicketDocument::sumsSql(QStringLiteral(" WHERE ( jTkod = :p1 ) AND ( jDatum = :p0 )") + kLive);
    case StockGrouping::Producer:
        return TicketDocument::sumsSql(QStringLiteral(" WHERE jOkod = :p1") + kLive);
    case StockGrouping::Warehouse:
        return TicketDocument::sumsSql(QStringLiteral(" WHERE jKkod = :p1") + kLive);
    }
    return QString();
}

QString StockReport::itemListSql(StockGrouping g)
{
    const QString tail = QStringLiteral(" GROUP BY IDj");
    switch (g) {
    case StockGrouping::Crop:
        return QStringLiteral("SELECT tmegnev, ") + kItemFigures + kItemColumns + kCropJoin
                + QStringLiteral(" WHERE jTkod = :p1") + kLive + tail;
    case StockGrouping::Day:
        return QStringLiteral("SELECT tmegnev, ") + kItemFigures + kItemColumns + kCropJoin
                + QStringLiteral(" WHERE ( jTkod = :p1 ) AND ( jDatum = :p0 )") + kLive + tail;
    case StockGrouping::Producer:
        return QStringLiteral("SELECT oNev, tmegnev, ") + kItemFigures + kItemColumns + kCropJoin + kProducerJoin
                + QStringLiteral(" WHERE ( jTkod <> \"\" ) AND ( jOkod = :p1 )") + kLive + tail;
    case StockGrouping::Warehouse:
        return QStringLiteral("SELECT kNev, tmegnev, ") + kItemFigures + QStringLiteral(", jBszam") + kCropJoin
                + kWarehouseJoin + QStringLiteral(" WHERE ( jTkod <> \"\" ) AND ( jKkod = :p1 )") + kLive + tail;
    }
    return QString();
}

QString StockReport::keyColumn(StockGrouping g)
{
    switch (g) {
    case StockGrouping::Producer:
        return QStringLiteral("jOkod");
    case StockGrouping::Warehouse:
        return QStringLiteral("jKkod");
    default:
        return QStringLiteral("jTkod");
    }
}

QString StockReport::templateName(StockGrouping g, bool itemised)
{
    static const char* const names[] = {"termeny", "datum", "nev", "raktar"};
    return QStringLiteral("keszlet_%1%2.frf")
            .arg(itemised ? QStringLiteral("t_") : QString(), QLatin1String(names[int(g)]));
}

namespace {
StockFigures read(const Query& sums)
{
    StockFigures f;
    static_cast<TicketSums&>(f) = TicketDocument::readSums(sums);
    return f;
}
}   // namespace

StockFigures StockReport::computeTotals(StockGrouping g, const QDate& day)
{
    Query::Binds binds;
    if (g == StockGrouping::Day)
        binds.append({QStringLiteral("p0"), day});
    m_ctx.data.ZQ23.openSql(totalsSumsSql(g), binds);
    const StockFigures f = read(m_ctx.data.ZQ23);
    m_ctx.data.ZQ20.openSql(totalsListSql(g), binds);
    return f;
}

StockFigures StockReport::computeItems(StockGrouping g, const QDate& day)
{
    const Query& totals = m_ctx.data.ZQ20;
    const QString key = totals.isOpen() && totals.currentRow() >= 0 ? totals.text(keyColumn(g)) : QString();
    Query::Binds binds {{QStringLiteral("p1"), key}};
    if (g == StockGrouping::Day)
        binds.append({QStringLiteral("p0"), day});
    m_ctx.data.ZQ22.openSql(itemSumsSql(g), binds);
    const StockFigures f = read(m_ctx.data.ZQ22);
    m_ctx.data.ZQ21.openSql(itemListSql(g), binds);
    return f;
}

bool StockReport::print(StockGrouping g, bool itemised, const QDate& day)
{
    if (!m_ctx.report)
        return false;
    if (g == StockGrouping::Day)
        m_ctx.report->setVariable(QStringLiteral("v_datum"), TextConv::date(day));
    return m_ctx.report->output(templateName(g, itemised), QPageLayout::Portrait);
}
