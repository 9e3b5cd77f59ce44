#include "querytablemodel.h"

#include "data/query.h"
#include "data/textconv.h"

QueryTableModel::QueryTableModel(Query& query, QObject* parent) : QAbstractTableModel(parent), m_query(query)
{
    connect(&m_query, &Query::resultReplaced, this, &QueryTableModel::reset);
    resolve();
}

void QueryTableModel::setColumns(const QList<Column>& columns)
{
    beginResetModel();
    m_columns = columns;
    resolve();
    endResetModel();
}

void QueryTableModel::resolve()
{
    m_effective.clear();
    m_index.clear();
    m_rows = m_query.isOpen() ? m_query.rowCount() : 0;
    if (m_columns.isEmpty()) {
        if (m_query.isOpen())
            for (int i = 0; i < m_query.columnCount(); ++i) {
                m_effective.append({m_query.columnName(i), m_query.columnName(i)});
                m_index.append(i);
            }
        return;
    }
    m_effective = m_columns;
    for (const Column& c : m_columns)
        m_index.append(m_query.isOpen() ? m_query.columnIndex(c.name) : -1);
}

void QueryTableModel::reset()
{
    beginResetModel();
    resolve();
    endResetModel();
}

QString QueryTableModel::columnName(int section) const
{
    return section >= 0 && section < m_effective.size() ? m_effective[section].name : QString();
}

int QueryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int QueryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_effective.size();
}

QVariant QueryTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= m_index.size())
        return QVariant();
    const int c = m_index[index.column()];
    if (role == Qt::DisplayRole) {
        if (c < 0)
            return QString();
        return TextConv::toText(m_query.valueAt(index.row(), c));
    }
    if (role == Qt::TextAlignmentRole && c >= 0) {
        const QVariant v = m_query.valueAt(index.row(), c);
        const int t = v.typeId();
        if (t == QMetaType::Double || t == QMetaType::LongLong || t == QMetaType::Int)
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section < m_effective.size() ? m_effective[section].title : QVariant();
    return QVariant();
}
