#pragma once
#include "context/prompt.h"

#include <QList>
#include <QStringList>

// Test prompt: a queue of expected prompts with their answers. Every prompt
// shown is recorded; one that is not the next expected fails the running
// test (QTest::qFail) and is answered No.
class ScriptedPrompt : public Prompt {
public:
    enum Kind { Message, Confirm, ConfirmYesOnly, Error };
    struct Shown {
        Kind kind;
        QString text;
        QString caption;
    };

    ScriptedPrompt& expect(Kind kind, const QString& text, bool answer = true);
    ScriptedPrompt& expectMessage(const QString& text) { return expect(Message, text); }
    ScriptedPrompt& expectConfirm(const QString& text, bool answer) { return expect(Confirm, text, answer); }
    ScriptedPrompt& expectError(const QString& text) { return expect(Error, text); }
    // Accept any prompt (benchmarks, set-up code); confirm answers `answer`.
    void setLenient(bool on, bool answer = true)
    {
        m_lenient = on;
        m_lenientAnswer = answer;
    }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList shownTexts() const;
    bool allAnswered() const { return m_expected.isEmpty(); }
    QStringList pending() const;
    const QStringList& failures() const { return m_failures; }
    void clear();

    void message(const QString& text) override;
    void information(const QString& text, const QString& caption) override;
    bool confirm(const QString& text) override;
    void confirmYesOnly(const QString& text) override;
    void error(const QString& text, const QString& caption = QString()) override;

private:
    struct Expected {
        Kind kind;
        QString text;
        bool answer;
    };
    bool take(Kind kind, const QString& text, const QString& caption);

    QList<Expected> m_expected;
    QList<Shown> m_shown;
    QStringList m_failures;
    bool m_lenient = false;
    bool m_lenientAnswer = true;
};
