#include "ticketreissue.h"

#include "alibi/alibilog.h"
#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/textconv.h"
#include "data/transaction.h"
#include "reports/reportoutput.h"
#include "tickets/ticketvoid.h"
#include "weighing/alibistore.h"
#include "weighing/finalisation.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingstore.h"

#include <QSet>
#include <algorithm>

namespace {

const QString ReadMessage = QStringLiteral("Hiba: a(z) %1. mérlegjegy nem olvasható: %2");
const QString NoProducerMessage = QStringLiteral("Nincs kiválasztva a termelő!");
const QString UnknownProducerMessage = QStringLiteral("Nincs ilyen termelő: %1");
const QString NegativeNetMessage = QStringLiteral("A levonások után negatív lenne a nettó súly!");
const QString RegisterMessage = QStringLiteral("Hiba: a nyilvántartás nem olvasható, semmi sem változott.");
const QString BeginMessage = QStringLiteral("Hiba: a javítás nem indítható el, semmi sem változott.");
const QString InsertMessage
        = QStringLiteral("Hiba: a javított mérlegjegy nem írható az adatbázisba, semmi sem változott.");
const QString UnreadableMessage = QStringLiteral("Hiba: a \"J\" sorszám nem olvasható!");
const QString NetMessage = QStringLiteral("Hiba: mNetto számolás , REPLACE-edit a meres-ban ");
const QString LinkMessage = QStringLiteral(
        "Hiba: a javított mérlegjegy súlyai nem köthetők a régi mérlegjegy alibi napló bejegyzéseihez, semmi sem "
        "változott.");
const QString ReplacesText = QStringLiteral("A(z) %1. sz. mérlegjegy helyett");
const QString LostDoneMessage = QStringLiteral(
        "A(z) %1. mérlegjegy sztornózva, helyette a(z) %2. mérlegjegy készült. A lezárás (COMMIT) után megszakadt a "
        "kapcsolat az adatbázissal, de az újracsatlakozás utáni ellenőrzés szerint a javítás megtörtént.");
const QString LostNotDoneMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a javítás lezárásakor (COMMIT). Az újracsatlakozás utáni "
        "ellenőrzés szerint a javítás nem történt meg, a mérlegjegy változatlan; újra javítható.");
const QString LostUnknownMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a javítás lezárásakor (COMMIT), és nem állapítható meg, hogy "
        "a javítás megtörtént-e. Nézze meg a mérlegjegyek között, mielőtt újra javítja.");

// The weighing window's pick buttons stand for their code fields here.
QString focusOf(const QString& weighingFocus)
{
    static const QMap<QString, QString> picks {{QStringLiteral("Button3"), QStringLiteral("Edit5")},
            {QStringLiteral("Button4"), QStringLiteral("Edit6")}, {QStringLiteral("Button7"), QStringLiteral("Edit11")},
            {QStringLiteral("Button8"), QStringLiteral("Edit12")}};
    return picks.value(weighingFocus, weighingFocus);
}

// A new ticket row from old row :p0, with the changed fields bound; the
// crop and warehouse of an unweighed measurement 2 are copied as they are.
QString insertSql(bool ownCodes)
{
    return QStringLiteral(
            "INSERT INTO vello ( jBszam, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jModDatum, "
            "jRogDatum, jBemeres, jKimeres, jNettoBe, jNettoKi, jBemerleg, jKimerleg, jTkod, jRkod, jKkod, jOkod, "
            "jAkod, jMegj, jTiszt, jViztart ) SELECT :p1, jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, "
            ":p2, :p2, jBemeres, jKimeres, jBemeres, jKimeres, jBemerleg, jKimerleg, %1, jRkod, %2, :p5, jAkod, :p6, "
            ":p7, :p8 FROM vello WHERE IDj = :p0")
            .arg(ownCodes ? QStringLiteral(":p3") : QStringLiteral("jTkod"),
                    ownCodes ? QStringLiteral(":p4") : QStringLiteral("jKkod"));
}

using Entries = QSet<QString>;
Entries entries(const QList<AlibiLog::Link>& links)
{
    Entries out;
    for (const AlibiLog::Link& l : links)
        out.insert(QStringLiteral("%1/%2/%3").arg(l.number).arg(l.slot).arg(AlibiLog::directionCode(l.direction)));
    return out;
}

}   // namespace

