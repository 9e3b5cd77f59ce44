#include "vehiclesonsitewindow.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/textconv.h"
#include "registers/registerwindows.h"
#include "tickets/columnhints.h"
#include "ui/controls.h"
#include "ui/dialogkeys.h"
#include "ui/querygrid.h"
#include "ui/querytablemodel.h"
#include "ui/windowhost.h"
#include "weighing/finalisation.h"
#include "weighing/vehiclekinddialog.h"
#include "weighing/weighingdetailtabs.h"
#include "weighing/weighingrequest.h"
#include "weighing/weighingstate.h"
#include "weighing/weighingwindow.h"

#include <QEvent>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Grid columns in their order: the titled ones, then the rest under their names.
QList<QueryTableModel::Column> gridColumns()
{
    QList<QueryTableModel::Column> cols = {{QStringLiteral("rRendszam"), QStringLiteral("Rendszám")},
            {QStringLiteral("rTara"), QStringLiteral("Tára")}, {QStringLiteral("rNev"), QStringLiteral("Név")},
            {QStringLiteral("mBemeres1"), QStringLiteral("Be1")}, {QStringLiteral("mBemeres2"), QStringLiteral("Be2")},
            {QStringLiteral("mKimeres1"), QStringLiteral("Ki1")}, {QStringLiteral("mKimeres2"), QStringLiteral("Ki2")},
            {QStringLiteral("mBszam"), QStringLiteral("Bszám")}};
    const char* const rest[] = {"mMozgas", "mRakott", "mPot", "mEgymeres", "mDatum", "mBeido", "mKiido", "mNetto1",
            "mNetto2", "mBemerleg1", "mBemerleg2", "mKimerleg1", "mKimerleg2", "mRkod", "mTkod1", "mTkod2", "mKkod1",
            "mKkod2", "mAkod", "mOkod", "mMegj", "mTiszt", "mViztart", "IDr", "rKod", "rOkod", "rTelefon", "rCeg",
            "rCim", "rUgyintez", "IDm"};
    for (const char* c : rest)
        cols.append({QLatin1String(c), QLatin1String(c)});
    return cols;
}

}   // namespace

