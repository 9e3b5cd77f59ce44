#pragma once
#include "tickets/ticketlist.h"

#include <QAbstractTableModel>
#include <vector>

// The ticket list as a table model that holds only the parts of the list
// that were looked at. The rows form loaded stretches with not-yet-read rows
// between them; their count is estimated from the ticket counter until the
// stretches meet or reach an end, and is corrected then by inserting or
// removing rows of the unread stretch. A row that the view asks for and that
// is not read yet shows empty and is read right after (never while the view
// paints); ensureRow() reads it at once.
class TicketListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TicketListModel(TicketList& list, QObject* parent = nullptr);

    void setPageLines(int lines) { m_pageLines = qMax(1, lines); }
    int pageLines() const { return m_pageLines; }
    // The row count to assume before the end is reached (default: from the
    // ticket counter).
    void setEstimate(qint64 lines) { m_estimate = lines; }
    // At most about this many lines are kept; the ones farthest from the
    // row last read are let go (they are read again when looked at).
    void setKeptLines(int lines) { m_keep = qMax(1, lines); }

    // Reads the first page anew.
    void open();
    // Reads the row if needed; false when the list is shorter.
    bool ensureRow(int row);
    // Reads the last page; returns the row of the last line (-1: empty list).
    int ensureLast();
    // The row of the line with `key` (a key that TicketList::find gave),
    // read through the keyset pages and placed in list order among what was
    // read before; -1 when the list has no such line. Where nothing around
    // it was read yet, its row is an estimate from the index, corrected as
    // the stretches meet.
    int locate(const QVariant& key);
    bool isLoaded(int row) const { return find(row) != nullptr; }
    // The line of a row that ensureRow() read; null when not read.
    const TicketList::Line* line(int row) const { return find(row); }
    QVariant value(int row, const QString& column) const;
    // The row count is the real one (both ends of the list were reached).
    bool countKnown() const;
    int loadedLines() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Stretch {
        int start = 0;
        QVector<TicketList::Line> lines;
        int end() const { return start + int(lines.size()); }
    };
    const TicketList::Line* find(int row) const;
    void step(int row);
    void extendForward(int i);   // i = -1: from the start of the list
    void extendBackward(int i);   // i = stretch count: from the end of the list
    void resizeGap(int at, int delta);
    void loadPending();
    void trim(int row);
    int loadedRow(const QVariant& key) const;

    TicketList& m_list;
    std::vector<Stretch> m_parts;   // ordered by start, disjoint
    int m_rows = 0;
    int m_pageLines = 100;
    qint64 m_estimate = -1;
    int m_keep = 20000;
    bool m_startKnown = false;   // the first stretch begins the list
    bool m_endKnown = false;   // the last stretch ends the list
    mutable int m_pending = -1;
    mutable bool m_scheduled = false;
};
