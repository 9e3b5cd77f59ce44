#include "dberror.h"

namespace {
const QString LostConnectionMessage
        = QStringLiteral("Megszakadt a kapcsolat az adatbázissal. Ellenőrizze az adatbázis-kiszolgálót, majd "
                         "próbálja újra!");
}   // namespace

QString DbError::lostConnectionText()
{
    return LostConnectionMessage;
}

QString DbError::shownText() const
{
    return connectionLost() ? LostConnectionMessage : m_text;
}

QString DbError::said(const QString& message, int code)
{
    if (message.isEmpty() || !lostConnection(code))
        return message;
    return message + QStringLiteral("\r") + LostConnectionMessage;
}
