#include "enterfocus.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

EnterFocus::EnterFocus(QWidget* window) : QObject(window), m_window(window) {}

static void moveFocus(QWidget* from, bool forward)
{
    QWidget* w = from;
    for (;;) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return;
        if (w->window() == from->window() && w->isVisible() && w->isEnabled()
            && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void EnterFocus::install(QWidget* window)
{
    auto* f = new EnterFocus(window);
    qApp->installEventFilter(f);
}

bool EnterFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != m_window)
        return false;
    // On the menu bar (an item chosen with the keyboard) and in a menu,
    // Enter opens the item.
    if (qobject_cast<QMenuBar*>(w) || qobject_cast<QMenu*>(w))
        return false;
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter)
        return false;
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    if (qobject_cast<QAbstractButton*>(w) && mods == Qt::NoModifier)
        return false;
    if (mods == Qt::NoModifier) {
        moveFocus(w, true);
        return true;
    }
    if (mods == Qt::ShiftModifier) {
        moveFocus(w, false);
        return true;
    }
    return false;
}
