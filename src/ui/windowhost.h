#pragma once

class QDialog;

// Opens every modal window. QtWindowHost runs exec(); tests use ScriptedHost,
// which runs the script registered for the window's objectName.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Shows the window modally and returns its result when it has closed.
    virtual int showModal(QDialog& window) = 0;
};
