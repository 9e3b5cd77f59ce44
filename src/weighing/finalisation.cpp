#include "finalisation.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "data/transaction.h"
#include "weighing/alibistore.h"
#include "weighing/ticketprint.h"

#include <optional>

namespace {

const QString NetEmptyMessage = QStringLiteral("Üres a netto súly!");
const QString GoneMessage = QStringLiteral("A mérés már nem szerepel a bent lévők között!");
const QString ZeroMessage = QStringLiteral("Nulla értékü mérés!");
const QString BeginMessage = QStringLiteral("Hiba az insert \"BE\" közben az vello -ben!");
const QString InsertMessage = QStringLiteral("Hiba: Az INSERT-append a vello -ben ");
const QString NumberingMessage = QStringLiteral("Hiba: Az jBszam UPDATE vello -ben ");
const QString NetMessage = QStringLiteral("Hiba: mNetto számolás , REPLACE-edit a meres-ban ");
const QString DeleteMessage = QStringLiteral("Hiba: mérés vello-be áttétel DELETE törlésekor");
const QString UnreadableMessage = QStringLiteral("Hiba: a \"J\" sorszám nem olvasható!");
const QString FocusNet = QStringLiteral("Edit35");
const QString FinalisedElsewhereMessage = QStringLiteral(
        "A mérést egy másik munkaállomás már véglegesítette, a mérlegjegy száma %1. Itt nem készült új mérlegjegy.");
const QString DeletedElsewhereMessage = QStringLiteral("A mérést egy másik munkaállomás már törölte.");
const QString LostCommitDoneMessage = QStringLiteral(
        "A mérlegjegy elkészült, a száma %1. A lezárás (COMMIT) után megszakadt a kapcsolat az adatbázissal, de az "
        "újracsatlakozás utáni ellenőrzés szerint a véglegesítés megtörtént.");
const QString LostCommitNotDoneMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a véglegesítés lezárásakor (COMMIT). Az újracsatlakozás utáni "
        "ellenőrzés szerint a véglegesítés nem történt meg: mérlegjegy nem készült, a mérés a bent lévők között "
        "maradt, újra véglegesíthető.");
const QString LostCommitUnknownMessage = QStringLiteral(
        "Hiba: Megszakadt a kapcsolat az adatbázissal a véglegesítés lezárásakor (COMMIT), és nem állapítható meg, "
        "hogy a véglegesítés megtörtént-e. Nézze meg a mérlegjegyek között és a bent lévők listáján, mielőtt újra "
        "véglegesíti.");
const QString NoProducerMessage = QStringLiteral("Nincs kiválasztva a termelő!");
const QString UnknownProducerMessage = QStringLiteral("Nincs ilyen termelő: %1");
const QString NoCropMessage = QStringLiteral("Nincs kiválasztva a termény!");
const QString UnknownCropMessage = QStringLiteral("Nincs ilyen termény: %1");
const QString ExitAboveEntryMessage = QStringLiteral("A kimenő súly nagyobb a bejövőnél, a nettó negatív lenne!");
const QString NegativeNetMessage = QStringLiteral("A levonások után negatív lenne a nettó súly!");

