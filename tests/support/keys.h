#pragma once
// Keys pressed as on the keyboard: each goes to the window that has the
// focus (an open menu first), through its shortcuts, to the focused control.
#include <QApplication>
#include <QTest>
#include <QWidget>

namespace TestKeys {

// The keyboard is somewhere: the scripted host gives it back to the window
// under a closed one; a modal window left without it gets it.
inline void refocus()
{
    QCoreApplication::processEvents();
    if (QApplication::activePopupWidget() || QGuiApplication::focusWindow())
        return;
    if (QWidget* w = QApplication::activeModalWidget()) {
        w->activateWindow();
        QCoreApplication::processEvents();
    }
}

inline void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    refocus();
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, mods);
    QCoreApplication::processEvents();
}

inline void type(const QString& text)
{
    refocus();
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
    QCoreApplication::processEvents();
}

// The control that has the keyboard ("" when none has).
inline QString focused()
{
    refocus();
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

}   // namespace TestKeys
