#include "querygrid.h"

#include "data/query.h"
#include "ui/querytablemodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QToolButton>

QueryGrid::QueryGrid(Query& query, QWidget* parent)
    : QTableView(parent), m_query(query), m_model(new QueryTableModel(query, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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
        emit rowActivated();
        e->ignore();
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
