#include "enterfocus.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWidget>

EnterFocus::EnterFocus(QWidget* window) : QObject(window), m_window(window)
{
}

static QWidget* nextControl(QWidget* from, bool forward)
{
    QWidget* w = from;
    for (;;) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return nullptr;
        if (w->window() == from->window() && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)
                && !w->focusProxy())
            return w;
    }
}

static void moveFocus(QWidget* from, bool forward)
{
    if (QWidget* w = nextControl(from, forward))
        w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

// The window's default button, when it has one that can be pressed.
static QPushButton* defaultButton(QWidget* window)
{
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->isDefault() && b->isVisible() && b->isEnabled())
            return b;
    return nullptr;
}

// The last field: the next control forward is a push button (the row of
// buttons follows the fields), or there is none.
static bool isLastField(QWidget* w)
{
    QWidget* next = nextControl(w, true);
    return !next || qobject_cast<QPushButton*>(next);
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
        // Enter on the last field presses the window's default button ("OK").
        if (QPushButton* ok = defaultButton(m_window); ok && isLastField(w)) {
            ok->click();
            return true;
        }
        moveFocus(w, true);
        return true;
    }
    if (mods == Qt::ShiftModifier) {
        moveFocus(w, false);
        return true;
    }
    return false;
}
