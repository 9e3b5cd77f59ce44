#include "ticketdocument.h"

#include "alibi/alibilog.h"
#include "context/prompt.h"
#include "data/dberror.h"
#include "data/query.h"
#include "reports/reportoutput.h"

#include <QtGlobal>

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

void setTicketVariables(ReportOutput& r, const QString& ticketNumber, const TicketWeights& w)
{
    r.setVariable(QStringLiteral("v_bszam"), ticketNumber);
    r.setVariable(QStringLiteral("v_m1"), weighedDifference(w));
    r.setVariable(QStringLiteral("v_mozgas"), movementText(w.movement));
    const Marks m = marks(w);
    r.setVariable(QStringLiteral("v_jel_be1"), m.in1);
    r.setVariable(QStringLiteral("v_jel_be2"), m.in2);
    r.setVariable(QStringLiteral("v_jel_ki1"), m.out1);
    r.setVariable(QStringLiteral("v_jel_ki2"), m.out2);
}

void setCopyVariables(ReportOutput& r, const QString& ticketNumber, const TicketWeights& w)
{
    r.setVariable(QStringLiteral("v_bszam"), ticketNumber);
    r.setVariable(QStringLiteral("v_Bemeres2"), w.in2);
    r.setVariable(QStringLiteral("v_Kimeres2"), w.out2);
    r.setVariable(QStringLiteral("v_m1"), weighedDifference(w));
    r.setVariable(QStringLiteral("v_mozgas"), movementText(w.movement));
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

void setAlibiVariables(
        ReportOutput& r, DataModule& dm, Prompt& prompt, const QString& ticketNumber, const TicketWeights& w)
{
    AlibiNumbers n;
    try {
        n = alibiNumbers(dm, ticketNumber, w);
    } catch (const DbError&) {
        prompt.message(AlibiUnreadableMessage);
    }
    r.setVariable(QStringLiteral("v_alibi_be1"), n.in1);
    r.setVariable(QStringLiteral("v_alibi_be2"), n.in2);
    r.setVariable(QStringLiteral("v_alibi_ki1"), n.out1);
    r.setVariable(QStringLiteral("v_alibi_ki2"), n.out2);
    r.setVariable(QStringLiteral("v_alibi_jegy"), n.ticketEntry);
    r.setVariable(QStringLiteral("v_alibi_lanc"), n.chainPrefix);
}

TicketWeights fromRows(Query& rows)
{
    TicketWeights w;
    if (rows.rowCount() <= 0)
        return w;
    rows.moveTo(0);
    w.movement = Passes::movementOf(rows.text(QStringLiteral("jMozgas")));
    w.single = rows.text(QStringLiteral("jEgymeres")) == QLatin1String("I");
    w.in1 = rows.value(QStringLiteral("jBemeres")).toDouble();
    w.out1 = rows.value(QStringLiteral("jKimeres")).toDouble();
    w.scaleIn1 = rows.value(QStringLiteral("jBemerleg")).toDouble();
    w.scaleOut1 = rows.value(QStringLiteral("jKimerleg")).toDouble();
    if (rows.rowCount() > 1) {
        rows.moveTo(1);
        w.in2 = rows.value(QStringLiteral("jBemeres")).toDouble();
        w.out2 = rows.value(QStringLiteral("jKimeres")).toDouble();
        w.scaleIn2 = rows.value(QStringLiteral("jBemerleg")).toDouble();
        w.scaleOut2 = rows.value(QStringLiteral("jKimerleg")).toDouble();
    }
    rows.first();
    return w;
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
