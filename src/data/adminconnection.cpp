#include "adminconnection.h"

#include "data/dberror.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {
DbError errorOf(const QSqlError& e, const QString& sql = QString())
{
    return DbError(e.text(), e.nativeErrorCode().toInt(), sql);
}
}   // namespace

AdminConnection::AdminConnection(const ConnectionSettings& s)
    : m_name(QStringLiteral("admin-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), m_name);
    db.setHostName(s.host);
    db.setPort(s.port);
    db.setUserName(s.user);
    db.setPassword(s.password);
    db.setConnectOptions(s.connectOptions());
    if (!db.open()) {
        const DbError e = errorOf(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw e;
    }
}

AdminConnection::~AdminConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

void AdminConnection::fail(const QSqlQuery& q, const QString& sql)
{
    throw errorOf(q.lastError(), sql);
}

void AdminConnection::exec(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(sql))
        fail(q, sql);
}

bool AdminConnection::tryExec(const QString& sql) noexcept
{
    try {
        exec(sql);
        return true;
    } catch (...) {
        return false;
    }
}

QStringList AdminConnection::column(const QString& sql)
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(sql))
        fail(q, sql);
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QStringList AdminConnection::rows(const QString& sql)
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(sql))
        fail(q, sql);
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << q.value(i).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList AdminConnection::tables(const QString& database)
{
    return column(QStringLiteral("SHOW FULL TABLES FROM %1 WHERE Table_type = 'BASE TABLE'").arg(quoted(database)));
}

bool AdminConnection::databaseExists(const QString& database)
{
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?");
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(sql);
    q.addBindValue(database);
    if (!q.exec() || !q.next())
        fail(q, sql);
    return q.value(0).toInt() > 0;
}

QString AdminConnection::quoted(QString name)
{
    name.replace(QLatin1Char('`'), QLatin1String("``"));
    return QLatin1Char('`') + name + QLatin1Char('`');
}

QSqlDatabase AdminConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

QString AdminConnection::clientHost()
{
    const QStringList user = column(QStringLiteral("SELECT SUBSTRING_INDEX(USER(), '@', -1)"));
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9._:-]{1,255}$"));
    const QString host = user.value(0);
    return plain.match(host).hasMatch() ? host : QStringLiteral("localhost");
}

QString AdminConnection::passwordHash(const QString& password)
{
    const QByteArray once = QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha1);
    const QByteArray twice = QCryptographicHash::hash(once, QCryptographicHash::Sha1);
    return QStringLiteral("*") + QString::fromLatin1(twice.toHex().toUpper());
}
