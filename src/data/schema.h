#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The creation step's statements (db/create.sql, built into the program).
namespace Schema {

// The statements between the SCHEMA markers: tables, indexes, counter and site rows.
QStringList tableStatements();
// The demonstration rows (db/demo.sql).
QStringList demoStatements();
// Splits an SQL script into statements at semicolons that end a line,
// dropping comment lines.
QStringList splitStatements(const QString& script);

// Creates `database` with the tables on an administrative connection and,
// when grantUser is set, the program's user. Throws DbError.
void createDatabase(QSqlDatabase& admin, const QString& database, bool withUser, bool withDemo);

// The rights of an account of the program on its database. The program's
// statements read and write rows and nothing else: SELECT, INSERT, UPDATE
// and DELETE (a register save's REPLACE is an INSERT and a DELETE;
// archiving moves rows into `archiv` with INSERT ... SELECT and DELETE, and
// needs no work table of its own). Creating, changing or dropping a table,
// an account or a grant is the administrator's (vello-create, vello-backup
// --restore).
QString programPrivileges();
// `user`@`host` (created without a password when missing) gets exactly
// programPrivileges() on `database`: any other right it held there is
// revoked. The host and the user reach the statements only through the
// server's own quoting. Throws DbError.
void grantProgramAccount(QSqlDatabase& admin, const QString& database, const QString& user, const QString& host);
// The hosts of `user`'s accounts that hold any right on `database`.
// Throws DbError.
QStringList programAccountHosts(QSqlDatabase& admin, const QString& database, const QString& user);
// The name as a grant's database pattern: "_" and "%" escaped.
QString grantPattern(const QString& database);

// The keys that keep codes single (db/create.sql): a unique key on the code
// column of each register, the primary key of the counters. A database made
// by an older creation step has plain keys there; the upgrade adds these.
struct CodeKey {
    QString table;   // "termeny"
    QString column;   // "tKod"
    QString index;   // "termeny_kod"; "PRIMARY" for the counters
    QString idColumn;   // "IDt"; empty for the counters
};
QList<CodeKey> codeKeys();
// The codes that more than one row of `database` holds (and, for the
// counters, rows without a kind), one line each:
//   termeny.tKod "1": 2 sor (IDt 3, 7)
// Empty when the keys can be added. Throws DbError.
QStringList duplicateCodes(QSqlDatabase& admin, const QString& database);
// Adds each key of codeKeys() that `database` lacks; returns "table.column"
// of the keys added (empty: all were there). Check duplicateCodes() first:
// a duplicate makes the ALTER fail. Throws DbError.
QStringList addCodeKeys(QSqlDatabase& admin, const QString& database);

// The table of voided tickets (`sztorno`, db/create.sql), which an older
// database lacks: created in `database` when missing, as the creation step
// makes it. True when it was added. Throws DbError.
bool addVoidTable(QSqlDatabase& admin, const QString& database);
// The stock keys of vello (vello_stock_*) as the creation step makes them,
// ending in the ticket number, so that the stock totals leave voided tickets
// out from the key alone: a key that lacks it is made again. Returns the
// keys made again. Throws DbError.
QStringList widenStockKeys(QSqlDatabase& admin, const QString& database);

}   // namespace Schema
