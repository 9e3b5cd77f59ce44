#pragma once
#include <QDate>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <optional>

class Query;

// The ticket list of the ticket browser read in keyset pages over jBszam.
//
// The list is the result of ListSql: one line per ticket number, in the text
// order of jBszam, for the tickets that have at least one row whose plate,
// crop, producer and warehouse rows exist. On a decade of tickets that
// statement reads and groups every row before it returns its first line, so
// the browser never runs it: each page first finds its far end on the
// jBszam index alone, then reads the joined rows of that short key range in
// (jBszam, IDj) order and keeps the first joined row of each ticket number,
// the row that the grouping statement carries as well.
class TicketList {
public:
    static const QString ListSql;
    // The column after the columns of ListSql: "SZTORNÓ" (with the number
    // issued in its place, if any) on the line of a voided ticket, else empty.
    static const QString VoidColumn;

    struct Line {
        QVariant key;   // jBszam (null for a row without a number)
        QVector<QVariant> values;   // every column of the list, in columns() order
    };
    struct Page {
        QVector<Line> lines;
        bool reachedEnd = false;   // nothing after the last line (forward pages)
        bool reachedStart = false;   // nothing before the first line (backward pages)
    };

    // Runs its statements on `query` (ZQ21), which holds the rows of the
    // last page read afterwards.
    explicit TicketList(Query& query);

    // Column names of the list, known after the first page read.
    const QStringList& columns() const { return m_columns; }

    // What the operator looks for: any of a ticket number (exact), the
    // beginning of a plate (blanks and hyphens ignored, any case) and a
    // date range (either end may be open). Empty parts do not count.
    struct Search {
        QString ticket;
        QString plate;
        QDate from, to;
        bool isEmpty() const
        {
            return ticket.trimmed().isEmpty() && plate.trimmed().isEmpty() && !from.isValid() && !to.isValid();
        }
    };
    // The key of the first listed ticket in list order that matches, after
    // `after` when given; nothing when none does. Reads only the matching
    // rows (the number, plate and date indexes), never the whole list.
    std::optional<QVariant> find(const Search& search, const std::optional<QVariant>& after = std::nullopt);
    // Lines from `key` on (the key's own line first).
    Page from(const QVariant& key, int lines);
    // About how many lines come before `key` (from the index alone).
    qint64 linesBefore(const QVariant& key);
    // Keys in list order (the server's text order of jBszam; no number first).
    static bool keyLess(const QVariant& a, const QVariant& b);

    Page first(int lines);
    Page last(int lines);
    Page after(const QVariant& key, int lines);
    Page before(const QVariant& key, int lines);
    // Lines from about the rowOffset-th row of the ticket table on (a jump
    // into the middle of the list; the position is approximate).
    Page around(qint64 rowOffset, int lines);
    // A rough count of the lines for the scroll bar until the real count is
    // known. Never reads the ticket table.
    qint64 estimatedLines();

    // Keys equal for the server's grouping (case and trailing blanks ignored).
    static bool sameKey(const QVariant& a, const QVariant& b);

private:
    enum class Bound { None, After, From, Before, UpTo };
    struct Range {
        Bound low = Bound::None;
        QVariant lowKey;
        Bound high = Bound::None;
        QVariant highKey;
    };
    // The key `offset` index rows beyond the range's open side; nullopt when
    // the table has fewer rows there.
    std::optional<QVariant> boundKey(const Range& r, bool descending, int offset);
    QVector<Line> readRange(const Range& r);
    Page forward(Range r, int lines);

    Query& m_q;
    QStringList m_columns;
};
