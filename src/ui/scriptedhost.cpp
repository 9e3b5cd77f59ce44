#include "scriptedhost.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

ScriptedHost& ScriptedHost::expect(const QString& objectName, Script script)
{
    m_scripts[objectName].append(std::move(script));
    return *this;
}

bool ScriptedHost::allRun() const
{
    for (const auto& l : m_scripts)
        if (!l.isEmpty())
            return false;
    return true;
}

QStringList ScriptedHost::pending() const
{
    QStringList out;
    for (auto it = m_scripts.cbegin(); it != m_scripts.cend(); ++it)
        if (!it.value().isEmpty())
            out << QStringLiteral("%1 x%2").arg(it.key()).arg(it.value().size());
    return out;
}

int ScriptedHost::showModal(QDialog& window)
{
    const QString name = window.objectName();
    m_opened << name;
    auto it = m_scripts.find(name);
    if (it == m_scripts.end() || it->isEmpty()) {
        QTest::qFail(QStringLiteral("unexpected window %1").arg(name).toUtf8().constData(), __FILE__, __LINE__);
        return QDialog::Rejected;
    }
    Script script = it->takeFirst();
    // The window under this one, which gets the keyboard back when this one
    // has closed, as a window manager gives it.
    QPointer<QWidget> under = QApplication::activeWindow();
    window.setResult(QDialog::Rejected);
    window.show();
    QCoreApplication::processEvents();
    script(window);
    QCoreApplication::processEvents();
    if (window.isVisible())
        window.close();   // as if closed by the title bar
    QCoreApplication::processEvents();
    if (under && under->isVisible() && under != &window) {
        under->activateWindow();
        QCoreApplication::processEvents();
    }
    return window.result();
}
