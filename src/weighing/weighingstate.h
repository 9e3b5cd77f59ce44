#pragma once
#include "context/appcontext.h"

#include <QString>

// What the weighing windows keep for the whole run; everything else passes
// from window to window as a WeighingRequest.
struct WeighingState {
    // The weighing mode text, the caption of the vehicles-on-site window and
    // of the weighing window (WeighingCaption). Shown only: nothing decides
    // by it.
    QString caption;
    // mBszam of the weighing stored last: the vehicles-on-site list stands on
    // it when it is read again.
    QString weighingNumber;
};

// The run's weighing state.
inline WeighingState& weighingState(AppContext& ctx)
{
    return ctx.states.get<WeighingState>();
}
