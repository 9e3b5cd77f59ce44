#pragma once
#include <QString>

struct AppContext;

// A weighing as the finalisation stored it: what the prints need after the
// pending weighing has gone.
struct FinalisedTicket {
    qint64 weighingId = 0;      // IDm the weighing had while pending
    QString weighingNumber;     // mBszam = jMbszam
    QString movement;           // mMozgas
    double in1 = 0, in2 = 0, out1 = 0, out2 = 0;   // mBemeres1/2, mKimeres1/2
    double scaleIn1 = 0, scaleIn2 = 0, scaleOut1 = 0, scaleOut2 = 0;   // mBemerleg1/2, mKimerleg1/2
    bool single = false;        // mEgymeres "I": one pass is the register tare
    qint64 rowId[2] = {0, 0};   // IDj of ticket row 1 (measurement 1) and row 2
    QString ticketNumber;       // the "J" number
};

// The prints of a finalised weighing: the weighing ticket (vello.frf) and the
// delivery note (szallito.frf). Both read the ticket rows back into ZQ13
// under the column names of the pending weighing query (mBszam, mBemeres1,
// ..., with the plate, producer and crop of measurement 1 joined as there),
// so a template sees the weighing exactly as it was finalised. The joins are
// inner joins as in the pending weighing query: without producer or crop the
// document shows its fixed texts with empty fields.
class TicketPrint {
public:
    explicit TicketPrint(AppContext& ctx) : m_ctx(ctx) {}

    // ZQ13 as for the ticket; v_bszam, v_m1, v_mozgas and the weight marks;
    // vello.frf, portrait, modal preview. True when the preview was shown.
    bool ticket(const FinalisedTicket& t);

    // Weight marks of the ticket, one per weight cell, as report variables
    // (texts, empty when the weight carries no mark):
    //   v_jel_be1, v_jel_be2   entry, measurement 1 and 2
    //   v_jel_ki1, v_jel_ki2   exit, measurement 1 and 2
    // "törzs tára": the tare taken from the plate register by a single
    // weighing (measurement 1 of the entry for "K", of the exit for "B");
    // "kézi": a weight that was typed, not read from the scale (its scale
    // figure is 0 while the weight is not).
    struct Marks {
        QString in1, in2, out1, out2;
    };
    static Marks marks(const FinalisedTicket& t);
    static QString mark(double weight, double scale, bool registerTare);

    struct Note {
        QString number;     // the "S" number drawn; empty when none was issued
        bool shown = false; // the preview was shown
    };
    // The consignee is the producer on which ZQ40 stands (empty when it is
    // closed or empty); it goes into ctx.weighing.consigneeCode. ZQ13 as for
    // the delivery note, then the "S" number (counter rule, own bracket):
    // ctx.weighing.documentNumber and v_bszam; szallito.frf, portrait. A
    // failed draw shows its message and prints nothing.
    Note deliveryNote(const FinalisedTicket& t);

    // The statement that reads a finalised weighing into ZQ13: :p0 IDm,
    // :p1 and :p2 the two ticket rows, :p3 the consignee (delivery note).
    static QString printSql(bool deliveryNote);

private:
    bool openPrintData(const FinalisedTicket& t, bool deliveryNote, const QString& consignee);

    AppContext& m_ctx;
};
