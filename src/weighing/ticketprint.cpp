#include "ticketprint.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "context/unhandled.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "reports/reportoutput.h"

QString TicketPrint::printSql(bool deliveryNote)
{
    return QStringLiteral(
            "SELECT :p0 AS IDm, a.jMbszam AS mBszam, a.jMozgas AS mMozgas, a.jPot AS mPot, a.jEgymeres AS mEgymeres, "
            "a.jDatum AS mDatum, a.jBeido AS mBeido, a.jKiido AS mKiido, a.jRkod AS mRkod, "
            "a.jBemerleg AS mBemerleg1, a.jBemeres AS mBemeres1, b.jBemerleg AS mBemerleg2, b.jBemeres AS mBemeres2, "
            "a.jKimerleg AS mKimerleg1, a.jKimeres AS mKimeres1, b.jKimerleg AS mKimerleg2, b.jKimeres AS mKimeres2, "
            "a.jTkod AS mTkod1, b.jTkod AS mTkod2, a.jKkod AS mKkod1, b.jKkod AS mKkod2, a.jOkod AS mOkod, "
            "a.jAkod AS mAkod, a.jMegj AS mMegj, a.jTiszt AS mTiszt, a.jViztart AS mViztart, "
            "a.jBemeres + b.jBemeres AS mNetto1, a.jKimeres + b.jKimeres AS mNetto2, "
            "rendszam.*, termelo.*, termeny.* FROM vello a JOIN vello b ON b.IDj = :p2 "
            "JOIN rendszam ON rendszam.rKod = a.jRkod JOIN termelo ON termelo.oKod = %1 "
            "JOIN termeny ON termeny.tKod = a.jTkod WHERE a.IDj = :p1")
            .arg(deliveryNote ? QStringLiteral(":p3") : QStringLiteral("a.jOkod"));
}

bool TicketPrint::openPrintData(const FinalisedTicket& t, bool deliveryNote, const QString& consignee)
{
    Query::Binds binds {{QStringLiteral("p0"), t.weighingId}, {QStringLiteral("p1"), t.rowId[0]},
            {QStringLiteral("p2"), t.rowId[1]}};
    if (deliveryNote)
        binds.append({QStringLiteral("p3"), consignee});
    try {
        m_ctx.data.ZQ13.openSql(printSql(deliveryNote), binds);
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
    TicketDocument::setTicketVariables(*m_ctx.report, t.ticketNumber, t);
    TicketDocument::setAlibiVariables(*m_ctx.report, m_ctx.data, m_ctx.prompt, t.ticketNumber, t);
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
