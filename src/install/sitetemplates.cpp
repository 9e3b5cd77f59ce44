#include "sitetemplates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace SiteTemplates {

QString installedFolder(const QString& programDir)
{
    const QDir bin(programDir);
    if (bin.dirName() != QLatin1String("bin"))
        return QString();
    const QString folder = QDir::cleanPath(bin.absoluteFilePath(QStringLiteral("../share/vello/templates")));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vello/templates");
}

Result prepare(const QString& installed, const QString& user)
{
    Result r;
    r.folder = installed;
    if (!QDir().mkpath(user)) {
        r.failure = QStringLiteral("A(z) %1 mappa nem hozható létre.").arg(QDir::toNativeSeparators(user));
        return r;
    }
    const QDir from(installed), to(user);
    const QStringList names = from.entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        const QString target = to.filePath(name);
        // A file the site put there (or a link to one) stays as it is.
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue;
        // Copy under a temporary name first, so that an interrupted copy never
        // leaves a half-written template under the real name.
        const QString part = target + QStringLiteral(".part");
        QFile::remove(part);
        if (!QFile::copy(from.filePath(name), part)
                || !QFile::setPermissions(part,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                | QFileDevice::ReadOther)
                || !QFile::rename(part, target)) {
            QFile::remove(part);
            r.failure
                    = QStringLiteral("A(z) %1 sablon nem másolható ide: %2.").arg(name, QDir::toNativeSeparators(user));
            return r;
        }
        r.copied << name;
    }
    r.folder = user;
    return r;
}

QString failureMessage(const Result& r)
{
    return QStringLiteral("A nyomtatványsablonok saját példánya nem készíthető el.\r%1\r"
                          "A program a telepített sablonokkal fut; ezek nem módosíthatók.")
            .arg(r.failure);
}

}   // namespace SiteTemplates