std::optional<ReissueSource> TicketReissue::read(const QString& ticket)
{
    try {
        const QString refused = TicketVoid(m_ctx).refusal(ticket);
        if (!refused.isEmpty()) {
            m_ctx.prompt.message(refused);
            return std::nullopt;
        }
        Query q(m_ctx.data, QStringLiteral("reissue"));
        q.openSql(QStringLiteral("SELECT vello.*, rendszam.rRendszam FROM vello LEFT JOIN rendszam ON rendszam.rKod "
                                 "= vello.jRkod WHERE jBszam = :p0 ORDER BY IDj"),
                {{QStringLiteral("p0"), ticket}});
        ReissueSource s;
        s.ticket = ticket;
        s.rows = qMin(2, q.rowCount());
        s.movement = Passes::movementOrDispatch(q.text(QStringLiteral("jMozgas")));
        s.trailer = q.text(QStringLiteral("jPot")) == QLatin1String("I");
        s.single = q.text(QStringLiteral("jEgymeres")) == QLatin1String("I");
        s.date = q.value(QStringLiteral("jDatum")).toDate();
        s.inTime = q.text(QStringLiteral("jBeido"));
        s.outTime = q.text(QStringLiteral("jKiido"));
        s.plateCode = q.text(QStringLiteral("jRkod"));
        s.plate = q.text(QStringLiteral("rRendszam"));
        s.fields.producer = q.text(QStringLiteral("jOkod"));
        s.fields.purity = TextConv::number(q.value(QStringLiteral("jTiszt")).toDouble());
        s.fields.moisture = TextConv::number(q.value(QStringLiteral("jViztart")).toDouble());
        s.fields.remark = q.text(QStringLiteral("jMegj"));
        for (int i = 0; i < s.rows; ++i) {
            q.moveTo(i);
            s.rowId[i] = q.value(QStringLiteral("IDj")).toLongLong();
            s.in[i] = q.value(QStringLiteral("jBemeres")).toDouble();
            s.out[i] = q.value(QStringLiteral("jKimeres")).toDouble();
            s.scaleIn[i] = q.value(QStringLiteral("jBemerleg")).toDouble();
            s.scaleOut[i] = q.value(QStringLiteral("jKimerleg")).toDouble();
            s.fields.crop[i] = q.text(QStringLiteral("jTkod"));
            s.fields.warehouse[i] = q.text(QStringLiteral("jKkod"));
        }
        return s;
    } catch (const DbError& e) {
        m_ctx.prompt.message(ReadMessage.arg(ticket, e.text()));
        return std::nullopt;
    }
}

QString TicketReissue::checkProducer(const QString& code)
{
    if (code.trimmed().isEmpty())
        return NoProducerMessage;
    Query q(m_ctx.data, QStringLiteral("reissue"));
    q.openSql(QStringLiteral("SELECT oKod FROM termelo WHERE oKod = :p0"), {{QStringLiteral("p0"), code.trimmed()}});
    return q.isEmpty() ? UnknownProducerMessage.arg(code.trimmed()) : QString();
}

QString TicketReissue::negativeNet(const ReissueSource& s, const ReissueFields& f, double purity, double moisture)
{
    if (s.movement == Movement::Dispatch)
        return QString();
    Query q(m_ctx.data, QStringLiteral("reissue"));
    for (int i = 0; i < s.rows; ++i) {
        const double d = s.in[i] - s.out[i];
        if (d == 0)
            continue;
        double purityDeduction = 0, moistureDeduction = 0;
        q.openSql(QStringLiteral("SELECT tSztiszt, tSzviztart FROM termeny WHERE tKod = :p0"),
                {{QStringLiteral("p0"), WeighingFieldText::code(f.crop[i])}});
        if (!q.isEmpty()) {
            purityDeduction = d * (q.value(0).toDouble() - purity) / 100;
            moistureDeduction = d * (moisture - q.value(1).toDouble()) / 100;
        }
        if (d - (purityDeduction + moistureDeduction) < 0)
            return NegativeNetMessage;
    }
    return QString();
}

