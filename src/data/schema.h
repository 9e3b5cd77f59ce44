#pragma once
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

} // namespace Schema
