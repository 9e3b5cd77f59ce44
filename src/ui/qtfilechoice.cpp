#include "qtfilechoice.h"

#include <QApplication>
#include <QFileDialog>

namespace {
// The dialog sits on the window the user is working in.
QWidget* parentOr(QWidget* parent)
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : parent;
}
}   // namespace

QString QtFileChoice::saveFile(const QString& caption, const QString& proposed, const QString& filter)
{
    return QFileDialog::getSaveFileName(parentOr(m_parent), caption, proposed, filter);
}

QString QtFileChoice::openFile(const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parentOr(m_parent), caption, folder, filter);
}

QString QtFileChoice::folder(const QString& caption, const QString& folder)
{
    return QFileDialog::getExistingDirectory(parentOr(m_parent), caption, folder);
}
