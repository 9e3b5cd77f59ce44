#include "alibilog.h"

#include "data/datamodule.h"
#include "data/dberror.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

namespace {
// An empty text is bound as an empty string, never as no value.
QVariant text(const QString& s)
{
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}
}   // namespace

AlibiLog::AlibiLog(DataModule& dm, const QString& workstation)
    : m_dm(dm), m_database(databaseFor(dm.settings().database)),
      m_workstation(workstation.isEmpty() ? QSysInfo::machineHostName() : workstation), m_q(dm, QStringLiteral("alibi"))
{
}

QString AlibiLog::databaseFor(const QString& mainDatabase)
{
    return mainDatabase + QStringLiteral("_alibi");
}

QString AlibiLog::table(const char* name) const
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_]+$"));
    const QString db = plain.match(m_database).hasMatch()
            ? m_database
            : QLatin1Char('`') + QString(m_database).replace(QLatin1Char('`'), QLatin1String("``")) + QLatin1Char('`');
    return db + QLatin1Char('.') + QLatin1String(name);
}

qint64 AlibiLog::append(const Reading& r, const std::optional<Target>& target)
{
    // One statement: alone it is its own transaction, inside the caller's it
    // belongs to it (and the lock row stays locked until that one ends).
    // The weight goes as its exact decimal text, so that the DECIMAL
    // parameter holds exactly what the log stores.
    m_q.openSql(QStringLiteral("SELECT %1(:p0, :p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9)").arg(routine("bejegyez")),
            {{QStringLiteral("p0"), text(m_workstation)}, {QStringLiteral("p1"), AlibiEntry::sourceText(r.source)},
                    {QStringLiteral("p2"), AlibiEntry::weightText(r.kg)}, {QStringLiteral("p3"), text(r.digits)},
                    {QStringLiteral("p4"), text(r.status)}, {QStringLiteral("p5"), text(r.port)},
                    {QStringLiteral("p6"), text(AlibiEntry::escapeFrame(r.rawFrame))},
                    {QStringLiteral("p7"), target ? QVariant(target->pendingId) : QVariant()},
                    {QStringLiteral("p8"), target ? QVariant(target->slot) : QVariant()},
                    {QStringLiteral("p9"), target ? QVariant(directionCode(target->direction)) : QVariant()}});
    const qint64 number = m_q.value(0).toLongLong();
    m_q.close();
    if (number < 1)
        throw DbError(QStringLiteral("%1: no entry number returned").arg(routine("bejegyez")));
    return number;
}

void AlibiLog::link(qint64 number, qint64 pendingId, int slot, Direction direction)
{
    m_q.openSql(QStringLiteral("SELECT %1(:p0, :p1, :p2, :p3)").arg(routine("kapcsol")),
            {{QStringLiteral("p0"), number}, {QStringLiteral("p1"), pendingId}, {QStringLiteral("p2"), slot},
                    {QStringLiteral("p3"), directionCode(direction)}});
    m_q.close();
}

AlibiLog::TicketEntry AlibiLog::recordTicket(qint64 pendingId, const QString& ticket, qint64 rowId1, qint64 rowId2)
{
    // The figures as the two ticket rows hold them, rounded by the server as
    // the check rounds them when it compares (AlibiEntry::ticketFigures).
    const QString d = QStringLiteral("CAST(%1 AS DECIMAL(12,3))");
    QStringList figures;
    for (const char* column : {"jBemeres", "jKimeres", "jNettoBe", "jNettoKI"})
        for (const char* row : {"r1", "r2"})
            figures << d.arg(QLatin1String(row) + QLatin1Char('.') + QLatin1String(column));
    // jegyez takes B1, B2, K1, K2, then in/out net of row 1, of row 2
    const QStringList args {figures[0], figures[1], figures[2], figures[3], figures[4], figures[6], figures[5],
            figures[7], d.arg(QStringLiteral("r1.jTiszt")), d.arg(QStringLiteral("r1.jViztart"))};
    m_q.openSql(QStringLiteral("SELECT %1(:p0, :p1, :p2, %2) FROM vello r1 JOIN vello r2 ON r2.IDj = :p4 "
                               "WHERE r1.IDj = :p3")
                        .arg(routine("jegyez"), args.join(QLatin1String(", "))),
            {{QStringLiteral("p0"), text(m_workstation)}, {QStringLiteral("p1"), pendingId},
                    {QStringLiteral("p2"), ticket}, {QStringLiteral("p3"), rowId1}, {QStringLiteral("p4"), rowId2}});
    if (m_q.isEmpty()) {
        m_q.close();
        throw DbError(QStringLiteral("the ticket rows %1, %2 cannot be read").arg(rowId1).arg(rowId2));
    }
    const QString answer = m_q.value(0).toString();
    m_q.close();
    TicketEntry e;
    e.number = answer.section(QLatin1Char(' '), 0, 0).toLongLong();
    e.chain = answer.section(QLatin1Char(' '), 1, 1).toLatin1();
    if (e.number < 1 || e.chain.size() != 64)
        throw DbError(QStringLiteral("%1: unexpected answer \"%2\"").arg(routine("jegyez"), answer));
    return e;
}

std::optional<AlibiLog::TicketEntry> AlibiLog::ticketEntry(const QString& ticket)
{
    m_q.openSql(QStringLiteral("SELECT nr, lanc FROM %1 WHERE forras = :p0 AND szamjegy = :p1 ORDER BY nr LIMIT 1")
                        .arg(table("naplo")),
            {{QStringLiteral("p0"), AlibiEntry::sourceText(AlibiEntry::Ticket)}, {QStringLiteral("p1"), ticket}});
    std::optional<TicketEntry> out;
    if (!m_q.isEmpty())
        out = TicketEntry {m_q.value(0).toLongLong(), m_q.value(1).toString().toLatin1()};
    m_q.close();
    return out;
}

