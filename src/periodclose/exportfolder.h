#pragma once
#include <QString>

// The folder the archive export writes into: the one chosen last time
// (kept in the user's settings between runs), at first the user's documents
// folder.
namespace ExportFolder {

QString defaultFolder();
// The remembered folder, or defaultFolder() when none was chosen yet.
QString remembered();
void remember(const QString& folder);

}   // namespace ExportFolder
