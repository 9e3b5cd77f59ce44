#include "ticketbrowser.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/passes.h"
#include "data/textconv.h"
#include "reports/reportoutput.h"
#include "tickets/ticketdocument.h"
#include "tickets/ticketvoid.h"

#include "data/dberror.h"

const QString TicketBrowser::RowsSql = QStringLiteral(
        "SELECT * FROM vello JOIN rendszam ON rendszam.rKod = vello.jRkod JOIN termeny ON termeny.tKod = vello.jTkod "
        "JOIN termelo ON termelo.oKod = vello.jOkod JOIN raktar ON raktar.kKod = vello.jKkod WHERE jBszam = :p1 "
        "ORDER BY jBszam, IDj");
const QString TicketBrowser::SumsSql = TicketDocument::sumsSql(QStringLiteral(" WHERE jBszam = :p1"));

namespace {

// Weight, scale value, crop name, crop code, warehouse name, warehouse code.
const QStringList kColumnsIn = {QStringLiteral("jBemeres"), QStringLiteral("jBemerleg"), QStringLiteral("tMegnev"),
        QStringLiteral("jTkod"), QStringLiteral("kNev"), QStringLiteral("jKkod")};
const QStringList kColumnsOut = {QStringLiteral("jKimeres"), QStringLiteral("jKimerleg"), QStringLiteral("tMegnev"),
        QStringLiteral("jTkod"), QStringLiteral("kNev"), QStringLiteral("jKkod")};
QStringList edits(int a, int b, int c, int d, int e, int f)
{
    QStringList out;
    for (int n : {a, b, c, d, e, f})
        out << QStringLiteral("Edit%1").arg(n);
    return out;
}
// Fields in the order of the column lists above.
const QStringList kIn1 = edits(1, 2, 3, 5, 4, 6);
const QStringList kOut1 = edits(13, 14, 15, 17, 16, 18);
const QStringList kIn2 = edits(7, 8, 9, 11, 10, 12);
const QStringList kOut2 = edits(19, 20, 21, 23, 22, 24);

void fill(TicketBrowser::Fields& f, const Query& q, const QStringList& fields, const QStringList& columns)
{
    for (int i = 0; i < fields.size(); ++i)
        f[fields[i]] = q.currentRow() >= 0 ? q.text(columns[i]) : QString();
}
void blank(TicketBrowser::Fields& f, const QStringList& fields, int from = 0)
{
    for (int i = from; i < fields.size(); ++i)
        f[fields[i]] = QStringLiteral(" ");
}

}   // namespace

QStringList TicketBrowser::dataColumns()
{
    return {QStringLiteral("jBszam"), QStringLiteral("jMozgas"), QStringLiteral("jPot"), QStringLiteral("jDatum"),
            QStringLiteral("jBeido"), QStringLiteral("jKiido"), QStringLiteral("jMegj"), QStringLiteral("jTiszt"),
            QStringLiteral("jViztart"), QStringLiteral("jEgymeres")};
}
QStringList TicketBrowser::producerColumns()
{
    return {QStringLiteral("oNev"), QStringLiteral("oIrszam"), QStringLiteral("oHelysegnev"), QStringLiteral("oUtca"),
            QStringLiteral("oAdoszam"), QStringLiteral("oBankszla"), QStringLiteral("IDo"), QStringLiteral("oKod")};
}
QStringList TicketBrowser::plateColumns()
{
    return {QStringLiteral("rRendszam"), QStringLiteral("rTara"), QStringLiteral("rNev"), QStringLiteral("rTelefon"),
            QStringLiteral("rCeg"), QStringLiteral("rCim"), QStringLiteral("rUgyintez"), QStringLiteral("IDr"),
            QStringLiteral("rKod")};
}

TicketBrowser::TicketBrowser(AppContext& ctx) : m_ctx(ctx)
{
}

