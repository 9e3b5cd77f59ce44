#pragma once
#include "scale/indicatorreading.h"

#include <QList>
#include <QString>
#include <QStringList>

class QObject;
class Prompt;
class TSerialLink;
struct AppContext;

// Reading the weight from the scale indicator: the weighing window owns one
// link (SerialLink1) opened with the indicator's settings; each "Mérés"
// turns what the indicator sent into the scale text.
//
// Two kinds of indicator: one that sends its weight all the time, and one
// that sends it when its print key is pressed. For the first "Mérés" takes
// the newest complete reading, the one on display, and drops the older
// pieces; for the second it takes the pieces oldest first, so two presses
// (tractor and trailer) give the two weights in order. The kind is told from
// the pieces themselves (they keep arriving without anyone pressing a key);
// the site's setting "a mérleg folyamatosan küld" makes the first kind sure.
namespace ScaleRead {

// The port the weighing window opens: the site row's aSzeria, read anew,
// when it names one, otherwise "COM5".
QString portName(AppContext& ctx);

// The indicator's settings: 2400 baud, 8 data bits, even parity, two stop
// bits, no handshake, 43 us per character, every error level passed on.
void configure(TSerialLink& link, const QString& port);

// Pieces the queue keeps for an indicator that sends all the time.
constexpr int ContinuousKeep = 4;

// A reading the indicator has not repeated for this long is no longer the
// current one (the display then says "nincs adat").
constexpr quint32 FreshMs = 2000;

// How long a "Mérés" that has just opened the link again waits for the
// indicator's first reading: an indicator that sends all the time has sent
// one within FreshMs, or it is not sending.
constexpr quint32 ReconnectWaitMs = FreshMs;

// An indicator sends on its own when its last SelfSentRun pieces came each
// within SelfSentGapMs of the one before: nobody presses a print key so
// often, and a tractor and its trailer are weighed well apart.
constexpr int SelfSentRun = 3;
constexpr quint32 SelfSentGapMs = 2000;

// Makes the weighing window's link (object name "SerialLink1", owned by
// `parent`), configured for the site row's port and opened; a port that
// cannot be opened shows nothing here. When the site row cannot be read for
// a lost database connection the link is left without a port (commPort()
// empty) and closed; the next read reads the site row again.
TSerialLink* openLink(AppContext& ctx, QObject* parent);

// The newest complete piece of what an indicator sent all the time: the last
// line that ends with a line end; without any line end the newest piece.
QString newestPiece(const QStringList& pieces);

// Digits stay in place, every other character becomes a blank; "0" when
// there is no digit at all.
QString weightText(const QString& piece);

// Whether pieces arriving at these times (device clock, ms, oldest first)
// come from an indicator that sends on its own.
bool sendsOnItsOwn(const QList<quint32>& arrivals);
// The link's indicator is taken as sending all the time: by the setting
// (the link keeps only the last pieces) or by its pieces' arrivals.
bool continuous(const TSerialLink& link);

// What the indicator shows now: the newest complete reading of the last two
// pieces, or no data when none came within FreshMs. Touches no queue.
IndicatorReading current(const TSerialLink& link);
// The line above the weight fields: the current reading's text, or why
// there is none ("nincs kapcsolat a mérleggel"; without a port because the
// database could not be read, the database is named instead).
QString displayText(const TSerialLink* link);

extern const QString PortClosedText;   // "Hiba! A port nincs megnyitva."
extern const QString MotionText;   // moving or overloaded
extern const QString NegativeText;

enum class ReadResult {
    PortClosed,   // "Hiba! A port nincs megnyitva." shown; scale text unchanged
    NoWeight,   // nothing (current) received or no digit: the scale text is "0"
    Weight,   // the scale text holds the digits of the reading
    Refused,   // in motion, overloaded or negative: its message shown; scale text unchanged
    DatabaseLost,   // the port could not be read from the site row: its message shown
};
// Whether the caller writes the scale text into its fields.
inline bool fillsFields(ReadResult o)
{
    return o == ReadResult::NoWeight || o == ReadResult::Weight;
}

// What a read that yielded a weight took, for the record of the reading:
// the received text as it came, the indicator's status fields in front of
// the weight ("ST,GS"; empty for a frame of digits alone) and the port.
struct Taken {
    QString raw;
    QString status;
    QString port;
};
// The status fields in front of the weight in the last line of `piece`.
QString statusText(const QString& piece);

// The scale read. Never waits for the port. For an indicator that sends all
// the time it takes the newest complete reading (only when something arrived
// since the last read and the reading is current) and drops the queue; for
// one that sends on its print key the oldest queued piece. A reading whose
// frame says the scale is moving or overloaded, or that carries a minus sign,
// is refused with its message.
// `taken`, when given, is filled on Weight.
ReadResult read(TSerialLink& link, Prompt& prompt, QString& scaleText, Taken* taken = nullptr);
// The same on the run's scale text (ctx.scaleText). A link that is not open
// first reads the site row's port again (reconnecting to the database when
// the connection was lost) and takes it.
ReadResult read(AppContext& ctx, TSerialLink& link, Taken* taken = nullptr);

}   // namespace ScaleRead
