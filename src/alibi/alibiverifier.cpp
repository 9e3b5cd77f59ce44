// The chain check of the alibi log (AlibiLog::verify, AlibiLog::Verifier):
// the chain walked in keyset pages, each page's ticket entries compared with
// their ticket rows and links, then the links over the whole log.
#include "alibi/alibilog.h"

#include "data/datamodule.h"
#include "data/dberror.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

AlibiLog::Verification AlibiLog::verify(int pageSize)
{
    Verifier v(*this, pageSize);
    while (v.step()) { }
    return v.result();
}

AlibiLog::Verifier::Verifier(AlibiLog& log, int pageSize)
    : m_log(log), m_page(qMax(1, pageSize)), m_previous(AlibiEntry::firstPrevious())
{
    // Keyset pages of the entries in number order: the client library holds
    // one page at a time, never the whole log. The log is append-only, so
    // the pages read one after the other are one consistent sequence.
    m_sql = QStringLiteral("SELECT nr, DATE_FORMAT(ido, '%Y-%m-%d %H:%i:%s'), gep, forras, "
                           "CAST(suly AS CHAR), szamjegy, allapot, port, nyers, lanc FROM %1 "
                           "WHERE nr > ? ORDER BY nr LIMIT %2")
                    .arg(log.table("naplo"))
                    .arg(m_page);
    m_total = log.lastNumber();
}

bool AlibiLog::Verifier::step()
{
    if (m_done)
        return false;
    DataModule& dm = m_log.m_dm;
    Verification& v = m_result;
    if (m_last == 0 && m_expected == 1) {
        // The walk reads numbers from 1 on: an entry below it would never be
        // seen there.
        Query& lq = m_log.m_q;
        lq.openSql(QStringLiteral("SELECT MIN(nr) FROM %1").arg(m_log.table("naplo")));
        const QVariant lowest = lq.value(0);
        lq.close();
        if (!lowest.isNull() && lowest.toLongLong() < 1) {
            v.problem = Verification::BadNumber;
            v.firstBroken = lowest.toLongLong();
            m_done = true;
            return false;
        }
    }
    dm.beforeStatement(m_sql);
    QSqlQuery q(dm.database());
    q.setForwardOnly(true);
    bool ok = q.prepare(m_sql);
    if (ok) {
        q.addBindValue(m_last);
        ok = q.exec();
    }
    if (!ok) {
        const DbError e = DbError::from(q.lastError(), m_sql);
        dm.afterStatement(m_sql, e.code());
        throw e;
    }
    dm.afterStatement(m_sql, 0);
    const qint64 pageFrom = m_last;
    int rows = 0;
    while (q.next()) {
        ++rows;
        const qint64 nr = q.value(0).toLongLong();
        m_last = nr;
        if (nr != m_expected) {
            v.problem = Verification::NumberGap;
            v.firstBroken = nr;
            v.expected = m_expected;
            break;
        }
        m_hash.begin(m_previous);
        m_hash.add(QByteArray::number(nr));
        for (int c = 1; c <= 8; ++c)
            m_hash.add(q.value(c).toString().toUtf8());
        const QByteArray chain = m_hash.finish();
        if (chain != q.value(9).toString().toLatin1()) {
            v.problem = Verification::ChainMismatch;
            v.firstBroken = nr;
            break;
        }
        m_previous = chain;
        ++v.verified;
        ++m_expected;
    }
    q.finish();
    // The tickets of the entries just verified, against their rows and links.
    if (v.problem == Verification::None && rows > 0)
        checkTickets(pageFrom, v.verified);
    if (v.problem == Verification::None && rows == m_page)
        return true;
    m_done = true;
    if (v.problem == Verification::None)
        checkLinks();
    return false;
}

