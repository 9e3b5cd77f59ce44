#include "databasebackup.h"

#include "alibi/alibilog.h"
#include "data/datamodule.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>

#include <cstdio>

QString DatabaseBackup::defaultFolder()
{
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath();
    return QDir(docs).filePath(QStringLiteral("vello-mentesek"));
}

QString DatabaseBackup::fileName(const QString& database, const QDateTime& when)
{
    return database + when.toString(QStringLiteral("-yyyy-MM-dd-hhmmss")) + QStringLiteral(".sql.gz");
}

QStringList DatabaseBackup::clientArguments() const
{
    QStringList a;
    a << QStringLiteral("--user=") + m_settings.user;
    if (!m_settings.socket.isEmpty()) {
        a << QStringLiteral("--socket=") + m_settings.socket;
    } else {
        a << QStringLiteral("--host=") + m_settings.host
          << QStringLiteral("--port=") + QString::number(m_settings.port);
    }
    return a;
}

// first [args] (< inputFile) | second [args] (> outputFile); both must end with 0.
bool DatabaseBackup::runPipe(const QString& first, const QStringList& firstArgs, const QString& second,
        const QStringList& secondArgs, const QString& inputFile, const QString& outputFile)
{
    QProcess a, b;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_settings.password.isEmpty())
        env.insert(QStringLiteral("MYSQL_PWD"), m_settings.password);   // never on the command line
    a.setProcessEnvironment(env);
    b.setProcessEnvironment(env);
    a.setStandardOutputProcess(&b);
    if (!inputFile.isEmpty())
        a.setStandardInputFile(inputFile);
    if (!outputFile.isEmpty())
        b.setStandardOutputFile(outputFile);
    a.start(first, firstArgs);
    b.start(second, secondArgs);
    const bool startedA = a.waitForStarted(-1);
    const bool startedB = b.waitForStarted(-1);
    if (!startedA || !startedB) {
        m_error = QStringLiteral("a(z) %1 nem indítható.").arg(!startedA ? first : second);
        a.kill();
        b.kill();
        a.waitForFinished(-1);
        b.waitForFinished(-1);
        return false;
    }
    a.waitForFinished(-1);
    b.waitForFinished(-1);
    const QString errA = QString::fromLocal8Bit(a.readAllStandardError()).trimmed();
    const QString errB = QString::fromLocal8Bit(b.readAllStandardError()).trimmed();
    if (a.exitStatus() != QProcess::NormalExit || a.exitCode() != 0) {
        m_error = QStringLiteral("%1: %2").arg(first, errA.isEmpty() ? QString::number(a.exitCode()) : errA);
        return false;
    }
    if (b.exitStatus() != QProcess::NormalExit || b.exitCode() != 0) {
        m_error = QStringLiteral("%1: %2").arg(second, errB.isEmpty() ? QString::number(b.exitCode()) : errB);
        return false;
    }
    return true;
}

// One database into `target` through a temporary name.
bool DatabaseBackup::dumpOne(const QString& database, const QString& target, bool routines)
{
    const QString part = target + QStringLiteral(".part");
    QStringList args = clientArguments();
    args << QStringLiteral("--single-transaction") << QStringLiteral("--no-tablespaces")
         << QStringLiteral("--default-character-set=utf8mb4");
    if (routines)
        args << QStringLiteral("--routines") << QStringLiteral("--triggers");
    args << database;
    const bool ok = runPipe(
            QStringLiteral("mariadb-dump"), args, QStringLiteral("gzip"), {QStringLiteral("-c")}, QString(), part);
    if (!ok || !QFileInfo(part).isFile() || QFileInfo(part).size() == 0) {
        if (ok)
            m_error = QStringLiteral("a mentés fájlja nem íródott meg: ") + part;
        QFile::remove(part);
        return false;
    }
    // rename() replaces atomically; the folder never shows a half dump.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        m_error = QStringLiteral("a mentés fájlja nem nevezhető át: ") + target;
        QFile::remove(part);
        return false;
    }
    return true;
}

