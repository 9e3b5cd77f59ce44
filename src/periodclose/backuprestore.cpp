// The restore: a dump loaded into a scratch database, checked there, and
// swapped into place with one RENAME TABLE; the live database is never left
// worse than it was.
#include "databasebackup.h"

#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/adminconnection.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "periodclose/restorechecks.h"

#include <QDateTime>
#include <QFileInfo>
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

// What the loaded copy is: the register, or its alibi log; the database it
// is to take the place of, its tables and their rows.
struct Loaded {
    bool isLog = false;
    QString target;
    QStringList tables;
    QStringList counts;   // "table rows", for the report
};

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
QStringList reportOf(
        const QString& file, const QString& live, const Loaded& l, const QString& kept, const QStringList& behind)
{
    QStringList r;
    r << QStringLiteral("A visszaállítás megtörtént: %1 -> %2 adatbázis.").arg(file, l.target);
    r << QStringLiteral("Sorok táblánként: ") + l.counts.join(QLatin1String(", ")) + QLatin1Char('.');
    if (!kept.isEmpty())
        r << QStringLiteral("A korábbi táblák a(z) %1 adatbázisban maradtak meg; ha már nincs rájuk szükség, "
                            "törölhetők (DROP DATABASE %1).")
                        .arg(kept);
    if (l.isLog)
        r << QStringLiteral("Az alibi napló láncát ellenőrizze: vello-alibi verify --database %1").arg(live);
    else
        r << QStringLiteral("Az alibi napló (%1) nem változott: a napló csak bővülhet, ezért a visszaállítás nem "
                            "cseréli le; a mentés óta mért súlyok bejegyzései is megmaradtak benne.")
                        .arg(AlibiLog::databaseFor(live));
    if (!behind.isEmpty())
        r << QStringLiteral("Figyelem: a --force miatt ezek a számok újra kiadásra kerülnek: %1.")
                        .arg(behind.join(QLatin1String("; ")));
    return r;
}

}   // namespace

void DatabaseBackup::loadIntoScratch(const QString& file, const QString& scratch)
{
    QStringList args = clientArguments();
    // Statements meant for another database (a USE in a hand-made dump) are
    // skipped: the load touches the scratch database only.
    args << QStringLiteral("--default-character-set=utf8mb4") << QStringLiteral("--one-database") << scratch;
    if (!runPipe(QStringLiteral("gzip"), {QStringLiteral("-dc")}, QStringLiteral("mariadb"), args, file, QString()))
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

        // Load into the scratch database; from here on every way out drops it.
        createScratch(c, scratch);
        ScratchDrop dropScratch(c, scratch);
        loadIntoScratch(file, scratch);

        // The checks: nothing of the live database is lost by the swap.
        const Loaded loaded = inspectLoaded(c, scratch, live);
        const Live current = readLive(c, loaded.target);
        QStringList behind;
        if (loaded.isLog) {
            RestoreChecks::logKeepsLive(c, loaded.target, scratch, current.tables);
            kept = reserveName(c, loaded.target + QStringLiteral("_regi_") + stamp,
                    QStringLiteral("nem található szabad név a régi napló adatbázisának: "));
        } else {
            behind = RestoreChecks::countersBehind(
                    c, live, current.tables.contains(QStringLiteral("sorszam")), scratch, force);
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
        m_report = reportOf(file, live, loaded, m_kept, behind);
    } catch (const RestoreFailed& f) {
        m_error = f.message;
        return false;
    }
    return true;
}