void AlibiLog::Verifier::checkLinks()
{
    Verification& v = m_result;
    Query& lq = m_log.m_q;
    // The chain cannot show entries cut from its end; a link that names an
    // entry past the last one (or below the first) does.
    lq.openSql(QStringLiteral("SELECT MIN(k.nr) FROM %1 k WHERE k.nr > :p0 OR k.nr < 1").arg(m_log.table("kapcsolat")),
            {{QStringLiteral("p0"), v.verified}});
    if (!lq.value(0).isNull()) {
        v.problem = Verification::MissingEntry;
        v.firstBroken = lq.value(0).toLongLong();
        v.expected = v.verified + 1;
        lq.close();
        return;
    }
    // A ticket's measurement has one link; a second would change what its
    // copy prints.
    lq.openSql(QStringLiteral("SELECT bszam, MIN(nr) FROM %1 WHERE bszam IS NOT NULL GROUP BY bszam, irany, hely "
                              "HAVING COUNT(*) > 1 ORDER BY bszam LIMIT 1")
                       .arg(m_log.table("kapcsolat")));
    if (!lq.isEmpty()) {
        v.problem = Verification::DuplicateLink;
        v.ticket = lq.value(0).toString();
        v.firstBroken = lq.value(1).toLongLong();
    }
    lq.close();
}

QString AlibiLog::Verification::message() const
{
    switch (problem) {
    case None:
        return QStringLiteral("a napló ép: %1 bejegyzés ellenőrizve.").arg(verified);
    case ChainMismatch:
        return QStringLiteral("a napló sérült: a(z) %1. bejegyzés láncértéke nem egyezik (előtte %2 bejegyzés ép).")
                .arg(firstBroken)
                .arg(verified);
    case NumberGap:
        return QStringLiteral("a napló sérült: a(z) %1. bejegyzés előtt hiányzik a(z) %2. (előtte %3 bejegyzés ép).")
                .arg(firstBroken)
                .arg(expected)
                .arg(verified);
    case MissingEntry:
        return QStringLiteral(
                "a napló sérült: a(z) %1. bejegyzés hiányzik, pedig mérés hivatkozik rá (%2 bejegyzés ép).")
                .arg(firstBroken)
                .arg(verified);
    case BadNumber:
        return QStringLiteral("a napló sérült: hamis, %1 sorszámú bejegyzés van benne.").arg(firstBroken);
    case DuplicateLink:
        return QStringLiteral("a napló sérült: a(z) %1 mérlegjegy egy mérésére két kapcsolat mutat (%2 bejegyzés ép).")
                .arg(ticket)
                .arg(verified);
    case TicketMismatch:
        return QStringLiteral("a napló sérült: a(z) %1 mérlegjegy eltér a(z) %2. bejegyzésétől (%3; %4 bejegyzés ép).")
                .arg(ticket)
                .arg(firstBroken)
                .arg(detail)
                .arg(verified);
    }
    return QString();
}

namespace {

// The figures of one ticket as its rows or its entry give them: "B1", "B2",
// "K1", "K2" the weights, "N1", "N2" "<in>/<out>" nets, "T", "V"; "@B1" ..
// the linked entries.
using Figures = QMap<QString, QString>;

// What differs between a ticket's entry and its rows and links; empty when
// nothing does.
QString difference(const Figures& entry, const Figures& found)
{
    for (const char* key : {"B1", "B2", "K1", "K2", "N1", "N2", "T", "V", "@B1", "@B2", "@K1", "@K2"}) {
        const QString k = QLatin1String(key);
        if (entry.value(k) != found.value(k))
            return k.startsWith(QLatin1Char('@')) ? QStringLiteral("kapcsolat ") + k.mid(1) : k;
    }
    return QString();
}

}   // namespace

