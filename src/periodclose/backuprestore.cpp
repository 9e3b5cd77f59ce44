// The restore: a dump loaded into a scratch database, checked there, and
// swapped into place with one RENAME TABLE; the live database is never left
// worse than it was.
#include "databasebackup.h"

#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/adminconnection.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "periodclose/restorechecks.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <optional>

namespace {

QString quoted(const QString& name)
{
    return AdminConnection::quoted(name);
}

// Runs `f` on the admin connection; a statement the server refused leaves as
// RestoreFailed with the text `why` makes of the server's text.
template <class F, class Why> auto onServer(F&& f, Why&& why)
{
    try {
        return f();
    } catch (const DbError& e) {
        throw RestoreFailed {why(e.text())};
    }
}

// The first of "base", "base_1", ... that names no database on the server;
// nothing when none of the first hundred is free. Throws DbError.
std::optional<QString> freeName(AdminConnection& c, const QString& base)
{
    for (int i = 0; i < 100; ++i) {
        const QString name = i == 0 ? base : base + QLatin1Char('_') + QString::number(i);
        if (!c.databaseExists(name))
            return name;
    }
    return std::nullopt;
}

QString reserveName(AdminConnection& c, const QString& base, const QString& failMessage)
{
    const std::optional<QString> name
            = onServer([&] { return freeName(c, base); }, [&](const QString& error) { return failMessage + error; });
    if (!name)
        throw RestoreFailed {failMessage};
    return *name;
}

// The empty scratch database the dump is loaded into.
void createScratch(AdminConnection& c, const QString& scratch)
{
    onServer([&] { c.exec(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET cp1250").arg(quoted(scratch))); },
            [&](const QString& error) {
                return QStringLiteral("az ideiglenes adatbázis (%1) nem hozható létre: %2. A visszaállításhoz olyan "
                                      "felhasználó kell, amely adatbázist hozhat létre (például rendszergazdaként: "
                                      "sudo vello-backup --restore FÁJL --user root).")
                        .arg(scratch, error);
            });
}

// Drops the scratch database on every way out that does not swap.
class ScratchDrop {
public:
    ScratchDrop(AdminConnection& c, const QString& scratch) : m_c(c), m_scratch(scratch) { }
    ~ScratchDrop() { m_c.tryExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quoted(m_scratch))); }
    ScratchDrop(const ScratchDrop&) = delete;
    ScratchDrop& operator=(const ScratchDrop&) = delete;

private:
    AdminConnection& m_c;
    QString m_scratch;
};

// The account the dump is loaded as: made for this load alone, with rights
// on the scratch database only (tables and their rows: no routine, trigger,
// view, event, account or grant, nothing on any other database), dropped
// again on every way out. Whatever a dump holds, it reaches no other
// database through it.
class LoadAccount {
public:
    LoadAccount(AdminConnection& c, const QString& scratch) : m_c(c)
    {
        QByteArray random(16, Qt::Uninitialized);
        QRandomGenerator::system()->generate(random.begin(), random.end());
        m_user = QStringLiteral("vello_tolt_") + QString::fromLatin1(random.left(6).toHex());
        m_password = QString::fromLatin1(random.toBase64(QByteArray::OmitTrailingEquals));
        onServer(
                [&] {
                    const QString host = c.clientHost();
                    m_account = QStringLiteral("'%1'@'%2'").arg(m_user, host);
                    c.exec(QStringLiteral("CREATE USER %1 IDENTIFIED BY PASSWORD '%2'")
                                    .arg(m_account, AdminConnection::passwordHash(m_password)));
                    m_made = true;
                    c.exec(QStringLiteral("GRANT SELECT, INSERT, CREATE, DROP, ALTER, INDEX, LOCK TABLES, REFERENCES "
                                          "ON %1.* TO %2")
                                    .arg(quoted(scratch), m_account));
                },
                [](const QString& error) {
                    return QStringLiteral("a betöltés ideiglenes felhasználója nem hozható létre: %1. A "
                                          "visszaállításhoz a kiszolgáló rendszergazdai felhasználója kell (például: "
                                          "sudo vello-backup --restore FÁJL --user root).")
                            .arg(error);
                });
    }
    ~LoadAccount()
    {
        if (m_made)
            m_c.tryExec(QStringLiteral("DROP USER IF EXISTS %1").arg(m_account));
    }
    LoadAccount(const LoadAccount&) = delete;
    LoadAccount& operator=(const LoadAccount&) = delete;

