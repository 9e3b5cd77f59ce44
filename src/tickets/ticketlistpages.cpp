// The reading side of TicketListModel: pages of the list read into loaded
// stretches, the gaps between them resized as the estimate meets the real
// count, lines far from the reading let go, and a line found by its key.
#include "ticketlistmodel.h"

#include <algorithm>
#include <limits>

void TicketListModel::resizeGap(int at, int delta)
{
    if (delta == 0)
        return;
    if (delta > 0) {
        beginInsertRows(QModelIndex(), at, at + delta - 1);
        for (Stretch& s : m_parts)
            if (s.start >= at)
                s.start += delta;
        m_rows += delta;
        endInsertRows();
    } else {
        const int n = -delta;
        beginRemoveRows(QModelIndex(), at, at + n - 1);
        for (Stretch& s : m_parts)
            if (s.start >= at + n)
                s.start -= n;
        m_rows -= n;
        endRemoveRows();
    }
}

void TicketListModel::extendForward(int i)
{
    const bool hasA = i >= 0;
    const bool hasB = i + 1 < int(m_parts.size());
    const TicketList::Page page
            = hasA ? m_list.after(m_parts[i].lines.last().key, m_pageLines) : m_list.first(m_pageLines);
    int cut = -1;
    if (hasB) {
        const QVariant& bKey = m_parts[i + 1].lines.first().key;
        for (int k = 0; k < page.lines.size(); ++k)
            if (TicketList::sameKey(page.lines[k].key, bKey)) {
                cut = k;
                break;
            }
    }
    if (hasB && cut < 0 && page.reachedEnd) {
        // The stretches after this one are gone from the table: drop them.
        const int from = m_parts[i + 1].start;
        m_parts.erase(m_parts.begin() + i + 1, m_parts.end());
        resizeGap(from, -(m_rows - from));
        extendForward(i);
        return;
    }
    const int take = cut >= 0 ? cut : int(page.lines.size());
    const int aEnd = hasA ? m_parts[i].end() : 0;
    const int gap = (hasB ? m_parts[i + 1].start : m_rows) - aEnd;
    const bool closed = cut >= 0 || (!hasB && page.reachedEnd);
    if (closed)
        resizeGap(aEnd + qMin(take, gap), take - gap);
    else if (take >= gap)
        resizeGap(aEnd + gap, take - gap + 1);   // more rows follow: keep one unread row
    if (!hasB && page.reachedEnd)
        m_endKnown = true;
    if (!hasA) {
        Stretch s;
        m_parts.insert(m_parts.begin(), s);
        m_startKnown = true;
        i = 0;
    }
    Stretch& a = m_parts[i];
    a.lines += page.lines.mid(0, take);
    if (take > 0)
        emit dataChanged(index(aEnd, 0), index(aEnd + take - 1, qMax(0, columnCount() - 1)));
    if (cut >= 0) {
        a.lines += m_parts[i + 1].lines;
        m_parts.erase(m_parts.begin() + i + 1);
    }
    if (a.lines.isEmpty())
        m_parts.erase(m_parts.begin() + i);
}

void TicketListModel::extendBackward(int i)
{
    const bool hasB = i < int(m_parts.size());
    const bool hasA = i > 0;
    const TicketList::Page page
            = hasB ? m_list.before(m_parts[i].lines.first().key, m_pageLines) : m_list.last(m_pageLines);
    int cut = -1;
    if (hasA) {
        const QVariant& aKey = m_parts[i - 1].lines.last().key;
        for (int k = int(page.lines.size()) - 1; k >= 0; --k)
            if (TicketList::sameKey(page.lines[k].key, aKey)) {
                cut = k;
                break;
            }
    }
    const QVector<TicketList::Line> taken = page.lines.mid(cut + 1);
    const int take = int(taken.size());
    const int low = hasA ? m_parts[i - 1].end() : 0;
    const int gap = (hasB ? m_parts[i].start : m_rows) - low;
    const bool closed = cut >= 0 || (!hasA && page.reachedStart);
    if (closed)
        resizeGap(low, take - gap);
    else if (take >= gap)
        resizeGap(low, take - gap + 1);   // more rows come before: keep one unread row
    if (!hasA && page.reachedStart)
        m_startKnown = true;
    if (!hasB) {
        m_endKnown = true;
        Stretch s;
        s.start = m_rows;
        m_parts.push_back(s);
    }
    Stretch& b = m_parts[i];
    b.start -= take;
    b.lines = taken + b.lines;
    if (take > 0)
        emit dataChanged(index(b.start, 0), index(b.start + take - 1, qMax(0, columnCount() - 1)));
    if (cut >= 0) {
        Stretch& a = m_parts[i - 1];
        a.lines += b.lines;
        m_parts.erase(m_parts.begin() + i);
    } else if (b.lines.isEmpty()) {
        m_parts.erase(m_parts.begin() + i);
    }
}

