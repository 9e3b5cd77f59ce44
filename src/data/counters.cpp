#include "counters.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "ui/prompt.h"

QString Counters::letter(Kind kind)
{
    switch (kind) {
    case M: return QStringLiteral("M");
    case J: return QStringLiteral("J");
    case S: return QStringLiteral("S");
    case K: return QStringLiteral("K");
    }
    return QString();
}

QString Counters::storeFailedMessage(Kind kind)
{
    switch (kind) {
    case J: return QStringLiteral("Hiba: Az UPDATE \"J\" Sorszam -ban ");
    case S: return QStringLiteral("Hiba: Az UPDATE \"S\" Sorszam -ban ");
    case M:
    case K: return QStringLiteral("Hiba: Az UPDATE Sorszam -ba ");
    }
    return QString();
}

Counters::Draw Counters::readNext(Kind kind)
{
    Draw d;
    Query& q = m_dm.ZQ70;
    try {
        q.close();
        // The row lock only holds inside a transaction; outside one it is
        // released at once, which draw() avoids by bracketing itself.
        q.setSql(QStringLiteral("SELECT * FROM sorszam WHERE sKod = \"%1\" FOR UPDATE").arg(letter(kind)));
        q.open();
        if (q.isEmpty())
            return d;
        const auto last = TextConv::toInteger(q.text(QStringLiteral("sBszam")));
        if (!last)
            return d;
        d.number = QString::number(*last + 1);
        d.status = Draw::Ok;
    } catch (const DbError& e) {
        d.error = e.text();
        d.number.clear();
        d.status = Draw::Unreadable;
    }
    return d;
}

bool Counters::store(Kind kind, const QString& last)
{
    Query& q = m_dm.ZQ70;
    try {
        q.close();
        q.setSql(QStringLiteral("UPDATE sorszam SET sBszam = :p1 WHERE sKod = \"%1\"").arg(letter(kind)));
        q.bind(QStringLiteral("p1"), last);
        if (q.exec() != 1)
            throw DbError(QStringLiteral("sorszam: no row"));
        return true;
    } catch (const DbError&) {
        m_prompt.message(storeFailedMessage(kind));
        return false;
    }
}

Counters::Draw Counters::draw(Kind kind)
{
    const bool own = !m_dm.inTransaction();
    auto bracket = [&](const char* sql) {
        Query& q = m_dm.ZQ70;
        q.close();
        q.setSql(QString::fromLatin1(sql));
        q.exec();
    };
    auto rollback = [&] {
        try {
            bracket("ROLLBACK");
        } catch (const DbError&) {
        }
    };

    if (own) {
        try {
            bracket("START TRANSACTION");
        } catch (const DbError& e) {
            m_prompt.message(storeFailedMessage(kind));
            Draw d;
            d.status = Draw::StoreFailed;
            d.error = e.text();
            return d;
        }
    }
    Draw d = readNext(kind);
    if (!d.ok()) {
        if (own)
            rollback();
        return d;
    }
    if (!store(kind, d.number)) {
        if (own)
            rollback();
        d.status = Draw::StoreFailed;
        d.number.clear();
        return d;
    }
    if (own) {
        try {
            bracket("COMMIT");
        } catch (const DbError& e) {
            rollback();
            m_prompt.message(storeFailedMessage(kind));
            d.status = Draw::StoreFailed;
            d.number.clear();
            d.error = e.text();
        }
    }
    return d;
}
