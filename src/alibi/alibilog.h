#pragma once
#include "alibi/alibientry.h"
#include "data/passes.h"
#include "data/query.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class DataModule;

// The alibi log: an append-only record of every weight the weighing takes
// (scale reads, typed "kézi" weights, register tares "törzs tára"), each
// entry chained to the one before it by a SHA-256 value, and a link table
// that ties entries to the pending weighing and later to the ticket whose
// weights they are.
//
// Where it lives: the database named after the data module's with "_alibi"
// (`vello` -> `vello_alibi`, a test database t_x -> t_x_alibi), tables
// `naplo`, `kapcsolat` and the lock row `zar` (db/create.sql, AlibiSchema;
// TestDb makes the log beside every test database). The program's user may
// only INSERT and SELECT there; nothing here updates or deletes. The chain
// value's definition: AlibiEntry::computeChain.
//
// Use (every call throws DbError when a statement fails; the caller reports):
//
//   AlibiLog log(ctx.data);                    // workstation: the host name
//   // a scale read that yielded a weight, in a transaction of its own:
//   AlibiLog::Reading r{AlibiEntry::Scale, 12340, "012340", "ST", "/dev/ttyS0", piece};
//   const qint64 nr = log.append(r);
//   // the IN/OUT store, inside its own Transaction: typed or tare weights
//   // are appended there, and each stored weight is linked
//   log.link(nr, idm, 1, AlibiLog::In);
//   // the finalisation, inside its Transaction, once the ticket number is known:
//   log.carryToTicket(idm, ticketNumber);
//   // finding and checking
//   log.entry(nr); log.links(nr); log.linksOfTicket("123"); log.entriesOn(date);
//   AlibiLog::Verification v = log.verify();
//
// Hooking it up: the scale read appends its entry at once (its own
// transaction) and the window keeps the number until the store links it;
// the store appends the typed and tare weights and links all four
// measurements inside its transaction, as late as it can, since the lock
// row is held until that transaction ends; the finalisation calls
// carryToTicket() inside its transaction after the ticket rows are written.
//
// append() joins the caller's open transaction (so a failed store takes its
// entries with it) or brackets itself. Its statements: [START TRANSACTION],
// the lock row (`zar`, SELECT ... FOR UPDATE: two workstations appending at
// once take turns here), the last entry by a locking read (the newest
// committed one, whatever the caller's transaction read before), the INSERT,
// [COMMIT]. The entry number is the last one plus one and the primary key,
// so an entry computed from a stale previous value could never be written
// (on a Galera cluster, where locks stay on their node, the second commit
// fails certification instead). A lock wait timeout or deadlock (1205,
// 1213) comes back as DbError for the caller's retry.
class AlibiLog {
public:
    // The pass a link belongs to (irany), the domain value of every floor.
    using Direction = ::Direction;
    static constexpr Direction In = Direction::In;
    static constexpr Direction Out = Direction::Out;

    struct Reading {
        AlibiEntry::Source source = AlibiEntry::Scale;
        double kg = 0;
        QString digits;   // the digits taken ("012340"); empty for typed weights
        QString status;   // the indicator's status in the frame ("ST"); empty when none
        QString port;   // the port read; empty for typed weights
        QString rawFrame;   // the received text, unescaped; empty for typed weights
    };

    struct Link {
        qint64 id = 0;   // IDh
        qint64 number = 0;   // nr
        qint64 pendingId = 0;   // IDm, 0 when none
        QString ticket;   // bszam, empty while pending
        int slot = 0;   // hely: 1 vehicle, 2 trailer
        Direction direction = In;   // irany
    };

    struct Verification {
        enum Problem {
            None,
            ChainMismatch,   // `firstBroken`'s chain value is not the one its fields give
            NumberGap,   // `firstBroken` follows a missing number (`expected`)
            MissingEntry,   // a link names entry `firstBroken`, which the log lacks
        };
        Problem problem = None;
        qint64 verified = 0;   // entries whose chain matched, from the first on
        qint64 firstBroken = 0;
        qint64 expected = 0;
        bool ok() const { return problem == None; }
    };

    explicit AlibiLog(DataModule& dm, const QString& workstation = QString());

    // "vello" -> "vello_alibi".
    static QString databaseFor(const QString& mainDatabase);
    const QString& database() const { return m_database; }
    const QString& workstation() const { return m_workstation; }

    // Appends one entry; returns its number.
    qint64 append(const Reading& r);
    // Links entry `number` to pending weighing `pendingId`, measurement
    // `slot` (1, 2) and direction. Call inside the store's transaction.
    void link(qint64 number, qint64 pendingId, int slot, Direction direction);
    // The finalisation's one statement, inside its transaction: the newest
    // pending link of each measurement of `pendingId` is written again with
    // the ticket number. Returns the links written.
    int carryToTicket(qint64 pendingId, const QString& ticket);

    std::optional<AlibiEntry> entry(qint64 number);
    QList<Link> links(qint64 number);
    // Links by ticket number or pending weighing, in measurement order.
    QList<Link> linksOfTicket(const QString& ticket);
    QList<Link> linksOfPending(qint64 pendingId);
    // Entry numbers of a day (server time), in order.
    QList<qint64> entriesOn(const QDate& day);
    // The entries themselves of a day, in order (a day's weighings: a list
    // that stays small).
    QList<AlibiEntry> entriesOfDay(const QDate& day);
    qint64 lastNumber();

    // Walks the whole chain in keyset pages of `pageSize` entries (the
    // client holds one page at a time, never the whole log) and stops at the
    // first broken entry.
    Verification verify(int pageSize = 20000);

    // The same walk a page at a time, for a window that shows its progress
    // and keeps answering between the pages:
    //
    //   AlibiLog::Verifier v(log, 5000);
    //   while (v.step()) { show v.checked() of v.total(); let events run; }
    //   v.result();
    //
    // Every call throws DbError when a statement fails.
    class Verifier {
    public:
        explicit Verifier(AlibiLog& log, int pageSize = 20000);
        // Checks the next page; true while there is more to check. The
        // last step also looks for links to entries past the chain's end.
        bool step();
        bool done() const { return m_done; }
        // The highest entry number read so far, and the last entry's
        // number when the walk began (entries appended meanwhile are
        // checked too, so checked() may pass total()).
        qint64 checked() const { return m_last; }
        qint64 total() const { return m_total; }
        const Verification& result() const { return m_result; }

    private:
        AlibiLog& m_log;
        int m_page;
        QString m_sql;
        AlibiChainHasher m_hash;
        QByteArray m_previous;
        qint64 m_expected = 1;
        qint64 m_last = 0;
        qint64 m_total = 0;
        bool m_done = false;
        Verification m_result;
    };

    static QString directionCode(Direction d) { return Passes::code(d); }

private:
    QString table(const char* name) const;
    QList<Link> readLinks();
    AlibiEntry readEntry() const;

    DataModule& m_dm;
    QString m_database;
    QString m_workstation;
    Query m_q;
};
