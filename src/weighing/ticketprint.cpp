#include "ticketprint.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "context/unhandled.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "reports/reportoutput.h"

bool TicketPrint::openPrintData(const FinalisedTicket& t, bool deliveryNote, const QString& consignee)
{
    try {
        TicketDocument::openRows(m_ctx.data.ZQ13, t.ticketNumber, t.weighingId,
                deliveryNote ? std::optional<QString>(consignee) : std::nullopt);
        return true;
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return false;
    }
}

bool TicketPrint::ticket(const FinalisedTicket& t)
{
    if (!openPrintData(t, false, QString()) || !m_ctx.report)
        return false;
    TicketDocument::setDocumentVariables(
            *m_ctx.report, m_ctx.data, m_ctx.prompt, m_ctx.data.ZQ13, t.ticketNumber, false);
    return m_ctx.report->output(QStringLiteral("vello.frf"), QPageLayout::Portrait);
}

TicketPrint::Note TicketPrint::deliveryNote(const FinalisedTicket& t, const QString& consignee)
{
    Note note;
    note.consignee = consignee;
    if (!openPrintData(t, true, consignee))
        return note;

    // A deadlock or lock-wait timeout on the counter row (another
    // workstation drawing at the same moment) draws again, as the other
    // draws do; nothing was handed out by the failed attempt.
    Counters::Draw d;
    for (int attempt = 1;; ++attempt) {
        d = Counters(m_ctx.data).draw(Counters::S);
        if (d.ok() || !retryAfterLockConflict(m_ctx.data, d.code, attempt, LockTries))
            break;
    }
    if (d.status == Counters::Draw::Unreadable)
        m_ctx.prompt.message(QStringLiteral("Hiba: a \"S\" sorszám nem olvasható!"));
    else if (d.status == Counters::Draw::StoreFailed)
        m_ctx.prompt.message(Counters::storeFailedMessage(Counters::S));
    if (!d.ok())
        return note;
    note.number = d.number;
    if (!m_ctx.report)
        return note;
    m_ctx.report->setVariable(QStringLiteral("v_bszam"), d.number);
    note.shown = m_ctx.report->output(QStringLiteral("szallito.frf"), QPageLayout::Portrait);
    return note;
}
