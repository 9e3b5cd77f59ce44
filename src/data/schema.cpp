#include "schema.h"

#include "data/dberror.h"

#include <QFile>
#include <QRegularExpression>
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
        throw DbError(e.databaseText().isEmpty() ? e.driverText() : e.databaseText(), e.nativeErrorCode().toInt(), sql);
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
        for (const char* host : {"localhost", "127.0.0.1"})
            grantProgramAccount(admin, database, QStringLiteral("vello"), QLatin1String(host));
        run(admin, QStringLiteral("FLUSH PRIVILEGES"));
    }
}

QString programPrivileges()
{
    return QStringLiteral("SELECT, INSERT, UPDATE, DELETE");
}

QString grantPattern(const QString& database)
{
    QString p = database;
    p.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    p.replace(QLatin1Char('_'), QLatin1String("\\_"));
    p.replace(QLatin1Char('%'), QLatin1String("\\%"));
    return p;
}

static QSqlQuery prepared(QSqlDatabase& db, const QString& sql, const QVariantList& binds);

QStringList programAccountHosts(QSqlDatabase& admin, const QString& database, const QString& user)
{
    // A grant names the database as a pattern: as written, or escaped.
    QSqlQuery q = prepared(admin,
            QStringLiteral("SELECT DISTINCT Host FROM mysql.db WHERE User = ? AND Db IN (?, ?) ORDER BY Host"),
            {user, database, grantPattern(database)});
    QStringList hosts;
    while (q.next())
        hosts << q.value(0).toString();
    return hosts;
}

void grantProgramAccount(QSqlDatabase& admin, const QString& database, const QString& user, const QString& host)
{
    prepared(admin, QStringLiteral("SET @vello_user = ?, @vello_host = ?"), {user, host});
    const QString who = QStringLiteral("QUOTE(@vello_user), '@', QUOTE(@vello_host)");
    run(admin, QStringLiteral("EXECUTE IMMEDIATE CONCAT('CREATE USER IF NOT EXISTS ', %1)").arg(who));
    // Whatever it held on the database, under either form of its name.
    QSqlQuery held
            = prepared(admin, QStringLiteral("SELECT Db FROM mysql.db WHERE User = ? AND Host = ? AND Db IN (?, ?)"),
                    {user, host, database, grantPattern(database)});
    QStringList patterns;
    while (held.next())
        patterns << held.value(0).toString();
    for (const QString& p : patterns) {
        for (const char* what : {"GRANT OPTION", "ALL PRIVILEGES"}) {
            prepared(admin, QStringLiteral("SET @vello_db = ?"), {p});
            try {
                run(admin,
                        QStringLiteral("EXECUTE IMMEDIATE CONCAT('REVOKE %1 ON `', REPLACE(@vello_db, '`', '``'), "
                                       "'`.* FROM ', %2)")
                                .arg(QLatin1String(what), who));
            } catch (const DbError& e) {
                if (e.code() != 1141)   // there was nothing of it to revoke
                    throw;
            }
        }
    }
    prepared(admin, QStringLiteral("SET @vello_db = ?"), {grantPattern(database)});
    run(admin,
            QStringLiteral("EXECUTE IMMEDIATE CONCAT('GRANT %1 ON `', REPLACE(@vello_db, '`', '``'), '`.* TO ', %2)")
                    .arg(programPrivileges(), who));
    run(admin, QStringLiteral("SET @vello_user = NULL, @vello_host = NULL, @vello_db = NULL"));
}

QList<CodeKey> codeKeys()
{
    return {{QStringLiteral("rendszam"), QStringLiteral("rKod"), QStringLiteral("rendszam_kod"), QStringLiteral("IDr")},
            {QStringLiteral("termelo"), QStringLiteral("oKod"), QStringLiteral("termelo_kod"), QStringLiteral("IDo")},
            {QStringLiteral("termeny"), QStringLiteral("tKod"), QStringLiteral("termeny_kod"), QStringLiteral("IDt")},
            {QStringLiteral("raktar"), QStringLiteral("kKod"), QStringLiteral("raktar_kod"), QStringLiteral("IDk")},
            {QStringLiteral("sorszam"), QStringLiteral("sKod"), QStringLiteral("PRIMARY"), QString()}};
}

static QSqlQuery prepared(QSqlDatabase& db, const QString& sql, const QVariantList& binds)
{
    QSqlQuery q(db);
    bool ok = q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!ok || !q.exec()) {
        const QSqlError e = q.lastError();
        throw DbError(e.databaseText().isEmpty() ? e.driverText() : e.databaseText(), e.nativeErrorCode().toInt(), sql);
    }
    return q;
}

static QString quoted(const QString& name)
{
    return QLatin1Char('`') + QString(name).replace(QLatin1Char('`'), QLatin1String("``")) + QLatin1Char('`');
}

// The key is there and unique (for the counters: the primary key on sKod).
static bool hasKey(QSqlDatabase& db, const QString& database, const CodeKey& k)
{
    QSqlQuery q = prepared(db,
            QStringLiteral("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = ? "
                           "AND TABLE_NAME = ? AND INDEX_NAME = ? AND COLUMN_NAME = ? AND NON_UNIQUE = 0"),
            {database, k.table, k.index, k.column});
    return q.next() && q.value(0).toInt() > 0;
}