ReissueOutcome TicketReissue::store(const ReissueSource& s, const ReissueFields& fields, const QDate& today)
{
    ReissueOutcome o;
    ReissueFields f = fields;
    if (!s.trailer) {
        // An unweighed measurement 2 keeps its empty codes.
        f.crop[1] = s.fields.crop[1];
        f.warehouse[1] = s.fields.warehouse[1];
    }
    const QString badReason = TicketVoid::reasonRefusal(f.reason);
    if (!badReason.isEmpty()) {
        o.end(m_ctx.prompt, Outcome::Refused, badReason, QStringLiteral("reason"));
        return o;
    }
    try {
        const QString producer = checkProducer(f.producer);
        if (!producer.isEmpty()) {
            o.end(m_ctx.prompt, Outcome::Refused, producer, QStringLiteral("producer"));
            return o;
        }
    } catch (const DbError&) {
        o.end(m_ctx.prompt, Outcome::NotStarted, RegisterMessage);
        return o;
    }

    // The weighing window's checks, on the pass where the vehicle is loaded.
    WeighingRequest r;
    r.movement = s.movement;
    r.direction = s.movement == Movement::Delivery ? Direction::In : Direction::Out;
    r.trailer = s.trailer;
    r.singleWeighing = s.single;
    r.plateCode = s.plateCode;
    const bool in = r.in();
    WeighingFields w;
    w.weight1 = TextConv::number(in ? s.in[0] : s.out[0]);
    w.scale1 = TextConv::number(in ? s.scaleIn[0] : s.scaleOut[0]);
    w.weight2 = TextConv::number(in ? s.in[1] : s.out[1]);
    w.scale2 = TextConv::number(in ? s.scaleIn[1] : s.scaleOut[1]);
    w.crop1 = f.crop[0];
    w.warehouse1 = f.warehouse[0];
    w.crop2 = f.crop[1];
    w.warehouse2 = f.warehouse[1];
    w.purity = f.purity;
    w.moisture = f.moisture;
    w.remark = f.remark;
    w.plateCode = s.plateCode;
    const WeighingOutcome checked = WeighingStore(m_ctx, r).check(w);
    if (!checked.done()) {
        o.result = checked.result;
        o.messages = checked.messages;
        o.focus = focusOf(checked.focus);
        return o;
    }
    const double purity = TextConv::toNumber(f.purity).value_or(0);
    const double moisture = TextConv::toNumber(f.moisture).value_or(0);
    try {
        const QString negative = negativeNet(s, f, purity, moisture);
        if (!negative.isEmpty()) {
            o.end(m_ctx.prompt, Outcome::Refused, negative, QStringLiteral("Edit32"));
            return o;
        }
    } catch (const DbError&) {
        o.end(m_ctx.prompt, Outcome::NotStarted, RegisterMessage);
        return o;
    }
    writeTicket(o, s, f, purity, moisture, today.isValid() ? today : QDate::currentDate());
    return o;
}

