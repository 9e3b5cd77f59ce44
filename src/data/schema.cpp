#include "schema.h"

#include "data/dberror.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

// The creation script is built into the static core library: its resource
// must be registered before the first read.
static void initResources()
{
    Q_INIT_RESOURCE(db);
}

namespace Schema {

static QString resource(const QString& path)
{
    initResources();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot open file %1").arg(path));
    return QString::fromUtf8(f.readAll());
}

QStringList splitStatements(const QString& script)
{
    QStringList out;
    QString cur;
    for (const QString& raw : script.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        cur += raw + QLatin1Char('\n');
        if (line.endsWith(QLatin1Char(';'))) {
            cur = cur.trimmed();
            cur.chop(1);
            out << cur;
            cur.clear();
        }
    }
    if (!cur.trimmed().isEmpty())
        out << cur.trimmed();
    return out;
}

QStringList tableStatements()
{
    const QString all = resource(QStringLiteral(":/db/create.sql"));
    const int b = all.indexOf(QLatin1String("-- BEGIN SCHEMA"));
    const int e = all.indexOf(QLatin1String("-- END SCHEMA"));
    if (b < 0 || e < b)
        throw DbError(QStringLiteral("create.sql: schema markers missing"));
    return splitStatements(all.mid(b, e - b));
}

QStringList demoStatements()
{
    return splitStatements(resource(QStringLiteral(":/db/demo.sql")));
}

static void run(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        const QSqlError e = q.lastError();
        throw DbError(e.databaseText().isEmpty() ? e.driverText() : e.databaseText(),
                      e.nativeErrorCode().toInt(), sql);
    }
}

void createDatabase(QSqlDatabase& admin, const QString& database, bool withUser, bool withDemo)
{
    run(admin, QStringLiteral("CREATE DATABASE `%1` DEFAULT CHARACTER SET cp1250").arg(database));
    run(admin, QStringLiteral("USE `%1`").arg(database));
    for (const QString& s : tableStatements())
        run(admin, s);
    if (withDemo)
        for (const QString& s : demoStatements())
            run(admin, s);
    if (withUser) {
        for (const char* host : {"localhost", "127.0.0.1"}) {
            run(admin, QStringLiteral("CREATE USER IF NOT EXISTS 'vello'@'%1'").arg(QLatin1String(host)));
            run(admin, QStringLiteral("GRANT ALL PRIVILEGES ON `%1`.* TO 'vello'@'%2'")
                           .arg(database, QLatin1String(host)));
        }
        run(admin, QStringLiteral("FLUSH PRIVILEGES"));
    }
}

} // namespace Schema
