// The dump: the register and, beside it, its alibi log, each through
// mariadb-dump and gzip into a file that appears only when whole.
#include "databasebackup.h"

#include "alibi/alibilog.h"
#include "data/adminconnection.h"
#include "data/dberror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

// One database into `target` through a temporary name.
bool DatabaseBackup::dumpOne(const QString& database, const QString& target, bool routines)
{
    const QString part = target + QStringLiteral(".part");
    QStringList args = clientArguments();
    args << QStringLiteral("--single-transaction") << QStringLiteral("--no-tablespaces")
         << QStringLiteral("--default-character-set=utf8mb4");
    if (routines)
        args << QStringLiteral("--routines") << QStringLiteral("--triggers");
    args << database;
    const bool ok = runPipe(
            QStringLiteral("mariadb-dump"), args, QStringLiteral("gzip"), {QStringLiteral("-c")}, QString(), part);
    if (!ok || !QFileInfo(part).isFile() || QFileInfo(part).size() == 0) {
        if (ok)
            m_error = QStringLiteral("a mentés fájlja nem íródott meg: ") + part;
        QFile::remove(part);
        return false;
    }
    // rename() replaces atomically; the folder never shows a half dump.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        m_error = QStringLiteral("a mentés fájlja nem nevezhető át: ") + target;
        QFile::remove(part);
        return false;
    }
    return true;
}

QString DatabaseBackup::dump(const QString& folder)
{
    m_error.clear();
    m_alibiFile.clear();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("a mappa nem hozható létre: ") + folder;
        return QString();
    }
    const QDateTime when = QDateTime::currentDateTime();
    const QString alibi = AlibiLog::databaseFor(m_settings.database);
    bool hasLog = false;
    try {
        AdminConnection c(m_settings);
        hasLog = c.databaseExists(alibi);
    } catch (const DbError& e) {
        m_error = QStringLiteral("nem sikerült kapcsolódni az adatbázis-szerverhez: ") + e.text();
        return QString();
    }
    const QString target = QDir(folder).filePath(fileName(m_settings.database, when));
    if (!dumpOne(m_settings.database, target, true))
        return QString();
    if (hasLog) {
        // After the register: the log only grows, so this copy holds every
        // entry the register's copy links to.
        const QString log = QDir(folder).filePath(fileName(alibi, when));
        if (!dumpOne(alibi, log, false)) {
            m_error = QStringLiteral("az alibi napló (%1) mentése nem sikerült: %2").arg(alibi, m_error);
            QFile::remove(target);
            return QString();
        }
        m_alibiFile = log;
    }
    return target;
}