namespace {

QString quoted(QString name)
{
    name.replace(QLatin1Char('`'), QLatin1String("``"));
    return QLatin1Char('`') + name + QLatin1Char('`');
}

// An administrative connection of its own on the server of `s`, without a
// default database; closed and removed with this object.
class AdminConnection {
public:
    explicit AdminConnection(const ConnectionSettings& s)
        : m_name(QStringLiteral("restore-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), m_name);
        db.setHostName(s.host);
        db.setPort(s.port);
        db.setUserName(s.user);
        db.setPassword(s.password);
        QString options = QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5");
        if (!s.socket.isEmpty())
            options += QStringLiteral(";UNIX_SOCKET=") + s.socket;
        db.setConnectOptions(options);
        if (!db.open())
            m_error = db.lastError().text();
    }
    ~AdminConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    // One statement; false with error() set when it failed.
    bool exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (q.exec(sql))
            return true;
        m_error = q.lastError().text();
        m_code = q.lastError().nativeErrorCode().toInt();
        return false;
    }
    // The first column of every row; nullopt-like: ok set false on failure.
    QStringList column(const QString& sql, bool* ok)
    {
        QStringList out;
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        *ok = q.exec(sql);
        if (!*ok) {
            m_error = q.lastError().text();
            return out;
        }
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    QStringList tables(const QString& database, bool* ok)
    {
        return column(
                QStringLiteral("SHOW FULL TABLES FROM %1 WHERE Table_type = 'BASE TABLE'").arg(quoted(database)), ok);
    }
    bool databaseExists(const QString& database, bool* ok)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?"));
        q.addBindValue(database);
        *ok = q.exec() && q.next();
        if (!*ok) {
            m_error = q.lastError().text();
            return false;
        }
        return q.value(0).toInt() > 0;
    }
    int code() const { return m_code; }

private:
    QString m_name;
    QString m_error;
    int m_code = 0;
};

struct CounterName {
    const char* letter;
    const char* what;
};
const CounterName kCounters[] = {{"M", "mérés"}, {"J", "mérlegjegy"}, {"S", "szállítólevél"}, {"K", "összesítő sor"}};

// The counters of `database` by letter; an absent table gives none.
QHash<QString, qint64> counters(AdminConnection& c, const QString& database, bool hasTable, bool* ok)
{
    QHash<QString, qint64> out;
    *ok = true;
    if (!hasTable)
        return out;
    const QStringList rows = c.column(
            QStringLiteral("SELECT CONCAT(sKod, '=', COALESCE(sBszam, '')) FROM %1.sorszam").arg(quoted(database)), ok);
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

QString DatabaseBackup::dump(const QString& folder)
{
    m_error.clear();
    m_alibiFile.clear();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("a mappa nem hozható létre: ") + folder;
        return QString();
    }
    const QDateTime when = QDateTime::currentDateTime();
    const QString alibi = AlibiLog::databaseFor(m_settings.database);
    bool hasLog = false;
    {
        AdminConnection c(m_settings);
        bool ok = c.ok();
        if (ok)
            hasLog = c.databaseExists(alibi, &ok);
        if (!ok) {
            m_error = QStringLiteral("nem sikerült kapcsolódni az adatbázis-szerverhez: ") + c.error();
            return QString();
        }
    }
    const QString target = QDir(folder).filePath(fileName(m_settings.database, when));
    if (!dumpOne(m_settings.database, target, true))
        return QString();
    if (hasLog) {
        // After the register: the log only grows, so this copy holds every
        // entry the register's copy links to.
        const QString log = QDir(folder).filePath(fileName(alibi, when));
        if (!dumpOne(alibi, log, false)) {
            m_error = QStringLiteral("az alibi napló (%1) mentése nem sikerült: %2").arg(alibi, m_error);
            QFile::remove(target);
            return QString();
        }
        m_alibiFile = log;
    }
    return target;
}

// Reads the whole dump through gzip: a damaged or cut file fails gzip, a
// dump cut at a line ends without mariadb-dump's closing line.
bool DatabaseBackup::dumpIsWhole(const QString& file)
{
    QProcess p;
    p.setStandardInputFile(file);
    p.start(QStringLiteral("gzip"), {QStringLiteral("-dc")});
    if (!p.waitForStarted(-1)) {
        m_error = QStringLiteral("a(z) gzip nem indítható.");
        return false;
    }
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
        m_error = QStringLiteral("a mentés fájlja sérült vagy csonka (gzip: %1).")
                          .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
        return false;
    }
    const QList<QByteArray> lines = tail.trimmed().split('\n');
    if (lines.isEmpty() || !lines.last().startsWith("-- Dump completed")) {
        m_error = QStringLiteral("a mentés csonka: hiányzik a végéről a mentés befejezését jelző sor.");
        return false;
    }
    return true;
}

bool DatabaseBackup::loadDump(const QString& file, const QString& database)
{
    QStringList args = clientArguments();
    // Statements meant for another database (a USE in a hand-made dump) are
    // skipped: the load touches the scratch database only.
    args << QStringLiteral("--default-character-set=utf8mb4") << QStringLiteral("--one-database") << database;
    return runPipe(QStringLiteral("gzip"), {QStringLiteral("-dc")}, QStringLiteral("mariadb"), args, file, QString());
}