void TicketListModel::step(int row)
{
    auto it = std::upper_bound(
            m_parts.begin(), m_parts.end(), row, [](int r, const Stretch& s) { return r < s.start; });
    const int i = int(it - m_parts.begin());   // first stretch after the row
    const bool hasA = i > 0;
    const bool hasB = i < int(m_parts.size());
    const int near = 2 * m_pageLines;
    const int fromA = row - (hasA ? m_parts[i - 1].end() : 0);
    const int toB = (hasB ? m_parts[i].start : m_rows) - 1 - row;
    // Read on from the nearer stretch (or end of the list) where one is near.
    if (fromA <= near && (fromA <= toB || toB > near)) {
        extendForward(hasA ? i - 1 : -1);
        return;
    }
    if (toB <= near) {
        extendBackward(i);
        return;
    }
    // Far from everything read: jump there on the index.
    const TicketList::Page page = m_list.around(qint64(row) * 2, m_pageLines);
    for (const TicketList::Line& l : page.lines) {
        if (hasA && TicketList::sameKey(l.key, m_parts[i - 1].lines.last().key)) {
            extendForward(i - 1);
            return;
        }
        if (hasB && TicketList::sameKey(l.key, m_parts[i].lines.first().key)) {
            extendBackward(i);
            return;
        }
    }
    if (page.lines.isEmpty()) {
        extendBackward(i);
        return;
    }
    const int limit = hasB ? m_parts[i].start : m_rows;
    const int size = int(page.lines.size());
    int start = row;
    if (!hasB && page.reachedEnd) {
        // The jump reached the end of the list: it ends here.
        start = qMin(row, m_rows - size);
        start = qMax(start, hasA ? m_parts[i - 1].end() + 1 : 1);
        const int delta = start + size - m_rows;
        resizeGap(delta < 0 ? start + size : m_rows, delta);
        m_endKnown = true;
    } else if (start + size >= limit) {
        resizeGap(limit, start + size - limit + 1);
    }
    Stretch s;
    s.start = start;
    s.lines = page.lines;
    m_parts.insert(m_parts.begin() + i, std::move(s));
    emit dataChanged(index(start, 0), index(start + size - 1, qMax(0, columnCount() - 1)));
}

bool TicketListModel::ensureRow(int row)
{
    for (int guard = 0; guard < 100000; ++guard) {
        if (row < 0 || row >= m_rows)
            return false;
        if (find(row)) {
            trim(row);
            return true;
        }
        step(row);
    }
    return find(row) != nullptr;
}

