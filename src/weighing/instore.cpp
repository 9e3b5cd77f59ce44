#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/textconv.h"
#include "data/transaction.h"
#include "weighing/reconnectlook.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingtexts.h"

WeighingOutcome WeighingStore::storeIn(const WeighingFields& f, const QDateTime& atGiven)
{
    const QDateTime at = atGiven.isValid() ? atGiven : QDateTime::currentDateTime();
    const WeighingRequest& r = m_request;

    // Every number is read before anything is sent: a field that is not a
    // number fails the store with nothing written.
    const auto n = WeighingFieldText::readNumbers(f, true);
    if (!n)
        return end(Outcome::Failed, WeighingTexts::inStore());
    const Query::Binds row {{QStringLiteral("p1"), Passes::code(r.movement)},
            {QStringLiteral("p2"), WeighingRequest::flag(r.trailer)}, {QStringLiteral("p3"), at.date()},
            {QStringLiteral("p4"), Query::notNull(r.plateCode)}, {QStringLiteral("p5"), n->scale1},
            {QStringLiteral("p6"), n->weight1}, {QStringLiteral("p7"), WeighingFieldText::code(f.crop1)},
            {QStringLiteral("p8"), WeighingFieldText::code(f.warehouse1)}, {QStringLiteral("p9"), n->scale2},
            {QStringLiteral("p10"), n->weight2}, {QStringLiteral("p11"), WeighingFieldText::code(f.crop2)},
            {QStringLiteral("p12"), WeighingFieldText::code(f.warehouse2)},
            {QStringLiteral("p13"), Query::notNull(f.inTime)}, {QStringLiteral("p14"), Query::notNull(f.remark)},
            {QStringLiteral("p15"), n->purity}, {QStringLiteral("p16"), n->moisture},
            {QStringLiteral("p17"), n->weight1 + n->weight2}};

    // The "M" counter row stays locked until the COMMIT or ROLLBACK, so the
    // number is issued once and only together with its pending weighing. A
    // lock conflict runs the whole transaction again: the number of the
    // failed attempt went back with it.
    WeighingOutcome o;
    bool started = false;
    bool trailerTold = false;   // the trailer message belongs to this store (shown once, after it)
    bool replyLost = false;
    QString number;
    try {
        retryLockConflicts(m_ctx.data, [&] {
            started = trailerTold = false;
            std::optional<Transaction> t;
            begin(t, m_ctx.data, WeighingTexts::notStarted());
            Counters counters(m_ctx.data);
            const Counters::Draw d = counters.readNext(Counters::M);
            require(d.ok(), WeighingTexts::notStarted(), d.code);
            started = true;
            number = d.number;

            Query::Binds binds {{QStringLiteral("p0"), d.number}};
            binds << row;
            step(WeighingTexts::inStore(), [&] {
                m_ctx.data.ZQ12.run(
                        QStringLiteral(
                                "INSERT INTO meres ( mBszam, mMozgas, mPot, mDatum, mRkod, mBemerleg1, mBemeres1, mTkod1, mKkod1, "
                                "mBemerleg2, mBemeres2, mTkod2, mKkod2, mBeido, mMegj, mTiszt, mViztart, mNetto1 ) VALUES ( :p0, :p1, "
                                ":p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10, :p11, :p12, :p13, :p14, :p15, :p16, :p17 )"),
                        binds);
            });
            // The pending weighing's id from the insert itself, for its log links.
            AlibiStore::Stored stored;
            stored.pendingId = m_ctx.data.ZQ12.lastInsertId().toLongLong();
            stored.weight[0] = n->weight1;
            stored.weight[1] = n->weight2;
            // The number must not be used without its counter store.
            const bool counted = counters.store(Counters::M, d.number);
            require(counted, Counters::storeFailedMessage(Counters::M), counters.storeError());
            QString commitMessage = WeighingTexts::inStore();
            if (r.singleWeighing && r.trailer) {
                trailerTold = true;
            } else if (r.singleWeighing) {
                const double tare = completeTare(f.plateCode.isEmpty() ? r.plateCode : f.plateCode, at.time());
                // as the UPDATE of the tare completion leaves the row
                stored.tareCompleted = true;
                if (r.delivery())
                    stored.weight[2] = tare;
                else {
                    stored.weight[0] = tare;
                    stored.weight[1] = 0;
                }
                commitMessage = WeighingTexts::tare();
            }
            // Every stored weight linked to its alibi log entry, in this transaction.
            require(step(commitMessage, [&] { return AlibiStore(m_ctx, r, f.alibi).recordIn(o, stored); }),
                    commitMessage);
            replyLost = commitOrReplyLost(*t, commitMessage);
        });
    } catch (const StepFailed& failed) {
        // The bracket has rolled back on its way out of the try block.
        if (trailerTold)
            o.show(m_ctx.prompt, WeighingTexts::trailerTare());
        if (failed.message == Counters::storeFailedMessage(Counters::M)) {
            o.show(m_ctx.prompt, failed.message);
            o.end(m_ctx.prompt, Outcome::Failed, WeighingTexts::inStore());
            return o;
        }
        o.end(m_ctx.prompt, started ? Outcome::Failed : Outcome::NotStarted, failed.message);
        return o;
    }
    if (trailerTold)
        o.show(m_ctx.prompt, WeighingTexts::trailerTare());
    if (replyLost) {
        // The COMMIT went out and its reply did not come back: the row with
        // the number drawn and these values is there only if it committed.
        if (!reportLostCommit(o, m_ctx.prompt, ReconnectLook::inStored(m_ctx.data, number, row),
                    WeighingTexts::inLostCommit(number)))
            return o;
    }
    o.weighingNumber = number;
    return o;
}

double WeighingStore::completeTare(const QString& plateCode, const QTime& now)
{
    Query& plate = m_ctx.data.ZQ33;
    step(WeighingTexts::tare(), [&] {
        plate.openSql(QStringLiteral("SELECT * FROM rendszam WHERE rKod = :p0"), {{QStringLiteral("p0"), plateCode}});
    });
    require(!plate.isEmpty(), WeighingTexts::tare());
    const double tare = plate.value(QStringLiteral("rTara")).toDouble();
    // A vehicle that came in empty has its tare on the IN side, one that
    // came in loaded on the OUT side. Only the row just inserted.
    const QString sql = m_request.delivery()
            ? QStringLiteral("UPDATE meres SET mKiido = :p1, mKimeres1 = :p2, mKimeres2 = 0, mKimerleg1 = 0, "
                             "mKimerleg2 = 0, mNetto2 = :p2, mEgymeres = \"I\" WHERE IDm = LAST_INSERT_ID()")
            : QStringLiteral("UPDATE meres SET mBeido = :p1, mBemeres1 = :p2, mBemeres2 = 0, mBemerleg1 = 0, "
                             "mBemerleg2 = 0, mNetto1 = :p2, mEgymeres = \"I\" WHERE IDm = LAST_INSERT_ID()");
    const int updated = step(WeighingTexts::tare(), [&] {
        return m_ctx.data.ZQ12.run(sql, {{QStringLiteral("p1"), TextConv::time(now)}, {QStringLiteral("p2"), tare}});
    });
    require(updated == 1, WeighingTexts::tare());
    return tare;
}
