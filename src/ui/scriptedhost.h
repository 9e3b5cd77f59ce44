#pragma once
#include "ui/windowhost.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>
#include <functional>

// Test window host: runs the script registered for a window's objectName
// (fill edits, move a list, click a button). A window that no script expects
// fails the running test and is rejected. A script that leaves its window
// open has it rejected (closed by the title bar).
class ScriptedHost : public WindowHost {
public:
    using Script = std::function<void(QDialog&)>;

    // Scripts for one objectName run in the order they were added, one per opening.
    ScriptedHost& expect(const QString& objectName, Script script);
    int showModal(QDialog& window) override;

    const QStringList& opened() const { return m_opened; }
    bool allRun() const;
    QStringList pending() const;

private:
    QHash<QString, QList<Script>> m_scripts;
    QStringList m_opened;
};
