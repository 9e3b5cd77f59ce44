#pragma once
#include <QString>
#include <QStringList>

// The installed program's report templates. The installed copy under
// <prefix>/share/vello/templates is read-only; every user works from a copy of
// their own under the XDG data folder, so a site changes a printed form by
// replacing a file there. A template missing there is copied again from the
// installed copy at the next start. From a source checkout (no installed copy
// beside the program) nothing of this applies.
namespace SiteTemplates {

// The installed templates that belong to the program in programDir
// (<prefix>/bin -> <prefix>/share/vello/templates), or an empty text when the
// program does not run from an installation.
QString installedFolder(const QString& programDir);

// $XDG_DATA_HOME/vello/templates (by default ~/.local/share/vello/templates).
QString userFolder();

struct Result {
    QString folder;   // the folder to work from
    QStringList copied;   // file names copied from the installed copy
    QString failure;   // empty, or what went wrong (the installed copy is used then)
};

// Copies every file of installed that user lacks (creating user), leaving the
// files already there as they are; copies are writable by their owner.
// When user cannot be made or a copy fails, the result points to installed.
Result prepare(const QString& installed, const QString& user);

// The message shown when the per-user copy could not be made.
QString failureMessage(const Result& r);

}   // namespace SiteTemplates
