#include "createaccounts.h"

#include "alibi/alibischema.h"
#include "data/adminconnection.h"
#include "data/connectionsettings.h"
#include "data/dberror.h"
#include "data/schema.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace CreateAccounts {

namespace {
    void run(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {})
    {
        QSqlQuery q(db);
        bool ok = false;
        if (binds.isEmpty())
            ok = q.exec(sql);
        else {
            ok = q.prepare(sql);
            for (const QVariant& v : binds)
                q.addBindValue(v);
            ok = ok && q.exec();
        }
        if (!ok) {
            const QSqlError e = q.lastError();
            throw DbError(
                    e.databaseText().isEmpty() ? e.driverText() : e.databaseText(), e.nativeErrorCode().toInt(), sql);
        }
    }
}   // namespace

// vello@host with the password and the program's rights (Schema::
// programPrivileges, and the log's); with requireSsl the account is refused
// any link without TLS. The host reaches the account statements only
// through the server's own quoting (QUOTE, bound values), never pasted in.
void allowHost(QSqlDatabase& db, const QString& database, const QString& host, const QString& password, bool requireSsl)
{
    Schema::grantProgramAccount(db, database, QStringLiteral("vello"), host);
    run(db, QStringLiteral("SET @vello_host = ?, @vello_hash = ?"), {host, AdminConnection::passwordHash(password)});
    run(db,
            QStringLiteral("EXECUTE IMMEDIATE CONCAT('ALTER USER ''vello''@', QUOTE(@vello_host), "
                           "' IDENTIFIED BY PASSWORD ', QUOTE(@vello_hash))"));
    if (requireSsl)
        run(db,
                QStringLiteral(
                        "EXECUTE IMMEDIATE CONCAT('ALTER USER ''vello''@', QUOTE(@vello_host), ' REQUIRE SSL')"));
    run(db, QStringLiteral("SET @vello_host = NULL, @vello_hash = NULL"));
    AlibiSchema::grantProgramUser(db, database, QStringLiteral("vello"), {host});
}

// A host of this machine itself. Its accounts are the fixed local ones
// (vello@localhost answers a connection of this machine before any other),
// so a workstation's account there would never be asked for its password.
bool isLoopback(const QString& host)
{
    const QString h = host.toLower();
    return h == QLatin1String("localhost") || h.startsWith(QLatin1String("localhost."))
            || h.startsWith(QLatin1String("127.")) || h == QLatin1String("::1") || h == QLatin1String("0:0:0:0:0:0:0:1")
            || h == QLatin1String("::ffff:127.0.0.1");
}

// Connects with the settings as printed (read back from the text), to the
// database: empty when that works, otherwise the server's reason.
QString tryPrinted(const QString& section, const QString& database)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vello.ini"));
    QFile f(path);
    if (!dir.isValid() || !f.open(QIODevice::WriteOnly))
        return QStringLiteral("a próba beállítófájlja nem írható");
    f.write(section.toUtf8());
    f.close();
    ConnectionSettings s = ConnectionSettings::fromFile(path);
    s.database = database;
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("printed"));
        db.setHostName(s.host);
        db.setPort(s.port);
        db.setDatabaseName(s.database);
        db.setUserName(s.user);
        db.setPassword(s.password);
        db.setConnectOptions(s.connectOptions());
        if (!db.open())
            why = db.lastError().text();
        else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sorszam")))
                why = q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("printed"));
    return why;
}

// The fixed local accounts (vello@localhost, vello@127.0.0.1) get a
// password, with the program's rights.
void setLocalPassword(QSqlDatabase& db, const QString& database, const QString& password)
{
    const QStringList hosts {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")};
    for (const QString& host : hosts) {
        Schema::grantProgramAccount(db, database, QStringLiteral("vello"), host);
        run(db, QStringLiteral("SET @vello_host = ?, @vello_hash = ?"),
                {host, AdminConnection::passwordHash(password)});
        run(db,
                QStringLiteral("EXECUTE IMMEDIATE CONCAT('ALTER USER ''vello''@', QUOTE(@vello_host), "
                               "' IDENTIFIED BY PASSWORD ', QUOTE(@vello_hash))"));
    }
    run(db, QStringLiteral("SET @vello_host = NULL, @vello_hash = NULL"));
    AlibiSchema::grantProgramUser(db, database, QStringLiteral("vello"), hosts);
}

}   // namespace CreateAccounts
