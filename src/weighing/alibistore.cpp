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

namespace {

const QString ReadMessage = QStringLiteral("Hiba: a mérés nem írható az alibi naplóba, a súly nem került át!");
const QString StoreMessage = QStringLiteral("Hiba: a súlyok nem írhatók az alibi naplóba!");
const QString CarryMessage = QStringLiteral("Hiba: az alibi napló kapcsolatai nem vihetők át a mérlegjegyre!");

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

bool AlibiStore::recordIn(Outcome& o)
{
    return record(o, true);
}

bool AlibiStore::recordOut(Outcome& o)
{
    return record(o, false);
}

bool AlibiStore::record(Outcome& o, bool in)
{
    if (alibiHookSetting(m_ctx).skip)
        return true;
    try {
        // What the pending weighing holds now, as the store left it.
        Query q(m_ctx.data, QStringLiteral("alibiStore"));
        const QString columns
                = QStringLiteral("IDm, mEgymeres, mPot, mMozgas, mBemeres1, mBemeres2, mKimeres1, mKimeres2");
        if (in)
            q.openSql(QStringLiteral("SELECT %1 FROM meres WHERE IDm = LAST_INSERT_ID()").arg(columns));
        else
            q.openSql(QStringLiteral("SELECT %1 FROM meres WHERE IDm = :p0").arg(columns),
                    {{QStringLiteral("p0"), m_request.weighingId}});
        if (q.rowCount() != 1)
            throw DbError(QStringLiteral("the pending weighing just stored cannot be read back"));
        const qint64 pendingId = q.value(QStringLiteral("IDm")).toLongLong();
        // A single weighing without trailer stores the plate's register tare
        // as measurement 1 of the empty pass (the entry of a dispatch, the
        // exit of a delivery).
        const bool single = q.text(QStringLiteral("mEgymeres")) == QLatin1String("I")
                && q.text(QStringLiteral("mPot")) != QLatin1String("I");
        const AlibiLog::Direction tarePass
                = Passes::movementOrDispatch(q.text(QStringLiteral("mMozgas"))) == Movement::Delivery ? AlibiLog::Out
                                                                                                      : AlibiLog::In;
        const AlibiLog::Direction pass = in ? AlibiLog::In : AlibiLog::Out;
        double weight[4];
        for (int i = 0; i < 4; ++i)
            weight[i] = q.value(QLatin1String(Slots[i].column)).toDouble();
        q.close();

        AlibiLog log(m_ctx.data);
        for (int i = 0; i < 4; ++i) {
            const Slot& s = Slots[i];
            // The IN store stores every weight (a single weighing both
            // passes); the OUT store only the exit's.
            if (weight[i] == 0 || (!in && s.direction == AlibiLog::In))
                continue;
            qint64 number = 0;
            if (single && s.measurement == 1 && s.direction == tarePass) {
                AlibiLog::Reading r;
                r.source = AlibiEntry::RegisterTare;
                r.kg = weight[i];
                number = log.append(r);
            } else if (s.direction == pass && m_reads.number[s.measurement - 1] != 0
                    && m_reads.kg[s.measurement - 1] == weight[i]) {
                number = m_reads.number[s.measurement - 1];
            } else {
                AlibiLog::Reading r;
                r.source = AlibiEntry::Typed;
                r.kg = weight[i];
                number = log.append(r);
            }
            log.link(number, pendingId, s.measurement, s.direction);
        }
        return true;
    } catch (const DbError& e) {
        if (DbError::lockConflict(e.code()))
            throw;   // the caller's whole transaction runs again
        o.show(m_ctx.prompt, StoreMessage);
        return false;
    }
}

bool AlibiStore::carryToTicket(AppContext& ctx, Outcome& o, qint64 pendingId, const QString& ticket)
{
    try {
        AlibiLog(ctx.data).carryToTicket(pendingId, ticket);
        return true;
    } catch (const DbError& e) {
        if (DbError::lockConflict(e.code()))
            throw;   // the caller's whole transaction runs again
        o.show(ctx.prompt, CarryMessage);
        return false;
    }
}
