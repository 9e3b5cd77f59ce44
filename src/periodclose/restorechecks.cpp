#include "restorechecks.h"

#include "data/adminconnection.h"
#include "data/dberror.h"

#include <QHash>
#include <QProcess>

namespace RestoreChecks {

namespace {

    QString quoted(const QString& name)
    {
        return AdminConnection::quoted(name);
    }

    struct CounterName {
        const char* letter;
        const char* what;
    };
    const CounterName kCounters[]
            = {{"M", "mérés"}, {"J", "mérlegjegy"}, {"S", "szállítólevél"}, {"K", "összesítő sor"}};

    // The counters of `database` by letter; an absent table gives none.
    // Throws DbError.
    QHash<QString, qint64> counters(AdminConnection& c, const QString& database, bool hasTable)
    {
        QHash<QString, qint64> out;
        if (!hasTable)
            return out;
        const QStringList rows = c.column(
                QStringLiteral("SELECT CONCAT(sKod, '=', COALESCE(sBszam, '')) FROM %1.sorszam").arg(quoted(database)));
        for (const QString& r : rows) {
            const int eq = r.indexOf(QLatin1Char('='));
            bool number = false;
            const qint64 v = r.mid(eq + 1).trimmed().toLongLong(&number);
            if (number)
                out.insert(r.left(eq), v);
        }
        return out;
    }

}   // namespace

// Reads the whole dump through gzip: a damaged or cut file fails gzip, a
// dump cut at a line ends without mariadb-dump's closing line.
void dumpIsWhole(const QString& file)
{
    QProcess p;
    p.setStandardInputFile(file);
    p.start(QStringLiteral("gzip"), {QStringLiteral("-dc")});
    if (!p.waitForStarted(-1))
        throw RestoreFailed {QStringLiteral("a(z) gzip nem indítható.")};
    QByteArray tail;
    for (;;) {
        tail += p.readAllStandardOutput();
        if (tail.size() > 4096)
            tail = tail.right(4096);
        if (!p.waitForReadyRead(-1))
            break;
    }
    p.waitForFinished(-1);
    tail += p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        throw RestoreFailed {QStringLiteral("a mentés fájlja sérült vagy csonka (gzip: %1).")
                                     .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed())};
    }
    const QList<QByteArray> lines = tail.trimmed().split('\n');
    if (lines.isEmpty() || !lines.last().startsWith("-- Dump completed"))
        throw RestoreFailed {QStringLiteral("a mentés csonka: hiányzik a végéről a mentés befejezését jelző sor.")};
}

void hasTables(const QStringList& loaded, const QStringList& needed)
{
    QStringList missing;
    for (const QString& t : needed)
        if (!loaded.contains(t))
            missing << t;
    if (!missing.isEmpty())
        throw RestoreFailed {QStringLiteral("a mentésből hiányzik: %1.").arg(missing.join(QLatin1String(", ")))};
}

QStringList rowCounts(AdminConnection& c, const QString& scratch, const QStringList& loaded)
{
    QStringList counts;
    for (const QString& t : loaded) {
        QStringList n;
        try {
            n = c.column(QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(quoted(scratch), quoted(t)));
        } catch (const DbError& e) {
            throw RestoreFailed {QStringLiteral("a(z) %1 tábla nem olvasható vissza: %2").arg(t, e.text())};
        }
        if (n.isEmpty())
            throw RestoreFailed {QStringLiteral("a(z) %1 tábla nem olvasható vissza: %2").arg(t, QString())};
        counts << QStringLiteral("%1 %2").arg(t, n.first());
    }
    return counts;
}