QStringList duplicateCodes(QSqlDatabase& admin, const QString& database)
{
    QStringList out;
    for (const CodeKey& k : codeKeys()) {
        const QString table = quoted(database) + QLatin1Char('.') + k.table;
        const bool counters = k.idColumn.isEmpty();
        // Compared as the key compares them (the column's collation). A
        // register row without a code is no duplicate (a unique key lets
        // several rows have none); a counter without a kind cannot have the
        // kind as its primary key. The counters have no id: their rows are
        // told apart by the number they hold.
        const QString shown = counters ? QStringLiteral("IFNULL(sBszam, 'NULL')") : k.idColumn;
        const QString which = counters ? QStringLiteral("HAVING COUNT(*) > 1 OR MIN(%1) IS NULL").arg(k.column)
                                       : QStringLiteral("HAVING COUNT(*) > 1");
        QSqlQuery q = prepared(admin,
                QStringLiteral("SELECT MIN(%1), COUNT(*), GROUP_CONCAT(%2 ORDER BY %2 SEPARATOR ', ') "
                               "FROM %3%4 GROUP BY %1 %5 ORDER BY MIN(%1)")
                        .arg(k.column, shown, table,
                                counters ? QString() : QStringLiteral(" WHERE %1 IS NOT NULL").arg(k.column), which),
                {});
        while (q.next())
            out << QStringLiteral("%1.%2 %3: %4 (%5 %6)")
                            .arg(k.table, k.column,
                                    q.value(0).isNull()
                                            ? QStringLiteral("érték nélkül")
                                            : QString(QLatin1Char('"') + q.value(0).toString() + QLatin1Char('"')),
                                    QStringLiteral("%1 sor").arg(q.value(1).toInt()),
                                    counters ? QStringLiteral("sBszam") : k.idColumn, q.value(2).toString());
    }
    return out;
}

QStringList addCodeKeys(QSqlDatabase& admin, const QString& database)
{
    QStringList added;
    for (const CodeKey& k : codeKeys()) {
        if (hasKey(admin, database, k))
            continue;
        const QString table = quoted(database) + QLatin1Char('.') + k.table;
        // An older key of the same name on the column is replaced.
        QSqlQuery old = prepared(admin,
                QStringLiteral("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = ? "
                               "AND TABLE_NAME = ? AND INDEX_NAME = ?"),
                {database, k.table, k.idColumn.isEmpty() ? QStringLiteral("sorszam_kod") : k.index});
        const bool hadOld = old.next() && old.value(0).toInt() > 0;
        QString sql;
        if (k.idColumn.isEmpty())
            sql = QStringLiteral("ALTER TABLE %1 MODIFY sKod VARCHAR(1) NOT NULL, %2ADD PRIMARY KEY (sKod)")
                          .arg(table, hadOld ? QStringLiteral("DROP KEY sorszam_kod, ") : QString());
        else
            sql = QStringLiteral("ALTER TABLE %1 %2ADD UNIQUE KEY %3 (%4)")
                          .arg(table, hadOld ? QStringLiteral("DROP KEY %1, ").arg(k.index) : QString(), k.index,
                                  k.column);
        run(admin, sql);
        added << k.table + QLatin1Char('.') + k.column;
    }
    return added;
}

bool addVoidTable(QSqlDatabase& admin, const QString& database)
{
    QSqlQuery q = prepared(admin,
            QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ?"),
            {database, QStringLiteral("sztorno")});
    if (q.next() && q.value(0).toInt() > 0)
        return false;
    const QString head = QStringLiteral("CREATE TABLE sztorno ");
    for (const QString& s : tableStatements()) {
        if (!s.startsWith(head))
            continue;
        run(admin, QStringLiteral("CREATE TABLE %1.sztorno ").arg(quoted(database)) + s.mid(head.size()));
        return true;
    }
    throw DbError(QStringLiteral("create.sql: the sztorno table is missing"));
}

QStringList widenStockKeys(QSqlDatabase& admin, const QString& database)
{
    QStringList made;
    // The key definitions as create.sql writes them in the vello table.
    QString vello;
    for (const QString& s : tableStatements())
        if (s.startsWith(QLatin1String("CREATE TABLE vello ")))
            vello = s;
    static const QRegularExpression key(QStringLiteral("KEY (vello_stock_[a-z]+) \\(([^)]*)\\)"));
    QStringList changes;
    for (auto it = key.globalMatch(vello); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QSqlQuery q = prepared(admin,
                QStringLiteral("SELECT GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX SEPARATOR ', ') FROM "
                               "information_schema.STATISTICS WHERE TABLE_SCHEMA = ? AND TABLE_NAME = 'vello' AND "
                               "INDEX_NAME = ?"),
                {database, m.captured(1)});
        const QString now = q.next() ? q.value(0).toString() : QString();
        if (now.compare(m.captured(2).simplified(), Qt::CaseInsensitive) == 0)
            continue;
        changes << (now.isEmpty() ? QString() : QStringLiteral("DROP KEY %1, ").arg(m.captured(1)))
                        + QStringLiteral("ADD KEY %1 (%2)").arg(m.captured(1), m.captured(2));
        made << m.captured(1);
    }
    if (!changes.isEmpty())
        run(admin, QStringLiteral("ALTER TABLE %1.vello ").arg(quoted(database)) + changes.join(QLatin1String(", ")));
    return made;
}

}   // namespace Schema
