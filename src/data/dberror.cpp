#include "dberror.h"

namespace {
const QString LostConnectionMessage
        = QStringLiteral("Megszakadt a kapcsolat az adatbázissal. Ellenőrizze az adatbázis-kiszolgálót, majd "
                         "próbálja újra!");
// A cluster node cut off from the majority (or still joining) answers but
// takes no work: nothing was written, and no other node was ready either.
const QString NotAvailableMessage
        = QStringLiteral("Az adatbázis nem érhető el: a fürt egyik kiszolgálója sem fogad adatot (a fürt "
                         "többsége nem érhető el). Ellenőrizze az adatbázis-kiszolgálókat, majd próbálja újra!");

const QString& textFor(int code)
{
    return code == DbError::NodeNotReady ? NotAvailableMessage : LostConnectionMessage;
}
}   // namespace

QString DbError::lostConnectionText()
{
    return LostConnectionMessage;
}

QString DbError::shownText() const
{
    return connectionLost() ? textFor(m_code) : m_text;
}

QString DbError::said(const QString& message, int code)
{
    if (message.isEmpty() || !lostConnection(code))
        return message;
    return message + QStringLiteral("\r") + textFor(code);
}
