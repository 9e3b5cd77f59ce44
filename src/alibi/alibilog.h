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
// only SELECT there and EXECUTE the log's routines: every entry and link is
// written by a routine in the server (bejegyez, kapcsol, jegyez), which
// numbers the entry, stamps the server's time and computes the chain value
// itself. The chain value's definition: AlibiEntry::computeChain (the
// server's lancertek computes the same).
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
//   log.append(typed, AlibiLog::Target{idm, 1, AlibiLog::In});   // appended and linked at once
//   // the finalisation, inside its Transaction, once its two ticket rows
//   // hold their number and nets:
//   const AlibiLog::TicketEntry t = log.recordTicket(idm, ticketNumber, rowId1, rowId2);
//   // finding and checking
//   log.entry(nr); log.links(nr); log.linksOfTicket("123"); log.ticketEntry("123");
//   AlibiLog::Verification v = log.verify();
//
// Hooking it up: the scale read appends its entry at once (its own
// transaction) and the window keeps the number until the store links it;
// the store appends the typed and tare weights and links all four
// measurements inside its transaction, as late as it can, since the lock
// row is held until that transaction ends; the finalisation calls
// recordTicket() inside its transaction after the ticket rows are written.
//
// Each call is one statement (SELECT of the routine), so it joins the
// caller's open transaction (a failed store takes its entries with it) or,
// outside one, is a transaction of its own. Inside the routine: the lock row
// (`zar`, SELECT ... FOR UPDATE: two workstations appending at once take
// turns here until the transaction ends), the last entry by a locking read
// (the newest committed one, whatever the caller's transaction read before),
// the INSERT. The entry number is the last one plus one and the primary key,
// so an entry computed from a stale previous value could never be written
// (on a Galera cluster, where locks stay on their node, the second commit
// fails certification instead). A lock wait timeout or deadlock (1205,
// 1213) comes back as DbError for the caller's retry; a refusal of the
// routine (SIGNAL) as DbError 1644 with the routine's text.
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

    // Where an append is linked at once: a measurement of a pending weighing.
    struct Target {
        qint64 pendingId = 0;
        int slot = 0;
        Direction direction = In;
    };

    // A finalised ticket's entry ("mérlegjegy"): its number and chain value,
    // printed on the ticket (the first 8 hex digits) to anchor the chain.
    struct TicketEntry {
        qint64 number = 0;
        QByteArray chain;
        QString chainPrefix() const { return QString::fromLatin1(chain.left(8)); }
    };

    struct Link {
        qint64 id = 0;   // IDh
        qint64 number = 0;   // nr
        qint64 pendingId = 0;   // IDm, 0 when none
        QString ticket;   // bszam, empty while pending
        int slot = 0;   // hely: 1 vehicle, 2 trailer
        Direction direction = In;   // irany
        // links(): the ticket's void, from the register's sztorno: voided,
        // the number issued in its place, the number it was issued in place of.
        bool voided = false;
        QString replacement;
        QString replaces;
    };

    struct Verification {
        enum Problem {
            None,
            ChainMismatch,   // `firstBroken`'s chain value is not the one its fields give
            NumberGap,   // `firstBroken` follows a missing number (`expected`)
            MissingEntry,   // a link names entry `firstBroken`, which the log lacks
            BadNumber,   // the log holds entry `firstBroken`, a number below 1
            DuplicateLink,   // ticket `ticket` has two links for one measurement
            TicketMismatch,   // ticket `ticket` differs from its ticket entry `firstBroken`
        };
        Problem problem = None;
        qint64 verified = 0;   // entries whose chain matched, from the first on
        qint64 firstBroken = 0;
        qint64 expected = 0;
        QString ticket;   // DuplicateLink, TicketMismatch
        QString detail;   // TicketMismatch: what differs ("B1", "N2", "sorok", "kapcsolat K1", ...)
        bool ok() const { return problem == None; }
        // The finding in a sentence for the operator (Hungarian).
        QString message() const;
    };

    explicit AlibiLog(DataModule& dm, const QString& workstation = QString());

    // "vello" -> "vello_alibi".
    static QString databaseFor(const QString& mainDatabase);
    const QString& database() const { return m_database; }
    const QString& workstation() const { return m_workstation; }

    // Appends one entry (one statement); returns its number. With `target`
    // the entry is linked to it in the same statement.
    qint64 append(const Reading& r, const std::optional<Target>& target = std::nullopt);
    // Links entry `number` (a weight's entry) to pending weighing
    // `pendingId`, measurement `slot` (1, 2) and direction. Call inside the
    // store's transaction.
    void link(qint64 number, qint64 pendingId, int slot, Direction direction);
    // The finalisation's one statement, inside its transaction, once the two
    // ticket rows `rowId1`, `rowId2` (IDj) hold number `ticket` and their
    // nets: every weight other than 0 is checked against the newest entry
    // linked to its measurement of `pendingId` (a weight that differs is
    // refused: DbError 1644, text "alibi-weight:<B|K><1|2>:<entry>"), those
    // links go over to the ticket, and the ticket entry is appended.
    TicketEntry recordTicket(qint64 pendingId, const QString& ticket, qint64 rowId1, qint64 rowId2);
    // The entry of finalised ticket `ticket`; nullopt for a ticket finalised
    // before the log kept ticket entries.
    std::optional<TicketEntry> ticketEntry(const QString& ticket);

    std::optional<AlibiEntry> entry(qint64 number);
    // The links of entry `number`, each with its ticket's void: a voided
    // ticket and the one issued in its place share their weights' entries.
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
        void checkTickets(qint64 from, qint64 to);
        void checkLinks();

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
    QString routine(const char* name) const { return table(name); }
    QList<Link> readLinks(bool withVoids = false);
    AlibiEntry readEntry() const;

    DataModule& m_dm;
    QString m_database;
    QString m_workstation;
    Query m_q;
};
