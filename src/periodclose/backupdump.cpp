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
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder for the dumps: made 0700 when missing; an existing one that
// belongs to this user is set to 0700 as well (the dumps hold every ticket).
bool prepareFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    const QByteArray path = QFile::encodeName(folder);
    struct stat st { };
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0700)
        return ::chmod(path.constData(), 0700) == 0;
    return true;
}

}   // namespace

// One database into `target` through a new file of its own beside it.
bool DatabaseBackup::dumpOne(const QString& database, const QString& target, bool routines)
{
    QStringList args = clientArguments(m_settings.user);
    args << QStringLiteral("--single-transaction") << QStringLiteral("--no-tablespaces")
         << QStringLiteral("--default-character-set=utf8mb4");
    if (routines)
        args << QStringLiteral("--routines") << QStringLiteral("--triggers");
    args << database;
    // mkostemp: a name nobody had (O_EXCL), mode 0600, never through a link.
    QByteArray part = QFile::encodeName(QFileInfo(target).dir().filePath(QStringLiteral(".vello-mentes-XXXXXX")));
    const int fd = ::mkostemp(part.data(), O_CLOEXEC);
    if (fd < 0) {
        m_error = QStringLiteral("a mentés fájlja nem hozható létre: ") + target;
        return false;
    }
    const QString partName = QFile::decodeName(part);
    const bool ok = runPipe({QStringLiteral("mariadb-dump"), args, m_settings.password},
            {QStringLiteral("gzip"), {QStringLiteral("-c")}, QString()}, QString(), fd);
    const bool written = ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || !written || QFileInfo(partName).size() == 0) {
        if (ok)
            m_error = QStringLiteral("a mentés fájlja nem íródott meg: ") + target;
        QFile::remove(partName);
        return false;
    }
    // rename() replaces atomically; the folder never shows a half dump.
    if (std::rename(part.constData(), QFile::encodeName(target).constData()) != 0) {
        m_error = QStringLiteral("a mentés fájlja nem nevezhető át: ") + target;
        QFile::remove(partName);
        return false;
    }
    return true;
}

QString DatabaseBackup::dump(const QString& folder)
{
    m_error.clear();
    m_alibiFile.clear();
    if (!prepareFolder(folder)) {
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
