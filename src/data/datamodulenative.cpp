#include "datamodule.h"

#include "data/dberror.h"

#include <QSqlDriver>

#include <mysql.h>

// What the data module reads from the client library's own connection
// handle behind the Qt driver: the server's status flags of the latest
// reply, and the kept prepared statements that run on it.

namespace {
const char* const GoneText = "A kiszolgáló a tranzakciót megszakította (egy másik kiszolgálón írt adat ütközött "
                             "vele); a művelet elölről kezdhető.";
}   // namespace

MYSQL* DataModule::nativeHandle() const
{
    QSqlDatabase db = database();
    if (!db.isValid() || !db.isOpen() || m_broken)
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // The driver's MYSQL* (named after the struct behind the typedef).
    if (!handle.isValid()
            || (qstrcmp(handle.typeName(), "MYSQL*") != 0 && qstrcmp(handle.typeName(), "st_mysql*") != 0))
        return nullptr;
    return *static_cast<MYSQL* const*>(handle.constData());
}

bool DataModule::serverInTransaction() const
{
    if (!isConnected())
        return false;
    const MYSQL* mysql = nativeHandle();
    if (!mysql)
        return m_inTransaction;   // a driver that does not tell: take the bracket's word
    return (mysql->server_status & SERVER_STATUS_IN_TRANS) != 0;
}

bool DataModule::keepsPrepared() const
{
    return m_keepPrepared && nativeHandle() != nullptr;
}

PreparedResult DataModule::runPrepared(const QString& sql, const QMap<QString, QVariant>& binds, bool* checkFailed)
{
    // The statements belong to one connection: a new one starts with none.
    if (m_preparedGeneration != m_generation) {
        m_prepared.clear();
        m_preparedGeneration = m_generation;
    }
    MYSQL* mysql = nativeHandle();
    if (!mysql)
        throw DbError(QStringLiteral("Lost connection to server during query"), 2013, sql);
    // The prepare is a reply of its own: inside a bracket it must still say
    // "in transaction" before the execute goes out.
    return m_prepared.run(mysql, sql, binds, [&] {
        try {
            requireOpenTransaction(sql);
        } catch (const DbError&) {
            if (checkFailed)
                *checkFailed = true;
            throw;
        }
    });
}

void DataModule::requireOpenTransaction(const QString& sql)
{
    if (!m_inTransaction || serverInTransaction())
        return;
    QSqlDatabase db = database();
    if (!db.isValid() || !db.isOpen() || m_broken)
        return;   // a lost connection is reported as such by the statement
    ++m_foundGone;
    throw DbError(QString::fromUtf8(GoneText), 1213, sql);
}
