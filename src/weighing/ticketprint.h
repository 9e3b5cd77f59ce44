#pragma once
#include <QString>

#include "tickets/ticketdocument.h"

struct AppContext;

// A weighing as the finalisation stored it: what the prints need after the
// pending weighing has gone.
struct FinalisedTicket : TicketWeights {
    qint64 weighingId = 0;   // IDm the weighing had while pending
    QString weighingNumber;   // mBszam = jMbszam
    qint64 rowId[2] = {0, 0};   // IDj of ticket row 1 (measurement 1) and row 2
    QString ticketNumber;   // the "J" number
};

// The prints of a finalised weighing: the weighing ticket (vello.frf) and the
// delivery note (szallito.frf). Both read the ticket's rows into ZQ13 with
// the one read of the ticket documents (TicketDocument::openRows), which
// carries the weighing under the column names of the pending weighing query
// (mBszam, mBemeres1, ..., with the plate, producer and crop of measurement
// 1 joined as there), so a template sees the weighing exactly as it was
// finalised, and the ticket copy reads the same rows. Without producer or
// crop the document shows its fixed texts with empty fields.
class TicketPrint {
public:
    explicit TicketPrint(AppContext& ctx) : m_ctx(ctx) { }

    // ZQ13 as for the ticket; the ticket's variables with its settlement
    // (TicketDocument);
    // vello.frf, portrait, modal preview. True when the preview was shown.
    bool ticket(const FinalisedTicket& t);

    struct Note {
        QString consignee;   // oKod of the consignee (empty: none)
        QString number;   // the "S" number drawn; empty when none was issued
        bool shown = false;   // the preview was shown
    };
    // `consignee` is the oKod of the producer picked as consignee (empty:
    // none). ZQ13 as for the delivery note, then the "S" number (counter
    // rule, own bracket) as v_bszam; szallito.frf, portrait. A failed draw
    // shows its message and prints nothing.
    Note deliveryNote(const FinalisedTicket& t, const QString& consignee);

private:
    bool openPrintData(const FinalisedTicket& t, bool deliveryNote, const QString& consignee);

    AppContext& m_ctx;
};
