#include "alibilog.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"

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

qint64 AlibiLog::append(const Reading& r)
{
    // Inside the caller's transaction the entry belongs to it; otherwise the
    // append brackets itself, so the lock lasts until the entry is written.
    std::optional<Transaction> own;
    if (!m_dm.inTransaction())
        own.emplace(m_dm);

    AlibiEntry e;
    QByteArray previous = AlibiEntry::firstPrevious();
    // Appends take turns on the one row of `zar`: a second workstation's
    // append waits here until this one's transaction ends. The last entry
    // is then read with a locking read, which sees the newest committed
    // entry even where the caller's transaction began reading earlier.
    // The entry's time is the server's when the lock was granted.
    m_q.openSql(QStringLiteral("SELECT id, DATE_FORMAT(SYSDATE(), '%Y-%m-%d %H:%i:%s') AS most FROM %1 "
                               "WHERE id = 1 FOR UPDATE")
                        .arg(table("zar")));
    if (m_q.isEmpty())
        throw DbError(QStringLiteral("%1: the lock row is missing").arg(table("zar")));
    e.time = m_q.value(1).toString();
    m_q.openSql(QStringLiteral("SELECT nr, lanc FROM %1 ORDER BY nr DESC LIMIT 1 FOR UPDATE").arg(table("naplo")));
    e.number = 1;
    if (!m_q.isEmpty()) {
        e.number = m_q.value(0).toLongLong() + 1;
        previous = m_q.value(1).toString().toLatin1();
    }
    m_q.close();
    e.workstation = m_workstation;
    e.source = AlibiEntry::sourceText(r.source);
    e.weight = AlibiEntry::weightText(r.kg);
    e.digits = r.digits;
    e.status = r.status;
    e.port = r.port;
    e.frame = AlibiEntry::escapeFrame(r.rawFrame);
    e.chain = e.computeChain(previous);

    // The weight goes as its exact decimal text, so that the DECIMAL column
    // holds exactly what the chain value covers.
    m_q.run(QStringLiteral("INSERT INTO %1 (nr, ido, gep, forras, suly, szamjegy, allapot, port, nyers, lanc) "
                           "VALUES (:p0, :p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9)")
                    .arg(table("naplo")),
            {{QStringLiteral("p0"), e.number}, {QStringLiteral("p1"), text(e.time)},
                    {QStringLiteral("p2"), text(e.workstation)}, {QStringLiteral("p3"), text(e.source)},
                    {QStringLiteral("p4"), text(e.weight)}, {QStringLiteral("p5"), text(e.digits)},
                    {QStringLiteral("p6"), text(e.status)}, {QStringLiteral("p7"), text(e.port)},
                    {QStringLiteral("p8"), text(e.frame)}, {QStringLiteral("p9"), QString::fromLatin1(e.chain)}});
    m_q.close();
    if (own)
        own->commit();
    return e.number;
}

void AlibiLog::link(qint64 number, qint64 pendingId, int slot, Direction direction)
{
    m_q.run(QStringLiteral("INSERT INTO %1 (nr, IDm, hely, irany) VALUES (:p0, :p1, :p2, :p3)").arg(table("kapcsolat")),
            {{QStringLiteral("p0"), number}, {QStringLiteral("p1"), pendingId}, {QStringLiteral("p2"), slot},
                    {QStringLiteral("p3"), directionCode(direction)}});
    m_q.close();
}

int AlibiLog::carryToTicket(qint64 pendingId, const QString& ticket)
{
    const QString k = table("kapcsolat");
    const int n = m_q.run(QStringLiteral("INSERT INTO %1 (nr, IDm, bszam, hely, irany) "
                                         "SELECT k.nr, k.IDm, :p1, k.hely, k.irany FROM %1 k "
                                         "WHERE k.IDm = :p0 AND k.bszam IS NULL AND k.IDh = "
                                         "(SELECT MAX(l.IDh) FROM %1 l WHERE l.IDm = k.IDm AND l.bszam IS NULL "
                                         "AND l.hely = k.hely AND l.irany = k.irany)")
                                  .arg(k),
            {{QStringLiteral("p0"), pendingId}, {QStringLiteral("p1"), ticket}});
    m_q.close();
    return n;
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

QList<AlibiLog::Link> AlibiLog::readLinks()
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
        out << l;
    }
    m_q.close();
    return out;
}

QList<AlibiLog::Link> AlibiLog::links(qint64 number)
{
    m_q.openSql(QStringLiteral("SELECT IDh, nr, IDm, bszam, hely, irany FROM %1 WHERE nr = :p0 ORDER BY IDh")
                        .arg(table("kapcsolat")),
            {{QStringLiteral("p0"), number}});
    return readLinks();
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
    Verification& v = m_result;
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
    if (v.problem == Verification::None && rows == m_page)
        return true;
    m_done = true;
    if (v.problem == Verification::None) {
        // The chain cannot show entries cut from its end; a link that names
        // an entry past the last one does.
        Query& lq = m_log.m_q;
        lq.openSql(QStringLiteral("SELECT MIN(k.nr) FROM %1 k WHERE k.nr > :p0").arg(m_log.table("kapcsolat")),
                {{QStringLiteral("p0"), v.verified}});
        if (!lq.value(0).isNull()) {
            v.problem = Verification::MissingEntry;
            v.firstBroken = lq.value(0).toLongLong();
            v.expected = v.verified + 1;
        }
        lq.close();
    }
    return false;
}
