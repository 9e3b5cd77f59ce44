#include "stockwindow.h"

#include "context/appcontext.h"
#include "data/datamodule.h"
#include "tickets/columnhints.h"
#include "tickets/stockchart.h"
#include "ui/controls.h"
#include "ui/dialogkeys.h"
#include "ui/querygrid.h"
#include "ui/querytablemodel.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

StockWindow::StockWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx), m_ops(ctx)
{
    setObjectName(QStringLiteral("TForm18"));
    setWindowTitle(QStringLiteral("Készlet"));

    auto* frame = new QGroupBox(QStringLiteral("Melyik ?"), this);
    frame->setObjectName(QStringLiteral("GroupBox1"));
    auto* fl = new QHBoxLayout(frame);
    const QStringList captions = {QStringLiteral("Terményenként"), QStringLiteral("Erről a napról:"),
            QStringLiteral("Személyenként"), QStringLiteral("Raktáranként")};
    m_date = new QDateEdit(frame);
    m_date->setObjectName(QStringLiteral("DateTimePicker1"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy.MM.dd"));
    for (int i = 0; i < 4; ++i) {
        m_radio[i] = new QRadioButton(captions[i], frame);
        m_radio[i]->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        m_radio[i]->installEventFilter(this);
        fl->addWidget(m_radio[i]);
        if (i == 1)
            fl->addWidget(m_date);
        fl->addSpacing(12);
        connect(m_radio[i], &QRadioButton::clicked, this, [this] {
            showTab(0);
            computeTotals();
        });
    }
    fl->addStretch();
    m_radio[0]->setChecked(true);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    QWidget* totals = buildTab(false);
    totals->setObjectName(QStringLiteral("TabSheet1"));
    QWidget* items = buildTab(true);
    items->setObjectName(QStringLiteral("TabSheet2"));
    m_tabs->addTab(totals, QStringLiteral("Összesen"));
    m_tabs->addTab(items, QStringLiteral("Tételes"));

    QPushButton* print
            = makeButton(this, QStringLiteral("Button7"), QStringLiteral("Nyomtat"), QStringLiteral("Nyomtatás."));
    QPushButton* chart = makeButton(this, QStringLiteral("ButtonChart"), QStringLiteral("Grafikon"),
            QStringLiteral("Betárolt, kiszállított és készlet csoportonként, oszlopdiagramon."));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {print, chart, cancel})
        buttons->addWidget(b);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(frame);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(buttons);

    connect(m_date, &QDateEdit::dateChanged, this, [this] { onDate(); });
    connect(m_date->calendarWidget(), &QCalendarWidget::clicked, this, [this] { onDate(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, &StockWindow::onTabChanged);
    // A double click or Enter on a total opens its items.
    connect(m_totalsGrid, &QueryGrid::rowActivated, this, [this] {
        showTab(1);
        computeItems();
    });
    connect(print, &QPushButton::clicked, this, &StockWindow::onPrint);
    connect(chart, &QPushButton::clicked, this, &StockWindow::onChart);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // No default: Enter in a list opens its items, Escape closes.
    DialogKeys::install(this, nullptr, cancel);
    resize(1180, 720);
}

QWidget* StockWindow::buildTab(bool itemised)
{
    auto* page = new QWidget;
    auto* lay = new QVBoxLayout(page);
    auto* g = new QGridLayout;
    const QStringList labels = itemised
            ? QStringList {QStringLiteral(" A tétel mérlegelt netto(kg)"), QStringLiteral("Betárolt (kg)"),
                    QStringLiteral("Kiszállított (kg)"), QStringLiteral("Tétel részösszesen (kg)")}
            : QStringList {QStringLiteral("Mérlegelt netto(kg)"), QStringLiteral("Betárolt (kg)"),
                    QStringLiteral("Kiszállított (kg)"), QStringLiteral("Készlet mindösszesen (kg)")};
    const int names[2][4] = {{1, 3, 4, 5}, {9, 8, 7, 6}};
    QLineEdit** fields = itemised ? m_items : m_totals;
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(labels[i], page);
        auto* e = new QLineEdit(page);
        e->setObjectName(QStringLiteral("Edit%1").arg(names[itemised][i]));
        e->setReadOnly(true);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(140);
        l->setBuddy(e);
        fields[i] = e;
        g->addWidget(l, 0, 2 * i);
        g->addWidget(e, 0, 2 * i + 1);
    }
    lay->addLayout(g);
    Query& q = itemised ? m_ctx.data.ZQ21 : m_ctx.data.ZQ20;
    auto* grid = new QueryGrid(q, page);
    grid->setObjectName(itemised ? QStringLiteral("DBGrid3") : QStringLiteral("DBGrid2"));
    grid->horizontalHeader()->setDefaultSectionSize(100);
    ColumnHints::install(grid->horizontalHeader());
    if (!itemised)
        grid->setToolTip(QStringLiteral("Dupla klikkre sort megjelenit."));
    auto* nav = new QueryNavigator(q, page);
    nav->setObjectName(itemised ? QStringLiteral("DBNavigator3") : QStringLiteral("DBNavigator2"));
    lay->addWidget(grid, 1);
    lay->addWidget(nav);
    (itemised ? m_itemsGrid : m_totalsGrid) = grid;
    return page;
}

StockGrouping StockWindow::grouping() const
{
    for (int i = 0; i < 4; ++i)
        if (m_radio[i]->isChecked())
            return StockGrouping(i);
    return StockGrouping::Crop;
}

void StockWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    m_switching = true;
    m_date->setDate(QDate::currentDate());
    m_switching = false;
    showTab(0);
    computeTotals();
}

bool StockWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (QRadioButton* r : m_radio)
            if (watched == r && isVisible()) {
                showTab(0);
                computeTotals();
            }
    }
    return QDialog::eventFilter(watched, event);
}

void StockWindow::showTab(int index)
{
    m_switching = true;
    m_tabs->setCurrentIndex(index);
    m_switching = false;
}

static void setFigures(QLineEdit* const* fields, const StockFigures& f)
{
    fields[0]->setText(StockFigures::text(f.weighed));
    fields[1]->setText(StockFigures::text(f.storedIn));
    fields[2]->setText(StockFigures::text(f.shippedOut));
    fields[3]->setText(StockFigures::text(f.stock()));
}

void StockWindow::computeTotals()
{
    setFigures(m_totals, m_ops.computeTotals(grouping(), m_date->date()));
    // A code the grouping does not define would show one arbitrary row's.
    const QStringList hidden = StockReport::undefinedTotalsColumns(grouping());
    const QueryTableModel* model = m_totalsGrid->queryModel();
    for (int c = 0; c < model->columnCount(); ++c)
        m_totalsGrid->setColumnHidden(c, hidden.contains(model->columnName(c), Qt::CaseInsensitive));
}

void StockWindow::computeItems()
{
    setFigures(m_items, m_ops.computeItems(grouping(), m_date->date()));
}

void StockWindow::onTabChanged(int index)
{
    if (m_switching)
        return;
    if (index == 0)
        computeTotals();
    else
        computeItems();
}

void StockWindow::onDate()
{
    if (m_switching || grouping() != StockGrouping::Day)
        return;
    showTab(0);
    computeTotals();
}

void StockWindow::onPrint()
{
    m_ops.print(grouping(), m_tabs->currentIndex() == 1, m_date->date());
}

void StockWindow::onChart()
{
    showStockChart(m_ctx, grouping());
}
