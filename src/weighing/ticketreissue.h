#pragma once
#include <QDate>
#include <QString>
#include <optional>

#include "data/outcome.h"
#include "data/passes.h"
#include "data/transaction.h"
#include "weighing/ticketprint.h"

struct AppContext;

// What the reissue lets the operator change, as texts the way the weighing
// window holds its fields (codes as typed, numbers with the decimal comma).
struct ReissueFields {
    QString producer;   // jOkod
    QString crop[2];   // jTkod of measurement 1 and 2
    QString warehouse[2];   // jKkod of measurement 1 and 2
    QString purity, moisture, remark;   // jTiszt, jViztart, jMegj
    QString reason;   // why the ticket is voided (zOk)
};

// A ticket as it stands before the reissue: what stays (weights, times,
// plate, movement) and the fields as they are now.
struct ReissueSource {
    QString ticket;
    Movement movement = Movement::Delivery;
    bool trailer = false;   // jPot "I": measurement 2 is weighed and has its own crop and warehouse
    bool single = false;
    int rows = 0;   // 2, as the finalisation writes them (1 for a ticket with a single row)
    qint64 rowId[2] = {0, 0};
    double in[2] = {0, 0}, out[2] = {0, 0}, scaleIn[2] = {0, 0}, scaleOut[2] = {0, 0};
    QDate date;
    QString inTime, outTime, plateCode, plate;   // jBeido, jKiido, jRkod, rRendszam
    ReissueFields fields;   // the ticket's own values; reason empty
};

// What the reissue ended in: the new ticket's number when Done.
struct ReissueOutcome : Outcome {
    QString ticketNumber;
    bool printed = false;
};

// "Javítás": a wrong ticket is voided and a corrected one issued in its place
// under a new "J" number, both kept. The producer, the crop and warehouse of
// each measurement, purity, moisture and the remark may change; the weights,
// times, plate and movement stay, tied to their alibi log entries.
//
// store() checks first, in this order, each with the weighing window's own
// message and the name of the control to focus (the dialog names its fields
// as the weighing window does: Edit5/Edit6 crop and warehouse 1, Edit11/Edit12
// of measurement 2, Edit32 purity, Edit33 moisture; "producer", "reason"):
// the reason (TicketVoid), the producer (picked, in its register), every
// check of the weighing window's OK for the loaded pass (WeighingStore::check)
// and the finalisation's guard against a negative net. Then one transaction:
// the old ticket's rows locked and checked for a void (TicketVoid), the "J"
// number drawn as the finalisation draws it, the new rows inserted from the
// old ones with the changed fields, the same weights, times and weighing
// number, today as jModDatum/jRogDatum, their nets computed by the
// finalisation's own step (Finalisation::storeNets), the new ticket linked to
// the same alibi log entries (AlibiStore::recordTicket from the weighing's
// pending links, as the finalisation does, checked against the old ticket's
// links; the new ticket gets its own ticket entry in the log) and the void record
// of the old ticket written with the new number. A lock conflict runs it all
// again without a second number; any failure leaves nothing written; a lost
// COMMIT reply is answered by what the server holds.
class TicketReissue {
public:
    explicit TicketReissue(AppContext& ctx) : m_ctx(ctx) { }

    // The ticket for the dialog; nothing (its message shown) when it cannot
    // be voided or read.
    std::optional<ReissueSource> read(const QString& ticket);

    // The checks and the transaction (no print). `today` invalid: today.
    ReissueOutcome store(const ReissueSource& source, const ReissueFields& fields, const QDate& today = QDate());
    // After store(): the question "Mérlegjegy nyomtatása ?", then the new
    // ticket on vello.frf with "A(z) N. sz. mérlegjegy helyett" (v_helyett).
    bool print(const QString& oldTicket);
    // store() and print() together.
    ReissueOutcome run(const ReissueSource& source, const ReissueFields& fields, const QDate& today = QDate());

    // The weighing as the last successful store() left it (the new ticket).
    const FinalisedTicket& stored() const { return m_stored; }

private:
    QString checkProducer(const QString& code);
    QString negativeNet(const ReissueSource& s, const ReissueFields& f, double purity, double moisture);
    void writeTicket(ReissueOutcome& o, const ReissueSource& s, const ReissueFields& f, double purity, double moisture,
            const QDate& today);
    LostCommit committedOrNot(const QString& oldTicket);

    AppContext& m_ctx;
    FinalisedTicket m_stored;
};