namespace {
const char* kEntryColumns = "nr, DATE_FORMAT(ido, '%Y-%m-%d %H:%i:%s') AS ido, gep, forras, "
                            "CAST(suly AS CHAR) AS suly, szamjegy, allapot, port, nyers, lanc";
}   // namespace

AlibiEntry AlibiLog::readEntry() const
{
    AlibiEntry e;
    e.number = m_q.value(0).toLongLong();
    e.time = m_q.value(1).toString();
    e.workstation = m_q.value(2).toString();
    e.source = m_q.value(3).toString();
    e.weight = m_q.value(4).toString();
    e.digits = m_q.value(5).toString();
    e.status = m_q.value(6).toString();
    e.port = m_q.value(7).toString();
    e.frame = m_q.value(8).toString();
    e.chain = m_q.value(9).toString().toLatin1();
    return e;
}

std::optional<AlibiEntry> AlibiLog::entry(qint64 number)
{
    m_q.openSql(QStringLiteral("SELECT %1 FROM %2 WHERE nr = :p0").arg(QLatin1String(kEntryColumns), table("naplo")),
            {{QStringLiteral("p0"), number}});
    std::optional<AlibiEntry> out;
    if (!m_q.isEmpty())
        out = readEntry();
    m_q.close();
    return out;
}

QList<AlibiLog::Link> AlibiLog::readLinks(bool withVoids)
{
    QList<Link> out;
    for (bool more = m_q.first(); more; more = m_q.next()) {
        Link l;
        l.id = m_q.value(0).toLongLong();
        l.number = m_q.value(1).toLongLong();
        l.pendingId = m_q.value(2).toLongLong();
        l.ticket = m_q.value(3).toString();
        l.slot = m_q.value(4).toInt();
        l.direction = Passes::directionOf(m_q.value(5).toString());
        if (withVoids) {
            l.voided = m_q.value(6).toInt() != 0;
            l.replacement = m_q.value(7).toString();
            l.replaces = m_q.value(8).toString();
        }
        out << l;
    }
    m_q.close();
    return out;
}

QList<AlibiLog::Link> AlibiLog::links(qint64 number)
{
    // sztorno is the register's own table, in the connection's database.
    m_q.openSql(QStringLiteral("SELECT k.IDh, k.nr, k.IDm, k.bszam, k.hely, k.irany, z.zBszam IS NOT NULL, "
                               "COALESCE(z.zHelyette, ''), COALESCE(h.zBszam, '') FROM %1 k LEFT JOIN sztorno z ON "
                               "z.zBszam = k.bszam LEFT JOIN sztorno h ON h.zHelyette = k.bszam WHERE k.nr = :p0 "
                               "ORDER BY k.IDh")
                        .arg(table("kapcsolat")),
            {{QStringLiteral("p0"), number}});
    return readLinks(true);
}

QList<AlibiLog::Link> AlibiLog::linksOfTicket(const QString& ticket)
{
    m_q.openSql(QStringLiteral("SELECT IDh, nr, IDm, bszam, hely, irany FROM %1 WHERE bszam = :p0 "
                               "ORDER BY irany, hely, IDh")
                        .arg(table("kapcsolat")),
            {{QStringLiteral("p0"), ticket}});
    return readLinks();
}

QList<AlibiLog::Link> AlibiLog::linksOfPending(qint64 pendingId)
{
    m_q.openSql(QStringLiteral("SELECT IDh, nr, IDm, bszam, hely, irany FROM %1 WHERE IDm = :p0 AND bszam IS NULL "
                               "ORDER BY irany, hely, IDh")
                        .arg(table("kapcsolat")),
            {{QStringLiteral("p0"), pendingId}});
    return readLinks();
}

QList<qint64> AlibiLog::entriesOn(const QDate& day)
{
    m_q.openSql(QStringLiteral("SELECT nr FROM %1 WHERE ido >= :p0 AND ido < :p1 ORDER BY nr").arg(table("naplo")),
            {{QStringLiteral("p0"), day.toString(Qt::ISODate)},
                    {QStringLiteral("p1"), day.addDays(1).toString(Qt::ISODate)}});
    QList<qint64> out;
    for (bool more = m_q.first(); more; more = m_q.next())
        out << m_q.value(0).toLongLong();
    m_q.close();
    return out;
}

QList<AlibiEntry> AlibiLog::entriesOfDay(const QDate& day)
{
    m_q.openSql(QStringLiteral("SELECT %1 FROM %2 WHERE ido >= :p0 AND ido < :p1 ORDER BY nr")
                        .arg(QLatin1String(kEntryColumns), table("naplo")),
            {{QStringLiteral("p0"), day.toString(Qt::ISODate)},
                    {QStringLiteral("p1"), day.addDays(1).toString(Qt::ISODate)}});
    QList<AlibiEntry> out;
    for (bool more = m_q.first(); more; more = m_q.next())
        out << readEntry();
    m_q.close();
    return out;
}

qint64 AlibiLog::lastNumber()
{
    m_q.openSql(QStringLiteral("SELECT COALESCE(MAX(nr), 0) FROM %1").arg(table("naplo")));
    const qint64 n = m_q.value(0).toLongLong();
    m_q.close();
    return n;
}
