#include "ticketdocument.h"

#include "alibi/alibilog.h"
#include "context/prompt.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/textconv.h"
#include "reports/reportoutput.h"
#include "tickets/stockreport.h"

#include <QtGlobal>
#include <cmath>

namespace TicketDocument {

double weighedDifference(const TicketWeights& w)
{
    return qAbs((w.in1 + w.in2) - (w.out1 + w.out2));
}

QString movementText(std::optional<Movement> movement)
{
    return movement == Movement::Delivery ? QStringLiteral("BE") : QStringLiteral("KI");
}

QString mark(double weight, double scale, bool registerTare)
{
    if (registerTare)
        return QStringLiteral("törzs tára");
    if (weight != 0 && scale == 0)
        return QStringLiteral("kézi");
    return QString();
}

Marks marks(const TicketWeights& w)
{
    const bool tareIn = w.single && w.movement == Movement::Dispatch;
    const bool tareOut = w.single && w.movement == Movement::Delivery;
    Marks m;
    m.in1 = mark(w.in1, w.scaleIn1, tareIn);
    m.in2 = mark(w.in2, w.scaleIn2, false);
    m.out1 = mark(w.out1, w.scaleOut1, tareOut);
    m.out2 = mark(w.out2, w.scaleOut2, false);
    return m;
}

QVariantMap ticketVariables(const QString& ticketNumber, const TicketWeights& w)
{
    const Marks m = marks(w);
    return {{QStringLiteral("v_bszam"), ticketNumber}, {QStringLiteral("v_m1"), weighedDifference(w)},
            {QStringLiteral("v_mozgas"), movementText(w.movement)}, {QStringLiteral("v_jel_be1"), m.in1},
            {QStringLiteral("v_jel_be2"), m.in2}, {QStringLiteral("v_jel_ki1"), m.out1},
            {QStringLiteral("v_jel_ki2"), m.out2}};
}

QVariantMap copyVariables(const QString& ticketNumber, const TicketWeights& w)
{
    return {{QStringLiteral("v_bszam"), ticketNumber}, {QStringLiteral("v_Bemeres2"), w.in2},
            {QStringLiteral("v_Kimeres2"), w.out2}, {QStringLiteral("v_m1"), weighedDifference(w)},
            {QStringLiteral("v_mozgas"), movementText(w.movement)}};
}

namespace {
    const QString AlibiUnreadableMessage
            = QStringLiteral("Az alibi napló nem olvasható: a mérlegjegyre nem kerülnek rá a súlyok napló-sorszámai!");
}   // namespace

AlibiNumbers alibiNumbers(DataModule& dm, const QString& ticketNumber, const TicketWeights& w)
{
    AlibiNumbers n;
    // Later links of a measurement replace earlier ones.
    for (const AlibiLog::Link& l : AlibiLog(dm).linksOfTicket(ticketNumber)) {
        const bool in = l.direction == Direction::In;
        QString* cell = l.slot == 1 ? (in ? &n.in1 : &n.out1) : l.slot == 2 ? (in ? &n.in2 : &n.out2) : nullptr;
        if (cell)
            *cell = QStringLiteral("alibi %1").arg(l.number);
    }
    // A weight of 0 was never weighed: no number beside it.
    const std::pair<QString*, double> cells[]
            = {{&n.in1, w.in1}, {&n.in2, w.in2}, {&n.out1, w.out1}, {&n.out2, w.out2}};
    for (const auto& [cell, weight] : cells)
        if (weight == 0)
            cell->clear();
    // The ticket's own entry, which its figures were recorded in.
    if (const std::optional<AlibiLog::TicketEntry> e = AlibiLog(dm).ticketEntry(ticketNumber)) {
        n.ticketEntry = QStringLiteral("alibi %1").arg(e->number);
        n.chainPrefix = e->chainPrefix();
    }
    return n;
}

QVariantMap alibiVariables(DataModule& dm, const QString& ticketNumber, const TicketWeights& w, bool* unreadable)
{
    AlibiNumbers n;
    try {
        n = alibiNumbers(dm, ticketNumber, w);
    } catch (const DbError&) {
        if (unreadable)
            *unreadable = true;
    }
    return {{QStringLiteral("v_alibi_be1"), n.in1}, {QStringLiteral("v_alibi_be2"), n.in2},
            {QStringLiteral("v_alibi_ki1"), n.out1}, {QStringLiteral("v_alibi_ki2"), n.out2},
            {QStringLiteral("v_alibi_jegy"), n.ticketEntry}, {QStringLiteral("v_alibi_lanc"), n.chainPrefix}};
}

QVariantMap documentVariables(
        DataModule& dm, Query& rows, const QString& ticketNumber, bool copy, bool* alibiUnreadable)
{
    // The rows are read before the alibi log's statements run: a statement
    // that reconnects leaves no result behind to read.
    const TicketWeights w = fromRows(rows);
    QVariantMap vars = copy ? copyVariables(ticketNumber, w) : ticketVariables(ticketNumber, w);
    vars.insert(settlementVariables(settlement(rows)));
    vars.insert(alibiVariables(dm, ticketNumber, w, alibiUnreadable));
    return vars;
}

void setDocumentVariables(
        ReportOutput& r, DataModule& dm, Prompt& prompt, Query& rows, const QString& ticketNumber, bool copy)
{
    bool unreadable = false;
    const QVariantMap vars = documentVariables(dm, rows, ticketNumber, copy, &unreadable);
    if (unreadable)
        prompt.message(AlibiUnreadableMessage);
    for (auto it = vars.begin(); it != vars.end(); ++it)
        r.setVariable(it.key(), it.value());
}

QString rowsSql(bool consignee)
{
    // r1 is the ticket's first row (measurement 1), r2 the other one.
    return QStringLiteral(
            "SELECT a.*, :p0 AS IDm, r1.jMbszam AS mBszam, r1.jMozgas AS mMozgas, r1.jPot AS mPot, "
            "r1.jEgymeres AS mEgymeres, r1.jDatum AS mDatum, r1.jBeido AS mBeido, r1.jKiido AS mKiido, "
            "r1.jRkod AS mRkod, r1.jBemerleg AS mBemerleg1, r1.jBemeres AS mBemeres1, "
            "COALESCE(r2.jBemerleg, 0) AS mBemerleg2, COALESCE(r2.jBemeres, 0) AS mBemeres2, "
            "r1.jKimerleg AS mKimerleg1, r1.jKimeres AS mKimeres1, COALESCE(r2.jKimerleg, 0) AS mKimerleg2, "
            "COALESCE(r2.jKimeres, 0) AS mKimeres2, r1.jTkod AS mTkod1, COALESCE(r2.jTkod, '') AS mTkod2, "
            "r1.jKkod AS mKkod1, COALESCE(r2.jKkod, '') AS mKkod2, r1.jOkod AS mOkod, r1.jAkod AS mAkod, "
            "r1.jMegj AS mMegj, r1.jTiszt AS mTiszt, r1.jViztart AS mViztart, "
            "r1.jBemeres + COALESCE(r2.jBemeres, 0) AS mNetto1, r1.jKimeres + COALESCE(r2.jKimeres, 0) AS mNetto2, "
            "rendszam.*, termelo.*, termeny.*, raktar.* FROM vello a "
            "JOIN vello r1 ON r1.IDj = (SELECT MIN(f.IDj) FROM vello f WHERE f.jBszam = :p1) "
            "LEFT JOIN vello r2 ON r2.jBszam = :p1 AND r2.IDj > r1.IDj "
            "JOIN rendszam ON rendszam.rKod = a.jRkod JOIN termelo ON termelo.oKod = %1 "
            "JOIN termeny ON termeny.tKod = a.jTkod JOIN raktar ON raktar.kKod = a.jKkod "
            "WHERE a.jBszam = :p1 ORDER BY a.IDj")
            .arg(consignee ? QStringLiteral(":p2") : QStringLiteral("a.jOkod"));
}

void openRows(Query& rows, const QString& ticketNumber, qint64 weighingId, const std::optional<QString>& consignee)
{
    Query::Binds binds {{QStringLiteral("p0"), weighingId}, {QStringLiteral("p1"), ticketNumber}};
    if (consignee)
        binds.append({QStringLiteral("p2"), Query::notNull(*consignee)});
    rows.openSql(rowsSql(consignee.has_value()), binds);
}

TicketWeights fromRows(Query& rows)
{
    TicketWeights w;
    if (rows.rowCount() <= 0)
        return w;
    rows.first();
    const auto number = [&rows](const char* column) { return rows.value(QLatin1String(column)).toDouble(); };
    w.movement = Passes::movementOf(rows.text(QStringLiteral("mMozgas")));
    w.single = rows.text(QStringLiteral("mEgymeres")) == QLatin1String("I");
    w.in1 = number("mBemeres1");
    w.out1 = number("mKimeres1");
    w.scaleIn1 = number("mBemerleg1");
    w.scaleOut1 = number("mKimerleg1");
    w.in2 = number("mBemeres2");
    w.out2 = number("mKimeres2");
    w.scaleIn2 = number("mBemerleg2");
    w.scaleOut2 = number("mKimerleg2");
    return w;
}

double deductionPoints(double shortfall)
{
    return qMax(0.0, shortfall);
}

double purityDeduction(double weighed, double standardPurity, double purity)
{
    return weighed * deductionPoints(standardPurity - purity) / 100;
}

double moistureDeduction(double weighed, double standardMoisture, double moisture)
{
    return weighed * deductionPoints(moisture - standardMoisture) / 100;
}

double Settlement::settled() const
{
    double sum = 0;
    for (const PassSettlement& p : passes)
        sum += p.settled;
    return sum;
}

Settlement settlement(Query& rows)
{
    Settlement s;
    if (rows.rowCount() <= 0)
        return s;
    rows.first();
    if (Passes::movementOf(rows.text(QStringLiteral("jMozgas"))) != Movement::Delivery)
        return s;
    for (int i = 0; i < rows.rowCount(); ++i) {
        rows.moveTo(i);
        const auto number = [&rows](const char* column) { return rows.value(QLatin1String(column)).toDouble(); };
        PassSettlement p;
        p.weighed = number("jBemeres") - number("jKimeres");
        if (i > 0 && number("jBemeres") == 0 && number("jKimeres") == 0)
            continue;   // a second row that was not weighed
        p.crop = rows.text(QStringLiteral("tMegnev"));
        p.purity = number("jTiszt");
        p.moisture = number("jViztart");
        p.standardPurity = number("tSztiszt");
        p.standardMoisture = number("tSzviztart");
        p.purityKg = purityDeduction(p.weighed, p.standardPurity, p.purity);
        p.moistureKg = moistureDeduction(p.weighed, p.standardMoisture, p.moisture);
        p.settled = number("jNettoBe");
        s.passes.append(p);
    }
    rows.first();
    return s;
}

namespace {
    const QString PassLine = QStringLiteral(
            "%1: tisztaság %2 % (szabvány %3 %), levonás %4 kg; víz %5 % (szabvány %6 %), levonás %7 kg");
    const QString SettledLine = QStringLiteral("Elszámolt nettó: %1 kg");
    const QString TotalLine = QStringLiteral("Elszámolt nettó összesen: %1 kg");
}   // namespace

QVariantMap settlementVariables(const Settlement& s)
{
    QVariantMap vars;
    for (int i = 0; i < 2; ++i) {
        QString line, settled;
        if (i < s.passes.size()) {
            const PassSettlement& p = s.passes[i];
            line = PassLine.arg(p.crop, TextConv::number(p.purity), TextConv::number(p.standardPurity),
                    TextConv::grouped(p.purityKg), TextConv::number(p.moisture), TextConv::number(p.standardMoisture),
                    TextConv::grouped(p.moistureKg));
            settled = SettledLine.arg(StockFigures::text(p.settled));
        }
        vars.insert(QStringLiteral("v_elsz_sor%1").arg(i + 1), line);
        vars.insert(QStringLiteral("v_elsz_netto%1").arg(i + 1), settled);
    }
    vars.insert(QStringLiteral("v_elsz_ossz"),
            s.passes.size() > 1 ? TotalLine.arg(StockFigures::text(s.settled())) : QString());
    vars.insert(QStringLiteral("v_elszamolt"), std::round(QString::number(s.settled(), 'g', 10).toDouble()));
    return vars;
}

QString sumsSql(const QString& where)
{
    return QStringLiteral("SELECT SUM(ABS(jBemeres - jKimeres)) AS sum_meres, SUM(jNettoBe) AS sum_betarolt, "
                          "SUM(jNettoKi) AS sum_kiszall FROM vello")
            + where;
}

TicketSums readSums(const Query& sums)
{
    TicketSums s;
    if (sums.currentRow() < 0)
        return s;
    // A sum over no rows has no value: it reads as 0.
    s.weighed = sums.value(QStringLiteral("sum_meres")).toDouble();
    s.storedIn = sums.value(QStringLiteral("sum_betarolt")).toDouble();
    s.shippedOut = sums.value(QStringLiteral("sum_kiszall")).toDouble();
    return s;
}

}   // namespace TicketDocument
