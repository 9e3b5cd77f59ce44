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

// Creates `<mainDatabase>_alibi` and its tables on an administrative
// connection where they are missing; an existing log is never touched.
// Returns true when the database was made now. The connection's current
// database is `mainDatabase` afterwards. Throws DbError.
bool create(QSqlDatabase& admin, const QString& mainDatabase);

// INSERT and SELECT on the alibi database, and nothing else, for `user` at
// each of `hosts` (created when missing). The host is a name, an address or
// a pattern of the program's choosing, never typed text. Throws DbError.
void grantProgramUser(QSqlDatabase& admin, const QString& mainDatabase, const QString& user = QStringLiteral("vello"),
        const QStringList& hosts = {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")});

// The name as a grant's database pattern: "_" and "%" escaped.
QString grantPattern(const QString& database);

}   // namespace AlibiSchema
