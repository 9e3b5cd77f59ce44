#pragma once
// Keys pressed as on the keyboard: each goes to the window that has the
// focus (an open menu first), through its shortcuts, to the focused control.
#include <QApplication>
#include <QTest>
#include <QWidget>

namespace TestKeys {

inline void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QCoreApplication::processEvents();
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, mods);
    QCoreApplication::processEvents();
}

inline void type(const QString& text)
{
    QCoreApplication::processEvents();
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
    QCoreApplication::processEvents();
}

// The control that has the keyboard ("" when none has).
inline QString focused()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

} // namespace TestKeys
