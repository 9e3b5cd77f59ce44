#include "testdb.h"

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

QString TestDb::socket()
{
    return qEnvironmentVariable("VELLO_TEST_SOCKET", QStringLiteral("/tmp/vello-test/mysqld.sock"));
}

ConnectionSettings TestDb::serverSettings(const QString& database)
{
    ConnectionSettings s;
    s.host = QStringLiteral("localhost");
    s.socket = socket();
    s.user = QStringLiteral("root");
    s.database = database;
    return s;
}

TestDb::TestDb(bool withTables)
{
    const int n = g_serial.fetchAndAddRelaxed(1);
    m_name = QStringLiteral("t_%1_%2_%3")
                     .arg(QCoreApplication::applicationName().left(20).replace(QLatin1Char('-'), QLatin1Char('_')))
                     .arg(QCoreApplication::applicationPid())
                     .arg(n);
    m_conn = QStringLiteral("testdb_") + m_name;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), m_conn);
    db.setHostName(QStringLiteral("localhost"));
    db.setUserName(QStringLiteral("root"));
    db.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + socket());
    if (!db.open())
        qFatal("test server not reachable at %s: %s", qPrintable(socket()), qPrintable(db.lastError().text()));
    QSqlQuery q(db);
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name));
    q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(AlibiLog::databaseFor(m_name)));
    if (withTables) {
        try {
            Schema::createDatabase(db, m_name, false, false);
            // The alibi log beside it, as the program finds it: `<name>_alibi`.
            AlibiSchema::create(db, m_name);
        } catch (const DbError& e) {
            qFatal("cannot create test database: %s (%s)", qPrintable(e.text()), qPrintable(e.sql()));
        }
    } else {
        if (!q.exec(QStringLiteral("CREATE DATABASE `%1` DEFAULT CHARACTER SET cp1250").arg(m_name)))
            qFatal("cannot create test database: %s", qPrintable(q.lastError().text()));
        q.exec(QStringLiteral("USE `%1`").arg(m_name));
    }
}

TestDb::~TestDb()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_conn, false);
        if (db.isOpen()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name));
            q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(AlibiLog::databaseFor(m_name)));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_conn);
}

ConnectionSettings TestDb::settings() const
{
    return serverSettings(m_name);
}

QSqlDatabase TestDb::admin() const
{
    return QSqlDatabase::database(m_conn, false);
}

void TestDb::exec(const QString& sql) const
{
    QSqlQuery q(admin());
    if (!q.exec(sql))
        QTest::qFail(qPrintable(QStringLiteral("fixture statement failed: %1: %2").arg(sql, q.lastError().text())),
                __FILE__, __LINE__);
}

QVariant TestDb::scalar(const QString& sql) const
{
    QSqlQuery q(admin());
    if (!q.exec(sql)) {
        QTest::qFail(qPrintable(QStringLiteral("fixture query failed: %1: %2").arg(sql, q.lastError().text())),
                __FILE__, __LINE__);
        return QVariant();
    }
    return q.next() ? q.value(0) : QVariant();
}

int TestDb::count(const QString& table, const QString& where) const
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM %1%2")
                          .arg(table, where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
            .toInt();
}
