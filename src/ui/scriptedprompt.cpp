#include "scriptedprompt.h"

#include <QTest>

static const char* kindName(ScriptedPrompt::Kind k)
{
    switch (k) {
    case ScriptedPrompt::Message:
        return "message";
    case ScriptedPrompt::Confirm:
        return "confirm";
    case ScriptedPrompt::ConfirmYesOnly:
        return "confirmYesOnly";
    case ScriptedPrompt::Error:
        return "error";
    }
    return "?";
}

ScriptedPrompt& ScriptedPrompt::expect(Kind kind, const QString& text, bool answer)
{
    m_expected.append({kind, text, answer});
    return *this;
}

QStringList ScriptedPrompt::shownTexts() const
{
    QStringList out;
    for (const Shown& s : m_shown)
        out << s.text;
    return out;
}

QStringList ScriptedPrompt::pending() const
{
    QStringList out;
    for (const Expected& e : m_expected)
        out << QStringLiteral("%1: %2").arg(QLatin1String(kindName(e.kind)), e.text);
    return out;
}

void ScriptedPrompt::clear()
{
    m_expected.clear();
    m_shown.clear();
    m_failures.clear();
}

bool ScriptedPrompt::take(Kind kind, const QString& text, const QString& caption)
{
    m_shown.append({kind, text, caption});
    if (!m_expected.isEmpty() && m_expected.first().kind == kind && m_expected.first().text == text)
        return m_expected.takeFirst().answer;
    if (m_lenient)
        return m_lenientAnswer;
    const QString why = m_expected.isEmpty()
            ? QStringLiteral("unexpected %1: \"%2\"").arg(QLatin1String(kindName(kind)), text)
            : QStringLiteral("unexpected %1: \"%2\", expected %3: \"%4\"")
                      .arg(QLatin1String(kindName(kind)), text, QLatin1String(kindName(m_expected.first().kind)),
                              m_expected.first().text);
    m_failures << why;
    QTest::qFail(why.toUtf8().constData(), __FILE__, __LINE__);
    return false;
}

void ScriptedPrompt::message(const QString& text)
{
    take(Message, text, QString());
}
void ScriptedPrompt::information(const QString& text, const QString& caption)
{
    take(Message, text, caption);
}
bool ScriptedPrompt::confirm(const QString& text)
{
    return take(Confirm, text, QString());
}
void ScriptedPrompt::confirmYesOnly(const QString& text)
{
    take(ConfirmYesOnly, text, QString());
}
void ScriptedPrompt::error(const QString& text, const QString& caption)
{
    take(Error, text, caption);
}
