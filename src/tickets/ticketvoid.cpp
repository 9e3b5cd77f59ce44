#include "ticketvoid.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/textconv.h"
#include "data/transaction.h"

#include <QSysInfo>

namespace {

const QString ConfirmQuestion = QStringLiteral("Biztosan sztornózza a(z) %1. mérlegjegyet?");
const QString NoReasonMessage = QStringLiteral("Adja meg a sztornózás okát!");
const QString LongReasonMessage = QStringLiteral("A sztornózás oka legfeljebb %1 karakter lehet (most %2).");
const QString NotFoundMessage = QStringLiteral("Nincs %1. számú mérlegjegy.");
const QString SummaryMessage
        = QStringLiteral("A(z) %1. szám az archiválás összesítő sora, nem mérlegjegy: nem sztornózható.");
const QString ArchivedMessage = QStringLiteral("A(z) %1. mérlegjegy már archiválva van, nem sztornózható.");
const QString VoidedMessage
        = QStringLiteral("A(z) %1. mérlegjegyet már sztornózták (%2, %3 munkaállomás, %4). Nem sztornózható újra.");
const QString BeginMessage = QStringLiteral("Hiba: a sztornózás nem indítható el, semmi sem változott.");
const QString WriteMessage = QStringLiteral("Hiba: a sztornózás nem írható az adatbázisba, semmi sem változott.");
const QString LostDoneMessage = QStringLiteral(
        "A(z) %1. mérlegjegy sztornózva. A lezárás (COMMIT) után megszakadt a kapcsolat az adatbázissal, de az "
        "újracsatlakozás utáni ellenőrzés szerint a sztornózás megtörtént.");
const QString LostNotDoneMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a sztornózás lezárásakor (COMMIT). Az újracsatlakozás utáni "
        "ellenőrzés szerint a sztornózás nem történt meg; újra sztornózható.");
const QString LostUnknownMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a sztornózás lezárásakor (COMMIT), és nem állapítható meg, "
        "hogy a sztornózás megtörtént-e. Nézze meg a mérlegjegyek között, mielőtt újra sztornózza.");

const QString RecordColumns
        = QStringLiteral("zBszam, zIdo, zGep, zFelhasznalo, zOk, COALESCE(zHelyette, \"\") AS zHelyette");

VoidRecord readRecord(const Query& q)
{
    VoidRecord r;
    r.ticket = q.text(QStringLiteral("zBszam"));
    r.time = q.value(QStringLiteral("zIdo")).toDateTime();
    r.workstation = q.text(QStringLiteral("zGep"));
    r.user = q.text(QStringLiteral("zFelhasznalo"));
    r.reason = q.text(QStringLiteral("zOk"));
    r.replacement = q.text(QStringLiteral("zHelyette"));
    return r;
}

}   // namespace

TicketVoid::TicketVoid(AppContext& ctx) : m_ctx(ctx)
{
}

QString TicketVoid::confirmQuestion(const QString& ticket)
{
    return ConfirmQuestion.arg(ticket);
}

QString TicketVoid::reasonRefusal(const QString& reason)
{
    if (reason.trimmed().isEmpty())
        return NoReasonMessage;
    if (reason.size() > ReasonWidth)
        return LongReasonMessage.arg(ReasonWidth).arg(reason.size());
    return QString();
}

QString TicketVoid::notVoided(const QString& table)
{
    return QStringLiteral("NOT EXISTS (SELECT 1 FROM sztorno WHERE sztorno.zBszam = %1.jBszam)").arg(table);
}

std::optional<VoidRecord> TicketVoid::record(const QString& ticket)
{
    Query q(m_ctx.data, QStringLiteral("sztorno"));
    q.openSql(QStringLiteral("SELECT %1 FROM sztorno WHERE zBszam = :p0").arg(RecordColumns),
            {{QStringLiteral("p0"), ticket}});
    if (q.isEmpty())
        return std::nullopt;
    return readRecord(q);
}

std::optional<VoidRecord> TicketVoid::replaced(const QString& ticket)
{
    Query q(m_ctx.data, QStringLiteral("sztorno"));
    q.openSql(QStringLiteral("SELECT %1 FROM sztorno WHERE zHelyette = :p0").arg(RecordColumns),
            {{QStringLiteral("p0"), ticket}});
    if (q.isEmpty())
        return std::nullopt;
    return readRecord(q);
}

QString TicketVoid::refusal(const QString& ticket)
{
    return refusalOf(ticket, false);
}

QString TicketVoid::lockTicket(const QString& ticket)
{
    return refusalOf(ticket, true);
}