    const QString& user() const { return m_user; }
    const QString& password() const { return m_password; }

private:
    AdminConnection& m_c;
    QString m_user, m_password, m_account;
    bool m_made = false;
};

// The alibi log's tables as the server's checksums, to tell whether the
// log changed while the register was put back. Empty when there is no log.
QStringList logChecksums(AdminConnection& c, const QString& log)
{
    try {
        if (!c.databaseExists(log))
            return {};
        QStringList sums;
        for (const QString& t : c.tables(log))
            sums << c.rows(QStringLiteral("CHECKSUM TABLE %1.%2").arg(quoted(log), quoted(t)));
        return sums;
    } catch (const DbError& e) {
        return {QStringLiteral("?") + e.text()};
    }
}

// What the loaded copy is: the register, or its alibi log; the database it
// is to take the place of, its tables and their rows.
struct Loaded {
    bool isLog = false;
    QString target;
    QStringList tables;
    QStringList counts;   // "table rows", for the report
    bool voidTableAdded = false;   // an older dump: its empty sztorno made in the scratch database
};

// A dump made before the unique keys on the codes came in gets them in the
// scratch database, as `vello-create --upgrade` gives them to a live one; a
// dump whose codes are held twice cannot have them: refused. The same for
// the table of voided tickets and the stock keys; the voids checked against
// the tickets. The keys added, as "table.column".
QStringList upgradeLoaded(AdminConnection& c, const QString& scratch, Loaded& l)
{
    QSqlDatabase db = c.database();
    const QStringList duplicates = onServer([&] { return Schema::duplicateCodes(db, scratch); },
            [](const QString& error) { return QStringLiteral("a mentés kódjai nem olvashatók: ") + error; });
    if (!duplicates.isEmpty())
        throw RestoreFailed {QStringLiteral("a mentés egy régebbi változatból való, és több sornak is ugyanaz a kódja "
                                            "benne (%1); a mostani adatbázis egyedi kódokat kíván, ezért a mentés "
                                            "így nem állítható vissza. Az adatbázis nem változott.")
                                     .arg(duplicates.join(QLatin1String("; ")))};
    const QStringList added = onServer([&] { return Schema::addCodeKeys(db, scratch); },
            [](const QString& error) {
                return QStringLiteral("a mentés táblái nem kaphatták meg az egyedi kulcsokat: ") + error;
            });
    // A dump made before voided tickets were kept gets their (empty) table,
    // so that the swap puts it in place of the live one: the live voids
    // belong to the live tickets, never to the restored ones.
    const bool voids = onServer([&] { return Schema::addVoidTable(db, scratch); },
            [](const QString& error) {
                return QStringLiteral("a mentés nem kaphatta meg a sztornózott mérlegjegyek tábláját: ") + error;
            });
    if (voids) {
        l.tables << QStringLiteral("sztorno");
        l.counts << QStringLiteral("sztorno 0");
        l.voidTableAdded = true;
    }
    onServer([&] { return Schema::widenStockKeys(db, scratch); },
            [](const QString& error) { return QStringLiteral("a mentés készletkulcsai nem bővíthetők: ") + error; });
    RestoreChecks::voidsKeepTheirTickets(c, scratch);
    return added;
}

Loaded inspectLoaded(AdminConnection& c, const QString& scratch, const QString& live)
{
    Loaded l;
    l.tables = onServer([&] { return c.tables(scratch); },
            [](const QString& error) { return QStringLiteral("a betöltött táblák nem olvashatók: ") + error; });
    l.isLog = l.tables.contains(QStringLiteral("naplo"));
    l.target = l.isLog ? AlibiLog::databaseFor(live) : live;
    RestoreChecks::hasTables(l.tables,
            l.isLog ? QStringList {QStringLiteral("naplo"), QStringLiteral("kapcsolat"), QStringLiteral("zar")}
                    : DataModule::tableNames());
    l.counts = RestoreChecks::rowCounts(c, scratch, l.tables);
    return l;
}

// A pending weighing's id names it in the alibi log's links: the loaded
// copy must not issue an id the log already links, or a ticket would be
// linked to the entries of two vehicles. Raises the loaded `meres` table's
// next id past the highest one the log links; returns that id when raised,
// otherwise 0.
qint64 raisePastLinkedIds(AdminConnection& c, const QString& scratch, const QString& log)
{
    return onServer(
            [&]() -> qint64 {
                if (!c.databaseExists(log) || !c.tables(log).contains(QStringLiteral("kapcsolat")))
                    return 0;
                const qint64 next = c.column(QStringLiteral("SELECT COALESCE(MAX(IDm), 0) + 1 FROM %1.kapcsolat")
                                                     .arg(quoted(log)))
                                            .value(0)
                                            .toLongLong();
                QSqlQuery q(c.database());
                q.prepare(QStringLiteral("SELECT AUTO_INCREMENT FROM information_schema.TABLES WHERE "
                                         "TABLE_SCHEMA = ? AND TABLE_NAME = 'meres'"));
                q.addBindValue(scratch);
                if (!q.exec())
                    throw DbError::from(q.lastError(), q.lastQuery());
                if (!q.next())
                    return 0;
                if (q.value(0).toLongLong() >= next)
                    return 0;
                c.exec(QStringLiteral("ALTER TABLE %1.meres AUTO_INCREMENT = %2").arg(quoted(scratch)).arg(next));
                return next;
            },
            [](const QString& error) {
                return QStringLiteral("a mérések azonosítói nem igazíthatók az alibi naplóhoz: ") + error;
            });
}

// The database the copy is to take the place of, as it is now.
struct Live {
    bool exists = false;
    QStringList tables;
};

Live readLive(AdminConnection& c, const QString& target)
{
    return onServer(
            [&] {
                Live live;
                live.exists = c.databaseExists(target);
                if (live.exists)
                    live.tables = c.tables(target);
                return live;
            },
            [](const QString& error) { return error; });
}

// The swap: one RENAME TABLE moves the live tables into `kept` and the loaded
// ones into their place, all at once. True when live tables were kept.
bool swapIntoPlace(AdminConnection& c, const QString& scratch, const QString& kept, const Loaded& l, const Live& live)
{
    const QString charset = l.isLog ? QStringLiteral("utf8mb4 COLLATE utf8mb4_bin") : QStringLiteral("cp1250");
    if (!live.exists) {
        onServer(
                [&] {
                    c.exec(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET %2")
                                    .arg(quoted(l.target), charset));
                },
                [&](const QString& error) {
                    return QStringLiteral("a(z) %1 adatbázis nem hozható létre: %2").arg(l.target, error);
                });
    }
    QStringList moves;
    bool keepOld = false;
    for (const QString& t : l.tables) {
        if (live.tables.contains(t)) {
            moves << QStringLiteral("%1.%3 TO %2.%3").arg(quoted(l.target), quoted(kept), quoted(t));
            keepOld = true;
        }
        moves << QStringLiteral("%1.%3 TO %2.%3").arg(quoted(scratch), quoted(l.target), quoted(t));
    }
    if (keepOld) {
        onServer(
                [&] {
                    c.exec(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET %2").arg(quoted(kept), charset));
                },
                [&](const QString& error) {
                    return QStringLiteral("a régi táblák helye (%1) nem hozható létre: %2").arg(kept, error);
                });
    }
    try {
        c.exec(QStringLiteral("RENAME TABLE ") + moves.join(QLatin1String(", ")));
    } catch (const DbError& e) {
        if (keepOld)
            c.tryExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quoted(kept)));
        throw RestoreFailed {DbError::lockConflict(e.code())
                        ? QStringLiteral("az adatbázis táblái használatban vannak: zárja be a programot minden "
                                         "munkaállomáson, és próbálja újra.")
                        : QStringLiteral("a táblák cseréje nem sikerült: ") + e.text()};
    }
    return keepOld;
}