// The ticket row of one measurement, copied from the pending weighing.
QString insertRowSql(int measurement)
{
    if (measurement == 1)
        return QStringLiteral(
                "INSERT INTO vello ( jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jBemeres, jKimeres, "
                "jBemerleg, jKimerleg, jTkod, jKkod, jRkod, jAkod, jOkod, jMegj, jTiszt, jViztart, jNettoBe, jNettoKi ) "
                "SELECT mBszam, mMozgas, mPot, mEgymeres, mDatum, mBeido, mKiido, mBemeres1,mKimeres1,mBemerleg1,"
                "mKimerleg1, mTkod1, mKkod1, mRkod, mAkod, mOkod, mMegj, mTiszt, mViztart, mBemeres1,mKimeres1 FROM "
                "meres WHERE IDm = :p0");
    return QStringLiteral(
            "INSERT INTO vello ( jMbszam, jMozgas, jPot, jEgymeres, jDatum, jBeido, jKiido, jBemeres, jKimeres, "
            "jBemerleg, jKimerleg, jTkod, jKkod, jRkod, jAkod, jOkod, jMegj, jTiszt, jViztart, jNettoBe, jNettoKi ) "
            "SELECT mBszam, mMozgas, mPot, mEgymeres, mDatum, mBeido, mKiido, mBemeres2,mKimeres2,mBemerleg2,"
            "mKimerleg2, mTkod2, mKkod2, mRkod, mAkod, mOkod, mMegj, mTiszt, mViztart, mBemeres2,mKimeres2 FROM "
            "meres WHERE IDm = :p0");
}

QString chopTrailing(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

}   // namespace

FinalisationOutcome Finalisation::run(const Input& input)
{
    FinalisationOutcome o = store(input);
    if (!o.done())
        return o;

    TicketPrint print(m_ctx);
    if (m_ctx.prompt.confirm(QStringLiteral("Mérlegjegy nyomtatása ?")))
        o.ticketPrinted = print.ticket(m_stored);
    if (m_stored.movement == Movement::Dispatch && m_ctx.prompt.confirm(QStringLiteral("Szállítólevél nyomtatása ?"))) {
        const QString consignee = input.pickConsignee ? input.pickConsignee() : QString();
        const TicketPrint::Note note = print.deliveryNote(m_stored, consignee);
        o.consigneeCode = note.consignee;
        o.deliveryNoteNumber = note.number;
        o.deliveryNotePrinted = note.shown;
    }
    return o;
}

