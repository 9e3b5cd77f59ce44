#include "transaction.h"

#include "data/datamodule.h"
#include "data/dberror.h"

#include <QRandomGenerator>
#include <QThread>
#include <chrono>

Transaction::Transaction(DataModule& dm) : m_dm(dm)
{
    m_dm.begin();
    m_active = true;
}

Transaction::~Transaction()
{
    if (m_active)
        rollback();
}

void Transaction::commit()
{
    if (!m_active)
        return;
    try {
        m_dm.commit();
    } catch (const DbError&) {
        rollback();
        throw;
    }
    m_active = false;
}

bool Transaction::rollback()
{
    if (!m_active)
        return true;
    m_active = false;
    return m_dm.rollback(&m_rollbackError);
}

void begin(std::optional<Transaction>& t, DataModule& dm, const QString& failMessage)
{
    step(failMessage, [&] { t.emplace(dm); });
}

long long lockRetryNow(DataModule& dm)
{
    const LockRetry& r = dm.lockRetry();
    if (r.now)
        return r.now();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

bool retryAfterLockConflict(DataModule& dm, int code, int attempt, long long startedMs)
{
    if (!DbError::lockConflict(code))
        return false;
    // A bracket opened by hand is still open: the server may have rolled it
    // back (1213) or kept it (1205); either way it is ended here, and the
    // next attempt starts from a clean connection or not at all.
    if (dm.inTransaction() && !dm.rollback())
        return false;
    if (!dm.isConnected() || dm.inTransaction())
        return false;
    const LockRetry& r = dm.lockRetry();
    const long long left = r.budgetMs - (lockRetryNow(dm) - startedMs);
    if (left <= 0)
        return false;
    // A random pause, its range growing with the attempts (up to
    // maxPauseMs), so that two workstations that met once do not meet
    // again in step; never past the budget.
    const int upper = int(qMin<long long>(r.maxPauseMs, qMax(r.minPauseMs, 4) * (1LL << qMin(attempt - 1, 10))));
    const int pause = int(qMin<long long>(
            left, r.minPauseMs + QRandomGenerator::global()->bounded(qMax(1, upper - r.minPauseMs + 1))));
    if (r.pause)
        r.pause(pause);
    else
        QThread::msleep(ulong(pause));
    return true;
}

bool commitOrReplyLost(Transaction& t, const QString& failMessage)
{
    try {
        t.commit();
        return false;
    } catch (const DbError& e) {
        if (!e.connectionLost())
            throw StepFailed {failMessage, e.text(), e.code()};
        return true;
    }
}

bool reportLostCommit(Outcome& o, Prompt& prompt, LostCommit found, const LostCommitMessages& messages)
{
    switch (found) {
    case LostCommit::Committed:
        o.show(prompt, messages.committed);
        return true;
    case LostCommit::NotCommitted:
        o.end(prompt, Outcome::Failed, messages.notCommitted);
        return false;
    case LostCommit::Unknown:
        break;
    }
    o.end(prompt, Outcome::Failed, messages.unknown);
    return false;
}