// What was done, in Hungarian, for the operator.
QStringList reportOf(const QString& file, const QString& live, const Loaded& l, const QString& kept,
        const QStringList& behind, const QStringList& keysAdded, bool logUnchanged, qint64 nextId)
{
    QStringList r;
    r << QStringLiteral("A visszaállítás megtörtént: %1 -> %2 adatbázis.").arg(file, l.target);
    r << QStringLiteral("Sorok táblánként: ") + l.counts.join(QLatin1String(", ")) + QLatin1Char('.');
    if (!kept.isEmpty())
        r << QStringLiteral("A korábbi táblák a(z) %1 adatbázisban maradtak meg; ha már nincs rájuk szükség, "
                            "törölhetők (DROP DATABASE %1).")
                        .arg(kept);
    if (!keysAdded.isEmpty())
        r << QStringLiteral("A mentés egy régebbi változatból való: a kódok egyedi kulcsot kaptak (%1).")
                        .arg(keysAdded.join(QLatin1String(", ")));
    if (l.voidTableAdded)
        r << QStringLiteral("A mentés egy régebbi változatból való: a sztornózott mérlegjegyek táblája (sztorno) "
                            "üresen készült el hozzá.");
    if (l.isLog)
        r << QStringLiteral("Az alibi napló láncát ellenőrizze: vello-alibi verify --database %1").arg(live);
    else if (logUnchanged)
        r << QStringLiteral("Az alibi napló (%1) nem változott: a napló csak bővülhet, ezért a visszaállítás nem "
                            "cseréli le; a mentés óta mért súlyok bejegyzései is megmaradtak benne.")
                        .arg(AlibiLog::databaseFor(live));
    else
        r << QStringLiteral("Figyelem: az alibi napló (%1) a visszaállítás közben megváltozott (egy munkaállomás "
                            "mért, vagy más írt bele); a visszaállítás nem nyúlt hozzá. Ellenőrizze: vello-alibi "
                            "verify --database %2")
                        .arg(AlibiLog::databaseFor(live), live);
    if (!behind.isEmpty())
        r << QStringLiteral("Figyelem: a --force miatt ezek a számok újra kiadásra kerülnek: %1.")
                        .arg(behind.join(QLatin1String("; ")));
    if (nextId > 0)
        r << QStringLiteral("A mérések azonosítói a(z) %1. számtól folytatódnak: a kisebbekre az alibi napló már "
                            "hivatkozik, ezért nem kerülnek újra kiadásra.")
                        .arg(nextId);
    return r;
}

}   // namespace