VehiclesOnSiteWindow::VehiclesOnSiteWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx), m_ops(ctx)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Bent lévő rendszámok , jármüvek"));

    m_grid = new QueryGrid(m_ops.list(), this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setToolTip(QStringLiteral("Dupla klikkre sort megjelenit."));
    m_grid->queryModel()->setColumns(gridColumns());
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ColumnHints::install(m_grid->horizontalHeader());
    m_grid->setColumnWidth(0, 110);
    m_grid->setColumnWidth(2, 160);
    auto* nav = new QueryNavigator(m_ops.list(), this);
    nav->setObjectName(QStringLiteral("DBNavigator1"));

    m_tabs = new WeighingDetailTabs(this);

    m_net = new QLineEdit(this);
    m_net->setObjectName(QStringLiteral("Edit35"));
    m_net->setReadOnly(true);
    m_net->setFocusPolicy(Qt::ClickFocus);
    m_net->setMaximumWidth(140);
    auto* netLabel = new QLabel(QStringLiteral("Nettó:"), this);
    netLabel->setBuddy(m_net);

    QPushButton* add = makeButton(this, QStringLiteral("Button2"), QStringLiteral("Új -  BE"),
            QStringLiteral("Új bejövő mérlegelés készítése. Beviteli ablak nyitás"));
    QPushButton* exit = makeButton(this, QStringLiteral("Button1"), QStringLiteral("KI - választ"),
            QStringLiteral("Kimenö jármü kiválasztása.  A jelölt sort megnyitja a mérlegelési adat beirásához."));
    QPushButton* producer
            = makeButton(this, QStringLiteral("Button6"), QStringLiteral("Termelö kiválasztása"), QString());
    QPushButton* del = makeButton(
            this, QStringLiteral("Button4"), QStringLiteral("Töröl"), QStringLiteral("Kiválasztott sort törli"));
    QPushButton* print
            = makeButton(this, QStringLiteral("Button7"), QStringLiteral("Nyomtat"), QStringLiteral("Nyomtatás."));
    QPushButton* ok = makeButton(this, QStringLiteral("Button3"), QStringLiteral("OK"),
            QStringLiteral("Jóváhagyás. Átkerül a mérlegjegyek közé"));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));

    auto* left = new QVBoxLayout;
    left->addWidget(m_grid, 1);
    left->addWidget(nav);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {add, exit, producer, del, print}) {
        b->setMinimumWidth(b->sizeHint().width() + 24);
        side->addWidget(b);
    }
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(side);

    auto* netRow = new QHBoxLayout;
    netRow->addWidget(m_tabs, 1);
    auto* right = new QVBoxLayout;
    auto* netLine = new QHBoxLayout;
    netLine->addWidget(netLabel);
    netLine->addWidget(m_net);
    netLine->addWidget(new QLabel(QStringLiteral("kg"), this));
    right->addLayout(netLine);
    right->addStretch(1);
    right->addWidget(ok);
    right->addWidget(cancel);
    netRow->addLayout(right);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top, 2);
    lay->addLayout(netRow, 3);

    connect(m_grid, &QAbstractItemView::clicked, this, [this] { showFull(); });
    connect(m_grid, &QueryGrid::rowActivated, this, [this] { showFull(); });
    m_grid->installEventFilter(this);
    for (QToolButton* b : {nav->firstButton(), nav->priorButton(), nav->nextButton(), nav->lastButton()})
        connect(b, &QToolButton::clicked, this, [this] { showFull(); });
    connect(add, &QPushButton::clicked, this, &VehiclesOnSiteWindow::onNew);
    connect(exit, &QPushButton::clicked, this, &VehiclesOnSiteWindow::onExit);
    connect(producer, &QPushButton::clicked, this, &VehiclesOnSiteWindow::onProducer);
    connect(del, &QPushButton::clicked, this, &VehiclesOnSiteWindow::onDelete);
    connect(print, &QPushButton::clicked, this, &VehiclesOnSiteWindow::onPrint);
    connect(ok, &QPushButton::clicked, this, &VehiclesOnSiteWindow::onFinalise);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // No default button: Enter in the list shows its row, on a button
    // presses that button; the finalisation is never one stray Enter away.
    DialogKeys::install(this, nullptr, cancel);

    // Tab from the list goes straight to the buttons, "Új -  BE" first.
    QWidget::setTabOrder(m_grid, add);
    // The list as it is when the window is created.
    m_ops.refresh();
    resize(1180, 860);
}

void VehiclesOnSiteWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    shownAgain();
}

