#include "alibischema.h"

#include "alibi/alibilog.h"
#include "data/dberror.h"
#include "data/schema.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

static void initResources()
{
    Q_INIT_RESOURCE(db);
}

namespace AlibiSchema {

static void run(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DbError::from(q.lastError(), sql);
}

static QString quoted(const QString& name)
{
    return QLatin1Char('`') + QString(name).replace(QLatin1Char('`'), QLatin1String("``")) + QLatin1Char('`');
}

QStringList splitRoutineScript(const QString& script)
{
    // As the mariadb client reads it: statements end with the current
    // delimiter; "DELIMITER x" lines change it (routine bodies hold ";").
    QStringList out;
    QString cur;
    QString delimiter = QStringLiteral(";");
    for (const QString& raw : script.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (cur.isEmpty() && (line.isEmpty() || line.startsWith(QLatin1String("--"))))
            continue;
        if (cur.isEmpty() && line.startsWith(QLatin1String("DELIMITER "))) {
            delimiter = line.mid(10).trimmed();
            continue;
        }
        cur += raw + QLatin1Char('\n');
        if (line.endsWith(delimiter)) {
            cur = cur.trimmed();
            cur.chop(delimiter.size());
            out << cur.trimmed();
            cur.clear();
        }
    }
    if (!cur.trimmed().isEmpty())
        out << cur.trimmed();
    return out;
}

QStringList tableStatements()
{
    initResources();
    QFile f(QStringLiteral(":/db/create.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot open file :/db/create.sql"));
    const QString all = QString::fromUtf8(f.readAll());
    const int b = all.indexOf(QLatin1String("-- BEGIN ALIBI SCHEMA"));
    const int e = all.indexOf(QLatin1String("-- END ALIBI SCHEMA"));
    if (b < 0 || e < b)
        throw DbError(QStringLiteral("create.sql: alibi schema markers missing"));
    return splitRoutineScript(all.mid(b, e - b));
}

bool create(QSqlDatabase& admin, const QString& mainDatabase)
{
    const QString alibi = AlibiLog::databaseFor(mainDatabase);
    QSqlQuery q(admin);
    q.prepare(QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?"));
    q.addBindValue(alibi);
    if (!q.exec())
        throw DbError::from(q.lastError());
    const bool existed = q.next();
    const QStringList statements = tableStatements();
    run(admin,
            QStringLiteral("CREATE DATABASE IF NOT EXISTS %1 DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_bin")
                    .arg(quoted(alibi)));
    run(admin, QStringLiteral("USE %1").arg(quoted(alibi)));
    try {
        for (const QString& s : statements)
            run(admin, s);
    } catch (const DbError&) {
        QSqlQuery back(admin);
        back.exec(QStringLiteral("USE %1").arg(quoted(mainDatabase)));
        throw;
    }
    run(admin, QStringLiteral("USE %1").arg(quoted(mainDatabase)));
    return !existed;
}

QString grantPattern(const QString& database)
{
    QString p = database;
    p.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    p.replace(QLatin1Char('_'), QLatin1String("\\_"));
    p.replace(QLatin1Char('%'), QLatin1String("\\%"));
    return p;
}

namespace {
    // Account names cannot be bound; they come from the program or the server's
    // own account list (never from typed text) and are quoted as literals.
    QString literal(QString t)
    {
        return QLatin1Char('\'')
                + t.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("''"))
                + QLatin1Char('\'');
    }
}   // namespace

void grantProgramUser(QSqlDatabase& admin, const QString& mainDatabase, const QString& user, const QStringList& hosts)
{
    const QString pattern = quoted(grantPattern(AlibiLog::databaseFor(mainDatabase)));
    for (const QString& host : hosts) {
        const QString who = literal(user) + QLatin1Char('@') + literal(host);
        run(admin, QStringLiteral("CREATE USER IF NOT EXISTS %1").arg(who));
        // Whatever the account held on the log before (an older version
        // granted INSERT) goes; the grant just before makes the revoke
        // find a row to take.
        run(admin, QStringLiteral("GRANT SELECT ON %1.* TO %2").arg(pattern, who));
        run(admin, QStringLiteral("REVOKE ALL PRIVILEGES ON %1.* FROM %2").arg(pattern, who));
        run(admin, QStringLiteral("GRANT SELECT, EXECUTE ON %1.* TO %2").arg(pattern, who));
    }
    run(admin, QStringLiteral("FLUSH PRIVILEGES"));
}

QStringList programHosts(QSqlDatabase& admin, const QString& mainDatabase, const QString& user)
{
    QStringList hosts {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")};
    const QString sql
            = QStringLiteral("SELECT Host FROM mysql.db WHERE User = ? AND Db IN (?, ?, ?) "
                             "UNION SELECT Host FROM mysql.tables_priv WHERE User = ? AND Db IN (?, ?) ORDER BY Host");
    QSqlQuery q(admin);
    q.prepare(sql);
    const QString alibi = AlibiLog::databaseFor(mainDatabase);
    for (const QString& v : {user, mainDatabase, grantPattern(mainDatabase), grantPattern(alibi), user, mainDatabase,
                 grantPattern(mainDatabase)})
        q.addBindValue(v);
    if (!q.exec())
        throw DbError::from(q.lastError(), sql);
    while (q.next()) {
        const QString host = q.value(0).toString();
        if (!hosts.contains(host))
            hosts << host;
    }
    return hosts;
}

QStringList grantProgramAccounts(QSqlDatabase& admin, const QString& mainDatabase, const QString& user)
{
    const QStringList hosts = programHosts(admin, mainDatabase, user);
    grantProgramUser(admin, mainDatabase, user, hosts);
    return hosts;
}

}   // namespace AlibiSchema
