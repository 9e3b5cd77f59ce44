#include "scriptedfilechoice.h"

#include <QTest>

namespace {
const char* kindName(ScriptedFileChoice::Kind k)
{
    switch (k) {
    case ScriptedFileChoice::Save:
        return "save file";
    case ScriptedFileChoice::Open:
        return "open file";
    case ScriptedFileChoice::Folder:
        return "folder";
    }
    return "?";
}
}   // namespace

ScriptedFileChoice& ScriptedFileChoice::expect(Kind kind, const QString& answer)
{
    m_expected.append({kind, answer});
    return *this;
}

QStringList ScriptedFileChoice::pending() const
{
    QStringList out;
    for (const auto& e : m_expected)
        out << QStringLiteral("%1: %2").arg(QLatin1String(kindName(e.first)), e.second);
    return out;
}

QString ScriptedFileChoice::take(Kind kind, const QString& caption, const QString& proposed)
{
    m_asked.append({kind, caption, proposed});
    if (!m_expected.isEmpty() && m_expected.first().first == kind)
        return m_expected.takeFirst().second;
    const QString why = QStringLiteral("unexpected %1 question: \"%2\"").arg(QLatin1String(kindName(kind)), caption);
    QTest::qFail(why.toUtf8().constData(), __FILE__, __LINE__);
    return QString();
}

QString ScriptedFileChoice::saveFile(const QString& caption, const QString& proposed, const QString&)
{
    return take(Save, caption, proposed);
}

QString ScriptedFileChoice::openFile(const QString& caption, const QString& folder, const QString&)
{
    return take(Open, caption, folder);
}

QString ScriptedFileChoice::folder(const QString& caption, const QString& folder)
{
    return take(Folder, caption, folder);
}