FinalisationOutcome Finalisation::store(const Input& input)
{
    FinalisationOutcome o;
    if (chopTrailing(input.netText).isEmpty()) {
        o.end(m_ctx.prompt, Outcome::Refused, NetEmptyMessage, FocusNet);
        return o;
    }
    DataModule& dm = m_ctx.data;
    const QDate today = input.today.isValid() ? input.today : QDate::currentDate();
    QString refused;
    bool replyLost = false;
    try {
        // One attempt is the whole transaction; a lock conflict at any of its
        // statements runs it again from the start, the "J" number of the
        // failed attempt rolled back with it.
        retryLockConflicts(dm, [&] {
            double purity = 0, moisture = 0;
            QString crop[2];
            std::optional<Transaction> tx;
            begin(tx, dm, BeginMessage);
            // The pending weighing, locked until the end: a second
            // finalisation, a delete or an exit weighing of it at another
            // workstation waits here, and then finds it as this one left it.
            refused = step(BeginMessage, [&] { return readPending(input.weighingId, purity, moisture, crop); });
            // The producer, the crops and the nets, checked on the locked row.
            if (refused.isEmpty())
                refused = step(BeginMessage, [&] { return refusal(purity, moisture, crop); });
            if (!refused.isEmpty())
                return;   // nothing written: the bracket rolls back
            FinalisedTicket& t = m_stored;

            // The two ticket rows, one per measurement; each row's id comes
            // with the reply to its insert.
            Query* rowQuery[2] = {&dm.ZQ22, &dm.ZQ23};
            for (int i = 0; i < 2; ++i) {
                Query& q = *rowQuery[i];
                require(step(InsertMessage,
                                [&] {
                                    return q.run(insertRowSql(i + 1), {{QStringLiteral("p0"), t.weighingId}});
                                })
                                == 1,
                        InsertMessage);
                t.rowId[i] = q.lastInsertId().toLongLong();
                require(t.rowId[i] > 0, InsertMessage);
            }

            step(NetMessage, [&] { storeNets(m_ctx, t.movement, t.rowId, purity, moisture, crop); });

            // The pending weighing goes only together with its two ticket
            // rows: should the server have ended the transaction under the
            // operation (a cluster node's conflict), the rows are gone,
            // nothing is deleted and the finalisation fails instead of
            // removing the weighing on its own. Each row is looked up by its
            // key alone, so the look locks those two rows and no gap beside
            // them: another workstation's rows go in meanwhile.
            const int removed = step(DeleteMessage, [&] {
                return dm.ZQ13.run(
                        QStringLiteral("DELETE FROM meres WHERE IDm = :p1 AND (SELECT COUNT(*) FROM vello "
                                       "WHERE IDj = :p3) + (SELECT COUNT(*) FROM vello WHERE IDj = :p4) = 2"),
                        {{QStringLiteral("p1"), t.weighingId}, {QStringLiteral("p3"), t.rowId[0]},
                                {QStringLiteral("p4"), t.rowId[1]}});
            });
            require(removed == 1, DeleteMessage);

            // The ticket number, drawn as late as it can be: every other
            // workstation's finalisation waits for the "J" row from here to
            // the COMMIT, so only the numbering and the alibi log's ticket
            // entry (which carries the number) come after it.
            Counters counters(dm);
            const Counters::Draw d = counters.readNext(Counters::J);
            require(d.ok(), UnreadableMessage, d.code);
            const bool counted = counters.store(Counters::J, d.number);
            require(counted, Counters::storeFailedMessage(Counters::J), counters.storeError());
            t.ticketNumber = d.number;

            // Only the two rows inserted above get the number, whatever other
            // rows share the weighing number.
            const int numbered = step(NumberingMessage, [&] {
                return dm.ZQ22.run(QStringLiteral("UPDATE vello SET jBszam = :p1, jModDatum = :p2, jRogDatum = :p2 "
                                                  "WHERE IDj = :p3 OR IDj = :p4"),
                        {{QStringLiteral("p1"), t.ticketNumber}, {QStringLiteral("p2"), today},
                                {QStringLiteral("p3"), t.rowId[0]}, {QStringLiteral("p4"), t.rowId[1]}});
            });
            require(numbered == 2, NumberingMessage);

            // The alibi log: every weight checked against its entry, the links
            // carried to the ticket and its chained ticket entry appended.
            require(step(InsertMessage,
                            [&] { return AlibiStore::recordTicket(m_ctx, o, t.weighingId, t.ticketNumber, t.rowId); }),
                    InsertMessage);

            replyLost = commitOrReplyLost(*tx, InsertMessage);
        });
    } catch (const StepFailed& failed) {
        // The bracket has rolled back on its way out of the try block.
        o.end(m_ctx.prompt, Outcome::Failed, failed.message);
        return o;
    }
    if (!refused.isEmpty()) {
        if (refused == GoneMessage)
            refused = whatBecameOf(input.weighingNumber);
        o.end(m_ctx.prompt, Outcome::Refused, refused, FocusNet);
        return o;
    }
    if (replyLost) {
        // The COMMIT went out and its reply did not come back: finalised
        // means the pending weighing gone and both rows of this ticket there
        // with the number drawn; not finalised means the weighing still
        // pending and neither row there.
        const LostCommitMessages told {
                LostCommitDoneMessage.arg(m_stored.ticketNumber), LostCommitNotDoneMessage, LostCommitUnknownMessage};
        if (!reportLostCommit(o, m_ctx.prompt, committedOrNot(), told))
            return o;   // on to the prints only when it stands, as after any finalisation
    }
    o.ticketNumber = m_stored.ticketNumber;
    return o;
}

QString Finalisation::whatBecameOf(const QString& weighingNumber)
{
    if (weighingNumber.isEmpty())
        return GoneMessage;
    try {
        // The ticket rows carry the weighing number of the weighing they were
        // made from; a summary row of archiving carries none.
        Query& q = m_ctx.data.ZQ12;
        q.openSql(QStringLiteral("SELECT jBszam FROM vello WHERE jMbszam = :p0 AND jMozgas IS NOT NULL "
                                 "ORDER BY IDj DESC LIMIT 1"),
                {{QStringLiteral("p0"), weighingNumber}});
        if (!q.isEmpty())
            return FinalisedElsewhereMessage.arg(q.text(QStringLiteral("jBszam")));
        return DeletedElsewhereMessage;
    } catch (const DbError&) {
        return GoneMessage;
    }
}

