#include "mainwindow.h"

#include "app/appcontext.h"
#include "registers/registerwindows.h"
#include "scale/portselectionwindow.h"
#include "ui/enterfocus.h"

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
    auto add = [this](QWidget* into, const QString& name, const QString& caption) {
        auto* a = new QAction(caption, this);
        a->setObjectName(name);
        into->addAction(a);
        connect(a, &QAction::triggered, this, [this, name] { open(name); });
        return a;
    };
    add(bar, QStringLiteral("Mrlegels1"), QStringLiteral("Mérlegelés"));
    add(bar, QStringLiteral("Mrlegjegy1"), QStringLiteral("Mérlegjegy"));
    add(bar, QStringLiteral("Kszlet1"), QStringLiteral("Készlet"));
    add(bar, QStringLiteral("Renszm1"), QStringLiteral("Rendszám"));
    add(bar, QStringLiteral("Termel1"), QStringLiteral("Termelő"));
    add(bar, QStringLiteral("ermk1"), QStringLiteral("Termény"));
    add(bar, QStringLiteral("Raktr1"), QStringLiteral("Raktár"));
    auto* help = new QMenu(QStringLiteral("Segédlet"), this);
    help->setObjectName(QStringLiteral("Segdlet1"));
    help->menuAction()->setObjectName(QStringLiteral("Segdlet1"));
    bar->addMenu(help);
    add(help, QStringLiteral("Arhivls1"), QStringLiteral("Archiválás"));
    add(help, QStringLiteral("Exportls1"), QStringLiteral("Exportálás "));
    add(help, QStringLiteral("Sorosportbellts1"), QStringLiteral("Soros port beállítás"));
    add(help, QStringLiteral("Cgnvtrs1"), QStringLiteral("Cégnév átírás"));
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

void MainWindow::open(const QString& item)
{
    // Each item creates its window, shows it modally and destroys it when it
    // closes. Items whose windows are not part of this build open nothing.
    if (item == QLatin1String("Renszm1"))
        openRegisterList(m_ctx, RegisterKind::Plates);
    else if (item == QLatin1String("Termel1"))
        openRegisterList(m_ctx, RegisterKind::Producers);
    else if (item == QLatin1String("ermk1"))
        openRegisterList(m_ctx, RegisterKind::Crops);
    else if (item == QLatin1String("Raktr1"))
        openRegisterList(m_ctx, RegisterKind::Warehouses);
    else if (item == QLatin1String("Cgnvtrs1"))
        openCompanyData(m_ctx);
    else if (item == QLatin1String("Sorosportbellts1"))
        openPortSelection(m_ctx);
}
