#include "clusterdb.h"

#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/dberror.h"
#include "data/schema.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

static QAtomicInt g_serial;

namespace Cluster {

QString dir()
{
    return qEnvironmentVariable("VELLO_CLUSTER_DIR", QStringLiteral("/tmp/vello-cluster"));
}

QString socket(int node)
{
    return QStringLiteral("%1/node%2/mysqld.sock").arg(dir()).arg(node);
}

ConnectionSettings rootSettings(int node, const QString& database)
{
    ConnectionSettings s;
    s.host = QStringLiteral("localhost");
    s.socket = socket(node);
    s.user = QStringLiteral("root");
    s.database = database;
    return s;
}

QSqlDatabase admin(int node)
{
    const QString name = QStringLiteral("cluster_admin_%1").arg(node);
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (db.isValid() && db.isOpen())
        return db;
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
    db.setHostName(QStringLiteral("localhost"));
    db.setUserName(QStringLiteral("root"));
    db.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + socket(node));
    if (!db.open())
        qFatal("cluster node %d not reachable at %s: %s (is scripts/cluster started?)", node, qPrintable(socket(node)),
                qPrintable(db.lastError().text()));
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SET SESSION wsrep_sync_wait = 1")))
        qFatal("cluster node %d: %s", node, qPrintable(q.lastError().text()));
    return db;
}

QVariant scalar(int node, const QString& sql, const QVariantList& binds)
{
    QSqlQuery q(admin(node));
    q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        QTest::qFail(qPrintable(QStringLiteral("node %1: %2: %3").arg(node).arg(sql, q.lastError().text())), __FILE__,
                __LINE__);
        return QVariant();
    }
    return q.next() ? q.value(0) : QVariant();
}

bool exec(int node, const QString& sql, QString* error)
{
    QSqlQuery q(admin(node));
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

}   // namespace Cluster

ClusterDb::ClusterDb(bool withTables)
{
    m_name = QStringLiteral("c_%1_%2_%3")
                     .arg(QCoreApplication::applicationName().left(20).replace(QLatin1Char('-'), QLatin1Char('_')))
                     .arg(QCoreApplication::applicationPid())
                     .arg(g_serial.fetchAndAddRelaxed(1));
    QSqlDatabase db = Cluster::admin(1);
    QSqlQuery q(db);
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name));
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(AlibiLog::databaseFor(m_name)));
    if (!withTables)
        return;
    try {
        Schema::createDatabase(db, m_name, false, false);
        // The alibi log beside it, as the program finds it: `<name>_alibi`.
        AlibiSchema::create(db, m_name);
    } catch (const DbError& e) {
        qFatal("cannot create the cluster test database: %s (%s)", qPrintable(e.text()), qPrintable(e.sql()));
    }
    // The tables are on every node before a test opens a data module there
    // (a read with wsrep_sync_wait waits until the node has applied them).
    for (int node = 2; node <= 3; ++node) {
        QSqlQuery c(Cluster::admin(node));
        c.prepare(QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = ?"));
        c.addBindValue(m_name);
        if (!c.exec() || !c.next() || c.value(0).toInt() == 0)
            qFatal("node %d: the tables of %s are missing", node, qPrintable(m_name));
    }
}

ClusterDb::~ClusterDb()
{
    QSqlQuery q(Cluster::admin(1));
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name));
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(AlibiLog::databaseFor(m_name)));
}

QVariant ClusterDb::scalar(int node, const QString& sql, const QVariantList& binds) const
{
    QSqlQuery use(Cluster::admin(node));
    use.exec(QStringLiteral("USE `%1`").arg(m_name));
    return Cluster::scalar(node, sql, binds);
}
