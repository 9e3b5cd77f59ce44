#pragma once
#include <QString>
#include <optional>

#include "weighing/weighingrequest.h"

struct AppContext;
struct Outcome;
namespace ScaleRead {
struct Taken;
}

// The weights a weighing window read from the scale: per measurement (0 the
// vehicle, 1 the trailer) the alibi log entry of the last "Mérés" that
// yielded a weight and that weight; number 0 when there was none.
struct AlibiReads {
    qint64 number[2] = {0, 0};
    double kg[2] = {0, 0};
};

// The weighing's side of the alibi log (AlibiLog):
//
// - "Mérés": every scale read that yields a weight is appended at once, in a
//   transaction of its own (recordRead), and the window keeps the entry's
//   number beside the weight it wrote into the measurement's field. The
//   entry records a reading that happened, whatever becomes of it later; it
//   says nothing about being stored.
// - The IN and OUT store call recordIn / recordOut inside their transaction,
//   after their own statements and before the COMMIT: each weight other
//   than 0 that the pending weighing now holds (the IN store passes what it
//   wrote; the OUT store's are read back) is linked to its entry: the scale
//   read's when the window still holds the weight it read there, a new
//   "törzs tára" entry for the plate's register tare that a single weighing
//   stores, a new "kézi" entry for any other (typed) weight. One statement
//   per weight (the log's routine appends and links at once). A store that
//   fails rolls back its links and its "kézi" / "törzs tára" entries with
//   everything else.
// - The finalisation calls recordTicket inside its transaction: the log
//   checks every weight against its linked entry (a weight that differs is
//   refused), carries the links to the ticket and appends the ticket entry.
//
// Each call shows its own message on failure (recorded in the outcome) and
// returns false; the caller then fails its transaction with its own message.
// A deadlock or lock-wait timeout is not shown: its DbError goes on to the
// caller, whose whole transaction runs again.
class AlibiStore {
public:
    AlibiStore(AppContext& ctx, const WeighingRequest& request, const AlibiReads& reads)
        : m_ctx(ctx), m_request(request), m_reads(reads)
    {
    }

    // The entry of a scale read that yielded `digits` (the text written into
    // the weight field); nullopt after its message was shown: the weight must
    // not be taken.
    static std::optional<qint64> recordRead(AppContext& ctx, const ScaleRead::Taken& taken, const QString& digits);

    // What the IN store left in the pending weighing it inserted.
    struct Stored {
        qint64 pendingId = 0;   // IDm, the insert's id
        double weight[4] = {0, 0, 0, 0};   // mBemeres1, mBemeres2, mKimeres1, mKimeres2
        bool tareCompleted = false;   // a single weighing without trailer: one pass is the register tare
    };
    // In the IN store's transaction, right after its own statements.
    bool recordIn(Outcome& o, const Stored& stored);
    // In the OUT store's transaction, after its UPDATE.
    bool recordOut(Outcome& o);
    // In the finalisation's transaction, once the ticket rows `rowId` hold
    // `ticket` and their nets: the weights checked against their entries,
    // the links carried to the ticket, its ticket entry appended.
    static bool recordTicket(
            AppContext& ctx, Outcome& o, qint64 pendingId, const QString& ticket, const qint64 rowId[2]);

private:
    bool record(Outcome& o, bool in, const Stored& stored);

    AppContext& m_ctx;
    WeighingRequest m_request;
    AlibiReads m_reads;
};

// For benchmarks only: with skip set the stores write nothing to the log (the
// baseline of "the store with its log entry"). The program never sets it.
struct AlibiHookSetting {
    bool skip = false;
};
AlibiHookSetting& alibiHookSetting(AppContext& ctx);
