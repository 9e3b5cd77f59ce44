#include "transaction.h"

#include "data/datamodule.h"
#include "data/dberror.h"

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

bool retryAfterLockConflict(DataModule& dm, int code, int attempt, int tries)
{
    if (!DbError::lockConflict(code) || attempt >= tries)
        return false;
    // A bracket opened by hand is still open: the server may have rolled it
    // back (1213) or kept it (1205); either way it is ended here, and the
    // next attempt starts from a clean connection or not at all.
    if (dm.inTransaction() && !dm.rollback())
        return false;
    return dm.isConnected() && !dm.inTransaction();
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