QString TicketVoid::refusalOf(const QString& ticket, bool locking)
{
    const QString lock = locking ? QStringLiteral(" FOR UPDATE") : QString();
    Query q(m_ctx.data, QStringLiteral("sztorno"));
    // The ticket's rows first: a second void, a reissue or an archiving run
    // of the same ticket waits here until this transaction ends.
    q.openSql(QStringLiteral("SELECT IDj, jMozgas FROM vello WHERE jBszam = :p0 ORDER BY IDj") + lock,
            {{QStringLiteral("p0"), ticket}});
    if (q.isEmpty()) {
        q.openSql(QStringLiteral("SELECT COUNT(*) FROM archiv WHERE jBszam = :p0"), {{QStringLiteral("p0"), ticket}});
        return q.value(0).toLongLong() > 0 ? ArchivedMessage.arg(ticket) : NotFoundMessage.arg(ticket);
    }
    if (q.text(QStringLiteral("jMozgas")).trimmed().isEmpty())
        return SummaryMessage.arg(ticket);
    // Every void locks the ticket's rows first, so the record is read
    // plainly: a void that made this one wait has committed by now, and the
    // first plain read of the transaction sees it. (A locking read would
    // lock the gap where the record is missing, and two workstations voiding
    // neighbouring numbers would deadlock on their inserts.) Where locks do
    // not meet (a cluster's nodes), the primary key refuses the second one.
    q.openSql(QStringLiteral("SELECT %1 FROM sztorno WHERE zBszam = :p0").arg(RecordColumns),
            {{QStringLiteral("p0"), ticket}});
    if (!q.isEmpty()) {
        const VoidRecord r = readRecord(q);
        return VoidedMessage.arg(ticket,
                TextConv::date(r.time.date()) + QLatin1Char(' ') + TextConv::time(r.time.time()), r.workstation,
                r.user);
    }
    return QString();
}

void TicketVoid::write(const QString& ticket, const QString& reason, const QString& replacement)
{
    Query q(m_ctx.data, QStringLiteral("sztorno"));
    q.run(QStringLiteral("INSERT INTO sztorno (zBszam, zIdo, zGep, zFelhasznalo, zOk, zHelyette) "
                         "VALUES (:p0, NOW(), :p1, LEFT(USER(), 160), :p2, :p3)"),
            {{QStringLiteral("p0"), ticket}, {QStringLiteral("p1"), Query::notNull(QSysInfo::machineHostName())},
                    {QStringLiteral("p2"), Query::notNull(reason)},
                    {QStringLiteral("p3"), replacement.isEmpty() ? QVariant() : QVariant(replacement)}});
}

Outcome TicketVoid::run(const QString& ticket, const QString& reason)
{
    Outcome o;
    const QString bad = reasonRefusal(reason);
    if (!bad.isEmpty())
        return o.end(m_ctx.prompt, Outcome::Refused, bad, QStringLiteral("reason"));
    DataModule& dm = m_ctx.data;
    QString refused;
    bool replyLost = false;
    try {
        retryLockConflicts(dm, [&] {
            std::optional<Transaction> t;
            begin(t, dm, BeginMessage);
            refused = step(WriteMessage, [&] { return lockTicket(ticket); });
            if (!refused.isEmpty())
                return;   // nothing written: the bracket rolls back
            step(WriteMessage, [&] { write(ticket, reason.trimmed(), QString()); });
            replyLost = commitOrReplyLost(*t, WriteMessage);
        });
    } catch (const StepFailed& f) {
        // A duplicate key: another workstation's void went in first, where
        // the locks did not make this one wait. Told as any refusal.
        if (f.code == 1062) {
            try {
                refused = refusal(ticket);
            } catch (const DbError&) {
            }
        }
        if (refused.isEmpty())
            return o.end(m_ctx.prompt, Outcome::Failed, f.message);
    }
    if (!refused.isEmpty())
        return o.end(m_ctx.prompt, Outcome::Refused, refused);
    if (replyLost) {
        LostCommit found = LostCommit::Unknown;
        try {
            const std::optional<VoidRecord> r = record(ticket);
            found = !r                                                          ? LostCommit::NotCommitted
                    : r->reason == reason.trimmed() && r->replacement.isEmpty() ? LostCommit::Committed
                                                                                : LostCommit::Unknown;
        } catch (const DbError&) {
        }
        reportLostCommit(o, m_ctx.prompt, found, {LostDoneMessage.arg(ticket), LostNotDoneMessage, LostUnknownMessage});
    }
    return o;
}
