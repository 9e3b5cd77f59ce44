#pragma once
#include <QString>

class QObject;
class Prompt;
class TSerialLink;
struct AppContext;

// Reading the weight from the scale indicator: the weighing window owns one
// link (SerialLink1) opened with the indicator's settings; each "Mérés"
// turns the oldest received piece of text into the scale text.
namespace ScaleRead {

// The port the weighing window opens: the site row's aSzeria when it names
// one, otherwise "COM5".
QString portName(AppContext& ctx);

// The indicator's settings: 2400 baud, 8 data bits, even parity, two stop
// bits, no handshake, 43 us per character, every error level passed on.
void configure(TSerialLink& link, const QString& port);

// Pieces the queue keeps for an indicator that sends all the time.
constexpr int ContinuousKeep = 4;

// Makes the weighing window's link (object name "SerialLink1", owned by
// `parent`), configured for portName(ctx) and opened; a port that cannot be
// opened shows nothing here.
TSerialLink* openLink(AppContext& ctx, QObject* parent);

// The newest complete piece of what an indicator sent all the time: the last
// line that ends with a line end; without any line end the newest piece.
QString newestPiece(const QStringList& pieces);

// Digits stay in place, every other character becomes a blank; "0" when
// there is no digit at all.
QString weightText(const QString& piece);

enum class Outcome {
    PortClosed,   // "Hiba! A port nincs megnyitva." shown; scale text unchanged
    NoWeight,     // nothing received or no digit: the scale text is "0"
    Weight,       // the scale text holds the digits of the piece
};

// The scale read. Never waits for the port. On a link that keeps only the
// last pieces the newest complete piece is taken and the older ones dropped.
Outcome read(TSerialLink& link, Prompt& prompt, QString& scaleText);
// The same on the run's scale text (ctx.scaleText), which it returns.
QString read(AppContext& ctx, TSerialLink& link);

} // namespace ScaleRead
