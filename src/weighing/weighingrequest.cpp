#include "weighingrequest.h"

namespace WeighingCaption {
const QString InMode = QStringLiteral("Új  \"BE\" mérés");
const QString OutSelect = QStringLiteral("\"Ki\" -választ");
const QString OutMode = QStringLiteral(" \"KI\" -választ mérés");
}   // namespace WeighingCaption

QString WeighingRequest::code(Movement m)
{
    return m == Movement::Delivery ? QStringLiteral("B") : QStringLiteral("K");
}

Movement WeighingRequest::movementOf(const QString& code)
{
    return code == QLatin1String("B") ? Movement::Delivery : Movement::Dispatch;
}

QString WeighingRequest::flag(bool on)
{
    return on ? QStringLiteral("I") : QStringLiteral("");
}
