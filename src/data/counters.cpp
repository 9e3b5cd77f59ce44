#include "counters.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "data/transaction.h"

#include <optional>

QString Counters::letter(Kind kind)
{
    switch (kind) {
    case M:
        return QStringLiteral("M");
    case J:
        return QStringLiteral("J");
    case S:
        return QStringLiteral("S");
    case K:
        return QStringLiteral("K");
    }
    return QString();
}

QString Counters::storeFailedMessage(Kind kind)
{
    switch (kind) {
    case J:
        return QStringLiteral("Hiba: Az UPDATE \"J\" Sorszam -ban ");
    case S:
        return QStringLiteral("Hiba: Az UPDATE \"S\" Sorszam -ban ");
    case M:
    case K:
        return QStringLiteral("Hiba: Az UPDATE Sorszam -ba ");
    }
    return QString();
}

Counters::Draw Counters::readNext(Kind kind)
{
    Draw d;
    Query& q = m_dm.ZQ70;
    try {
        // The row lock only holds inside a transaction; outside one it is
        // released at once, which draw() avoids by bracketing itself.
        q.openSql(QStringLiteral("SELECT * FROM sorszam WHERE sKod = \"%1\" FOR UPDATE").arg(letter(kind)));
        if (q.isEmpty())
            return d;
        const auto last = TextConv::toInteger(q.text(QStringLiteral("sBszam")));
        if (!last)
            return d;
        d.number = QString::number(*last + 1);
        d.status = Draw::Ok;
    } catch (const DbError& e) {
        d.error = e.text();
        d.code = e.code();
        d.number.clear();
        d.status = Draw::Unreadable;
    }
    return d;
}

bool Counters::store(Kind kind, const QString& last)
{
    Query& q = m_dm.ZQ70;
    m_storeError = 0;
    try {
        if (q.run(QStringLiteral("UPDATE sorszam SET sBszam = :p1 WHERE sKod = \"%1\"").arg(letter(kind)),
                    {{QStringLiteral("p1"), last}})
                != 1)
            throw DbError(QStringLiteral("sorszam: no row"));
        return true;
    } catch (const DbError& e) {
        m_storeError = e.code();
        return false;
    }
}

Counters::Draw Counters::draw(Kind kind)
{
    // Inside the caller's transaction the draw joins it; otherwise it
    // brackets itself so that the row lock lasts until the store.
    std::optional<Transaction> own;
    if (!m_dm.inTransaction()) {
        try {
            own.emplace(m_dm);
        } catch (const DbError& e) {
            Draw d;
            d.status = Draw::StoreFailed;
            d.error = e.text();
            d.code = e.code();
            return d;
        }
    }
    Draw d = readNext(kind);
    if (!d.ok())
        return d;   // an own bracket rolls back as it goes
    if (!store(kind, d.number)) {
        d.status = Draw::StoreFailed;
        d.code = m_storeError;
        d.number.clear();
        return d;
    }
    if (own) {
        try {
            own->commit();
        } catch (const DbError& e) {
            d.status = Draw::StoreFailed;
            d.number.clear();
            d.error = e.text();
            d.code = e.code();
        }
    }
    return d;
}
