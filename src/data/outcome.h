#pragma once
#include "context/prompt.h"

#include <QString>
#include <QStringList>

// What an operation that writes ended in, handed to the window that ran it.
// The operation shows its messages through the prompt as it goes (show()) and
// records them here; the window shows none of them again, it only acts on
// the result (focus a control, refresh, close).
struct Outcome {
    enum Result {
        Done,   // the operation did what it was asked
        Refused,   // a check failed: its message was shown, nothing was written
        NotStarted,   // the write could not start: nothing was written
        Failed,   // the write failed: its message was shown, all of it rolled back
    };
    Result result = Done;
    QStringList messages;   // the messages shown, in order
    QString focus;   // objectName of the control to focus (Refused)

    bool done() const { return result == Done; }

    // Shows `message` and records it.
    void show(Prompt& prompt, const QString& message)
    {
        prompt.message(message);
        messages << message;
    }
    // Ends in `r` after showing `message` (none when empty); returns itself,
    // so that an operation can `return o.end(...)`.
    Outcome& end(Prompt& prompt, Result r, const QString& message, const QString& focusOn = QString())
    {
        result = r;
        focus = focusOn;
        if (!message.isEmpty())
            show(prompt, message);
        return *this;
    }
};
