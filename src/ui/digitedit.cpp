#include "digitedit.h"

#include <QKeyEvent>

DigitEdit::DigitEdit(QWidget* parent) : QLineEdit(parent)
{
}

bool DigitEdit::hasCommaOutsideSelection() const
{
    QString rest = text();
    if (hasSelectedText())
        rest.remove(selectionStart(), selectedText().size());
    return rest.contains(QLatin1Char(','));
}

void DigitEdit::keyPressEvent(QKeyEvent* e)
{
    // Enter is no key of a number field: dropped, so it neither presses a
    // button nor leaves the field.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    const QString t = e->text();
    const bool ctrl = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!ctrl && !t.isEmpty() && t.at(0).isPrint()) {
        const bool separator = t.size() == 1 && (t.at(0) == QLatin1Char(',') || t.at(0) == QLatin1Char('.'));
        if (t.size() == 1 && t.at(0) >= QLatin1Char('0') && t.at(0) <= QLatin1Char('9'))
            QLineEdit::keyPressEvent(e);
        else if (separator && m_decimalComma && !hasCommaOutsideSelection())
            insert(QStringLiteral(","));   // the full stop of the numeric keypad becomes the comma
        e->accept();   // anything else is swallowed
        return;
    }
    QLineEdit::keyPressEvent(e);
}