void AlibiLog::Verifier::checkTickets(qint64 from, qint64 to)
{
    Verification& v = m_result;
    Query& q = m_log.m_q;
    q.openSql(QStringLiteral("SELECT nr, szamjegy, nyers FROM %1 WHERE nr > :p0 AND nr <= :p1 AND forras = :p2 "
                             "ORDER BY nr")
                      .arg(m_log.table("naplo")),
            {{QStringLiteral("p0"), from}, {QStringLiteral("p1"), to},
                    {QStringLiteral("p2"), AlibiEntry::sourceText(AlibiEntry::Ticket)}});
    QList<std::pair<qint64, QString>> tickets;
    QMap<QString, Figures> entries;
    for (bool more = q.first(); more; more = q.next()) {
        const QString ticket = q.value(1).toString();
        tickets.append({q.value(0).toLongLong(), ticket});
        Figures f;
        for (const QString& part : q.value(2).toString().split(QLatin1Char(';'))) {
            const QString key = part.section(QLatin1Char('='), 0, 0);
            const QString value = part.section(QLatin1Char('='), 1);
            if (key.size() == 2 && (key[0] == QLatin1Char('B') || key[0] == QLatin1Char('K'))) {
                f[key] = value.section(QLatin1Char('@'), 0, 0);
                const QString linked = value.section(QLatin1Char('@'), 1);
                if (linked != QLatin1String("0"))
                    f[QLatin1Char('@') + key] = linked;
            } else
                f[key] = value;
        }
        entries[ticket] = f;
    }
    q.close();
    // The rows and links of up to 200 tickets a statement, bound one by one.
    QMap<QString, Figures> found;
    QMap<QString, int> rowCount;
    for (qsizetype at = 0; at < tickets.size(); at += 200) {
        Query::Binds binds;
        QStringList marks;
        for (qsizetype i = at; i < qMin(tickets.size(), at + 200); ++i) {
            const QString name = QStringLiteral("p%1").arg(i - at);
            binds.append({name, tickets[i].second});
            marks << QLatin1Char(':') + name;
        }
        const QString in = marks.join(QLatin1String(", "));
        const QString d = QStringLiteral("CAST(CAST(%1 AS DECIMAL(12,3)) AS CHAR)");
        // A ticket's two rows in the order they were written: measurement 1,
        // then 2 (an archiving summary row has no movement).
        q.openSql(QStringLiteral("SELECT jBszam, %1, %2, %3, %4, %5, %6 FROM vello WHERE jBszam IN (%7) "
                                 "AND jMozgas IS NOT NULL ORDER BY jBszam, IDj")
                          .arg(d.arg(QStringLiteral("jBemeres")), d.arg(QStringLiteral("jKimeres")),
                                  d.arg(QStringLiteral("jNettoBe")), d.arg(QStringLiteral("jNettoKI")),
                                  d.arg(QStringLiteral("jTiszt")), d.arg(QStringLiteral("jViztart")), in),
                binds);
        for (bool more = q.first(); more; more = q.next()) {
            const QString ticket = q.value(0).toString();
            const int row = ++rowCount[ticket];
            if (row > 2)
                continue;
            Figures& f = found[ticket];
            const QString n = QString::number(row);
            f[QStringLiteral("B") + n] = q.value(1).toString();
            f[QStringLiteral("K") + n] = q.value(2).toString();
            f[QStringLiteral("N") + n] = q.value(3).toString() + QLatin1Char('/') + q.value(4).toString();
            if (row == 1) {
                f[QStringLiteral("T")] = q.value(5).toString();
                f[QStringLiteral("V")] = q.value(6).toString();
            }
        }
        q.openSql(QStringLiteral("SELECT bszam, irany, hely, nr FROM %1 WHERE bszam IN (%2) ORDER BY IDh")
                          .arg(m_log.table("kapcsolat"), in),
                binds);
        for (bool more = q.first(); more; more = q.next()) {
            const QString key = QLatin1Char('@') + q.value(1).toString() + q.value(2).toString();
            QString& linked = found[q.value(0).toString()][key];
            // two links for one measurement never equal one entry number
            linked = linked.isEmpty() ? q.value(3).toString() : QStringLiteral("?");
        }
        q.close();
    }
    for (const auto& [nr, ticket] : tickets) {
        // A ticket whose rows have gone to the archive is checked by its
        // links alone.
        Figures& f = found[ticket];
        const int rows = rowCount.value(ticket);
        QString differs;
        if (rows != 0 && rows != 2)
            differs = QStringLiteral("sorok");
        else {
            Figures expected = entries.value(ticket);
            if (rows == 0)
                for (const char* key : {"B1", "B2", "K1", "K2", "N1", "N2", "T", "V"})
                    f[QLatin1String(key)] = expected.value(QLatin1String(key));
            differs = difference(expected, f);
        }
        if (differs.startsWith(QLatin1String("kapcsolat "))
                && f.value(QLatin1Char('@') + differs.mid(10)) == QLatin1String("?")) {
            v.problem = Verification::DuplicateLink;
            v.firstBroken = nr;
            v.ticket = ticket;
            return;
        }
        if (!differs.isEmpty()) {
            v.problem = Verification::TicketMismatch;
            v.firstBroken = nr;
            v.ticket = ticket;
            v.detail = differs;
            return;
        }
    }
}
