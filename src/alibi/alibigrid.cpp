#include "alibigrid.h"

#include "ui/querygrid.h"

#include <QHeaderView>
#include <QTableView>

namespace AlibiGrid {

Rows::Rows(const QStringList& headers, QObject* parent) : QAbstractTableModel(parent), m_headers(headers)
{
}

void Rows::setRows(QList<QStringList> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int Rows::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int Rows::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant Rows::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_rows[index.row()].value(index.column());
    if (role == Qt::TextAlignmentRole && m_right.contains(index.column()))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant Rows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QTableView* make(QWidget* parent, const QString& name, const QStringList& headers)
{
    auto* g = new QTableView(parent);
    g->setObjectName(name);
    g->setModel(new Rows(headers, g));
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->verticalHeader()->setVisible(false);
    g->horizontalHeader()->setStretchLastSection(true);
    return g;
}

Rows* rowsOf(QTableView* grid)
{
    return static_cast<Rows*>(grid->model());
}

void setRows(QTableView* grid, QList<QStringList> rows)
{
    rowsOf(grid)->setRows(std::move(rows));
    QueryGrid::fitColumns(grid, 320, false);
}

}   // namespace AlibiGrid
