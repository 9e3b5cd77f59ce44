#pragma once
#include <QString>

// Opens a written file with the desktop's own program for its type, the way
// a file manager would: the type's default program is looked up with
// xdg-mime and the file handed to xdg-open, which returns at once. Where the
// desktop tools are missing, Qt's desktop services are asked instead.
namespace DesktopOpen {

// True when a program was started for `path`; false when none is set up for
// the file's type or none could be started.
bool open(const QString& path);

// The message shown when open() failed, with the file's path.
QString failedMessage(const QString& path);

}   // namespace DesktopOpen