void logKeepsLive(AdminConnection& c, const QString& target, const QString& scratch, const QStringList& liveTables)
{
    // A live entry changed behind the program's back is not papered over: it
    // stays for verify to find.
    const struct {
        const char* table;
        const char* join;
        const char* what;
        const char* key;
    } kKeep[] = {
            {"naplo",
                    "s.nr = l.nr AND s.ido = l.ido AND s.gep = l.gep AND s.forras = l.forras AND s.suly = l.suly "
                    "AND s.szamjegy = l.szamjegy AND s.allapot = l.allapot AND s.port = l.port AND s.nyers = l.nyers "
                    "AND s.lanc = l.lanc",
                    "bejegyzése", "nr"},
            {"kapcsolat",
                    "s.IDh = l.IDh AND s.nr = l.nr AND s.IDm <=> l.IDm AND s.bszam <=> l.bszam AND s.hely = l.hely "
                    "AND s.irany = l.irany",
                    "hivatkozása", "IDh"}};
    for (const auto& k : kKeep) {
        if (!liveTables.contains(QLatin1String(k.table)))
            continue;
        QStringList lost;
        try {
            lost = c.column(QStringLiteral("SELECT COUNT(*) FROM %1.%3 l LEFT JOIN %2.%3 s ON %4 WHERE s.%5 IS NULL")
                                    .arg(quoted(target), quoted(scratch), QLatin1String(k.table), QLatin1String(k.join),
                                            QLatin1String(k.key)));
        } catch (const DbError& e) {
            throw RestoreFailed {QStringLiteral("az élő alibi napló nem olvasható: ") + e.text()};
        }
        if (lost.isEmpty())
            throw RestoreFailed {QStringLiteral("az élő alibi napló nem olvasható: ")};
        if (lost.first().toLongLong() > 0) {
            throw RestoreFailed {QStringLiteral("az élő alibi napló (%1) %2 %3 nincs meg a mentésben. A napló csak "
                                                "bővülhet: régebbi vagy más mentés nem léphet a helyére. Az alibi "
                                                "napló nem változott.")
                                         .arg(target, lost.first(), QString::fromUtf8(k.what))};
        }
    }
}

void voidsKeepTheirTickets(AdminConnection& c, const QString& scratch)
{
    QStringList lost;
    try {
        lost = c.column(QStringLiteral("SELECT CONCAT(z.zBszam, IF(z.zHelyette IS NULL, '', CONCAT(' -> ', "
                                       "z.zHelyette))) FROM %1.sztorno z WHERE NOT EXISTS (SELECT 1 FROM %1.vello v "
                                       "WHERE v.jBszam = z.zBszam) OR (z.zHelyette IS NOT NULL AND NOT EXISTS "
                                       "(SELECT 1 FROM %1.vello n WHERE n.jBszam = z.zHelyette)) ORDER BY z.zBszam "
                                       "LIMIT 10")
                                .arg(quoted(scratch)));
    } catch (const DbError& e) {
        throw RestoreFailed {QStringLiteral("a sztornózott mérlegjegyek nem olvashatók: ") + e.text()};
    }
    if (!lost.isEmpty()) {
        throw RestoreFailed {QStringLiteral("a mentés nem egész: sztornózott mérlegjegy (vagy a helyette kiadott) "
                                            "hiányzik belőle: %1. Az adatbázis nem változott.")
                                     .arg(lost.join(QLatin1String(", ")))};
    }
}

QStringList countersBehind(
        AdminConnection& c, const QString& live, bool liveHasCounters, const QString& scratch, bool force)
{
    QHash<QString, qint64> now, then;
    try {
        now = counters(c, live, liveHasCounters);
        then = counters(c, scratch, true);
    } catch (const DbError& e) {
        throw RestoreFailed {QStringLiteral("a sorszámok nem olvashatók: ") + e.text()};
    }
    QStringList behind;
    for (const CounterName& k : kCounters) {
        const QString l = QLatin1String(k.letter);
        if (now.contains(l) && then.value(l, 0) < now.value(l))
            behind << QStringLiteral("%1 (%2) %3–%4")
                              .arg(QString::fromUtf8(k.what), l)
                              .arg(then.value(l, 0) + 1)
                              .arg(now.value(l));
    }
    if (!behind.isEmpty() && !force) {
        throw RestoreFailed {QStringLiteral("a mentés régebbi az adatbázisnál: visszaállítása után újra kiadná "
                                            "ezeket a számokat, amelyek papíron már szerepelhetnek: %1. Az "
                                            "adatbázis nem változott. Ha mégis ezt a mentést kell visszaállítani, "
                                            "adja meg a --force kapcsolót.")
                                     .arg(behind.join(QLatin1String("; ")))};
    }
    return behind;
}

}   // namespace RestoreChecks
