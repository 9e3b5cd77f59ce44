#pragma once
#include <QPushButton>

// A window's push button: objectName, caption and hint (its tooltip); Enter
// in an edit box of the window does not press it.
inline QPushButton* makeButton(
        QWidget* parent, const QString& name, const QString& text, const QString& hint = QString())
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}
