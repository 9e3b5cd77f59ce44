#include "dialogkeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVariant>

DialogKeys::DialogKeys(QDialog* dialog, QPushButton* defaultButton, QAbstractButton* cancelButton)
    : QObject(dialog), m_dialog(dialog), m_default(defaultButton), m_cancel(cancelButton)
{
}

DialogKeys* DialogKeys::install(QDialog* dialog, QPushButton* defaultButton, QAbstractButton* cancelButton)
{
    auto* keys = new DialogKeys(dialog, defaultButton, cancelButton);
    if (defaultButton)
        defaultButton->setDefault(true);
    dialog->installEventFilter(keys);
    // A focused button takes Enter itself, before the dialog would press
    // its default button instead.
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (qobject_cast<QPushButton*>(b) || qobject_cast<QToolButton*>(b))
            b->installEventFilter(keys);
    return keys;
}

static const char* const OwnsEnter = "vello_ownsEnter";

void DialogKeys::keepEnter(QWidget* control)
{
    control->setProperty(OwnsEnter, true);
}

static bool usable(const QAbstractButton* b)
{
    return b && b->isVisible() && b->isEnabled();
}

bool DialogKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_dialog && event->type() == QEvent::Show)
        m_escaped = false;
    if (watched != m_dialog && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
                && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (usable(button))
                button->click();
            return true;
        }
        return false;
    }
    // Key presses reach the dialog only when the focused control did not
    // take them.
    if (watched != m_dialog || event->type() != QEvent::KeyPress)
        return false;
    auto* k = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier)
        return false;
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus->property(OwnsEnter).toBool())
            return true;
        auto* button = qobject_cast<QAbstractButton*>(focus);
        if (button && focus->window() == m_dialog
                && (qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button))) {
            if (usable(button))
                button->click();
            return true;
        }
        if (usable(m_default))
            m_default->click();
        return true;
    }
    if (k->key() == Qt::Key_Escape) {
        m_escaped = true;
        if (usable(m_cancel))
            m_cancel->click();
        else
            m_dialog->reject();
        return true;
    }
    return false;
}