LostCommit Finalisation::committedOrNot()
{
    const FinalisedTicket& t = m_stored;
    try {
        Query& q = m_ctx.data.ZQ12;
        q.openSql(QStringLiteral(
                          "SELECT (SELECT COUNT(*) FROM meres WHERE IDm = :p0) AS pending, "
                          "(SELECT COUNT(*) FROM vello WHERE (IDj = :p1 OR IDj = :p2) AND jBszam = :p3) AS tickets"),
                {{QStringLiteral("p0"), t.weighingId}, {QStringLiteral("p1"), t.rowId[0]},
                        {QStringLiteral("p2"), t.rowId[1]}, {QStringLiteral("p3"), t.ticketNumber}});
        const qint64 pending = q.value(QStringLiteral("pending")).toLongLong();
        const qint64 tickets = q.value(QStringLiteral("tickets")).toLongLong();
        q.close();
        if (pending == 0 && tickets == 2)
            return LostCommit::Committed;
        if (pending == 1 && tickets == 0)
            return LostCommit::NotCommitted;
    } catch (const DbError&) {
    }
    return LostCommit::Unknown;
}

QString Finalisation::readPending(qint64 id, double& purity, double& moisture, QString crop[2])
{
    m_stored = FinalisedTicket();
    FinalisedTicket& t = m_stored;
    t.weighingId = id;
    Query& w = m_ctx.data.ZQ12;
    w.openSql(QStringLiteral("SELECT * FROM meres WHERE IDm = :p0 FOR UPDATE"), {{QStringLiteral("p0"), id}});
    if (w.isEmpty())
        return GoneMessage;
    if (w.text(QStringLiteral("mBemeres1")) == QLatin1String("0")
            || w.text(QStringLiteral("mKimeres1")) == QLatin1String("0"))
        return ZeroMessage;
    t.weighingNumber = w.text(QStringLiteral("mBszam"));
    t.movement = Passes::movementOf(w.text(QStringLiteral("mMozgas")));
    t.in1 = w.value(QStringLiteral("mBemeres1")).toDouble();
    t.in2 = w.value(QStringLiteral("mBemeres2")).toDouble();
    t.out1 = w.value(QStringLiteral("mKimeres1")).toDouble();
    t.out2 = w.value(QStringLiteral("mKimeres2")).toDouble();
    t.scaleIn1 = w.value(QStringLiteral("mBemerleg1")).toDouble();
    t.scaleIn2 = w.value(QStringLiteral("mBemerleg2")).toDouble();
    t.scaleOut1 = w.value(QStringLiteral("mKimerleg1")).toDouble();
    t.scaleOut2 = w.value(QStringLiteral("mKimerleg2")).toDouble();
    t.single = w.text(QStringLiteral("mEgymeres")) == QLatin1String("I");
    purity = w.value(QStringLiteral("mTiszt")).toDouble();
    moisture = w.value(QStringLiteral("mViztart")).toDouble();
    crop[0] = w.text(QStringLiteral("mTkod1"));
    crop[1] = w.text(QStringLiteral("mTkod2"));
    return QString();
}

