#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

#include "weighing/ticketprint.h"

struct AppContext;

// The ticket finalisation, "OK" (Button3) of the vehicles-on-site window
// TForm4: turns a pending weighing into a weighing ticket (two rows of
// vello under one "J" number, nets with the purity and moisture deductions),
// removes the pending weighing, then offers the ticket print and, for a
// dispatch ("K"), the delivery note.
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
        qint64 weighingId = 0;      // IDm of the list's current row (ctx.weighing.weighingId)
        QString netText;            // the net field Edit35 as shown
        // Opens the producer list window for the consignee of a delivery note
        // (the window passes [&]{ openRegisterList(ctx, RegisterKind::Producers); }).
        // When it returns, the producer list data set ZQ40 stands on the
        // consignee. Empty: ZQ40 is taken as it stands.
        std::function<void()> pickConsignee;
        QDate today;                // jModDatum / jRogDatum; invalid: today
    };

    struct Outcome {
        enum Result {
            Refused,     // a guard failed: message shown, nothing written
            Failed,      // storing failed: message shown, all rolled back, still pending
            Finalised,   // stored (printing may have been declined or failed)
        };
        Result result = Refused;
        QStringList messages;       // messages shown by storing, in order
        // objectName of TForm4's control to focus (Refused only): "Edit35".
        QString focus;
        QString ticketNumber;       // "J" number (Finalised)
        QString deliveryNoteNumber; // "S" number issued for a delivery note (empty: none)
        bool ticketPrinted = false;
        bool deliveryNotePrinted = false;
    };

    explicit Finalisation(AppContext& ctx) : m_ctx(ctx) {}

    // The whole "OK": guards, storing, ticket print, delivery note.
    // Guards, in order (focus "Edit35"):
    //   net field empty (trailing blanks removed): "Üres a netto súly!"
    //   the weighing no longer pending: "A mérés már nem szerepel a bent lévők között!"
    //   entry or exit weight 1 reads "0": "Nulla értékü mérés!"
    // Storing failures (Failed, everything rolled back):
    //   the weighing cannot be read, or the transaction cannot start:
    //     "Hiba az insert \"BE\" közben az vello -ben!"
    //   a ticket row or the commit: "Hiba: Az INSERT-append a vello -ben "
    //   the "J" counter store: "Hiba: Az UPDATE \"J\" Sorszam -ban "
    //   the "J" counter unreadable: "Hiba: a \"J\" sorszám nem olvasható!"
    //   the numbering: "Hiba: Az jBszam UPDATE vello -ben "
    //   the nets: "Hiba: mNetto számolás , REPLACE-edit a meres-ban "
    //   the removal of the pending weighing: "Hiba: mérés vello-be áttétel DELETE törlésekor"
    // Then, when stored: "Mérlegjegy nyomtatása ?" (vello.frf, v_bszam,
    // v_m1, v_mozgas and the weight marks of TicketPrint) and for movement "K" "Szállítólevél nyomtatása ?"
    // (consignee pick, "S" number, v_bszam, szallito.frf). A failed "S" draw
    // shows its message and prints no delivery note.
    // Weighing state written: documentNumber (ticket number, then the
    // delivery-note number), consigneeCode.
    Outcome run(const Input& input);

    // v_m1: |(e1 + e2) - (x1 + x2)|, the weighed difference of the whole
    // vehicle before deductions.
    static double weighedDifference(double in1, double in2, double out1, double out2);
    // v_mozgas: "BE" for movement "B", "KI" for anything else.
    static QString movementText(const QString& movement);

    // Storing alone: guards and the transaction, no print. run() is this
    // followed by the prints.
    Outcome store(const Input& input);
    // The weighing as the last successful store() left it.
    const FinalisedTicket& stored() const { return m_stored; }

private:
    Outcome refuse(const QString& message);
    Outcome failed(const QString& message);
    void storeNets(const FinalisedTicket& t, double purity, double moisture, const QString crop[2]);

    AppContext& m_ctx;
    FinalisedTicket m_stored;
};
