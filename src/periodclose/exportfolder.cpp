#include "exportfolder.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kKey = QStringLiteral("export/folder");

#define VELLO_SETTINGS(s)                                                                                              \
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vello"), QStringLiteral("vello"))
}   // namespace

QString ExportFolder::defaultFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QDir::homePath() : docs;
}

QString ExportFolder::remembered()
{
    VELLO_SETTINGS(s);
    const QString f = s.value(kKey).toString();
    return f.isEmpty() ? defaultFolder() : f;
}

void ExportFolder::remember(const QString& folder)
{
    VELLO_SETTINGS(s);
    s.setValue(kKey, folder);
}
