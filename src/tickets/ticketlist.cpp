#include "ticketlist.h"

#include "data/query.h"

const QString TicketList::ListSql = QStringLiteral(
        "SELECT * FROM vello JOIN rendszam ON rendszam.rKod = vello.jRkod JOIN termeny ON termeny.tKod = vello.jTkod "
        "JOIN termelo ON termelo.oKod = vello.jOkod JOIN raktar ON raktar.kKod = vello.jKkod GROUP BY jBszam ORDER BY jBszam");

namespace {

// The joins of the list, with the ticket table read first along its jBszam
// index: the key range is short, the registers are looked up per row.
// The last column marks a voided ticket (its void record looked up by the
// primary key of sztorno, one probe per row of the page).
const QString kRangeHead = QStringLiteral(
        "SELECT vello.*, rendszam.*, termeny.*, termelo.*, raktar.*, IF(sztorno.zBszam IS NULL, '', "
        "IF(sztorno.zHelyette IS NULL, 'SZTORNÓ', CONCAT('SZTORNÓ, helyette: ', sztorno.zHelyette))) AS sztorno "
        "FROM vello FORCE INDEX (vello_bszam) STRAIGHT_JOIN rendszam ON rendszam.rKod = vello.jRkod "
        "STRAIGHT_JOIN termeny ON termeny.tKod = vello.jTkod STRAIGHT_JOIN termelo ON termelo.oKod = vello.jOkod "
        "STRAIGHT_JOIN raktar ON raktar.kKod = vello.jKkod LEFT JOIN sztorno ON sztorno.zBszam = vello.jBszam");

// Rows of the ticket table per line: two per ticket.
constexpr int kRowsPerLine = 2;

QString normalKey(const QVariant& v)
{
    QString s = v.toString();
    int n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n).toCaseFolded();
}

}   // namespace

const QString TicketList::VoidColumn = QStringLiteral("sztorno");

TicketList::TicketList(Query& query) : m_q(query)
{
}

bool TicketList::sameKey(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    return normalKey(a) == normalKey(b);
}

