#pragma once
#include <QHash>
#include <QList>
#include <QMap>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <functional>

struct st_mysql;
struct st_mysql_stmt;

// The rows and counts of one statement run through PreparedStatements, held
// as values: the prepared statement is free for its next run at once.
struct PreparedResult {
    bool select = false;
    QSqlRecord record;
    QList<QList<QVariant>> rows;
    qint64 affected = 0;
    QVariant insertId;   // invalid when the statement generated none
};

// The prepared statements of one connection, kept and run again: a statement
// whose SQL text was prepared before on this connection costs one execute
// (one round trip), not the close, prepare, reset and execute that a new
// prepared statement costs each time. Values stay bound parameters (:name in
// the SQL, bound by name); they reach the server as the Qt driver sends them
// and come back as the Qt driver gives them (the same types and texts), so a
// caller cannot tell the two ways apart except by the round trips.
//
// The statements belong to one connection: clear() before or after it
// closes (the client library has then made them unusable; clear() only
// frees them).
class PreparedStatements {
public:
    PreparedStatements() = default;
    ~PreparedStatements();
    PreparedStatements(const PreparedStatements&) = delete;
    PreparedStatements& operator=(const PreparedStatements&) = delete;

    // Runs `sql` with `binds` (":name" -> value) on `mysql`. `afterPrepare`
    // runs when a prepare went out for it (its reply is the connection's
    // latest), before the execute. Throws DbError with the server's text
    // and code.
    PreparedResult run(st_mysql* mysql, const QString& sql, const QMap<QString, QVariant>& binds,
            const std::function<void()>& afterPrepare = {});
    // Frees every statement (sends their close when the connection is still
    // open).
    void clear();
    int size() const { return int(m_entries.size()); }
    // Prepares sent since made.
    qint64 prepares() const { return m_prepares; }

    // `sql` with each :name outside quotes replaced by ?, the names in order.
    static QString positional(const QString& sql, QStringList* names);

private:
    struct Entry;
    Entry* prepare(st_mysql* mysql, const QString& sql, const std::function<void()>& afterPrepare);
    PreparedResult runOnce(st_mysql* mysql, const QString& sql, const QMap<QString, QVariant>& binds,
            const std::function<void()>& afterPrepare);
    void drop(const QString& sql);

    QHash<QString, Entry*> m_entries;
    st_mysql* m_mysql = nullptr;
    qint64 m_prepares = 0;
};
