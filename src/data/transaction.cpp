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