// The WHERE clause of a key range and its bindings. NULL numbers sort first.
static QString rangeWhere(
        int lowKind, const QVariant& lowKey, int highKind, const QVariant& highKey, Query::Binds& binds)
{
    // lowKind: 0 none, 1 after, 2 from; highKind: 0 none, 1 before, 2 up to.
    QStringList parts;
    if (lowKind == 1)
        parts << (lowKey.isNull() ? QStringLiteral("jBszam IS NOT NULL") : QStringLiteral("jBszam > :p0"));
    else if (lowKind == 2 && !lowKey.isNull())
        parts << QStringLiteral("jBszam >= :p0");
    if ((lowKind == 1 || lowKind == 2) && !lowKey.isNull())
        binds.append({QStringLiteral("p0"), lowKey.toString()});
    if (highKind == 1)
        parts << (highKey.isNull() ? QStringLiteral("1 = 0") : QStringLiteral("( jBszam < :p1 OR jBszam IS NULL )"));
    else if (highKind == 2)
        parts << (highKey.isNull() ? QStringLiteral("jBszam IS NULL")
                                   : QStringLiteral("( jBszam <= :p1 OR jBszam IS NULL )"));
    if (highKind != 0 && !highKey.isNull())
        binds.append({QStringLiteral("p1"), highKey.toString()});
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

std::optional<QVariant> TicketList::boundKey(const Range& r, bool descending, int offset)
{
    Query::Binds binds;
    const QString where = rangeWhere(r.low == Bound::After ? 1
                    : r.low == Bound::From                 ? 2
                                                           : 0,
            r.lowKey,
            r.high == Bound::Before         ? 1
                    : r.high == Bound::UpTo ? 2
                                            : 0,
            r.highKey, binds);
    m_q.openSql(QStringLiteral("SELECT jBszam FROM vello") + where + QStringLiteral(" ORDER BY jBszam")
                    + (descending ? QStringLiteral(" DESC") : QString())
                    + QStringLiteral(" LIMIT 1 OFFSET %1").arg(qMax(0, offset)),
            binds);
    if (m_q.isEmpty())
        return std::nullopt;
    return m_q.value(0);
}

QVector<TicketList::Line> TicketList::readRange(const Range& r)
{
    Query::Binds binds;
    const QString where = rangeWhere(r.low == Bound::After ? 1
                    : r.low == Bound::From                 ? 2
                                                           : 0,
            r.lowKey,
            r.high == Bound::Before         ? 1
                    : r.high == Bound::UpTo ? 2
                                            : 0,
            r.highKey, binds);
    // Where a register holds a code twice, the lowest row identifiers first,
    // as the grouping statement meets them along the code indexes.
    m_q.openSql(kRangeHead + where + QStringLiteral(" ORDER BY jBszam, IDj, IDr, IDt, IDo, IDk"), binds);
    const int cols = m_q.columnCount();
    if (m_columns.isEmpty()) {
        for (int c = 0; c < cols; ++c)
            m_columns << m_q.columnName(c);
    }
    const int keyCol = m_q.columnIndex(QStringLiteral("jBszam"));
    QVector<Line> out;
    const int rows = m_q.rowCount();
    for (int row = 0; row < rows; ++row) {
        const QVariant key = m_q.valueAt(row, keyCol);
        if (!out.isEmpty() && sameKey(out.last().key, key))
            continue;
        Line line;
        line.key = key;
        line.values.reserve(cols);
        for (int c = 0; c < cols; ++c)
            line.values.append(m_q.valueAt(row, c));
        out.append(std::move(line));
    }
    return out;
}

TicketList::Page TicketList::forward(Range r, int lines)
{
    Page page;
    lines = qMax(1, lines);
    for (;;) {
        const std::optional<QVariant> bound = boundKey(r, false, kRowsPerLine * lines - 1);
        Range part = r;
        if (bound) {
            part.high = Bound::UpTo;
            part.highKey = *bound;
        } else {
            page.reachedEnd = true;
        }
        page.lines += readRange(part);
        if (page.reachedEnd || page.lines.size() >= lines)
            break;
        // Every row of that range dropped out of the joins: read on.
        r.low = Bound::After;
        r.lowKey = *bound;
    }
    return page;
}

TicketList::Page TicketList::first(int lines)
{
    return forward(Range(), lines);
}

TicketList::Page TicketList::from(const QVariant& key, int lines)
{
    Range r;
    r.low = Bound::From;
    r.lowKey = key;
    return forward(r, lines);
}

bool TicketList::keyLess(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    return normalKey(a) < normalKey(b);
}

std::optional<QVariant> TicketList::find(const Search& search, const std::optional<QVariant>& after)
{
    // The joins of the list: a ticket the list does not show is not found.
    // MIN over the matching rows, read along the index of the most telling
    // part: the number, else the plate (the plate register first, then its
    // tickets), else the date. "ORDER BY jBszam LIMIT 1" would walk the
    // number index over every ticket until a late plate turns up.
    const QString ticket = search.ticket.trimmed();
    QString plate = search.plate;
    plate.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
    const QString registers = QStringLiteral(
            " STRAIGHT_JOIN termeny ON termeny.tKod = vello.jTkod STRAIGHT_JOIN termelo ON termelo.oKod = vello.jOkod "
            "STRAIGHT_JOIN raktar ON raktar.kKod = vello.jKkod");
    QString sql;
    if (!ticket.isEmpty() || plate.isEmpty())
        sql = QStringLiteral("SELECT MIN(vello.jBszam) AS found FROM vello FORCE INDEX (%1) "
                             "STRAIGHT_JOIN rendszam ON rendszam.rKod = vello.jRkod")
                      .arg(ticket.isEmpty() ? QStringLiteral("vello_datum") : QStringLiteral("vello_bszam"));
    else
        sql = QStringLiteral(
                "SELECT MIN(vello.jBszam) AS found FROM rendszam STRAIGHT_JOIN vello FORCE INDEX (vello_rkod) "
                "ON vello.jRkod = rendszam.rKod");
    sql += registers + QStringLiteral(" WHERE vello.jBszam IS NOT NULL");
    Query::Binds binds;
    if (!ticket.isEmpty()) {
        sql += QStringLiteral(" AND vello.jBszam = :p0");
        binds.append({QStringLiteral("p0"), ticket});
    }
    if (!plate.isEmpty()) {
        QString pattern;
        for (const QChar c : plate) {
            if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
                pattern += QLatin1Char('\\');
            pattern += c;
        }
        sql += QStringLiteral(" AND REPLACE(REPLACE(rendszam.rRendszam, ' ', ''), '-', '') LIKE :p1");
        binds.append({QStringLiteral("p1"), pattern + QLatin1Char('%')});
    }
    if (search.from.isValid()) {
        sql += QStringLiteral(" AND vello.jDatum >= :p2");
        binds.append({QStringLiteral("p2"), search.from});
    }
    if (search.to.isValid()) {
        sql += QStringLiteral(" AND vello.jDatum <= :p3");
        binds.append({QStringLiteral("p3"), search.to});
    }
    if (after && !after->isNull()) {
        sql += QStringLiteral(" AND vello.jBszam > :p4");
        binds.append({QStringLiteral("p4"), after->toString()});
    }
    m_q.openSql(sql, binds);
    if (m_q.isEmpty() || m_q.value(0).isNull())
        return std::nullopt;
    return m_q.value(0);
}

qint64 TicketList::linesBefore(const QVariant& key)
{
    if (key.isNull())
        return 0;
    // The optimizer's estimate of the index rows before the key: read from
    // a few index pages, where counting them would read them all.
    m_q.openSql(QStringLiteral("EXPLAIN SELECT jBszam FROM vello WHERE jBszam < :p0"),
            {{QStringLiteral("p0"), key.toString()}});
    if (m_q.isEmpty() || !m_q.hasColumn(QStringLiteral("rows")))
        return 0;
    return m_q.value(QStringLiteral("rows")).toLongLong() / kRowsPerLine;
}

TicketList::Page TicketList::after(const QVariant& key, int lines)
{
    Range r;
    r.low = Bound::After;
    r.lowKey = key;
    return forward(r, lines);
}

TicketList::Page TicketList::before(const QVariant& key, int lines)
{
    Page page;
    lines = qMax(1, lines);
    Range r;
    r.high = key.isValid() ? Bound::Before : Bound::None;
    r.highKey = key;
    for (;;) {
        const std::optional<QVariant> bound = boundKey(r, true, kRowsPerLine * lines - 1);
        Range part = r;
        if (bound) {
            part.low = Bound::From;
            part.lowKey = *bound;
        } else {
            page.reachedStart = true;
        }
        page.lines = readRange(part) + page.lines;
        if (page.reachedStart || page.lines.size() >= lines)
            break;
        r.high = Bound::Before;
        r.highKey = *bound;
    }
    return page;
}

TicketList::Page TicketList::last(int lines)
{
    Page p = before(QVariant(), lines);
    p.reachedEnd = true;
    return p;
}

TicketList::Page TicketList::around(qint64 rowOffset, int lines)
{
    const std::optional<QVariant> bound = boundKey(Range(), false, int(qMin<qint64>(rowOffset, 1 << 30)));
    if (!bound)
        return last(lines);
    Range r;
    r.low = Bound::From;
    r.lowKey = *bound;
    return forward(r, lines);
}

qint64 TicketList::estimatedLines()
{
    // The ticket counter: the number of tickets ever issued. Archived
    // tickets make it too high; the model corrects the count as it reads.
    m_q.openSql(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = :p0"),
            {{QStringLiteral("p0"), QStringLiteral("J")}});
    if (m_q.isEmpty())
        return 0;
    return qMax<qint64>(0, m_q.text(QStringLiteral("sBszam")).trimmed().toLongLong());
}
