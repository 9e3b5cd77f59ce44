#include "desktopopen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

QString mimeType(const QString& path)
{
    const QMimeType t = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (t.isValid() && !t.isDefault())
        return t.name();
    if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
    return QString();
}

}   // namespace

bool DesktopOpen::open(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgOpen.isEmpty())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    // xdg-open says that nothing could open the file only after it has
    // given up, in its error output; asking for the default program first
    // tells it at once.
    if (!xdgMime.isEmpty()) {
        const QString type = mimeType(path);
        if (type.isEmpty())
            return false;
        QProcess q;
        q.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
        if (!q.waitForStarted(-1) || !q.waitForFinished(-1) || q.exitStatus() != QProcess::NormalExit
                || q.exitCode() != 0)
            return false;
        if (QString::fromLocal8Bit(q.readAllStandardOutput()).trimmed().isEmpty())
            return false;
    }
    return QProcess::startDetached(xdgOpen, {path});
}

QString DesktopOpen::failedMessage(const QString& path)
{
    return QStringLiteral("Az excel tábla nem nyitható meg: ezen a gépen nincs beállítva program, amely "
                          "megnyitná (például LibreOffice Calc). A fájl elkészült, itt található:\r")
            + path;
}