bool DatabaseBackup::restore(const QString& file, bool force)
{
    m_error.clear();
    m_report.clear();
    m_kept.clear();
    const QString live = m_settings.database;
    if (!QFileInfo(file).isFile()) {
        m_error = QStringLiteral("nincs ilyen fájl: ") + file;
        return false;
    }
    if (!dumpIsWhole(file))
        return false;

    AdminConnection c(m_settings);
    if (!c.ok()) {
        m_error = QStringLiteral("nem sikerült kapcsolódni az adatbázis-szerverhez: ") + c.error();
        return false;
    }
    // A restore waits for no workstation's open transaction for long.
    c.exec(QStringLiteral("SET SESSION lock_wait_timeout = 60"));

    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    auto freeName = [&](const QString& base, QString* name) {
        for (int i = 0; i < 100; ++i) {
            *name = i == 0 ? base : base + QLatin1Char('_') + QString::number(i);
            bool ok = false;
            const bool exists = c.databaseExists(*name, &ok);
            if (!ok)
                return false;
            if (!exists)
                return true;
        }
        return false;
    };
    QString scratch, kept;
    if (!freeName(live + QStringLiteral("_uj_") + stamp, &scratch)
            || !freeName(live + QStringLiteral("_regi_") + stamp, &kept)) {
        m_error = QStringLiteral("nem található szabad név az ideiglenes adatbázisnak: ") + c.error();
        return false;
    }
    if (!c.exec(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET cp1250").arg(quoted(scratch)))) {
        m_error = QStringLiteral("az ideiglenes adatbázis (%1) nem hozható létre: %2. A visszaállításhoz olyan "
                                 "felhasználó kell, amely adatbázist hozhat létre (például rendszergazdaként: "
                                 "sudo vello-backup --restore FÁJL --user root).")
                          .arg(scratch, c.error());
        return false;
    }
    // From here on every way out that does not swap drops the scratch copy.
    bool swapped = false;
    struct DropScratch {
        AdminConnection& c;
        const QString& name;
        const bool& swapped;
        ~DropScratch()
        {
            if (!swapped)
                c.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quoted(name)));
        }
    } dropScratch {c, scratch, swapped};

    if (!loadDump(file, scratch)) {
        m_error = QStringLiteral("a mentés betöltése nem sikerült (%1).").arg(m_error);
        return false;
    }

    // What the dump is: the register, or its alibi log.
    bool ok = false;
    const QStringList loaded = c.tables(scratch, &ok);
    if (!ok) {
        m_error = QStringLiteral("a betöltött táblák nem olvashatók: ") + c.error();
        return false;
    }
    const bool isLog = loaded.contains(QStringLiteral("naplo"));
    const QString target = isLog ? AlibiLog::databaseFor(live) : live;
    const QStringList needed = isLog
            ? QStringList {QStringLiteral("naplo"), QStringLiteral("kapcsolat"), QStringLiteral("zar")}
            : DataModule::tableNames();
    // Every table must be in the loaded copy.
    QStringList missing;
    for (const QString& t : needed)
        if (!loaded.contains(t))
            missing << t;
    if (!missing.isEmpty()) {
        m_error = QStringLiteral("a mentésből hiányzik: %1.").arg(missing.join(QLatin1String(", ")));
        return false;
    }
    QStringList counts;
    for (const QString& t : loaded) {
        const QStringList n
                = c.column(QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(quoted(scratch), quoted(t)), &ok);
        if (!ok || n.isEmpty()) {
            m_error = QStringLiteral("a(z) %1 tábla nem olvasható vissza: %2").arg(t, c.error());
            return false;
        }
        counts << QStringLiteral("%1 %2").arg(t, n.first());
    }

    // The live database as it is.
    const bool liveExists = c.databaseExists(target, &ok);
    if (!ok) {
        m_error = c.error();
        return false;
    }
    QStringList liveTables;
    if (liveExists) {
        liveTables = c.tables(target, &ok);
        if (!ok) {
            m_error = c.error();
            return false;
        }
    }

    QStringList behind;
    if (isLog) {
        // The log only grows: the dump may take its place only when every
        // live entry and link is in it as it is, every field alike (a live
        // entry changed behind the program's back is not papered over: it
        // stays for verify to find).
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
            const QStringList lost = c.column(QStringLiteral("SELECT COUNT(*) FROM %1.%3 l LEFT JOIN %2.%3 s ON %4 "
                                                             "WHERE s.%5 IS NULL")
                                                      .arg(quoted(target), quoted(scratch), QLatin1String(k.table),
                                                              QLatin1String(k.join), QLatin1String(k.key)),
                    &ok);
            if (!ok || lost.isEmpty()) {
                m_error = QStringLiteral("az élő alibi napló nem olvasható: ") + c.error();
                return false;
            }
            if (lost.first().toLongLong() > 0) {
                m_error = QStringLiteral("az élő alibi napló (%1) %2 %3 nincs meg a mentésben. A napló csak bővülhet: "
                                         "régebbi vagy más mentés nem léphet a helyére. Az alibi napló nem változott.")
                                  .arg(target, lost.first(), QString::fromUtf8(k.what));
                return false;
            }
        }
    } else {
        // Counters behind the live ones would issue numbers again.
        const QHash<QString, qint64> now = counters(c, live, liveTables.contains(QStringLiteral("sorszam")), &ok);
        bool ok2 = false;
        const QHash<QString, qint64> then = counters(c, scratch, true, &ok2);
        if (!ok || !ok2) {
            m_error = QStringLiteral("a sorszámok nem olvashatók: ") + c.error();
            return false;
        }
        for (const CounterName& k : kCounters) {
            const QString l = QLatin1String(k.letter);
            if (now.contains(l) && then.value(l, 0) < now.value(l))
                behind << QStringLiteral("%1 (%2) %3–%4")
                                  .arg(QString::fromUtf8(k.what), l)
                                  .arg(then.value(l, 0) + 1)
                                  .arg(now.value(l));
        }
        if (!behind.isEmpty() && !force) {
            m_error = QStringLiteral("a mentés régebbi az adatbázisnál: visszaállítása után újra kiadná ezeket a "
                                     "számokat, amelyek papíron már szerepelhetnek: %1. Az adatbázis nem változott. Ha "
                                     "mégis ezt a mentést kell visszaállítani, adja meg a --force kapcsolót.")
                              .arg(behind.join(QLatin1String("; ")));
            return false;
        }
    }
    if (isLog && !freeName(target + QStringLiteral("_regi_") + stamp, &kept)) {
        m_error = QStringLiteral("nem található szabad név a régi napló adatbázisának: ") + c.error();
        return false;
    }
    const QString charset = isLog ? QStringLiteral("utf8mb4 COLLATE utf8mb4_bin") : QStringLiteral("cp1250");

    // The swap: one RENAME TABLE, the old tables into a dated database.
    if (!liveExists
            && !c.exec(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET %2").arg(quoted(target), charset))) {
        m_error = QStringLiteral("a(z) %1 adatbázis nem hozható létre: %2").arg(target, c.error());
        return false;
    }
    QStringList moves;
    bool keepOld = false;
    for (const QString& t : loaded) {
        if (liveTables.contains(t)) {
            moves << QStringLiteral("%1.%3 TO %2.%3").arg(quoted(target), quoted(kept), quoted(t));
            keepOld = true;
        }
        moves << QStringLiteral("%1.%3 TO %2.%3").arg(quoted(scratch), quoted(target), quoted(t));
    }
    if (keepOld && !c.exec(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET %2").arg(quoted(kept), charset))) {
        m_error = QStringLiteral("a régi táblák helye (%1) nem hozható létre: %2").arg(kept, c.error());
        return false;
    }
    if (!c.exec(QStringLiteral("RENAME TABLE ") + moves.join(QLatin1String(", ")))) {
        const bool busy = c.code() == 1205 || c.code() == 1213;
        m_error = busy ? QStringLiteral("az adatbázis táblái használatban vannak: zárja be a programot minden "
                                        "munkaállomáson, és próbálja újra.")
                       : QStringLiteral("a táblák cseréje nem sikerült: ") + c.error();
        if (keepOld)
            c.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quoted(kept)));
        return false;
    }
    swapped = true;
    c.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quoted(scratch)));
    if (keepOld)
        m_kept = kept;

    m_report << QStringLiteral("A visszaállítás megtörtént: %1 -> %2 adatbázis.").arg(file, target);
    m_report << QStringLiteral("Sorok táblánként: ") + counts.join(QLatin1String(", ")) + QLatin1Char('.');
    if (keepOld)
        m_report << QStringLiteral("A korábbi táblák a(z) %1 adatbázisban maradtak meg; ha már nincs rájuk szükség, "
                                   "törölhetők (DROP DATABASE %1).")
                            .arg(kept);
    if (isLog)
        m_report << QStringLiteral("Az alibi napló láncát ellenőrizze: vello-alibi verify --database %1").arg(live);
    else
        m_report << QStringLiteral(
                "Az alibi napló (%1) nem változott: a napló csak bővülhet, ezért a visszaállítás nem "
                "cseréli le; a mentés óta mért súlyok bejegyzései is megmaradtak benne.")
                            .arg(AlibiLog::databaseFor(live));
    if (!behind.isEmpty())
        m_report << QStringLiteral("Figyelem: a --force miatt ezek a számok újra kiadásra kerülnek: %1.")
                            .arg(behind.join(QLatin1String("; ")));
    return true;
}
