#pragma once
// The accounts vello-create makes for the program: a workstation's
// (--allow-host), this machine's password (--local-password-file), and
// the check that printed settings work.
#include <QSqlDatabase>
#include <QString>

namespace CreateAccounts {

// vello@host with the password and the program's rights (Schema::
// programPrivileges, and the log's); with requireSsl the account is refused
// any link without TLS. The host reaches the account statements only
// through the server's own quoting (QUOTE, bound values), never pasted in.
// Throws DbError.
void allowHost(
        QSqlDatabase& db, const QString& database, const QString& host, const QString& password, bool requireSsl);

// A host of this machine itself. Its accounts are the fixed local ones
// (vello@localhost answers a connection of this machine before any other),
// so a workstation's account there would never be asked for its password.
bool isLoopback(const QString& host);

// Connects with the settings as printed (read back from the text), to the
// database: empty when that works, otherwise the server's reason.
QString tryPrinted(const QString& section, const QString& database);

// The fixed local accounts (vello@localhost, vello@127.0.0.1) get a
// password, with the program's rights. Throws DbError.
void setLocalPassword(QSqlDatabase& db, const QString& database, const QString& password);

}   // namespace CreateAccounts