void DatabaseBackup::loadIntoScratch(const QString& file, const QString& scratch)
{
    // Not as the administrator: as an account that may touch the scratch
    // database alone. --sandbox refuses the client's own commands (a shell
    // escape, reading or writing files), and a statement the account may
    // not run stops the load.
    std::optional<AdminConnection> admin;
    onServer([&] { admin.emplace(m_settings); },
            [](const QString& error) {
                return QStringLiteral("nem sikerült kapcsolódni az adatbázis-szerverhez: ") + error;
            });
    LoadAccount account(*admin, scratch);
    QStringList args = clientArguments(account.user());
    args << QStringLiteral("--sandbox") << QStringLiteral("--default-character-set=utf8mb4") << scratch;
    if (!runPipe({QStringLiteral("gzip"), {QStringLiteral("-dc")}, QString()},
                {QStringLiteral("mariadb"), args, account.password()}, file))
        throw RestoreFailed {QStringLiteral("a mentés betöltése nem sikerült (%1).").arg(m_error)};
}

bool DatabaseBackup::restore(const QString& file, bool force)
{
    m_error.clear();
    m_report.clear();
    m_kept.clear();
    const QString live = m_settings.database;
    try {
        if (!QFileInfo(file).isFile())
            throw RestoreFailed {QStringLiteral("nincs ilyen fájl: ") + file};
        RestoreChecks::dumpIsWhole(file);

        std::optional<AdminConnection> admin;
        onServer([&] { admin.emplace(m_settings); },
                [](const QString& error) {
                    return QStringLiteral("nem sikerült kapcsolódni az adatbázis-szerverhez: ") + error;
                });
        AdminConnection& c = *admin;
        // A restore waits for no workstation's open transaction for long.
        c.tryExec(QStringLiteral("SET SESSION lock_wait_timeout = 60"));

        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
        const QString noFreeName = QStringLiteral("nem található szabad név az ideiglenes adatbázisnak: ");
        const QString scratch = reserveName(c, live + QStringLiteral("_uj_") + stamp, noFreeName);
        QString kept = reserveName(c, live + QStringLiteral("_regi_") + stamp, noFreeName);

        // What the log is now, to say afterwards whether it changed.
        const QStringList logBefore = logChecksums(c, AlibiLog::databaseFor(live));

        // Load into the scratch database; from here on every way out drops it.
        createScratch(c, scratch);
        ScratchDrop dropScratch(c, scratch);
        loadIntoScratch(file, scratch);

        // The checks: nothing of the live database is lost by the swap.
        Loaded loaded = inspectLoaded(c, scratch, live);
        const Live current = readLive(c, loaded.target);
        const QStringList keysAdded = loaded.isLog ? QStringList() : upgradeLoaded(c, scratch, loaded);
        QStringList behind;
        qint64 nextId = 0;
        if (loaded.isLog) {
            RestoreChecks::logKeepsLive(c, loaded.target, scratch, current.tables);
            kept = reserveName(c, loaded.target + QStringLiteral("_regi_") + stamp,
                    QStringLiteral("nem található szabad név a régi napló adatbázisának: "));
        } else {
            behind = RestoreChecks::countersBehind(
                    c, live, current.tables.contains(QStringLiteral("sorszam")), scratch, force);
            nextId = raisePastLinkedIds(c, scratch, AlibiLog::databaseFor(live));
        }

        // The swap.
        if (swapIntoPlace(c, scratch, kept, loaded, current))
            m_kept = kept;
        // The log's routines belong to its database, not to the tables the
        // swap moved: a log whose database was lost gets them again (the
        // creation part of db/create.sql, which keeps every row).
        if (loaded.isLog) {
            try {
                c.exec(QStringLiteral("USE %1").arg(AdminConnection::quoted(loaded.target)));
                for (const QString& statement : AlibiSchema::tableStatements())
                    c.exec(statement);
            } catch (const DbError& e) {
                throw RestoreFailed {QStringLiteral("az alibi napló eljárásai nem hozhatók létre: ") + e.text()};
            }
        }
        m_report = reportOf(file, live, loaded, m_kept, behind, keysAdded,
                logChecksums(c, AlibiLog::databaseFor(live)) == logBefore, nextId);
    } catch (const RestoreFailed& f) {
        m_error = f.message;
        return false;
    }
    return true;
}
