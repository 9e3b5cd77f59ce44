#pragma once
#include <QString>

// The only way the system asks the user for a file or a folder. The program
// uses QtFileChoice (file dialogs); tests use ScriptedFileChoice. Every call
// returns an empty text when the user cancelled.
class FileChoice {
public:
    virtual ~FileChoice() = default;
    // A file to write, `proposed` offered (a name or a path); filter as
    // "PDF (*.pdf)".
    virtual QString saveFile(const QString& caption, const QString& proposed, const QString& filter) = 0;
    // An existing file to read, starting in `folder`.
    virtual QString openFile(const QString& caption, const QString& folder, const QString& filter) = 0;
    // A folder, starting at `folder`.
    virtual QString folder(const QString& caption, const QString& folder) = 0;
};
