#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

#include "data/outcome.h"

struct AppContext;

// What the table `sztorno` holds of a voided ticket.
struct VoidRecord {
    QString ticket;   // zBszam: the number of the voided ticket
    QDateTime time;   // zIdo: when, server time
    QString workstation;   // zGep
    QString user;   // zFelhasznalo: the database user as the server names it (vello@host)
    QString reason;   // zOk
    QString replacement;   // zHelyette: the ticket issued in its place; empty when only voided
};

// Voiding a finalised ticket ("Sztornó"): its two rows stay in vello as they
// are, and a row of `sztorno` under its number records who voided it, when
// and why. Nothing is deleted and no number is drawn. From then on the ticket
// is listed (marked) and found by the ticket browser, and counted nowhere:
// the stock figures and archiving leave it out (notVoided()).
//
// Refused, with a message and nothing written: an empty reason or one longer
// than ReasonWidth; a number that names a summary row of archiving; a ticket
// already voided (the message says when and where, so that a workstation that
// lost the race to another learns who won); a ticket already archived; a
// number that names no ticket.
//
// Two workstations voiding one ticket at once: the void reads the ticket's
// rows with a lock, then its void record, and inserts the record under its
// primary key; the second waits for the first one's COMMIT and is then
// refused as above (a duplicate key, on a server where the locks do not
// meet, ends the same way). A deadlock or lock-wait timeout runs the whole
// transaction again (retryLockConflicts). A lost COMMIT reply is answered by
// what the server holds after reconnecting.
class TicketVoid {
public:
    static constexpr int ReasonWidth = 200;   // zOk

    explicit TicketVoid(AppContext& ctx);

    // The question asked before voiding `ticket`.
    static QString confirmQuestion(const QString& ticket);
    // The refusal of a reason (empty, too long); empty when it is fine. The
    // characters are checked by the dialog and by the server's strict mode.
    static QString reasonRefusal(const QString& reason);

    // The condition that leaves voided tickets out, for a statement whose
    // ticket table is `table` ("vello"): "NOT EXISTS (...)", read by the
    // primary key of `sztorno` per row.
    static QString notVoided(const QString& table = QStringLiteral("vello"));

    // The void record of `ticket`, or nothing. Throws DbError.
    std::optional<VoidRecord> record(const QString& ticket);
    // The record of the ticket voided in favour of `ticket` (its zHelyette),
    // or nothing. Throws DbError.
    std::optional<VoidRecord> replaced(const QString& ticket);
    // Why `ticket` cannot be voided now (read without locks, before the
    // dialog opens); empty when it can. Throws DbError.
    QString refusal(const QString& ticket);

    // "Sztornó": the void as one transaction. Refused (a message shown,
    // focus "reason" for the reason), Failed (nothing written) or Done.
    Outcome run(const QString& ticket, const QString& reason);

    // The steps of a void inside the caller's open transaction (the reissue
    // runs them in its own), the transaction's first reads: lockTicket()
    // locks the ticket's rows, reads its record and returns the refusal's
    // message (empty: it may be voided); write() inserts the record (a
    // duplicate key, 1062, when another void went in first). Both throw
    // DbError.
    QString lockTicket(const QString& ticket);
    void write(const QString& ticket, const QString& reason, const QString& replacement);

private:
    QString refusalOf(const QString& ticket, bool locking);

    AppContext& m_ctx;
};
