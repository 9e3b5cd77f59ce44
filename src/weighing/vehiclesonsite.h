#pragma once
#include <QString>
#include <optional>

#include "data/outcome.h"
#include "data/passes.h"

struct AppContext;
class Query;

// The operations of the vehicles-on-site window (TForm4) on the list of
// pending weighings (ZQ10): reading and positioning the list, the names and
// the producer its row display shows, the displayed net, the producer
// assignment, the delete and the print of one pending weighing, and the
// pending count that the vehicle kind dialog checks. No widget here.
class VehiclesOnSite {
public:
    explicit VehiclesOnSite(AppContext& ctx);

    static const QString ListSql;   // ZQ10
    static const QString PrintSql;   // ZQ13, meres.frf

    Query& list() const;

    // Runs the list query again. A failure goes to the default error handler
    // and leaves the list closed; false then.
    bool refresh();
    // The first row, in list order, whose mBszam begins with `number` (no
    // case); the first row when none does.
    void positionOnNumber(const QString& number);
    // The row whose IDm is `id`; the first row when none is.
    void positionOnId(qint64 id);
    // Refresh, then position on the current weighing number: the list as it
    // is shown when the window is shown again.
    bool refreshOnCurrentNumber();

    // A text column of the list's current row; empty when it has none.
    QString currentText(const QString& column) const;
    // The crop name (tMegnev, on ZQ53) and warehouse name (kNev, on ZQ63) of
    // a code; empty when there is no such row. Throw DbError.
    QString cropName(const QString& code) const;
    QString warehouseName(const QString& code) const;
    // The producer of the current row (mOkod) read into ZQ40, which the row
    // display shows. Throws DbError.
    Query& openProducer();
    // Pending weighings of the plate (ZQ31); -1 when the count failed (the
    // failure went to the default error handler).
    int pendingOf(const QString& plateCode);

    // (Be1 + Be2) - (Ki1 + Ki2) of the current row; a negative figure of a
    // dispatch has its sign reversed. 0 on an empty list.
    double displayedNet() const;
    static double displayedNet(double be1, double be2, double ki1, double ki2, std::optional<Movement> movement);

    // Writes `producerCode` into mOkod of the pending weighing `id` inside
    // one transaction on ZQ12 (Done). A failure shows the store's
    // exit-weighing error text and rolls back (Failed).
    Outcome assignProducer(qint64 id, const QString& producerCode);

    enum class DeleteResult { Deleted, LastRow, Kept, Failed, Gone };
    // "Töröl": refuses the last pending weighing, otherwise asks whether the
    // vehicle `plate` is to be deleted (No: Kept, nothing changes), deletes
    // `id` in its own transaction and says so; a failed delete shows its
    // error and rolls back. A weighing that is no longer there (finalised
    // or deleted at another workstation, or a list row read as id 0)
    // deletes nothing: Gone, with a message saying it was not found, and
    // the list read again. The texts are shown through an Outcome.
    DeleteResult deleteWeighing(qint64 id, const QString& plate);

    // "Nyomtat": the pending weighing `id` on ZQ13 with meres.frf, portrait,
    // modal preview. False when nothing was shown.
    bool print(qint64 id);

private:
    AppContext& m_ctx;
};
