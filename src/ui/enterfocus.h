#pragma once
#include <QObject>

class QWidget;

// Enter moves the focus to the next control, Shift+Enter (and no other
// modifier) to the previous one. Installed on a window (the main window, the
// entry dialogs), it sees the key presses before the window's controls.
// Buttons keep Enter for themselves: a focused push button is clicked; so do
// the menu bar and its menus: Enter opens the item chosen with the keyboard.
// On the last field (the next control is a push button) Enter presses the
// window's default button, when the window has one.
class EnterFocus : public QObject {
    Q_OBJECT
public:
    static void install(QWidget* window);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit EnterFocus(QWidget* window);
    QWidget* m_window;
};