QString Finalisation::refusal(double purity, double moisture, const QString crop[2])
{
    const FinalisedTicket& t = m_stored;
    Query& q = m_ctx.data.ZQ13;
    q.openSql(QStringLiteral("SELECT meres.mOkod, termelo.oKod, t1.tKod AS crop1, t1.tSztiszt AS purity1, "
                             "t1.tSzviztart AS moisture1, t2.tKod AS crop2, t2.tSztiszt AS purity2, "
                             "t2.tSzviztart AS moisture2 FROM meres LEFT JOIN termelo ON termelo.oKod = meres.mOkod "
                             "LEFT JOIN termeny t1 ON t1.tKod = meres.mTkod1 LEFT JOIN termeny t2 ON t2.tKod = "
                             "meres.mTkod2 WHERE meres.IDm = :p0 LIMIT 1"),
            {{QStringLiteral("p0"), t.weighingId}});
    if (q.isEmpty())
        return GoneMessage;
    const QString producer = q.text(QStringLiteral("mOkod")).trimmed();
    if (producer.isEmpty())
        return NoProducerMessage;
    if (q.value(QStringLiteral("oKod")).isNull())
        return UnknownProducerMessage.arg(producer);

    const double in[2] = {t.in1, t.in2};
    const double out[2] = {t.out1, t.out2};
    for (int i = 0; i < 2; ++i) {
        const QString n = QString::number(i + 1);
        if (in[i] == 0 && out[i] == 0 && crop[i].trimmed().isEmpty())
            continue;   // the second row of a vehicle without trailer
        if (crop[i].trimmed().isEmpty())
            return NoCropMessage;
        if (q.value(QStringLiteral("crop") + n).isNull())
            return UnknownCropMessage.arg(crop[i].trimmed());
        if (t.movement == Movement::Dispatch)
            continue;
        // The net the intake would be stored with (the formula of storeNets).
        const double d = in[i] - out[i];
        if (d < 0)
            return ExitAboveEntryMessage;
        const double purityDeduction
                = TicketDocument::purityDeduction(d, q.value(QStringLiteral("purity") + n).toDouble(), purity);
        const double moistureDeduction
                = TicketDocument::moistureDeduction(d, q.value(QStringLiteral("moisture") + n).toDouble(), moisture);
        if (d - (purityDeduction + moistureDeduction) < 0)
            return NegativeNetMessage;
    }
    return QString();
}

void Finalisation::storeNets(AppContext& ctx, std::optional<Movement> movement, const qint64 rowId[2], double tiszt,
        double viztart, const QString crop[2])
{
    Query& q = ctx.data.ZQ22;
    if (movement == Movement::Dispatch) {
        q.run(QStringLiteral("UPDATE vello SET jNettoKi = jKimeres - jBemeres, jNettoBe = \"0\" "
                             "WHERE IDj = :p0 OR IDj = :p1"),
                {{QStringLiteral("p0"), rowId[0]}, {QStringLiteral("p1"), rowId[1]}});
        return;
    }
    for (int i = 0; i < 2; ++i) {
        // Each row against the standards of its own crop; a crop row that
        // is not found (the empty crop code of a second row without
        // trailer) deducts nothing, and a figure better than its standard
        // deducts nothing either: the net never exceeds the weighed weight.
        double purityDeduction = 0, moistureDeduction = 0;
        Query& c = ctx.data.ZQ50;
        c.openSql(QStringLiteral("SELECT * FROM termeny WHERE tKod = :p0"), {{QStringLiteral("p0"), crop[i]}});
        if (!c.isEmpty()) {
            purityDeduction = TicketDocument::deductionPoints(c.value(QStringLiteral("tSztiszt")).toDouble() - tiszt);
            moistureDeduction
                    = TicketDocument::deductionPoints(viztart - c.value(QStringLiteral("tSzviztart")).toDouble());
        }
        q.run(QStringLiteral("UPDATE vello SET jNettoBe = ((jBemeres - jKimeres) - (((jBemeres - jKimeres) * :p1 / "
                             "100 ) + ((jBemeres - jKimeres) * :p2 / 100)) ), jNettoKI = \"0\" WHERE IDj = :p0"),
                {{QStringLiteral("p0"), rowId[i]}, {QStringLiteral("p1"), purityDeduction},
                        {QStringLiteral("p2"), moistureDeduction}});
    }
}
