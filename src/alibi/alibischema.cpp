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
    return Schema::splitStatements(all.mid(b, e - b));
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

void grantProgramUser(QSqlDatabase& admin, const QString& mainDatabase, const QString& user, const QStringList& hosts)
{
    const QString pattern = quoted(grantPattern(AlibiLog::databaseFor(mainDatabase)));
    // Account names cannot be bound; they come from the program (never from
    // typed text) and are quoted as string literals.
    auto literal = [](QString t) {
        return QLatin1Char('\'')
                + t.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("''"))
                + QLatin1Char('\'');
    };
    for (const QString& host : hosts) {
        const QString who = literal(user) + QLatin1Char('@') + literal(host);
        run(admin, QStringLiteral("CREATE USER IF NOT EXISTS %1").arg(who));
        run(admin, QStringLiteral("GRANT SELECT, INSERT ON %1.* TO %2").arg(pattern, who));
    }
    run(admin, QStringLiteral("FLUSH PRIVILEGES"));
}

}   // namespace AlibiSchema
