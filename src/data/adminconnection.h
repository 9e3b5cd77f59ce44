#pragma once
#include "data/connectionsettings.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlQuery;

// A connection of its own to the server of a ConnectionSettings, beside the
// data module's, without a default database: for the work on whole databases
// (the backup's look for the alibi log, the restore's scratch copy and swap),
// which names every database it touches. Opened when made, closed and removed
// with the object.
//
// Every failure leaves as DbError: the driver's full text of it (as the
// backup tool has always shown it) and the server's error code.
class AdminConnection {
public:
    // Throws DbError when the server cannot be reached or refuses the user.
    explicit AdminConnection(const ConnectionSettings& s);
    ~AdminConnection();
    AdminConnection(const AdminConnection&) = delete;
    AdminConnection& operator=(const AdminConnection&) = delete;

    // One statement. Throws DbError.
    void exec(const QString& sql);
    // One statement whose failure changes nothing for the caller (a clean-up
    // on the way out): false when it failed. Never throws.
    bool tryExec(const QString& sql) noexcept;
    // The first column of every row. Throws DbError.
    QStringList column(const QString& sql);
    // Every row, its columns joined by '|'. Throws DbError.
    QStringList rows(const QString& sql);
    // The base tables of `database`. Throws DbError.
    QStringList tables(const QString& database);
    // Whether the server has `database`. Throws DbError.
    bool databaseExists(const QString& database);

    // The connection itself, for the schema's steps that take one.
    QSqlDatabase database() const;
    // The host part of this connection's account as the server sees the
    // client ("localhost" over the socket, an address over TCP): where an
    // account of the same kind must be for another client of this machine.
    QString clientHost();

    // `name` as an identifier in a statement (backquoted).
    static QString quoted(QString name);
    // The server's stored form of a password (mysql_native_password): an
    // account statement carries this, never the clear password, so it
    // cannot reach a server log.
    static QString passwordHash(const QString& password);

private:
    [[noreturn]] static void fail(const QSqlQuery& q, const QString& sql);

    QString m_name;
};
