#pragma once
#include <QString>
#include <optional>

// The domain values of a weighing, for every floor: what the vehicle does on
// the site and which pass a weight belongs to. Decisions are made on these
// values; the column texts "B" / "K" are read and written only here.

// What the vehicle does on the site (meres.mMozgas, vello.jMozgas): a
// delivery ("B") comes in loaded, a dispatch ("K") comes in empty and leaves
// loaded.
enum class Movement { Delivery, Dispatch };

// The pass of a weighing: IN starts a pending weighing, OUT records its exit
// (the alibi log's link column irany: "B" / "K").
enum class Direction { In, Out };

namespace Passes {

// The column text of a movement: "B" or "K".
QString code(Movement m);
// The movement of a column text; nullopt for any text but "B" and "K" (a
// summary row of archiving carries none).
std::optional<Movement> movementOf(const QString& code);
// As movementOf(), "B" a delivery and any other text a dispatch.
Movement movementOrDispatch(const QString& code);
// Whether the column text is that of `m`.
bool is(const QString& code, Movement m);

// The column text of a pass: "B" for IN, "K" for OUT.
QString code(Direction d);
// "K" is OUT, any other text IN.
Direction directionOf(const QString& code);

}   // namespace Passes
