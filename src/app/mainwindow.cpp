#include "mainwindow.h"

#include "alibi/alibiwindows.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "help/helpwindows.h"
#include "periodclose/periodclosewindows.h"
#include "registers/registerwindows.h"
#include "scale/scalewindows.h"
#include "tickets/ticketswindows.h"
#include "ui/enterfocus.h"
#include "weighing/ticketcorrection.h"
#include "weighing/weighingwindows.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>

MainWindow::MainWindow(AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(title());
    resize(760, 440);

    QMenuBar* bar = menuBar();
    // Each item creates its window, shows it modally and destroys it when it
    // closes; an item without an opener opens nothing.
    using Opener = void (*)(AppContext&);
    // A caption shows its access key underlined (Alt and the letter); the
    // caption's text stays as it is.
    auto add = [this](QWidget* into, const QString& name, const QString& caption, QChar key, Opener opener) {
        auto* a = new QAction(withAccessKey(caption, key), this);
        a->setObjectName(name);
        into->addAction(a);
        if (opener)
            connect(a, &QAction::triggered, this, [this, opener] { opener(m_ctx); });
        return a;
    };
    add(bar, QStringLiteral("Mrlegels1"), QStringLiteral("Mérlegelés"), u'M', &openVehiclesOnSite);
    add(bar, QStringLiteral("Mrlegjegy1"), QStringLiteral("Mérlegjegy"), u'j', &openTicketBrowserToCorrect);
    add(bar, QStringLiteral("Kszlet1"), QStringLiteral("Készlet"), u'K', &openStock);
    add(bar, QStringLiteral("Renszm1"), QStringLiteral("Rendszám"), u'R',
            [](AppContext& c) { openRegisterList(c, RegisterKind::Plates); });
    add(bar, QStringLiteral("Termel1"), QStringLiteral("Termelő"), u'T',
            [](AppContext& c) { openRegisterList(c, RegisterKind::Producers); });
    add(bar, QStringLiteral("ermk1"), QStringLiteral("Termény"), u'n',
            [](AppContext& c) { openRegisterList(c, RegisterKind::Crops); });
    add(bar, QStringLiteral("Raktr1"), QStringLiteral("Raktár"), u'a',
            [](AppContext& c) { openRegisterList(c, RegisterKind::Warehouses); });
    auto* help = new QMenu(withAccessKey(QStringLiteral("Segédlet"), u'S'), this);
    help->setObjectName(QStringLiteral("Segdlet1"));
    help->menuAction()->setObjectName(QStringLiteral("Segdlet1"));
    bar->addMenu(help);
    add(help, QStringLiteral("Arhivls1"), QStringLiteral("Archiválás"), u'A', &openArchiving);
    add(help, QStringLiteral("Exportls1"), QStringLiteral("Exportálás "), u'E', &openExport);
    add(help, QStringLiteral("Sorosportbellts1"), QStringLiteral("Soros port beállítás"), u'p', &openPortSelection);
    add(help, QStringLiteral("Cgnvtrs1"), QStringLiteral("Cégnév átírás"), u'C', &openCompanyData);
    add(help, QStringLiteral("Alibinaplo1"), QStringLiteral("Alibi napló"), u'n', &openAlibiLog);
    add(help, QStringLiteral("Kezelesiutmutato1"), QStringLiteral("Kezelési útmutató\tF1"), u'K', &openHelp);
    QAction* quit = new QAction(withAccessKey(QStringLiteral("Kilépés"), u'l'), this);
    quit->setObjectName(QStringLiteral("Kilps1"));
    bar->addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    // F10 goes to the menu bar, on its first item: the arrows move, Enter
    // opens, Escape goes back.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [bar] {
        if (bar->actions().isEmpty())
            return;
        bar->setFocus(Qt::ShortcutFocusReason);
        bar->setActiveAction(bar->actions().first());
    });

    // On a cluster (or with several nodes set) the status line names the
    // node in use, and follows the move to another node when one is lost.
    auto showNode = [this] {
        const DataModule& data = m_ctx.data;
        if (data.node().isEmpty() || (!data.onCluster() && data.settings().nodes().size() < 2))
            return;
        auto* label = findChild<QLabel*>(QStringLiteral("NodeLabel"));
        if (!label) {
            label = new QLabel(this);
            label->setObjectName(QStringLiteral("NodeLabel"));
            statusBar()->addPermanentWidget(label);
        }
        label->setText(QStringLiteral("Adatbázis-kiszolgáló: %1").arg(data.node()));
    };
    showNode();
    connect(&m_ctx.data, &DataModule::nodeChanged, this, showNode);

    EnterFocus::install(this);
    centre();
}

QString MainWindow::withAccessKey(const QString& caption, QChar key)
{
    const int at = caption.indexOf(key);
    QString text = caption;
    if (at >= 0)
        text.insert(at, QLatin1Char('&'));
    return text;
}

QString MainWindow::caption(const QAction* item)
{
    QString text = item->text();
    const int at = text.indexOf(QLatin1Char('&'));
    if (at >= 0)
        text.remove(at, 1);
    return text;
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