void TicketReissue::writeTicket(ReissueOutcome& o, const ReissueSource& s, const ReissueFields& f, double purity,
        double moisture, const QDate& today)
{
    DataModule& dm = m_ctx.data;
    QString refused;
    bool replyLost = false;
    try {
        retryLockConflicts(dm, [&] {
            m_stored = FinalisedTicket();
            FinalisedTicket& t = m_stored;
            std::optional<Transaction> tx;
            begin(tx, dm, BeginMessage);
            TicketVoid voids(m_ctx);
            refused = step(InsertMessage, [&] { return voids.lockTicket(s.ticket); });
            if (!refused.isEmpty())
                return;   // nothing written: the bracket rolls back

            // The new number, as the finalisation draws it: the "J" row
            // stays locked until the end.
            Counters counters(dm);
            const Counters::Draw d = counters.readNext(Counters::J);
            require(d.ok(), UnreadableMessage, d.code);
            require(counters.store(Counters::J, d.number), Counters::storeFailedMessage(Counters::J),
                    counters.storeError());
            t.ticketNumber = d.number;

            Query q(dm, QStringLiteral("reissue"));
            QString crop[2];
            for (int i = 0; i < s.rows; ++i) {
                crop[i] = WeighingFieldText::code(f.crop[i]);
                const bool own = i == 0 || s.trailer;
                const int n = step(InsertMessage, [&] {
                    return q.run(insertSql(own),
                            {{QStringLiteral("p0"), s.rowId[i]}, {QStringLiteral("p1"), t.ticketNumber},
                                    {QStringLiteral("p2"), today}, {QStringLiteral("p3"), crop[i]},
                                    {QStringLiteral("p4"), WeighingFieldText::code(f.warehouse[i])},
                                    {QStringLiteral("p5"), WeighingFieldText::code(f.producer)},
                                    {QStringLiteral("p6"), Query::notNull(f.remark)}, {QStringLiteral("p7"), purity},
                                    {QStringLiteral("p8"), moisture}});
                });
                require(n == 1, InsertMessage);
                step(InsertMessage, [&] { q.openSql(QStringLiteral("SELECT LAST_INSERT_ID() AS IDj")); });
                t.rowId[i] = q.value(QStringLiteral("IDj")).toLongLong();
            }
            if (s.rows == 1) {
                t.rowId[1] = t.rowId[0];
                crop[1] = crop[0];
            }
            step(NetMessage, [&] { Finalisation::storeNets(m_ctx, s.movement, t.rowId, purity, moisture, crop); });

            // The same alibi log entries: the log checks the weights against
            // the weighing's pending links, carries those links to the new
            // number as the finalisation carried them to the old one, and
            // appends the new ticket's own entry.
            AlibiLog log(dm);
            const QList<AlibiLog::Link> old = step(LinkMessage, [&] { return log.linksOfTicket(s.ticket); });
            if (!old.isEmpty()) {
                require(AlibiStore::recordTicket(m_ctx, o, old.first().pendingId, t.ticketNumber, t.rowId), QString());
                const QList<AlibiLog::Link> now = step(LinkMessage, [&] { return log.linksOfTicket(t.ticketNumber); });
                require(entries(now) == entries(old), LinkMessage);
            }

            step(InsertMessage, [&] { voids.write(s.ticket, f.reason.trimmed(), t.ticketNumber); });
            replyLost = commitOrReplyLost(*tx, InsertMessage);
        });
    } catch (const StepFailed& failed) {
        if (failed.code == 1062) {
            try {
                refused = TicketVoid(m_ctx).refusal(s.ticket);
            } catch (const DbError&) {
            }
        }
        if (refused.isEmpty()) {
            o.end(m_ctx.prompt, Outcome::Failed, failed.message);
            return;
        }
    }
    if (!refused.isEmpty()) {
        o.end(m_ctx.prompt, Outcome::Refused, refused);
        return;
    }
    m_stored.movement = s.movement;
    m_stored.single = s.single;
    m_stored.in1 = s.in[0];
    m_stored.in2 = s.rows > 1 ? s.in[1] : 0;
    m_stored.out1 = s.out[0];
    m_stored.out2 = s.rows > 1 ? s.out[1] : 0;
    m_stored.scaleIn1 = s.scaleIn[0];
    m_stored.scaleIn2 = s.scaleIn[1];
    m_stored.scaleOut1 = s.scaleOut[0];
    m_stored.scaleOut2 = s.scaleOut[1];
    if (replyLost
            && !reportLostCommit(o, m_ctx.prompt, committedOrNot(s.ticket),
                    {LostDoneMessage.arg(s.ticket, m_stored.ticketNumber), LostNotDoneMessage, LostUnknownMessage}))
        return;
    o.ticketNumber = m_stored.ticketNumber;
}

LostCommit TicketReissue::committedOrNot(const QString& oldTicket)
{
    try {
        const std::optional<VoidRecord> r = TicketVoid(m_ctx).record(oldTicket);
        Query q(m_ctx.data, QStringLiteral("reissue"));
        q.openSql(QStringLiteral("SELECT COUNT(*) FROM vello WHERE jBszam = :p0"),
                {{QStringLiteral("p0"), m_stored.ticketNumber}});
        const qint64 rows = q.value(0).toLongLong();
        if (r && r->replacement == m_stored.ticketNumber && rows > 0)
            return LostCommit::Committed;
        if (!r && rows == 0)
            return LostCommit::NotCommitted;
    } catch (const DbError&) {
    }
    return LostCommit::Unknown;
}

bool TicketReissue::print(const QString& oldTicket)
{
    if (!m_ctx.report || !m_ctx.prompt.confirm(QStringLiteral("Mérlegjegy nyomtatása ?")))
        return false;
    // The variable lasts for the run: set for this print only.
    m_ctx.report->setVariable(QStringLiteral("v_helyett"), ReplacesText.arg(oldTicket));
    const bool shown = TicketPrint(m_ctx).ticket(m_stored);
    m_ctx.report->setVariable(QStringLiteral("v_helyett"), QString());
    return shown;
}

ReissueOutcome TicketReissue::run(const ReissueSource& source, const ReissueFields& fields, const QDate& today)
{
    ReissueOutcome o = store(source, fields, today);
    if (o.done())
        o.printed = print(source.ticket);
    return o;
}
