#pragma once
#include <QHash>
#include <QString>

// The register window state: lasts for the whole run.
struct RegisterWindowState {
    QString orderCaption;                 // the list order caption
    QString dialogMode;                   // register dialog mode
    QHash<QString, QString> lastSavedCode;   // per register table: last saved code
};
