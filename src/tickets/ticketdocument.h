#pragma once
#include <QList>
#include <QString>
#include <QVariantMap>
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
QVariantMap ticketVariables(const QString& ticketNumber, const TicketWeights& w);
// The variables of the ticket copy: v_bszam, v_Bemeres2, v_Kimeres2 (row 2's
// weights, which the template adds to row 1's), v_m1, v_mozgas.
QVariantMap copyVariables(const QString& ticketNumber, const TicketWeights& w);

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
// log cannot be read they are empty and `unreadable` is set.
QVariantMap alibiVariables(DataModule& dm, const QString& ticketNumber, const TicketWeights& w, bool* unreadable);

// Every variable of a stored ticket's document, from the rows of openRows
// (left on their first row): the ticket print's (copy false) or the copy's,
// with the alibi numbers and the settlement. A log that cannot be read
// leaves the alibi numbers empty and sets `alibiUnreadable`.
QVariantMap documentVariables(
        DataModule& dm, Query& rows, const QString& ticketNumber, bool copy, bool* alibiUnreadable = nullptr);
// Sets them on the report; an unreadable alibi log is said through `prompt`
// first, and the document prints without its numbers.
void setDocumentVariables(
        ReportOutput& report, DataModule& dm, Prompt& prompt, Query& rows, const QString& ticketNumber, bool copy);

// The rows of one ticket for its documents, the one read behind the ticket
// print (ZQ13, after finalisation), the delivery note and the ticket copy
// (ZQ23, from the ticket browser): the ticket's vello rows in IDj order,
// each joined with its plate, producer (the consignee's on the delivery
// note), crop and warehouse (inner joins, so a row without crop, the second
// row of a vehicle without trailer, is not among them), every vello column
// under its own name, and on every row the whole weighing under the column
// names of the pending weighing query (mBszam, mBemeres1, mBemeres2, ...,
// measurement 1 from row 1, measurement 2 from row 2; IDm is the weighing's
// id where known, else 0). Binds: :p1 the ticket number, :p0 the IDm,
// :p2 the consignee's oKod (delivery note only).
QString rowsSql(bool consignee);
// Opens rowsSql on `rows`; throws DbError.
void openRows(Query& rows, const QString& ticketNumber, qint64 weighingId = 0,
        const std::optional<QString>& consignee = std::nullopt);

// The weights of a ticket from the first row of openRows (all zero without a
// row); the rows are left on the first row, which the templates read.
TicketWeights fromRows(Query& rows);

// The deduction of an intake pass in kilograms: `weighed` (entry minus
// exit) times the points by which the measured figure falls short of the
// standard. A figure better than the standard deducts nothing: the net never
// exceeds the weighed weight.
double purityDeduction(double weighed, double standardPurity, double purity);
double moistureDeduction(double weighed, double standardMoisture, double moisture);
// The deduction points, never below 0, as the finalisation binds them.
double deductionPoints(double shortfall);

// The settlement of an intake ticket, pass by pass: what the stock counts
// and how it came from the weighed weight. Read from openRows; a dispatch
// has no passes.
struct PassSettlement {
    QString crop;   // tMegnev
    double weighed = 0;   // jBemeres - jKimeres
    double purity = 0, moisture = 0;   // jTiszt, jViztart
    double standardPurity = 100, standardMoisture = 0;   // tSztiszt, tSzviztart
    double purityKg = 0, moistureKg = 0;   // the deductions
    double settled = 0;   // jNettoBe as stored: the net the stock counts
};
struct Settlement {
    QList<PassSettlement> passes;   // the loaded passes of an intake, measurement 1 first
    double settled() const;   // their nets together
};
Settlement settlement(Query& rows);
// The settlement block's variables (docs/templates.md): v_elsz_sor1/2 the
// crop, figures, standards and deductions of each pass, v_elsz_netto1/2
// "Elszámolt nettó: N kg" of each pass, v_elsz_ossz the total of a trailer,
// v_elszamolt the settled net as a number in whole kilograms. All empty (0)
// for a dispatch. Whole kilograms as the stock window rounds them.
QVariantMap settlementVariables(const Settlement& s);

// The sums of the vello rows that `where` selects (" WHERE ...", or empty),
// as sum_meres, sum_betarolt, sum_kiszall.
QString sumsSql(const QString& where);
// The sums on the current row of a query made by sumsSql (0 without a row).
TicketSums readSums(const Query& sums);

}   // namespace TicketDocument
