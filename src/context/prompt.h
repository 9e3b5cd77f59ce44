#pragma once
#include <QString>

// The only way the system shows a message or asks a question. The program
// uses QtPrompt (message boxes); tests use ScriptedPrompt.
class Prompt {
public:
    virtual ~Prompt() = default;
    // A message box with an OK button.
    virtual void message(const QString& text) = 0;
    // The same under a caption of its own ("Kész!").
    virtual void information(const QString& text, const QString& caption) = 0;
    // A question with the buttons Yes and No; true for Yes.
    virtual bool confirm(const QString& text) = 0;
    // A confirmation whose only button is Yes; returns when it is answered or closed.
    virtual void confirmYesOnly(const QString& text) = 0;
    // An error box under a caption (empty caption: the program's title).
    virtual void error(const QString& text, const QString& caption = QString()) = 0;
};
