#include "ticketlistmodel.h"

#include "data/textconv.h"

#include <QColor>
#include <QTimer>
#include <algorithm>
#include <limits>

TicketListModel::TicketListModel(TicketList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
}

void TicketListModel::open()
{
    const TicketList::Page page = m_list.first(m_pageLines);
    // Read again right after a first reading (the browser reads its list
    // when it is made and when it is shown) and nothing changed: the lines
    // are replaced in place. A reset would make the grid lay out every row
    // of the estimate again, which grows with the data.
    if (m_parts.size() == 1 && m_parts[0].start == 0 && m_startKnown && m_endKnown == page.reachedEnd
            && m_parts[0].lines.size() == page.lines.size() && (!m_endKnown || m_rows == int(page.lines.size()))) {
        bool same = true;
        for (int k = 0; same && k < page.lines.size(); ++k)
            same = TicketList::sameKey(page.lines[k].key, m_parts[0].lines[k].key)
                    && page.lines[k].values.size() == m_parts[0].lines[k].values.size();
        if (same) {
            m_parts[0].lines = page.lines;
            if (!page.lines.isEmpty())
                emit dataChanged(index(0, 0), index(int(page.lines.size()) - 1, qMax(0, columnCount() - 1)));
            return;
        }
    }
    beginResetModel();
    m_parts.clear();
    m_rows = 0;
    m_startKnown = m_endKnown = false;
    Stretch s;
    s.lines = page.lines;
    m_startKnown = true;
    m_endKnown = page.reachedEnd;
    if (page.reachedEnd) {
        m_rows = int(s.lines.size());
    } else {
        // Until the end is reached the rest is an estimate, at least a row.
        const qint64 estimate = m_estimate >= 0 ? m_estimate : m_list.estimatedLines();
        m_rows = int(qBound<qint64>(s.lines.size() + 1, estimate, std::numeric_limits<int>::max() / 2));
    }
    if (!s.lines.isEmpty())
        m_parts.push_back(std::move(s));
    endResetModel();
}

const TicketList::Line* TicketListModel::find(int row) const
{
    auto it = std::upper_bound(
            m_parts.begin(), m_parts.end(), row, [](int r, const Stretch& s) { return r < s.start; });
    if (it == m_parts.begin())
        return nullptr;
    --it;
    if (row < it->end())
        return &it->lines[row - it->start];
    return nullptr;
}

QVariant TicketListModel::value(int row, const QString& column) const
{
    const TicketList::Line* l = find(row);
    const int c = m_list.columns().indexOf(column);
    if (!l || c < 0 || c >= l->values.size())
        return QVariant();
    return l->values[c];
}

bool TicketListModel::countKnown() const
{
    return m_startKnown && m_endKnown && m_parts.size() <= 1 && (m_parts.empty() || m_parts.front().end() == m_rows);
}

int TicketListModel::loadedLines() const
{
    int n = 0;
    for (const Stretch& s : m_parts)
        n += int(s.lines.size());
    return n;
}

void TicketListModel::loadPending()
{
    m_scheduled = false;
    const int row = m_pending;
    m_pending = -1;
    if (row >= 0)
        ensureRow(row);
}

int TicketListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TicketListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_list.columns().size());
}

QVariant TicketListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const TicketList::Line* l = find(index.row());
    if (!l) {
        if (role == Qt::DisplayRole) {
            m_pending = index.row();
            if (!m_scheduled) {
                m_scheduled = true;
                QTimer::singleShot(0, const_cast<TicketListModel*>(this),
                        [this] { const_cast<TicketListModel*>(this)->loadPending(); });
            }
        }
        return QVariant();
    }
    if (index.column() >= l->values.size())
        return QVariant();
    const QVariant& v = l->values[index.column()];
    if (role == Qt::DisplayRole)
        return TextConv::toText(v);
    if (role == Qt::ForegroundRole || role == Qt::ToolTipRole) {
        // A voided ticket's line: red, its marker as the hint of every cell.
        const int marker = int(m_list.columns().lastIndexOf(TicketList::VoidColumn));
        const QString text = marker >= 0 && marker < l->values.size() ? l->values[marker].toString() : QString();
        if (!text.isEmpty())
            return role == Qt::ForegroundRole ? QVariant(QColor(Qt::red)) : QVariant(text);
        return QVariant();
    }
    if (role == Qt::TextAlignmentRole) {
        const int t = v.typeId();
        if (t == QMetaType::Double || t == QMetaType::LongLong || t == QMetaType::Int)
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant TicketListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal && section >= 0 && section < m_list.columns().size())
        return m_list.columns().at(section);
    return QVariant();
}
