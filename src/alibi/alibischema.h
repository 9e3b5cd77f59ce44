#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The alibi log's database beside a register database (the part of
// db/create.sql between the ALIBI SCHEMA markers), for vello-create, its
// upgrade step and the test databases.
namespace AlibiSchema {

// The statements between the ALIBI SCHEMA markers.
QStringList tableStatements();
// A script as the mariadb client splits it: by the current delimiter, which
// "DELIMITER x" lines change; "--" comment lines between statements skipped.
QStringList splitRoutineScript(const QString& script);

// Creates `<mainDatabase>_alibi`, its tables and its routines on an
// administrative connection where they are missing. An existing log keeps
// every row: its tables gain what later versions added (the ticket entry's
// key) and its routines are replaced, so its chain goes on unbroken. The
// routines run with the rights of the connection's account (their
// definer). Returns true when the database was made now. The connection's
// current database is `mainDatabase` afterwards. Throws DbError.
bool create(QSqlDatabase& admin, const QString& mainDatabase);

// SELECT and EXECUTE on the alibi database, and nothing else (an INSERT
// granted by an older version is taken back), for `user` at each of `hosts`
// (created when missing). The host is a name, an address or a pattern of the
// program's choosing, never typed text. Throws DbError.
void grantProgramUser(QSqlDatabase& admin, const QString& mainDatabase, const QString& user = QStringLiteral("vello"),
        const QStringList& hosts = {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")});

// Every host `user` has an account at for this register: localhost,
// 127.0.0.1, and each host whose account holds rights on the register
// database or its log (the --allow-host workstations).
QStringList programHosts(
        QSqlDatabase& admin, const QString& mainDatabase, const QString& user = QStringLiteral("vello"));
// grantProgramUser for all of programHosts: what an upgrade runs, and what an
// account change calls after it. Returns the hosts. Throws DbError.
QStringList grantProgramAccounts(
        QSqlDatabase& admin, const QString& mainDatabase, const QString& user = QStringLiteral("vello"));

// The name as a grant's database pattern: "_" and "%" escaped.
QString grantPattern(const QString& database);

}   // namespace AlibiSchema
