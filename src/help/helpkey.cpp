#include "helpkey.h"

#include "context/appcontext.h"
#include "help/helpguide.h"
#include "help/helpwindow.h"
#include "help/helpwindows.h"
#include "ui/windowhost.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

HelpKey::HelpKey(AppContext& ctx, QObject* parent) : QObject(parent), m_ctx(ctx)
{
    qApp->installEventFilter(this);
}

HelpKey::~HelpKey()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
        return false;
    // A key press reaches the window system's window first and then the
    // widget with the focus: answer it at the widget.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    QWidget* window = widget->window();
    if (m_open || window->objectName() == QLatin1String("HelpWindow"))
        return true;
    m_open = true;
    openHelpAt(m_ctx, HelpGuide::sectionForWindow(window));
    m_open = false;
    return true;
}

void openHelpAt(AppContext& ctx, const QString& section)
{
    openWindow<HelpWindow>(
            ctx.host, [](HelpWindow&) {}, section, QApplication::activeModalWidget());
}

void openHelp(AppContext& ctx)
{
    openHelpAt(ctx, QString());
}
