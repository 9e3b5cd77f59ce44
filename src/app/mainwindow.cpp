#include "mainwindow.h"

#include "alibi/alibiwindows.h"
#include "context/appcontext.h"
#include "help/helpwindows.h"
#include "periodclose/periodclosewindows.h"
#include "registers/registerwindows.h"
#include "scale/scalewindows.h"
#include "tickets/ticketswindows.h"
#include "ui/enterfocus.h"
#include "weighing/weighingwindows.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

MainWindow::MainWindow(AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(title());
    resize(760, 440);

    QMenuBar* bar = menuBar();
    // Each item creates its window, shows it modally and destroys it when it
    // closes; an item without an opener opens nothing.
    using Opener = void (*)(AppContext&);
    auto add = [this](QWidget* into, const QString& name, const QString& caption, Opener opener) {
        auto* a = new QAction(caption, this);
        a->setObjectName(name);
        into->addAction(a);
        if (opener)
            connect(a, &QAction::triggered, this, [this, opener] { opener(m_ctx); });
        return a;
    };
    add(bar, QStringLiteral("Mrlegels1"), QStringLiteral("Mérlegelés"), &openVehiclesOnSite);
    add(bar, QStringLiteral("Mrlegjegy1"), QStringLiteral("Mérlegjegy"), &openTicketBrowser);
    add(bar, QStringLiteral("Kszlet1"), QStringLiteral("Készlet"), &openStock);
    add(bar, QStringLiteral("Renszm1"), QStringLiteral("Rendszám"),
        [](AppContext& c) { openRegisterList(c, RegisterKind::Plates); });
    add(bar, QStringLiteral("Termel1"), QStringLiteral("Termelő"),
        [](AppContext& c) { openRegisterList(c, RegisterKind::Producers); });
    add(bar, QStringLiteral("ermk1"), QStringLiteral("Termény"),
        [](AppContext& c) { openRegisterList(c, RegisterKind::Crops); });
    add(bar, QStringLiteral("Raktr1"), QStringLiteral("Raktár"),
        [](AppContext& c) { openRegisterList(c, RegisterKind::Warehouses); });
    auto* help = new QMenu(QStringLiteral("Segédlet"), this);
    help->setObjectName(QStringLiteral("Segdlet1"));
    help->menuAction()->setObjectName(QStringLiteral("Segdlet1"));
    bar->addMenu(help);
    add(help, QStringLiteral("Arhivls1"), QStringLiteral("Archiválás"), &openArchiving);
    add(help, QStringLiteral("Exportls1"), QStringLiteral("Exportálás "), &openExport);
    add(help, QStringLiteral("Sorosportbellts1"), QStringLiteral("Soros port beállítás"), &openPortSelection);
    add(help, QStringLiteral("Cgnvtrs1"), QStringLiteral("Cégnév átírás"), &openCompanyData);
    add(help, QStringLiteral("Alibinaplo1"), QStringLiteral("Alibi napló"), &openAlibiLog);
    add(help, QStringLiteral("Kezelesiutmutato1"), QStringLiteral("Kezelési útmutató\tF1"), &openHelp);
    QAction* quit = new QAction(QStringLiteral("Kilépés"), this);
    quit->setObjectName(QStringLiteral("Kilps1"));
    bar->addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    EnterFocus::install(this);
    centre();
}

void MainWindow::centre()
{
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - rect().center());
    }
}

QAction* MainWindow::item(const QString& objectName) const
{
    for (QAction* a : findChildren<QAction*>())
        if (a->objectName() == objectName)
            return a;
    return nullptr;
}
