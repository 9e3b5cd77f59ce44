#pragma once
#include <QString>

// The weighing state: values that pass between the weighing windows and last
// for the whole run.
struct WeighingState {
    QString modeText;        // weighing mode text (window title)
    QString direction;       // weighing direction: "BE" / "KI"
    QString movement;        // "B" or "K"
    bool trailer = false;
    bool singleWeighing = false;
    QString plateCode;
    qint64 weighingId = 0;   // IDm of the current pending weighing
    QString weighingNumber;  // mBszam
    double net = 0;          // displayed net weight
    QString documentNumber;
    QString consigneeCode;
};
