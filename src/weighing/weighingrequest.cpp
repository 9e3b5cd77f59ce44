#include "weighingrequest.h"

namespace WeighingCaption {
const QString InMode = QStringLiteral("Új  \"BE\" mérés");
const QString OutSelect = QStringLiteral("\"Ki\" -választ");
const QString OutMode = QStringLiteral(" \"KI\" -választ mérés");
}   // namespace WeighingCaption

QString WeighingRequest::flag(bool on)
{
    return on ? QStringLiteral("I") : QStringLiteral("");
}
