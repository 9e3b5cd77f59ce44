#pragma once
#include <QString>

#include "data/passes.h"

// The weighing mode texts, the captions of the weighing windows.
namespace WeighingCaption {
extern const QString InMode;   // the weighing window in IN mode, set by the vehicle kind dialog
extern const QString OutSelect;   // set by "KI - választ" of the vehicles-on-site window
extern const QString OutMode;   // the weighing window in OUT mode
}   // namespace WeighingCaption

// The weighing that an opener hands to the weighing window and the window to
// WeighingStore: set by the vehicle kind dialog (IN) or from the pending
// weighing chosen in the vehicles-on-site list (OUT).
struct WeighingRequest {
    Direction direction = Direction::In;
    Movement movement = Movement::Delivery;
    bool trailer = false;   // a second measurement (mPot "I")
    bool singleWeighing = false;   // one pass weighed, the other the plate's register tare (mEgymeres "I")
    QString plateCode;   // rKod of the vehicle (IN)
    qint64 weighingId = 0;   // IDm of the pending weighing (OUT)

    bool in() const { return direction == Direction::In; }
    bool delivery() const { return movement == Movement::Delivery; }
    // The pass on which the vehicle is loaded: IN of a delivery or OUT of a
    // dispatch. Its crop and warehouse are picked and stored.
    bool loadedPass() const { return in() == delivery(); }

    // The column text of a flag: "I" or empty.
    static QString flag(bool on);
};