bool VehiclesOnSiteWindow::eventFilter(QObject* watched, QEvent* e)
{
    // Moving in the grid with the keyboard shows the row moved to, as a
    // click does: the details always belong to the row the buttons act on.
    if (watched == m_grid && e->type() == QEvent::KeyRelease) {
        switch (static_cast<QKeyEvent*>(e)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            showFull();
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void VehiclesOnSiteWindow::shownAgain()
{
    if (m_failed)
        return;
    m_ops.refreshOnCurrentNumber();
    showFull();
}

void VehiclesOnSiteWindow::fail(const QString& message)
{
    m_failed = true;
    m_ctx.prompt.message(message);
    // Closing from inside a handler or while the window is being shown:
    // leave the current event first.
    QTimer::singleShot(0, this, &QDialog::reject);
}

bool VehiclesOnSiteWindow::showRow()
{
    if (m_failed)
        return false;
    const QString& caption = weighingState(m_ctx).caption;
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Bent lévő rendszámok , jármüvek") : caption);
    double net = 0;
    const auto show = [&] {
        m_weighingId = m_ops.list().value(QStringLiteral("IDm")).toLongLong();
        m_tabs->showRow(m_ops);
        net = m_ops.displayedNet();
    };
    const QString failed = QStringLiteral("Hiba az mérésböl feltöltés Edit-ben való megjelenitésekor!");
    try {
        const QString number = m_ops.currentText(QStringLiteral("mBszam"));
        show();
        if (m_ops.list().isStale()) {
            // The server was restarted meanwhile and a read reconnected: the
            // list is read again and the same weighing shown from it.
            m_ops.refresh();
            m_ops.positionOnNumber(number);
            show();
        }
    } catch (const DbError& e) {
        // A lost connection is said; the window stays (the next click reads again).
        if (e.connectionLost()) {
            m_ctx.prompt.message(e.said(failed));
            return false;
        }
        fail(failed);
        return false;
    }
    m_net->setText(TextConv::number(net));
    return true;
}

bool VehiclesOnSiteWindow::showFull()
{
    if (!showRow())
        return false;
    try {
        m_tabs->showProducer(m_ops.openProducer());
    } catch (const DbError& e) {
        const QString failed = QStringLiteral("Hiba az termelo mérésben Edit-ben való megjelenitésekor!");
        if (e.connectionLost()) {
            m_ctx.prompt.message(e.said(failed));
            return false;
        }
        fail(failed);
        return false;
    }
    return true;
}

void VehiclesOnSiteWindow::onNew()
{
    m_tabs->clearProducer();
    showWindow<VehicleKindDialog>(
            m_ctx, [this] { showRow(); }, this);
    shownAgain();
}

void VehiclesOnSiteWindow::onExit()
{
    weighingState(m_ctx).caption = WeighingCaption::OutSelect;
    if (showRow()) {
        const Query& row = m_ops.list();
        WeighingRequest request;
        request.direction = Direction::Out;
        request.weighingId = m_weighingId;
        request.movement = Passes::movementOrDispatch(row.text(QStringLiteral("mMozgas")));
        request.trailer = row.text(QStringLiteral("mPot")) == QLatin1String("I");
        request.singleWeighing = row.text(QStringLiteral("mEgymeres")) == QLatin1String("I");
        showWindow<WeighingWindow>(
                m_ctx, request, [this] { showRow(); }, this);
    }
    shownAgain();
}

void VehiclesOnSiteWindow::onProducer()
{
    openRegisterList(m_ctx, RegisterKind::Producers);
    // Whatever row the producer list stands on when it closes.
    m_tabs->showProducer(registerListQuery(m_ctx, RegisterKind::Producers));
    m_ops.assignProducer(m_weighingId, m_tabs->producerCode());
    if (m_ops.refresh()) {
        m_ops.positionOnId(m_weighingId);
        showFull();
    }
    shownAgain();
}

void VehiclesOnSiteWindow::onDelete()
{
    const qint64 id = m_ops.list().value(QStringLiteral("IDm")).toLongLong();
    m_ops.deleteWeighing(id, m_ops.list().text(QStringLiteral("rRendszam")));
    showFull();
    shownAgain();
}

void VehiclesOnSiteWindow::onPrint()
{
    m_ops.print(m_ops.list().value(QStringLiteral("IDm")).toLongLong());
    shownAgain();
}

void VehiclesOnSiteWindow::onFinalise()
{
    Finalisation::Input input;
    input.weighingId = m_ops.list().value(QStringLiteral("IDm")).toLongLong();
    input.weighingNumber = m_ops.currentText(QStringLiteral("mBszam"));
    input.netText = m_net->text();
    input.pickConsignee = [this] {
        // The producer list stands on the row picked when it closes.
        openRegisterList(m_ctx, RegisterKind::Producers);
        const Query& producers = registerListQuery(m_ctx, RegisterKind::Producers);
        try {
            return producers.isOpen() && !producers.isEmpty() ? producers.text(QStringLiteral("oKod")) : QString();
        } catch (const DbError&) {
            return QString();
        }
    };
    const FinalisationOutcome out = Finalisation(m_ctx).run(input);
    m_ops.refresh();
    showFull();
    if (!out.focus.isEmpty())
        if (QWidget* w = findChild<QWidget*>(out.focus))
            w->setFocus();
    shownAgain();
}
