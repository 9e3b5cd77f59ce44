#pragma once
#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

#include "data/transaction.h"

struct AppContext;

// The archiving run: closes the period up to a cut-off date. The ticket rows
// dated on or before it (both rows of every ticket, never earlier summary
// rows) are collected into the work table `munka` with the cut-off date and
// the marker "A"; one summary row per crop and warehouse, numbered from
// counter "K", is written back into `vello`; the collected rows are copied
// into `archiv` with the names of their registers and then deleted from
// `vello` by their IDj.
//
// The whole run is one transaction: it either happens completely or leaves
// `vello`, `munka`, `archiv` and counter "K" as they were, with the failed
// step's message shown and the log saying that nothing was changed. When the
// connection drops after the COMMIT went out, the run cannot know from the
// error whether the server committed: it reconnects, looks for what only a
// committed run leaves (its summary rows with their row identifiers and "K"
// numbers, its archive rows, counter "K" moved, the collected tickets gone)
// and tells the operator which of the two happened. It runs
// under READ COMMITTED and locks only the rows it collects, so other
// workstations go on finalising tickets meanwhile; a ticket committed after
// the collection stays in `vello` for the next run.
class Archiving {
public:
    using Log = std::function<void(const QString& line)>;

    explicit Archiving(AppContext& ctx) : m_ctx(ctx) { }

    // Receives every log line as its step ends (the window appends it and
    // lets the screen catch up).
    void setLog(Log log) { m_log = std::move(log); }

    // Runs the archiving on `cutOff`. True when it was committed.
    bool run(const QDate& cutOff);

    // The number of tickets (ticket numbers, each with its two rows) that a
    // run on `cutOff` would collect; -1 when it cannot be read.
    qint64 ticketsUpTo(const QDate& cutOff);

    // The question asked before a run on `cutOff` that collects `tickets`.
    static QString confirmQuestion(const QDate& cutOff, qint64 tickets);

    // Figures of the last run (for the log and the tests).
    qint64 collected() const { return m_collected; }
    qint64 summaries() const { return m_summaries; }
    qint64 archived() const { return m_archived; }
    qint64 deleted() const { return m_deleted; }

    // Log lines of the run.
    static QString nothingChangedLine();

    // Messages after a lost reply to the COMMIT, once the reconnected run
    // has looked: committed, not committed, or it could not be told.
    static QString lostCommitDoneMessage();
    static QString lostCommitNotDoneMessage();
    static QString lostCommitUnknownMessage();

private:
    void log(const QString& line);
    void steps(const QDate& cutOff);
    void clearFigures();
    bool afterLostCommit(const QDate& cutOff, const QString& detail);
    LostCommit committedOrNot(const QDate& cutOff);

    AppContext& m_ctx;
    Log m_log;
    qint64 m_collected = 0;
    qint64 m_summaries = 0;
    qint64 m_archived = 0;
    qint64 m_deleted = 0;
    QString m_firstNumber;
    QString m_lastNumber;
    // What only this run writes, to recognise it after a lost COMMIT reply:
    // its summary rows (row identifier, "K" number) and the first row
    // identifier of its archive rows.
    QList<QPair<qint64, QString>> m_summaryRows;
    qint64 m_firstArchiveId = 0;
};
