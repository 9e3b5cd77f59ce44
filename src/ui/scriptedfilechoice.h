#pragma once
#include "context/filechoice.h"

#include <QList>
#include <QStringList>

// Test file choice: a queue of expected questions with their answers (a path,
// or an empty text for "cancelled"). Every question asked is recorded; one
// that is not the next expected fails the running test and is cancelled.
class ScriptedFileChoice : public FileChoice {
public:
    enum Kind { Save, Open, Folder };
    struct Asked {
        Kind kind;
        QString caption;
        QString proposed;   // proposed file or starting folder
    };

    ScriptedFileChoice& expect(Kind kind, const QString& answer);
    ScriptedFileChoice& expectSave(const QString& answer) { return expect(Save, answer); }
    ScriptedFileChoice& expectOpen(const QString& answer) { return expect(Open, answer); }
    ScriptedFileChoice& expectFolder(const QString& answer) { return expect(Folder, answer); }

    const QList<Asked>& asked() const { return m_asked; }
    bool allAnswered() const { return m_expected.isEmpty(); }
    QStringList pending() const;

    QString saveFile(const QString& caption, const QString& proposed, const QString& filter) override;
    QString openFile(const QString& caption, const QString& folder, const QString& filter) override;
    QString folder(const QString& caption, const QString& folder) override;

private:
    QString take(Kind kind, const QString& caption, const QString& proposed);

    QList<QPair<Kind, QString>> m_expected;
    QList<Asked> m_asked;
};