void TicketListModel::trim(int row)
{
    if (loadedLines() <= m_keep)
        return;
    // Whole stretches away from the row go first, the farthest first.
    auto distance = [row](const Stretch& s) {
        return row < s.start ? s.start - row : row >= s.end() ? row - s.end() + 1 : 0;
    };
    while (m_parts.size() > 1 && loadedLines() > m_keep) {
        size_t far = 0;
        for (size_t k = 1; k < m_parts.size(); ++k)
            if (distance(m_parts[k]) > distance(m_parts[far]))
                far = k;
        if (distance(m_parts[far]) == 0)
            break;
        if (far == 0 && m_parts[0].start == 0)
            m_startKnown = false;
        if (far + 1 == m_parts.size())
            m_endKnown = false;
        m_parts.erase(m_parts.begin() + far);
    }
    // Then the far ends of the row's own stretch. The rows stay: their
    // count is known, only their lines are read again when needed.
    for (size_t k = 0; k < m_parts.size(); ++k) {
        Stretch& s = m_parts[k];
        if (int(s.lines.size()) <= m_keep || row < s.start || row >= s.end())
            continue;
        const int half = m_keep / 2;
        const int from = qMax(s.start, row - half);
        const int to = qMin(s.end(), from + m_keep);
        if (from > s.start && k == 0 && s.start == 0)
            m_startKnown = false;
        if (to < s.end() && k + 1 == m_parts.size())
            m_endKnown = false;
        s.lines = s.lines.mid(from - s.start, to - from);
        s.start = from;
    }
}

int TicketListModel::ensureLast()
{
    for (int guard = 0; guard < 100000; ++guard) {
        if (m_rows == 0)
            return -1;
        if (m_endKnown && !m_parts.empty() && m_parts.back().end() == m_rows) {
            trim(m_rows - 1);
            return m_rows - 1;
        }
        extendBackward(int(m_parts.size()));
    }
    return m_rows - 1;
}

int TicketListModel::loadedRow(const QVariant& key) const
{
    for (const Stretch& s : m_parts)
        for (int k = 0; k < s.lines.size(); ++k)
            if (TicketList::sameKey(s.lines[k].key, key))
                return s.start + k;
    return -1;
}

int TicketListModel::locate(const QVariant& key)
{
    int row = loadedRow(key);
    if (row >= 0) {
        trim(row);
        return row;
    }
    // The first stretch that comes after the key in list order.
    int i = 0;
    while (i < int(m_parts.size()) && !TicketList::keyLess(key, m_parts[i].lines.first().key))
        ++i;
    const bool hasA = i > 0;
    const bool hasB = i < int(m_parts.size());
    if (hasA && !TicketList::keyLess(m_parts[i - 1].lines.last().key, key))
        return -1;   // within what was read, yet not there: not a line of the list
    const TicketList::Page page = m_list.from(key, m_pageLines);
    if (page.lines.isEmpty() || !TicketList::sameKey(page.lines.first().key, key))
        return -1;
    bool touchesB = false;
    if (hasB)
        for (const TicketList::Line& l : page.lines)
            if (TicketList::sameKey(l.key, m_parts[i].lines.first().key))
                touchesB = true;
    if (touchesB) {
        // Just before a stretch already read: read backwards from it.
        for (int guard = 0; guard < 10 && loadedRow(key) < 0; ++guard) {
            int j = 0;
            while (j < int(m_parts.size()) && TicketList::keyLess(m_parts[j].lines.last().key, key))
                ++j;
            if (j >= int(m_parts.size()))
                break;
            extendBackward(j);
        }
        row = loadedRow(key);
        if (row >= 0)
            trim(row);
        return row;
    }
    // Nothing read near it: place the page where the index says it stands,
    // between the stretches around it, with an unread row on each side that
    // is not known to touch.
    const qint64 before = m_list.linesBefore(key);
    const int size = int(page.lines.size());
    const int low = hasA ? m_parts[i - 1].end() + 1 : (before == 0 ? 0 : 1);
    int start = int(qMin<qint64>(qMax<qint64>(before, low), std::numeric_limits<int>::max() / 4));
    const int limit = hasB ? m_parts[i].start : m_rows;
    if (!hasB && page.reachedEnd) {
        // The page ends the list.
        const int delta = start + size - m_rows;
        resizeGap(delta < 0 ? start + size : m_rows, delta);
        m_endKnown = true;
    } else if (start + size >= limit) {
        resizeGap(limit, start + size - limit + 1);
    }
    if (!hasA && start == 0)
        m_startKnown = true;
    Stretch s;
    s.start = start;
    s.lines = page.lines;
    m_parts.insert(m_parts.begin() + i, std::move(s));
    emit dataChanged(index(start, 0), index(start + size - 1, qMax(0, columnCount() - 1)));
    trim(start);
    return start;
}
