#include "registerlistwindow.h"

#include "context/appcontext.h"
#include "registers/registerdialog.h"
#include "registers/registerstate.h"
#include "ui/controls.h"
#include "ui/dialogkeys.h"
#include "ui/querygrid.h"
#include "ui/querytablemodel.h"
#include "ui/windowhost.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

RegisterListWindow::RegisterListWindow(AppContext& ctx, RegisterKind kind, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_member(registerMember(kind)), m_ops(ctx, m_member)
{
    setObjectName(m_member.listWindow);
    setWindowTitle(m_member.listTitle);

    auto* searchLabel = new QLabel(m_member.searchLabel, this);
    searchLabel->setObjectName(QStringLiteral("Label19"));
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("Edit1"));
    m_search->setToolTip(QStringLiteral("Kezdö betükre rákeres"));
    m_search->installEventFilter(this);
    searchLabel->setBuddy(m_search);
    QPushButton* find
            = makeButton(this, QStringLiteral("Button6"), QStringLiteral("Keres"), QStringLiteral("Keresés inditása"));
    m_order = new QLabel(this);
    m_order->setObjectName(QStringLiteral("Label18"));

    m_grid = new QueryGrid(m_ops.list(), this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setToolTip(QStringLiteral("Sorbarendezéshez klikk az oszlop fejlécre."));
    QList<QueryTableModel::Column> cols;
    for (const RegisterColumn& c : m_member.columns)
        cols.append({c.field, c.title});
    m_grid->queryModel()->setColumns(cols);
    fitColumns();
    // A re-run result resets the header; keep the widths.
    connect(m_grid->queryModel(), &QAbstractItemModel::modelReset, this, &RegisterListWindow::fitColumns);
    auto* nav = new QueryNavigator(m_ops.list(), this);
    nav->setObjectName(QStringLiteral("DBNavigator1"));

    QPushButton* pick = makeButton(this, QStringLiteral("Button1"), QStringLiteral("Kiválaszt"),
            QStringLiteral("Ablak záráskor a megjelölt sort átemeli"));
    QPushButton* add = makeButton(this, QStringLiteral("Button2"), QStringLiteral("Új"), m_member.newHint);
    QPushButton* modify = makeButton(this, QStringLiteral("Button3"), QStringLiteral("Módosít"), m_member.modifyHint);
    QPushButton* del = makeButton(
            this, QStringLiteral("Button4"), QStringLiteral("Töröl"), QStringLiteral("Kiválasztott sort törli"));
    QPushButton* print = makeButton(
            this, QStringLiteral("Button7"), QStringLiteral("Nyomtat"), QStringLiteral("Teljes lista a nevekről."));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));

    auto* top = new QHBoxLayout;
    top->addWidget(searchLabel);
    top->addWidget(m_search, 1);
    top->addWidget(find);
    top->addSpacing(20);
    top->addWidget(m_order, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {pick, add, modify, del, print, cancel})
        buttons->addWidget(b);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(m_grid, 1);
    lay->addWidget(nav);
    lay->addLayout(buttons);

    setTabOrder(m_search, find);
    setTabOrder(find, m_grid);
    setTabOrder(m_grid, nav);
    QWidget* prev = nav;
    for (QPushButton* b : {pick, add, modify, del, print, cancel}) {
        setTabOrder(prev, b);
        prev = b;
    }

    connect(find, &QPushButton::clicked, this, &RegisterListWindow::onSearch);
    connect(m_grid, &QueryGrid::headerClicked, this, &RegisterListWindow::onSort);
    connect(pick, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_grid, &QueryGrid::rowActivated, pick, &QPushButton::click);
    m_keys = DialogKeys::install(this, pick, cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, &RegisterListWindow::onNew);
    connect(modify, &QPushButton::clicked, this, &RegisterListWindow::onModify);
    connect(del, &QPushButton::clicked, this, &RegisterListWindow::onDelete);
    connect(print, &QPushButton::clicked, this, &RegisterListWindow::onPrint);

    m_ops.create();
    fitColumns();

    // Wide enough for every column where the screen allows.
    int width = 2 * m_grid->frameWidth() + m_grid->verticalScrollBar()->sizeHint().width()
            + 2 * lay->contentsMargins().left();
    for (int i = 0; i < m_member.columns.size(); ++i)
        width += m_grid->columnWidth(i);
    const int available = screen() ? screen()->availableGeometry().width() - 40 : width;
    resize(qBound(860, width, qMax(860, available)), 520);
}

void RegisterListWindow::done(int result)
{
    QDialog::done(result == QDialog::Rejected && m_keys->leftByEscape() ? EscapedResult : result);
}

void RegisterListWindow::fitColumns()
{
    // Every title readable and the names in view whole, within the window.
    QueryGrid::fitColumns(m_grid);
}

void RegisterListWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    m_order->setText(m_ops.show());
    fitColumns();
    m_search->setFocus();
}

bool RegisterListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        // The search runs with the text as it is before the key changes it,
        // on a key that types (a character, Backspace, Enter). Shift, the
        // cursor keys, Tab and Escape do not search: Escape after moving in
        // the list closes the window on the row moved to.
        auto* k = static_cast<QKeyEvent*>(event);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const bool types = !k->text().isEmpty() && k->key() != Qt::Key_Tab && k->key() != Qt::Key_Backtab
                && k->key() != Qt::Key_Escape;
        if (enter || types)
            m_order->setText(m_ops.search(m_search->text(), enter));
        return enter;   // Enter does not close the window
    }
    return QDialog::eventFilter(watched, event);
}

void RegisterListWindow::onSearch()
{
    m_order->setText(m_ops.search(m_search->text(), true));
}

void RegisterListWindow::onSort(const QString& field)
{
    if (const std::optional<QString> caption = m_ops.sortBy(field))
        m_order->setText(*caption);
}

void RegisterListWindow::onNew()
{
    m_ops.prepareNew();
    openDialog();
}

void RegisterListWindow::onModify()
{
    if (m_ops.prepareModify())
        openDialog();
}

void RegisterListWindow::onDelete()
{
    m_ops.deleteCurrent();
}

void RegisterListWindow::onPrint()
{
    m_ops.print();
}

void RegisterListWindow::openDialog()
{
    openPreparedWindow<RegisterDialog>(
            m_ctx.host, [](RegisterDialog& dialog) { return dialog.prepare(); },
            [this](RegisterDialog& dialog) {
                if (dialog.listRerun())
                    m_order->setText(registerState(m_ctx).orderCaption);
            },
            m_ctx, m_member, this);
}
