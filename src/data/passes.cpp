#include "passes.h"

namespace {
const QString InCode = QStringLiteral("B");
const QString OutCode = QStringLiteral("K");
}   // namespace

namespace Passes {

QString code(Movement m)
{
    return m == Movement::Delivery ? InCode : OutCode;
}

std::optional<Movement> movementOf(const QString& code)
{
    if (code == InCode)
        return Movement::Delivery;
    if (code == OutCode)
        return Movement::Dispatch;
    return std::nullopt;
}

Movement movementOrDispatch(const QString& code)
{
    return movementOf(code).value_or(Movement::Dispatch);
}

bool is(const QString& code, Movement m)
{
    return movementOf(code) == m;
}

QString code(Direction d)
{
    return d == Direction::In ? InCode : OutCode;
}

Direction directionOf(const QString& code)
{
    return code == OutCode ? Direction::Out : Direction::In;
}

}   // namespace Passes
