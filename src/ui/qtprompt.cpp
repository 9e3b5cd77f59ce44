#include "qtprompt.h"

#include <QApplication>
#include <QMessageBox>

// Messages separate their lines with carriage returns.
static QString shown(QString t)
{
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QWidget* QtPrompt::parentWidget() const
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    return m_parent;
}

void QtPrompt::message(const QString& text)
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), shown(text), QMessageBox::Ok,
            parentWidget());
    box.exec();
}

void QtPrompt::information(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Information, caption, shown(text), QMessageBox::Ok, parentWidget());
    box.exec();
}

bool QtPrompt::confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), shown(text),
            QMessageBox::Yes | QMessageBox::No, parentWidget());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompt::confirmYesOnly(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), shown(text), QMessageBox::Yes,
            parentWidget());
    box.setEscapeButton(QMessageBox::Yes);
    box.exec();
}

void QtPrompt::error(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Critical, caption.isEmpty() ? QApplication::applicationDisplayName() : caption,
            shown(text), QMessageBox::Ok, parentWidget());
    box.exec();
}
