#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "data/outcome.h"
#include "data/transaction.h"
#include "weighing/ticketprint.h"

struct AppContext;

// What the finalisation ended in: Refused (a guard failed, focus "Edit35"),
// Failed (storing failed, all rolled back, still pending) or Done (stored;
// printing may have been declined or failed).
struct FinalisationOutcome : Outcome {
    QString ticketNumber;   // "J" number (Done)
    QString deliveryNoteNumber;   // "S" number issued for a delivery note (empty: none)
    QString consigneeCode;   // oKod of the delivery note's consignee (empty: none)
    bool ticketPrinted = false;
    bool deliveryNotePrinted = false;
};

// The ticket finalisation, "OK" (Button3) of the vehicles-on-site window
// TForm4: turns a pending weighing into a weighing ticket (two rows of
// vello under one "J" number, nets with the purity and moisture deductions),
// removes the pending weighing, then offers the ticket print and, for a
// dispatch, the delivery note.
//
// Storing is all-or-nothing: the two ticket rows, the "J" number, the
// numbering of exactly those two rows, the nets and the removal of the
// pending weighing are one transaction. After any failure the weighing is
// still pending and can be finalised again, no ticket row exists for it and
// no "J" number is used up. Printing comes after the commit and prints the
// weighing as it was finalised (read back from its ticket rows under the
// column names of the pending weighing query, so the templates see the same
// fields); nothing done in the print questions, the consignee pick or the
// preview touches the stored ticket.
//
// The window passes the weighing it has selected and the text of its net
// field; after run() it refreshes its list and runs its full display
// (whatever the outcome).
class Finalisation {
public:
    struct Input {
        qint64 weighingId = 0;   // IDm of the list's current row (ctx.weighing.weighingId)
        // mBszam of that row as the list showed it: tells a weighing that
        // another workstation has finalised (its ticket rows carry the
        // number) from one it has deleted. Empty: not told apart.
        QString weighingNumber;
        QString netText;   // the net field Edit35 as shown
        // Lets the operator pick the consignee of a delivery note (the window
        // opens the producer list) and returns its code (oKod; empty: none).
        // Empty: the delivery note has no consignee.
        std::function<QString()> pickConsignee;
        QDate today;   // jModDatum / jRogDatum; invalid: today
    };

    explicit Finalisation(AppContext& ctx) : m_ctx(ctx) { }

    // The whole "OK": guards, storing, ticket print, delivery note.
    // Guards, in order (Refused, focus "Edit35"); all but the first read the
    // weighing inside the transaction with its row locked:
    //   the net field empty (trailing blanks removed);
    //   the weighing no longer pending: finalised at another workstation
    //     (its ticket rows found by input.weighingNumber, the message names
    //     the ticket number), deleted there, or (no number given) plainly
    //     gone; no number drawn;
    //   entry or exit weight 1 reads "0";
    //   no producer assigned, or a producer code the register does not hold;
    //   a weighed measurement without a crop, or with a crop code the
    //     register does not hold;
    //   an intake whose exit weight is above its entry weight, or whose
    //     deductions would leave a negative net.
    // (a ticket without producer or crop would be missing from every list
    // that joins its registers while counting in the stock).
    // Storing failures (Failed, everything rolled back) each have their
    // message: the weighing unreadable or the transaction not started, a
    // ticket row or the commit, the "J" counter store, the "J" counter
    // unreadable, the numbering, the nets, the removal of the pending
    // weighing. The texts are in finalisation.cpp.
    // A deadlock or lock-wait timeout at any statement runs the whole
    // transaction again (within the lock-retry budget) without a second "J" number. A
    // lost COMMIT reply is answered after reconnecting by what the server
    // holds: finalised (Done, said so, then the prints), not finalised
    // (Failed, still pending) or not known (Failed).
    // Then, when stored, the question of the ticket print (vello.frf with the
    // ticket's variables) and for a dispatch the question of the delivery
    // note (consignee pick, "S" number, v_bszam, szallito.frf). A failed "S"
    // draw shows its message and prints no delivery note.
    FinalisationOutcome run(const Input& input);

    // Storing alone: guards and the transaction, no print. run() is this
    // followed by the prints.
    FinalisationOutcome store(const Input& input);
    // The weighing as the last successful store() left it.
    const FinalisedTicket& stored() const { return m_stored; }

    // The nets of ticket rows rowId[0] (measurement 1) and rowId[1], inside
    // the caller's transaction: for a dispatch exit minus entry weight, for a
    // delivery the weight difference less the purity and moisture deductions
    // against the standards of each row's crop (crop[0], crop[1]; none found:
    // no deduction). Throws DbError.
    static void storeNets(AppContext& ctx, std::optional<Movement> movement, const qint64 rowId[2], double purity,
            double moisture, const QString crop[2]);

private:
    // The pending weighing `id` into m_stored, with its purity, moisture and
    // crops; an empty text when it passed the guards, else the guard's message.
    QString readPending(qint64 id, double& purity, double& moisture, QString crop[2]);
    // The message for a weighing found gone: what its ticket rows show.
    QString whatBecameOf(const QString& weighingNumber);
    // After a lost COMMIT reply: whether m_stored's ticket is on the server.
    LostCommit committedOrNot();
    // The guards on the registers and the nets of the weighing read by
    // readPending: the refusal's message, or an empty text.
    QString refusal(double purity, double moisture, const QString crop[2]);

    AppContext& m_ctx;
    FinalisedTicket m_stored;
};
