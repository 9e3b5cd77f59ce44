#pragma once
#include <QString>
#include <optional>

#include "data/passes.h"

class DataModule;
class Prompt;
class Query;
class ReportOutput;

// The weights of one weighing ticket: row 1 (measurement 1) and row 2 (the
// trailer's measurement 2) of vello, or of the pending weighing it was made of.
struct TicketWeights {
    std::optional<Movement> movement;   // none on a row that carries no movement
    bool single = false;   // one pass is the plate's register tare
    double in1 = 0, in2 = 0, out1 = 0, out2 = 0;   // jBemeres / jKimeres (mBemeres1/2, mKimeres1/2)
    double scaleIn1 = 0, scaleIn2 = 0, scaleOut1 = 0, scaleOut2 = 0;   // jBemerleg / jKimerleg
};

// The sums of a set of ticket rows.
struct TicketSums {
    double weighed = 0;   // SUM(ABS(jBemeres - jKimeres))
    double storedIn = 0;   // SUM(jNettoBe)
    double shippedOut = 0;   // SUM(jNettoKi)
    double stock() const { return storedIn - shippedOut; }
};

// What a ticket's documents show beside the rows: the one place for the
// report variables of the ticket print (vello.frf, after finalisation) and
// of the ticket copy (vello_masolat.frf, from the ticket browser), the weight
// marks and the ticket sums.
namespace TicketDocument {

// v_m1: |(in1 + in2) - (out1 + out2)|, the weighed difference of the whole
// vehicle before deductions.
double weighedDifference(const TicketWeights& w);
// v_mozgas: "BE" for a delivery, "KI" for anything else.
QString movementText(std::optional<Movement> movement);

// Weight marks, one per weight cell (empty when the weight carries none):
// "törzs tára" for the tare taken from the plate register by a single
// weighing (measurement 1 of the entry of a dispatch, of the exit of a delivery), "kézi"
// for a typed weight (its scale figure is 0 while the weight is not).
struct Marks {
    QString in1, in2, out1, out2;   // v_jel_be1, v_jel_be2, v_jel_ki1, v_jel_ki2
};
Marks marks(const TicketWeights& w);
QString mark(double weight, double scale, bool registerTare);

// The variables of the ticket print: v_bszam, v_m1, v_mozgas and the marks.
void setTicketVariables(ReportOutput& report, const QString& ticketNumber, const TicketWeights& w);
// The variables of the ticket copy: v_bszam, v_Bemeres2, v_Kimeres2 (row 2's
// weights, which the template adds to row 1's), v_m1, v_mozgas.
void setCopyVariables(ReportOutput& report, const QString& ticketNumber, const TicketWeights& w);

// The alibi log entry of each weight, as the ticket prints it under the
// weight: "alibi 123", empty for a weight of 0 or one the log has no link
// for (a weighing stored before the log was kept).
struct AlibiNumbers {
    QString in1, in2, out1, out2;   // v_alibi_be1, v_alibi_be2, v_alibi_ki1, v_alibi_ki2
    QString ticketEntry, chainPrefix;   // v_alibi_jegy ("alibi 1240"), v_alibi_lanc (8 hex digits)
};
// The entries linked to ticket `ticketNumber` (AlibiLog::linksOfTicket);
// throws DbError.
AlibiNumbers alibiNumbers(DataModule& dm, const QString& ticketNumber, const TicketWeights& w);
// The four alibi variables of the ticket print and the ticket copy. When the
// log cannot be read they are set empty and the ticket prints without them,
// after a message through `prompt`.
void setAlibiVariables(
        ReportOutput& report, DataModule& dm, Prompt& prompt, const QString& ticketNumber, const TicketWeights& w);

// The weights of a ticket from its vello rows in IDj order (row 2 is 0 when
// there is none); the rows are left on the first row, which the templates read.
TicketWeights fromRows(Query& rows);

// The sums of the vello rows that `where` selects (" WHERE ...", or empty),
// as sum_meres, sum_betarolt, sum_kiszall.
QString sumsSql(const QString& where);
// The sums on the current row of a query made by sumsSql (0 without a row).
TicketSums readSums(const Query& sums);

}   // namespace TicketDocument
