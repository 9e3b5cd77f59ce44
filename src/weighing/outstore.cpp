#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/textconv.h"
#include "data/transaction.h"
#include "weighing/reconnectlook.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingtexts.h"

WeighingOutcome WeighingStore::storeOut(const WeighingFields& f, const QDateTime& atGiven)
{
    const QDateTime at = atGiven.isValid() ? atGiven : QDateTime::currentDateTime();
    const WeighingRequest& r = m_request;
    const auto n = WeighingFieldText::readNumbers(f, true);
    if (!n)
        return end(Outcome::Failed, WeighingTexts::outStore());

    QString sql = QStringLiteral("UPDATE meres SET mKiido = :p1, mKimeres1 = :p2, mKimeres2 = :p3, mKimerleg1 = :p4, "
                                 "mKimerleg2 = :p5, mNetto2 = :p6, mTiszt = :p11, mViztart = :p12");
    Query::Binds binds {{QStringLiteral("p0"), r.weighingId}, {QStringLiteral("p1"), TextConv::time(at.time())},
            {QStringLiteral("p2"), n->weight1}, {QStringLiteral("p3"), n->weight2}, {QStringLiteral("p4"), n->scale1},
            {QStringLiteral("p5"), n->scale2}, {QStringLiteral("p6"), n->weight1 + n->weight2},
            {QStringLiteral("p11"), n->purity}, {QStringLiteral("p12"), n->moisture}};
    if (!r.delivery()) {
        sql += QStringLiteral(", mTkod1 = :p7, mTkod2 = :p8, mKkod1 = :p9, mKkod2 = :p10");
        binds << qMakePair(QStringLiteral("p7"), QVariant(WeighingFieldText::code(f.crop1)))
              << qMakePair(QStringLiteral("p8"), QVariant(WeighingFieldText::code(f.crop2)))
              << qMakePair(QStringLiteral("p9"), QVariant(WeighingFieldText::code(f.warehouse1)))
              << qMakePair(QStringLiteral("p10"), QVariant(WeighingFieldText::code(f.warehouse2)));
    }
    sql += QStringLiteral(" WHERE IDm = :p0");

    // The weighing being weighed out is locked until the COMMIT: another
    // workstation may have finalised or deleted it since the list was read,
    // and none can while its exit weights are written.
    Query& q = m_ctx.data.ZQ12;
    QString number;
    bool gone = false;
    bool replyLost = false;
    WeighingOutcome o;
    try {
        retryLockConflicts(m_ctx.data, [&] {
            gone = false;
            o = WeighingOutcome();
            std::optional<Transaction> t;
            begin(t, m_ctx.data, WeighingTexts::outStore());
            step(WeighingTexts::outStore(), [&] {
                q.openSql(QStringLiteral("SELECT mBszam FROM meres WHERE IDm = :p0 FOR UPDATE"),
                        {{QStringLiteral("p0"), r.weighingId}});
            });
            gone = q.isEmpty();
            if (gone)
                return;   // nothing to write: the bracket rolls back
            number = q.text(QStringLiteral("mBszam"));
            step(WeighingTexts::outStore(), [&] { q.run(sql, binds); });
            // The exit weights and their alibi log links together.
            require(step(WeighingTexts::outStore(), [&] { return AlibiStore(m_ctx, r, f.alibi).recordOut(o); }),
                    WeighingTexts::outStore());
            replyLost = commitOrReplyLost(*t, WeighingTexts::outStore());
        });
    } catch (const StepFailed& failed) {
        o.end(m_ctx.prompt, Outcome::Failed, failed.message);
        return o;
    }
    if (gone)
        return end(Outcome::Failed, WeighingTexts::gone());
    if (replyLost) {
        if (!reportLostCommit(o, m_ctx.prompt, ReconnectLook::outStored(m_ctx.data, r.weighingId, binds),
                    WeighingTexts::outLostCommit()))
            return o;
    }
    o.weighingNumber = number;
    return o;
}
