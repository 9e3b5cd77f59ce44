#pragma once
#include <QString>

// What the indicator shows at the moment, read from a piece of received
// text for display only; the weight that is stored is always the scale
// read's. A piece may hold several frames: the last complete line counts.
// Frames like "ST,GS,+  012340kg" carry the state in front: ST stable, US
// in motion, OL overload; a frame of digits alone carries no state. A line
// with anything but printable text (noise, a wrong line setting) is no data.
struct IndicatorReading {
    enum State { NoData, Stable, Motion, Overload, Unknown };
    State state = NoData;
    bool negative = false;
    double kg = 0;

    static IndicatorReading parse(const QString& piece);
    // "12 340 kg  stabil", "-150 kg  mozgásban", "túlterhelés", "nincs adat".
    QString text() const;
};