TicketBrowser::Fields TicketBrowser::showDetail(const QString& ticket)
{
    Fields f;
    Query& rows = m_ctx.data.ZQ20;
    rows.openSql(RowsSql, {{QStringLiteral("p1"), ticket}});
    fill(f, rows, kIn1, kColumnsIn);
    fill(f, rows, kOut1, kColumnsOut);
    const bool second = rows.rowCount() > 1;
    if (second) {
        rows.next();
        fill(f, rows, kIn2, kColumnsIn);
        fill(f, rows, kOut2, kColumnsOut);
    }
    Query& sums = m_ctx.data.ZQ23;
    sums.openSql(SumsSql, {{QStringLiteral("p1"), ticket}});
    const TicketSums total = TicketDocument::readSums(sums);
    f[QStringLiteral("Edit35")] = TextConv::number(total.storedIn);
    f[QStringLiteral("Edit52")] = TextConv::number(total.weighed);
    f[QStringLiteral("Edit51")] = TextConv::number(total.shippedOut);
    if (!second
            || (rows.text(QStringLiteral("jBemeres")) == QLatin1String("0")
                    && rows.text(QStringLiteral("jKimeres")) == QLatin1String("0"))) {
        blank(f, kIn2);
        blank(f, kOut2);
    }
    // The crop and warehouse stand only on the pass on which the vehicle was loaded.
    const std::optional<Movement> movement
            = rows.currentRow() >= 0 ? Passes::movementOf(rows.text(QStringLiteral("jMozgas"))) : std::nullopt;
    if (movement == Movement::Delivery) {
        blank(f, kOut1, 2);
        blank(f, kOut2, 2);
    } else if (movement == Movement::Dispatch) {
        blank(f, kIn1, 2);
        blank(f, kIn2, 2);
    }
    for (const QStringList& cols : {dataColumns(), producerColumns(), plateColumns()})
        for (const QString& c : cols)
            f[c] = rows.currentRow() >= 0 ? rows.text(c) : QString();
    return f;
}

bool TicketBrowser::printCopy(const QString& ticket)
{
    if (!m_ctx.prompt.confirm(QStringLiteral("Mérlegjegy nyomtatása ?")))
        return false;
    Query& rows = m_ctx.data.ZQ23;
    TicketDocument::openRows(rows, ticket);
    if (!m_ctx.report)
        return false;
    TicketDocument::setDocumentVariables(*m_ctx.report, m_ctx.data, m_ctx.prompt, rows, ticket, true);
    setVoidVariables(ticket);
    return m_ctx.report->output(QStringLiteral("vello_masolat.frf"), QPageLayout::Portrait);
}

void TicketBrowser::setVoidVariables(const QString& ticket)
{
    // Empty for a ticket that is neither voided nor issued in place of
    // another: its copy prints as ever.
    QString voided, reason, time, instead, replaces;
    std::optional<VoidRecord> record, replaced;
    try {
        TicketVoid voids(m_ctx);
        record = voids.record(ticket);
        replaced = voids.replaced(ticket);
    } catch (const DbError& e) {
        m_ctx.prompt.message(QStringLiteral("Hiba: a sztornózás adatai nem olvashatók: %1").arg(e.text()));
    }
    if (record) {
        voided = QStringLiteral("SZTORNÓ");
        reason = QStringLiteral("Sztornó oka: %1").arg(record->reason);
        time = QStringLiteral("Sztornózva: %1 %2 (%3)")
                       .arg(TextConv::date(record->time.date()), TextConv::time(record->time.time()),
                               record->workstation);
        if (!record->replacement.isEmpty())
            instead = QStringLiteral("helyette: %1").arg(record->replacement);
    }
    if (replaced)
        replaces = QStringLiteral("A(z) %1. sz. mérlegjegy helyett").arg(replaced->ticket);
    ReportOutput& r = *m_ctx.report;
    r.setVariable(QStringLiteral("v_sztorno"), voided);
    r.setVariable(QStringLiteral("v_sztorno_ok"), reason);
    r.setVariable(QStringLiteral("v_sztorno_ido"), time);
    r.setVariable(QStringLiteral("v_helyette"), instead);
    r.setVariable(QStringLiteral("v_helyett"), replaces);
}
