#pragma once
// Finding and driving the controls of a window in the window tests. A
// control that is not there fails the running test with its name; the
// helpers then do nothing instead of crashing.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

namespace TestUi {

template <class T> T* child(QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        QTest::qFail(qPrintable(QStringLiteral("%1 has no %2").arg(w.objectName(), name)), __FILE__, __LINE__);
    return c;
}

inline void click(QWidget& w, const QString& button)
{
    if (auto* b = child<QAbstractButton>(w, button))
        b->click();
}

// The text of a label, line edit or combo box.
inline QString text(QWidget& w, const QString& control)
{
    if (auto* l = w.findChild<QLabel*>(control))
        return l->text();
    if (auto* e = w.findChild<QLineEdit*>(control))
        return e->text();
    if (auto* c = w.findChild<QComboBox*>(control))
        return c->currentText();
    QTest::qFail(qPrintable(QStringLiteral("%1 has no %2").arg(w.objectName(), control)), __FILE__, __LINE__);
    return QString();
}

inline void setText(QWidget& w, const QString& control, const QString& value)
{
    if (auto* e = child<QLineEdit>(w, control))
        e->setText(value);
}

}   // namespace TestUi
