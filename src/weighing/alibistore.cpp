#include "alibistore.h"

#include "alibi/alibilog.h"
#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/outcome.h"
#include "data/query.h"
#include "data/textconv.h"
#include "scale/indicatorreading.h"
#include "scale/scaleread.h"

#include <QRegularExpression>

namespace {

const QString ReadMessage = QStringLiteral("Hiba: a mérés nem írható az alibi naplóba, a súly nem került át!");
const QString StoreMessage = QStringLiteral("Hiba: a súlyok nem írhatók az alibi naplóba!");
const QString TicketMessage = QStringLiteral("Hiba: az alibi napló kapcsolatai nem vihetők át a mérlegjegyre!");
const QString WeightDiffersMessage = QStringLiteral(
        "Hiba: a(z) %1 súlya eltér az alibi napló %2. bejegyzésében rögzítettől, a mérlegjegy nem zárható le!");

// The four weights of a pending weighing by direction and measurement.
struct Slot {
    AlibiLog::Direction direction;
    int measurement;
    const char* column;
};
const Slot Slots[] = {{AlibiLog::In, 1, "mBemeres1"}, {AlibiLog::In, 2, "mBemeres2"}, {AlibiLog::Out, 1, "mKimeres1"},
        {AlibiLog::Out, 2, "mKimeres2"}};

}   // namespace

AlibiHookSetting& alibiHookSetting(AppContext& ctx)
{
    return ctx.states.get<AlibiHookSetting>();
}

std::optional<qint64> AlibiStore::recordRead(AppContext& ctx, const ScaleRead::Taken& taken, const QString& digits)
{
    if (alibiHookSetting(ctx).skip)
        return 0;
    AlibiLog::Reading r;
    r.source = AlibiEntry::Scale;
    const std::optional<double> kg = TextConv::toNumber(digits);
    r.kg = kg ? *kg : IndicatorReading::parse(taken.raw).kg;
    r.digits = digits;
    r.status = taken.status;
    r.port = taken.port;
    r.rawFrame = taken.raw;
    try {
        return AlibiLog(ctx.data).append(r);
    } catch (const DbError&) {
        ctx.prompt.message(ReadMessage);
        return std::nullopt;
    }
}

bool AlibiStore::recordIn(Outcome& o, const Stored& stored)
{
    return record(o, true, stored);
}

bool AlibiStore::recordOut(Outcome& o)
{
    if (alibiHookSetting(m_ctx).skip)
        return true;
    Stored stored;
    try {
        // What the pending weighing holds now, as the OUT store left it.
        Query q(m_ctx.data, QStringLiteral("alibiStore"));
        q.openSql(QStringLiteral("SELECT mEgymeres, mPot, mBemeres1, mBemeres2, mKimeres1, mKimeres2 FROM meres "
                                 "WHERE IDm = :p0"),
                {{QStringLiteral("p0"), m_request.weighingId}});
        if (q.rowCount() != 1)
            throw DbError(QStringLiteral("the pending weighing just stored cannot be read back"));
        stored.pendingId = m_request.weighingId;
        stored.tareCompleted = q.text(QStringLiteral("mEgymeres")) == QLatin1String("I")
                && q.text(QStringLiteral("mPot")) != QLatin1String("I");
        for (int i = 0; i < 4; ++i)
            stored.weight[i] = q.value(QLatin1String(Slots[i].column)).toDouble();
        q.close();
    } catch (const DbError& e) {
        if (DbError::lockConflict(e.code()))
            throw;   // the caller's whole transaction runs again
        o.show(m_ctx.prompt, StoreMessage);
        return false;
    }
    return record(o, false, stored);
}

bool AlibiStore::record(Outcome& o, bool in, const Stored& stored)
{
    if (alibiHookSetting(m_ctx).skip)
        return true;
    try {
        // A single weighing without trailer stores the plate's register tare
        // as measurement 1 of the empty pass (the entry of a dispatch, the
        // exit of a delivery).
        const AlibiLog::Direction tarePass = m_request.delivery() ? AlibiLog::Out : AlibiLog::In;
        const AlibiLog::Direction pass = in ? AlibiLog::In : AlibiLog::Out;
        AlibiLog log(m_ctx.data);
        for (int i = 0; i < 4; ++i) {
            const Slot& s = Slots[i];
            const double weight = stored.weight[i];
            // The IN store stores every weight (a single weighing both
            // passes); the OUT store only the exit's.
            if (weight == 0 || (!in && s.direction == AlibiLog::In))
                continue;
            const AlibiLog::Target target {stored.pendingId, s.measurement, s.direction};
            AlibiLog::Reading r;
            r.kg = weight;
            if (stored.tareCompleted && s.measurement == 1 && s.direction == tarePass) {
                r.source = AlibiEntry::RegisterTare;
                log.append(r, target);
            } else if (s.direction == pass && m_reads.number[s.measurement - 1] != 0
                    && m_reads.kg[s.measurement - 1] == weight) {
                log.link(m_reads.number[s.measurement - 1], stored.pendingId, s.measurement, s.direction);
            } else {
                r.source = AlibiEntry::Typed;
                log.append(r, target);
            }
        }
        return true;
    } catch (const DbError& e) {
        if (DbError::lockConflict(e.code()))
            throw;   // the caller's whole transaction runs again
        o.show(m_ctx.prompt, StoreMessage);
        return false;
    }
}

bool AlibiStore::recordTicket(
        AppContext& ctx, Outcome& o, qint64 pendingId, const QString& ticket, const qint64 rowId[2])
{
    try {
        AlibiLog(ctx.data).recordTicket(pendingId, ticket, rowId[0], rowId[1]);
        return true;
    } catch (const DbError& e) {
        if (DbError::lockConflict(e.code()))
            throw;   // the caller's whole transaction runs again
        // The log's refusal of a weight: "alibi-weight:<B|K><1|2>:<entry>".
        const QString text = e.text();
        const int at = text.indexOf(QLatin1String("alibi-weight:"));
        if (e.code() == 1644 && at >= 0) {
            const QString slot = text.mid(at + 13, 2);
            const QString entry = text.mid(at + 16)
                                          .section(QLatin1Char(' '), 0, 0)
                                          .remove(QRegularExpression(QStringLiteral("[^0-9]")));
            const QString which
                    = (slot.startsWith(QLatin1Char('B')) ? QStringLiteral("bemérés ") : QStringLiteral("kimérés "))
                    + slot.mid(1);
            o.show(ctx.prompt, WeightDiffersMessage.arg(which, entry));
        } else
            o.show(ctx.prompt, TicketMessage);
        return false;
    }
}
