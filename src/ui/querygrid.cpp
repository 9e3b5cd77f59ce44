#include "querygrid.h"

#include "data/query.h"
#include "ui/querytablemodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <algorithm>
#include <QKeyEvent>
#include <QToolButton>

QueryGrid::QueryGrid(Query& query, QWidget* parent)
    : QTableView(parent), m_query(query), m_model(new QueryTableModel(query, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the next control; the arrows move in it.
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit headerClicked(m_model->columnName(section)); });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur, const QModelIndex&) { followView(cur); });
    connect(&m_query, &Query::currentRowChanged, this, &QueryGrid::followQuery);
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { followQuery(m_query.isOpen() ? m_query.currentRow() : -1); });
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex&) { emit rowActivated(); });
    followQuery(m_query.isOpen() ? m_query.currentRow() : -1);
}

void QueryGrid::followQuery(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    if (row >= 0 && row < m_model->rowCount()) {
        const QModelIndex idx = m_model->index(row, qMax(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(idx);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    m_syncing = false;
}

void QueryGrid::followView(const QModelIndex& current)
{
    if (m_syncing || !current.isValid())
        return;
    m_syncing = true;
    m_query.moveTo(current.row());
    m_syncing = false;
}

void QueryGrid::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        // The list's own key: it picks the row (its window's "Kiválaszt")
        // and goes no further.
        e->accept();
        emit rowActivated();
        return;
    }
    QTableView::keyPressEvent(e);
}

QueryNavigator::QueryNavigator(Query& query, QWidget* parent) : QWidget(parent), m_query(query)
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(1);
    auto make = [&](const QString& text, const QString& tip, const QString& name) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setObjectName(name);
        lay->addWidget(b);
        return b;
    };
    m_first = make(QStringLiteral("|◀"), QStringLiteral("Első"), QStringLiteral("First"));
    m_prior = make(QStringLiteral("◀"), QStringLiteral("Előző"), QStringLiteral("Prior"));
    m_next = make(QStringLiteral("▶"), QStringLiteral("Következő"), QStringLiteral("Next"));
    m_last = make(QStringLiteral("▶|"), QStringLiteral("Utolsó"), QStringLiteral("Last"));
    lay->addStretch();
    connect(m_first, &QToolButton::clicked, this, [this] { m_query.first(); });
    connect(m_prior, &QToolButton::clicked, this, [this] { m_query.prior(); });
    connect(m_next, &QToolButton::clicked, this, [this] { m_query.next(); });
    connect(m_last, &QToolButton::clicked, this, [this] { m_query.last(); });
}

void QueryGrid::fitColumns(QTableView* view, int widest, bool squeeze)
{
    QHeaderView* header = view->horizontalHeader();
    const int count = header->count();
    if (count == 0)
        return;
    // Only the rows in view are measured: a long list is not read for it.
    // (A precision of 0 would mean the same only for a view on screen: one
    // not shown yet, or not filled, would have every row measured.) Before
    // the view is shown the first rows stand for those it will show.
    const int rowHeight = qMax(1, view->verticalHeader()->defaultSectionSize());
    const int inView = view->isVisible() ? view->viewport()->height() / rowHeight + 1 : SampleRows;
    header->setResizeContentsPrecision(qMax(1, inView));
    QVector<int> want(count), floor(count);
    for (int c = 0; c < count; ++c) {
        floor[c] = qMin(widest, header->sectionSizeHint(c));
        view->resizeColumnToContents(c);   // the title and the texts in view
        want[c] = qMax(floor[c], qMin(widest, view->columnWidth(c) + 6));
    }
    // Before the view is shown its width is not known yet: every column
    // gets what it wants, and the window sizes itself from that.
    const int room = view->isVisible() && squeeze ? view->viewport()->width() : INT_MAX;
    // Water-filling: a common cap that makes the columns fit, never below a
    // column's title.
    int total = 0;
    for (int w : want)
        total += w;
    if (total > room && room > 0) {
        QVector<int> sorted = want;
        std::sort(sorted.begin(), sorted.end());
        int lo = 0, hi = sorted.last();
        while (lo < hi) {
            const int cap = (lo + hi + 1) / 2;
            int sum = 0;
            for (int c = 0; c < count; ++c)
                sum += qMax(floor[c], qMin(want[c], cap));
            if (sum <= room)
                lo = cap;
            else
                hi = cap - 1;
        }
        for (int c = 0; c < count; ++c)
            want[c] = qMax(floor[c], qMin(want[c], lo));
    }
    for (int c = 0; c < count; ++c)
        view->setColumnWidth(c, want[c]);
}
