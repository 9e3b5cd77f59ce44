#include "qtwindowhost.h"

#include <QDialog>

int QtWindowHost::showModal(QDialog& window)
{
    window.setWindowModality(Qt::ApplicationModal);
    return window.exec();
}
