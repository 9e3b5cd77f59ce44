// The database backup: a dump, the tables dropped, the dump restored, every
// table compared; and the vello-backup tool both ways.
#include "archivefixture.h"
#include "testapp.h"
#include "widgets.h"

#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/adminconnection.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "periodclose/archiving.h"
#include "periodclose/databasebackup.h"
#include "periodclose/periodclosewindows.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace ArchiveFixture;

namespace {

QStringList tables(const TestDb& db)
{
    QStringList out;
    QSqlQuery q(db.admin());
    q.exec(QStringLiteral("SHOW TABLES"));
    while (q.next())
        out << q.value(0).toString();
    out.sort();
    return out;
}

// Every row of every table, in a stable order.
QStringList content(const TestDb& db)
{
    QStringList out;
    for (const QString& t : tables(db)) {
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(t));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
            out << t + QLatin1Char(':') + cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

// The server's checksum of every table, with its name.
QStringList checksums(const TestDb& db)
{
    QStringList out;
    for (const QString& t : tables(db)) {
        QSqlQuery q(db.admin());
        q.exec(QStringLiteral("CHECKSUM TABLE %1").arg(t));
        while (q.next())
            out << t + QLatin1Char('=') + q.value(1).toString();
    }
    return out;
}

// Databases of the server whose names start with `prefix`.
QStringList databases(const TestDb& db, const QString& prefix)
{
    QStringList out;
    QSqlQuery q(db.admin());
    q.exec(QStringLiteral("SHOW DATABASES"));
    while (q.next())
        if (q.value(0).toString().startsWith(prefix))
            out << q.value(0).toString();
    return out;
}

// What a restore may leave behind: databases named after the test database
// other than its own alibi log.
QStringList leftovers(const TestDb& db)
{
    QStringList out = databases(db, db.name() + QLatin1Char('_'));
    out.removeAll(AlibiLog::databaseFor(db.name()));
    return out;
}

// Every entry and link of the test database's alibi log, in order.
QStringList logContent(const TestDb& db)
{
    QStringList out;
    for (const char* sql : {"SELECT nr, lanc FROM `%1`.naplo ORDER BY nr",
                 "SELECT IDh, nr, IDm, bszam, hely, irany FROM `%1`.kapcsolat ORDER BY IDh"}) {
        QSqlQuery q(db.admin());
        q.exec(QString::fromLatin1(sql).arg(AlibiLog::databaseFor(db.name())));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
            out << cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

void dropDatabases(const TestDb& db, const QStringList& names)
{
    for (const QString& n : names)
        db.exec(QStringLiteral("DROP DATABASE `%1`").arg(n));
}

QByteArray gunzip(const QString& file)
{
    QProcess p;
    p.setStandardInputFile(file);
    p.start(QStringLiteral("gzip"), {QStringLiteral("-dc")});
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

void gzipTo(const QByteArray& text, const QString& file)
{
    QProcess p;
    p.setStandardOutputFile(file);
    p.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
    p.waitForStarted(-1);
    p.write(text);
    p.closeWriteChannel();
    p.waitForFinished(-1);
}

QString toolPath()
{
    return qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-backup");
}

void dropAll(const TestDb& db)
{
    for (const QString& t : tables(db))
        db.exec(QStringLiteral("DROP TABLE %1").arg(t));
}

}   // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dumpDropRestoreCompare();
    void toolDumpsAndRestores();
    void missingDumpIsRefused();
    void windowButtonShowsThePath();
    void damagedDumpLeavesLiveDataUnchanged_data();
    void damagedDumpLeavesLiveDataUnchanged();
    void olderDumpIsRefusedWithoutForce();
    void goodDumpRestoresAndTheProgramRunsOnIt();
    void registerRestoreLeavesTheLiveLog();
    void restoreIssuesNoWeighingIdTheLogLinks_data();
    void restoreIssuesNoWeighingIdTheLogLinks();
    void programsUserDumpsTheLog();
    void logDumpPutsBackWhatWasLost_data();
    void logDumpPutsBackWhatWasLost();
    void logDumpNeverReplacesANewerLog_data();
    void logDumpNeverReplacesANewerLog();
    void adminConnectionFailures_data();
    void adminConnectionFailures();
    void hostileDumpChangesNothing_data();
    void hostileDumpChangesNothing();
    void olderDumpGetsTheCodeKeys_data();
    void olderDumpGetsTheCodeKeys();
    void restoreKnowsTheVoids_data();
    void restoreKnowsTheVoids();
    void dumpFilesAreTheOwnersAlone();

private:
    QTemporaryDir m_home;
};

void TestBackup::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
}

void TestBackup::dumpDropRestoreCompare()
{
    TestApp app;
    fill(app.db);
    app.db.exec(QStringLiteral(
            "INSERT INTO archiv (jBszam, tMegnev, jBeido) VALUES ('1', 'Őszi búza \"kiváló\"', '08:00:00')"));
    // A voided ticket's record goes with the backup as well.
    app.db.exec(QStringLiteral("INSERT INTO sztorno (zBszam, zIdo, zGep, zFelhasznalo, zOk, zHelyette) VALUES "
                               "('1', '2024-03-06 10:00:00', 'mérleg1', 'vello@localhost', 'rossz termény', '2')"));
    const QStringList before = content(app.db);
    const QStringList names = tables(app.db);
    QCOMPARE(names.size(), 11);   // the ten tables and the voided tickets' sztorno
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString path = backup.dump(dir.filePath(QStringLiteral("mentes")));
    QVERIFY2(!path.isEmpty(), qPrintable(backup.error()));
    QVERIFY(QFileInfo(path).fileName().startsWith(app.db.name() + QLatin1Char('-')));
    QVERIFY(path.endsWith(QLatin1String(".sql.gz")));
    // the alibi log beside it, with the same stamp
    const QString log = backup.alibiFile();
    QCOMPARE(QFileInfo(log).fileName(),
            AlibiLog::databaseFor(app.db.name()) + QFileInfo(path).fileName().mid(app.db.name().size()));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("mentes"))).entryList(QDir::Files | QDir::Hidden),
            QStringList({QFileInfo(path).fileName(), QFileInfo(log).fileName()}));
    dropAll(app.db);
    QVERIFY(tables(app.db).isEmpty());
    QVERIFY2(backup.restore(path), qPrintable(backup.error()));
    QCOMPARE(tables(app.db), names);
    QCOMPARE(content(app.db), before);
}

void TestBackup::toolDumpsAndRestores()
{
    TestApp app;
    fill(app.db);
    const QStringList before = content(app.db);
    QTemporaryDir dir;
    const QString tool = qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-backup");
    const QStringList conn = {QStringLiteral("--socket"), TestDb::socket(), QStringLiteral("--user"),
            QStringLiteral("root"), QStringLiteral("--database"), app.db.name()};
    QProcess p;
    p.start(tool, QStringList {QStringLiteral("--folder"), dir.path()} + conn);
    QVERIFY(p.waitForFinished(-1));
    QCOMPARE(p.exitCode(), 0);
    // the register's file, then the alibi log's
    const QStringList paths = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(paths.size(), 2);
    const QString path = paths.first();
    QVERIFY(QFileInfo(path).isFile());
    QVERIFY(QFileInfo(paths.last()).isFile());
    QVERIFY(QFileInfo(paths.last()).fileName().startsWith(AlibiLog::databaseFor(app.db.name()) + QLatin1Char('-')));
    dropAll(app.db);
    p.start(tool, QStringList {QStringLiteral("--restore"), path} + conn);
    QVERIFY(p.waitForFinished(-1));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QCOMPARE(content(app.db), before);
}

void TestBackup::missingDumpIsRefused()
{
    TestApp app;
    DatabaseBackup backup(app.db.settings());
    QVERIFY(!backup.restore(QStringLiteral("/nonexistent/vello.sql.gz")));
    QVERIFY(!backup.error().isEmpty());
    QCOMPARE(tables(app.db).size(), 11);
}

void TestBackup::windowButtonShowsThePath()
{
    TestApp app;
    QString shown;
    app.prompt.setLenient(true);
    app.host.expect(QStringLiteral("TForm19"), [&](QDialog& w) {
        TestUi::click(w, QStringLiteral("BackupButton"));
        shown = TestUi::text(w, QStringLiteral("BackupPath"));
        TestUi::click(w, QStringLiteral("Button5"));
    });
    openArchiving(app.ctx);
    const QString folder = DatabaseBackup::defaultFolder();
    QVERIFY2(folder.startsWith(m_home.path()), qPrintable(folder));
    const QStringList files = QDir(folder).entryList({app.db.name() + QStringLiteral("-*")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QStringList alibi
            = QDir(folder).entryList({AlibiLog::databaseFor(app.db.name()) + QStringLiteral("-*")}, QDir::Files);
    QCOMPARE(alibi.size(), 1);
    // Both files are named: the register's and the alibi log's beside it.
    const QString both = QDir(folder).filePath(files.first()) + QStringLiteral("\r")
            + QDir(folder).filePath(alibi.first()) + QStringLiteral(" (alibi napló)");
    QCOMPARE(shown, QStringLiteral("Mentés: ") + QString(both).replace('\r', '\n'));
    QCOMPARE(app.prompt.shownTexts().last(), QStringLiteral("A biztonsági mentés elkészült:\r") + both);
}

void TestBackup::damagedDumpLeavesLiveDataUnchanged_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("why");   // the start of the reason given
    QTest::newRow("compressed file cut in half") << QStringLiteral("bytes") << QStringLiteral("a mentés fájlja sérült");
    QTest::newRow("dump cut at a line") << QStringLiteral("lines") << QStringLiteral("a mentés csonka");
    QTest::newRow("tables missing, closing line present")
            << QStringLiteral("tables") << QStringLiteral("a mentésből hiányzik");
    QTest::newRow("statement that fails half-way")
            << QStringLiteral("statement") << QStringLiteral("a mentés betöltése nem sikerült");
    QTest::newRow("not a dump at all") << QStringLiteral("text") << QStringLiteral("a mentés fájlja sérült");
}

// A dump that cannot be loaded whole leaves the live database exactly as it
// was: the same checksum for every table, no scratch database left behind.
void TestBackup::damagedDumpLeavesLiveDataUnchanged()
{
    QFETCH(QString, damage);
    QFETCH(QString, why);
    TestApp app;
    fill(app.db);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString good = backup.dump(dir.path());
    QVERIFY2(!good.isEmpty(), qPrintable(backup.error()));
    // Newer live data than the dump: a ticket with its counter.
    app.db.exec(
            QStringLiteral("INSERT INTO vello (jBszam, jMozgas, jDatum, jTkod) VALUES ('6', 'B', '2026-04-03', '1')"));
    const QByteArray text = gunzip(good);
    QVERIFY(text.trimmed().split('\n').last().startsWith("-- Dump completed"));
    const QString bad = dir.filePath(QStringLiteral("bad.sql.gz"));
    if (damage == QLatin1String("bytes")) {
        QFile g(good);
        QVERIFY(g.open(QIODevice::ReadOnly));
        const QByteArray all = g.readAll();
        QFile b(bad);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write(all.left(all.size() / 2));
    } else if (damage == QLatin1String("lines")) {
        gzipTo(text.left(text.indexOf("INSERT INTO `vello`") + 40) + "\n", bad);
    } else if (damage == QLatin1String("tables")) {
        gzipTo(text.left(text.indexOf("DROP TABLE IF EXISTS `raktar`")) + "-- Dump completed on 2026-12-10\n", bad);
    } else if (damage == QLatin1String("statement")) {
        QByteArray broken = text;
        broken.insert(broken.indexOf("DROP TABLE IF EXISTS `vello`"), "INSERT INTO `meres` (IDm) VALUES (;\n");
        gzipTo(broken, bad);
    } else {
        QFile b(bad);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write("SELECT 1;\n");
    }
    const QStringList before = checksums(app.db);
    const QStringList contentBefore = content(app.db);
    QCOMPARE(before.size(), 11);
    QVERIFY(!backup.restore(bad));
    QVERIFY2(backup.error().startsWith(why), qPrintable(backup.error()));
    QCOMPARE(checksums(app.db), before);
    QCOMPARE(content(app.db), contentBefore);
    QCOMPARE(leftovers(app.db), QStringList());
    // The tool says so in Hungarian, and fails.
    QProcess p;
    p.start(toolPath(),
            {QStringLiteral("--restore"), bad, QStringLiteral("--socket"), TestDb::socket(), QStringLiteral("--user"),
                    QStringLiteral("root"), QStringLiteral("--database"), app.db.name()});
    QVERIFY(p.waitForFinished(-1));
    QCOMPARE(p.exitCode(), 1);
    const QString said = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(
            said.startsWith(QStringLiteral("vello-backup: a visszaállítás nem történt meg: ") + why), qPrintable(said));
    QCOMPARE(checksums(app.db), before);
    QCOMPARE(leftovers(app.db), QStringList());
}

// A dump whose counters are behind the live ones would issue ticket and
// delivery-note numbers again: refused, unless forced.
void TestBackup::olderDumpIsRefusedWithoutForce()
{
    TestApp app;
    fill(app.db);
    app.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '120' WHERE sKod = 'J'"));
    app.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '40' WHERE sKod = 'S'"));
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString old = backup.dump(dir.path());
    QVERIFY2(!old.isEmpty(), qPrintable(backup.error()));
    const QStringList atDump = content(app.db);
    // Since the dump: tickets 121..135 and delivery note 41.
    app.db.exec(QStringLiteral(
            "INSERT INTO vello (jBszam, jMozgas, jDatum, jTkod) VALUES ('135', 'K', '2026-04-03', '1')"));
    app.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '135' WHERE sKod = 'J'"));
    app.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '41' WHERE sKod = 'S'"));
    const QStringList before = checksums(app.db);
    const QStringList liveContent = content(app.db);

    QVERIFY(!backup.restore(old));
    QVERIFY2(backup.error().contains(QStringLiteral("mérlegjegy (J) 121–135")), qPrintable(backup.error()));
    QVERIFY2(backup.error().contains(QStringLiteral("szállítólevél (S) 41–41")), qPrintable(backup.error()));
    QVERIFY2(backup.error().contains(QStringLiteral("--force")), qPrintable(backup.error()));
    QVERIFY(!backup.error().contains(QStringLiteral("mérés (M)")));
    QCOMPARE(checksums(app.db), before);
    QCOMPARE(leftovers(app.db), QStringList());

    // Forced through the tool: restored, the numbers named, the newer
    // tables kept in a dated database.
    QProcess p;
    p.start(toolPath(),
            {QStringLiteral("--restore"), old, QStringLiteral("--force"), QStringLiteral("--socket"), TestDb::socket(),
                    QStringLiteral("--user"), QStringLiteral("root"), QStringLiteral("--database"), app.db.name()});
    QVERIFY(p.waitForFinished(-1));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    const QString said = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(said.startsWith(QStringLiteral("A visszaállítás megtörtént: ")), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("újra kiadásra kerülnek: mérlegjegy (J) 121–135")), qPrintable(said));
    QCOMPARE(content(app.db), atDump);
    const QStringList kept = databases(app.db, app.db.name() + QStringLiteral("_regi_"));
    QCOMPARE(kept.size(), 1);
    QVERIFY2(said.contains(kept.first()), qPrintable(said));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM `%1`.sorszam WHERE sKod = 'J'").arg(kept.first()))
                     .toString(),
            QStringLiteral("135"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.vello").arg(kept.first())).toInt(),
            liveContent.filter(QStringLiteral("vello:")).size());
    QCOMPARE(databases(app.db, app.db.name() + QStringLiteral("_uj_")), QStringList());
    dropDatabases(app.db, kept);
}

void TestBackup::goodDumpRestoresAndTheProgramRunsOnIt()
{
    TestApp app;
    fill(app.db);
    const QStringList atDump = content(app.db);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString path = backup.dump(dir.path());
    QVERIFY2(!path.isEmpty(), qPrintable(backup.error()));
    // Rows lost since (the counters did not move).
    app.db.exec(QStringLiteral("DELETE FROM vello WHERE jBszam IN ('1', '2')"));
    app.db.exec(QStringLiteral("DELETE FROM termeny"));
    QVERIFY2(backup.restore(path), qPrintable(backup.error()));
    QCOMPARE(content(app.db), atDump);
    QVERIFY(backup.report().first().startsWith(QStringLiteral("A visszaállítás megtörtént: ")));
    QVERIFY2(backup.report().join(QLatin1Char(' ')).contains(QStringLiteral("vello 11")),
            qPrintable(backup.report().join(' ')));
    QVERIFY(!backup.keptDatabase().isEmpty());
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.termeny").arg(backup.keptDatabase())).toInt(), 0);
    QCOMPARE(leftovers(app.db), QStringList {backup.keptDatabase()});

    // The program works on the restored tables: a fresh data module opens
    // them and an archiving run goes through.
    DataModule data(app.db.settings());
    data.open();
    ScriptedPrompt prompt;
    AppContext ctx(data, prompt);
    Archiving run(ctx);
    QCOMPARE(run.ticketsUpTo(cutOff()), 4);
    QVERIFY(run.run(cutOff()));
    QCOMPARE(app.db.count(QStringLiteral("archiv")), 5);
    QVERIFY(prompt.shownTexts().isEmpty());
    dropDatabases(app.db, {backup.keptDatabase()});
}

namespace {

// Five entries of the alibi log, the first two linked to pending weighing 7
// and carried to ticket "12".
void fillLog(DataModule& data)
{
    AlibiLog log(data, QStringLiteral("merleghaz"));
    for (int i = 1; i <= 5; ++i) {
        AlibiLog::Reading r;
        r.kg = 1000 * i;
        r.digits = QString::number(1000 * i);
        r.port = QStringLiteral("/dev/ttyS0");
        r.rawFrame = QStringLiteral("ST,GS,+  %1kg\r\n").arg(1000 * i);
        log.append(r);
    }
    log.link(1, 7, 1, AlibiLog::In);
    log.link(2, 7, 1, AlibiLog::Out);
    // the ticket's links as a log holds them (written as root)
    data.ZQ10.run(QStringLiteral("INSERT INTO `%1`.kapcsolat (nr, IDm, bszam, hely, irany) SELECT nr, IDm, '12', hely, "
                                 "irany FROM `%1`.kapcsolat WHERE IDm = 7")
                          .arg(log.database()));
}

QString runTool(const QStringList& args, int* code)
{
    QProcess p;
    p.start(toolPath(), args);
    p.waitForFinished(-1);
    *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

}   // namespace

// The register put back from its dump: the live alibi log stays exactly as
// it was, with the entries written after the dump, and says so.
void TestBackup::registerRestoreLeavesTheLiveLog()
{
    TestApp app;
    fill(app.db);
    fillLog(app.data);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString path = backup.dump(dir.path());
    QVERIFY2(!path.isEmpty(), qPrintable(backup.error()));
    // weighed after the dump
    AlibiLog log(app.data);
    AlibiLog::Reading typed;
    typed.source = AlibiEntry::Typed;
    typed.kg = 6000;
    log.link(log.append(typed), 8, 1, AlibiLog::In);
    const QStringList liveLog = logContent(app.db);
    QCOMPARE(liveLog.size(), 6 + 5);
    app.db.exec(QStringLiteral("DELETE FROM termeny"));

    QVERIFY2(backup.restore(path), qPrintable(backup.error()));
    QCOMPARE(logContent(app.db), liveLog);
    QCOMPARE(log.verify().verified, 6);
    QVERIFY(app.db.count(QStringLiteral("termeny")) > 0);
    QVERIFY2(backup.report()
                     .join(QLatin1Char(' '))
                     .contains(QStringLiteral("Az alibi napló (%1) nem változott")
                                       .arg(AlibiLog::databaseFor(app.db.name()))),
            qPrintable(backup.report().join(QLatin1Char(' '))));
    // only the register's tables were kept aside
    QCOMPARE(leftovers(app.db), QStringList {backup.keptDatabase()});
    QVERIFY(!backup.keptDatabase().contains(QLatin1String("alibi")));
    dropDatabases(app.db, {backup.keptDatabase()});
}

void TestBackup::restoreIssuesNoWeighingIdTheLogLinks_data()
{
    QTest::addColumn<bool>("force");
    QTest::newRow("plain") << false;
    QTest::newRow("--force") << true;
}

// A vehicle weighed in after the dump: its pending weighing's id is linked
// in the live log. Once the dump is back, the next pending weighing gets an
// id the log links to nothing, so no ticket is ever linked to the entries
// of two vehicles; the report says where the ids go on from.
void TestBackup::restoreIssuesNoWeighingIdTheLogLinks()
{
    QFETCH(bool, force);
    TestApp app;
    fill(app.db);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString path = backup.dump(dir.path());
    QVERIFY2(!path.isEmpty(), qPrintable(backup.error()));
    app.db.exec(QStringLiteral("INSERT INTO meres (mBszam, mMozgas) VALUES ('', 'B')"));
    app.db.exec(QStringLiteral("INSERT INTO meres (mBszam, mMozgas) VALUES ('', 'B')"));
    const qint64 weighedIn = app.db.scalar(QStringLiteral("SELECT MAX(IDm) FROM meres")).toLongLong();
    AlibiLog log(app.data);
    AlibiLog::Reading typed;
    typed.source = AlibiEntry::Typed;
    typed.kg = 6000;
    log.link(log.append(typed), weighedIn, 1, AlibiLog::In);
    const QStringList liveLog = logContent(app.db);

    QVERIFY2(backup.restore(path, force), qPrintable(backup.error()));
    QCOMPARE(logContent(app.db), liveLog);
    QVERIFY(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM meres WHERE IDm >= %1").arg(weighedIn)).toInt() == 0);
    app.db.exec(QStringLiteral("INSERT INTO meres (mBszam, mMozgas) VALUES ('', 'B')"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT MAX(IDm) FROM meres")).toLongLong(), weighedIn + 1);
    QVERIFY2(backup.report()
                     .join(QLatin1Char(' '))
                     .contains(QStringLiteral("A mérések azonosítói a(z) %1. számtól folytatódnak").arg(weighedIn + 1)),
            qPrintable(backup.report().join(QLatin1Char(' '))));

    // A second restore of the same dump: the ids are already past the log's.
    dropDatabases(app.db, {backup.keptDatabase()});
    QVERIFY2(backup.restore(path, force), qPrintable(backup.error()));
    app.db.exec(QStringLiteral("INSERT INTO meres (mBszam, mMozgas) VALUES ('', 'B')"));
    QVERIFY(app.db.scalar(QStringLiteral("SELECT MAX(IDm) FROM meres")).toLongLong() > weighedIn);
    dropDatabases(app.db, {backup.keptDatabase()});
}

// The backup button runs as the program's user, with exactly the program's
// rights (and the log's): that is enough for its dump. Its password
// reaches mariadb-dump alone, never gzip (nor does a MYSQL_PWD of the
// caller's environment).
void TestBackup::programsUserDumpsTheLog()
{
    TestApp app;
    fill(app.db);
    fillLog(app.data);
    const QString user = QStringLiteral("bk") + QString::number(QCoreApplication::applicationPid());
    app.db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(user));
    app.db.exec(QStringLiteral("CREATE USER '%1'@'localhost' IDENTIFIED BY 'mentes-jelszo'").arg(user));
    QSqlDatabase admin = app.db.admin();
    Schema::grantProgramAccount(admin, app.db.name(), user, QStringLiteral("localhost"));
    AlibiSchema::grantProgramUser(admin, app.db.name(), user, {QStringLiteral("localhost")});
    ConnectionSettings s = app.db.settings();
    s.user = user;
    s.password = QStringLiteral("mentes-jelszo");
    // a gzip that notes what it was handed
    QTemporaryDir bin;
    const QString seen = bin.filePath(QStringLiteral("gzip-env"));
    {
        QFile g(bin.filePath(QStringLiteral("gzip")));
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write(QStringLiteral("#!/bin/sh\nenv | grep MYSQL_PWD >> '%1'\nexec /bin/gzip \"$@\"\n").arg(seen).toUtf8());
        g.close();
        QVERIFY(g.setPermissions(QFileDevice::Permissions(0x7700)));
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    qputenv("MYSQL_PWD", "kornyezet-jelszo");
    QTemporaryDir dir;
    DatabaseBackup backup(s);
    const QString dumped = backup.dump(dir.path());
    qputenv("PATH", path);
    qunsetenv("MYSQL_PWD");
    app.db.exec(QStringLiteral("DROP USER '%1'@'localhost'").arg(user));
    QVERIFY2(!dumped.isEmpty(), qPrintable(backup.error()));
    QFile env(seen);
    QVERIFY2(env.open(QIODevice::ReadOnly), "gzip did not run");   // it ran, and was handed no password
    QCOMPARE(env.readAll(), QByteArray());
    const QByteArray log = gunzip(backup.alibiFile());
    QVERIFY(log.contains("INSERT INTO `naplo`"));
    QVERIFY(log.contains("INSERT INTO `kapcsolat`"));
    QVERIFY(log.trimmed().split('\n').last().startsWith("-- Dump completed"));
}

void TestBackup::logDumpPutsBackWhatWasLost_data()
{
    QTest::addColumn<QString>("loss");
    QTest::addColumn<bool>("keptAside");   // live tables were there to keep
    QTest::newRow("log database lost") << QStringLiteral("DROP DATABASE %1") << false;
    QTest::newRow("log tables lost") << QStringLiteral("DROP TABLE %1.naplo, %1.kapcsolat, %1.zar") << false;
    QTest::newRow("log cut short") << QStringLiteral("DELETE FROM %1.naplo WHERE nr > 3") << true;
    QTest::newRow("log emptied") << QStringLiteral("DELETE FROM %1.naplo") << true;
    QTest::newRow("links lost") << QStringLiteral("DELETE FROM %1.kapcsolat") << true;
}

// A log that lost entries (a disk failure, a careless administrator) comes
// back from its dump whole: every entry the live one still had is in the
// dump, so nothing is lost by it; the chain checks out afterwards.
void TestBackup::logDumpPutsBackWhatWasLost()
{
    QFETCH(QString, loss);
    QFETCH(bool, keptAside);
    TestApp app;
    fill(app.db);
    fillLog(app.data);
    const QStringList atDump = logContent(app.db);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    QVERIFY2(!backup.dump(dir.path()).isEmpty(), qPrintable(backup.error()));
    const QString logFile = backup.alibiFile();
    QVERIFY(QFileInfo(logFile).isFile());
    const QString alibi = QStringLiteral("`%1`").arg(AlibiLog::databaseFor(app.db.name()));
    app.db.exec(loss.arg(alibi));
    const QStringList registerBefore = checksums(app.db);

    int code = -1;
    const QString said = runTool(
            {QStringLiteral("--restore"), logFile, QStringLiteral("--socket"), TestDb::socket(),
                    QStringLiteral("--user"), QStringLiteral("root"), QStringLiteral("--database"), app.db.name()},
            &code);
    QVERIFY2(code == 0, qPrintable(said));
    QVERIFY2(said.startsWith(QStringLiteral("A visszaállítás megtörtént: %1 -> %2 adatbázis.")
                                     .arg(logFile, AlibiLog::databaseFor(app.db.name()))),
            qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("vello-alibi verify")), qPrintable(said));
    QCOMPARE(logContent(app.db), atDump);
    QCOMPARE(checksums(app.db), registerBefore);   // the register untouched
    AlibiLog log(app.data);
    const AlibiLog::Verification v = log.verify();
    QVERIFY(v.ok());
    QCOMPARE(v.verified, 5);
    QCOMPARE(log.append(AlibiLog::Reading {}), 6);   // and it goes on growing
    const QStringList kept = leftovers(app.db);
    QCOMPARE(kept.size(), keptAside ? 1 : 0);
    if (keptAside) {
        QVERIFY(kept.first().startsWith(AlibiLog::databaseFor(app.db.name()) + QStringLiteral("_regi_")));
        QVERIFY2(said.contains(kept.first()), qPrintable(said));
    }
    dropDatabases(app.db, kept);
}

void TestBackup::logDumpNeverReplacesANewerLog_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("lost");   // what the message names
    QTest::newRow("entries appended since") << QStringLiteral("append") << QStringLiteral("2 bejegyzése");
    QTest::newRow("a weighing carried to its ticket since")
            << QStringLiteral("carry") << QStringLiteral("2 hivatkozása");
    QTest::newRow("a live entry changed by root")
            << QStringLiteral("UPDATE %1.naplo SET suly = 9999 WHERE nr = 2") << QStringLiteral("1 bejegyzése");
}

// The log only grows: a dump that lacks anything the live log holds is
// refused, with or without --force, and the live log is left as it was.
void TestBackup::logDumpNeverReplacesANewerLog()
{
    QFETCH(QString, change);
    QFETCH(QString, lost);
    TestApp app;
    fill(app.db);
    fillLog(app.data);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    QVERIFY2(!backup.dump(dir.path()).isEmpty(), qPrintable(backup.error()));
    const QString logFile = backup.alibiFile();
    AlibiLog log(app.data);
    if (change == QLatin1String("append")) {
        log.append(AlibiLog::Reading {});
        log.append(AlibiLog::Reading {});
    } else if (change == QLatin1String("carry")) {
        log.link(3, 9, 1, AlibiLog::In);
        app.db.exec(QStringLiteral("INSERT INTO `%1`.kapcsolat (nr, IDm, bszam, hely, irany) VALUES (3, 9, '13', 1, "
                                   "'B')")
                            .arg(log.database()));
    } else {
        app.db.exec(change.arg(QStringLiteral("`%1`").arg(AlibiLog::databaseFor(app.db.name()))));
    }
    const QStringList liveLog = logContent(app.db);

    for (bool force : {false, true}) {
        QVERIFY(!backup.restore(logFile, force));
        QVERIFY2(backup.error().contains(QStringLiteral("%1 nincs meg a mentésben").arg(lost)),
                qPrintable(backup.error()));
        QVERIFY2(backup.error().endsWith(QStringLiteral("Az alibi napló nem változott.")), qPrintable(backup.error()));
        QCOMPARE(logContent(app.db), liveLog);
        QCOMPARE(leftovers(app.db), QStringList());
    }
    int code = -1;
    const QString said = runTool({QStringLiteral("--restore"), logFile, QStringLiteral("--force"),
                                         QStringLiteral("--socket"), TestDb::socket(), QStringLiteral("--user"),
                                         QStringLiteral("root"), QStringLiteral("--database"), app.db.name()},
            &code);
    QCOMPARE(code, 1);
    QVERIFY2(said.startsWith(QStringLiteral("vello-backup: a visszaállítás nem történt meg: az élő alibi napló")),
            qPrintable(said));
    QCOMPARE(logContent(app.db), liveLog);
    QCOMPARE(leftovers(app.db), QStringList());
}

void TestBackup::adminConnectionFailures_data()
{
    QTest::addColumn<int>("what");
    QTest::addColumn<int>("code");
    QTest::newRow("server not there") << 0 << 2002;
    QTest::newRow("statement refused") << 1 << 1064;
    QTest::newRow("tables of a missing database") << 2 << 1049;
    QTest::newRow("column of a missing table") << 3 << 1146;
}

// The admin connection reports every failure as DbError with the server's
// code; a clean-up on the way out never throws.
void TestBackup::adminConnectionFailures()
{
    QFETCH(int, what);
    QFETCH(int, code);
    TestApp app;
    ConnectionSettings s = app.db.settings();
    if (what == 0) {
        s.socket = m_home.filePath(QStringLiteral("nincs.sock"));
        s.host = QStringLiteral("localhost");
    }
    try {
        AdminConnection c(s);
        QVERIFY(what != 0);
        QVERIFY(!c.tryExec(QStringLiteral("NOT A STATEMENT")));
        QVERIFY(c.databaseExists(app.db.name()));
        QVERIFY(!c.databaseExists(app.db.name() + QStringLiteral("_nincs")));
        if (what == 1)
            c.exec(QStringLiteral("NOT A STATEMENT"));
        else if (what == 2)
            c.tables(app.db.name() + QStringLiteral("_nincs"));
        else
            c.column(QStringLiteral("SELECT 1 FROM %1.nincs").arg(AdminConnection::quoted(app.db.name())));
        QFAIL("no DbError");
    } catch (const DbError& e) {
        QCOMPARE(e.code(), code);
        QVERIFY(!e.text().isEmpty());
    }
}

namespace {

// The accounts a restore made for its loads and left behind.
int loadAccounts(const TestDb& db)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE User LIKE 'vello\\_tolt\\_%'")).toInt();
}

int modeOf(const QString& path)
{
    struct stat st { };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

}   // namespace

void TestBackup::hostileDumpChangesNothing_data()
{
    // %1 a file the dump tries to make, %2 another database, %3 the alibi
    // log, %4 an account name
    QTest::addColumn<QByteArray>("hostile");
    QTest::addColumn<bool>("wholeDump");   // before a real dump's closing line, or ten lines of their own
    QTest::newRow("shell escape") << QByteArray("\\! touch %1\n") << true;
    QTest::newRow("system command") << QByteArray("system touch %1\n") << true;
    QTest::newRow("USE of another database")
            << QByteArray("USE `%2`;\nDROP TABLE t;\nCREATE TABLE u (x INT);\n") << true;
    QTest::newRow("another database named") << QByteArray("DROP TABLE `%2`.t;\nCREATE TABLE `%2`.u (x INT);\n") << true;
    QTest::newRow("account and grant") << QByteArray(
            "CREATE USER '%4'@'localhost';\nGRANT ALL PRIVILEGES ON *.* TO '%4'@'localhost';\n")
                                       << true;
    QTest::newRow("the alibi log rewritten")
            << QByteArray("UPDATE `%3`.naplo SET suly = 40000 WHERE nr = 1;\nINSERT INTO `%3`.kapcsolat (IDh, nr, "
                          "IDm, hely, irany) VALUES (1, 5, 1, 1, 'B');\n")
            << true;
    QTest::newRow("ten lines with a closing line")
            << QByteArray("\\! touch %1\nsystem touch %1\nDROP TABLE `%2`.t;\nCREATE USER '%4'@'localhost';\n"
                          "UPDATE `%3`.naplo SET suly = 40000;\nUSE `%2`;\nCREATE TABLE u (x INT);\n")
            << false;
}

// A dump made by hand to do harm: the restore refuses it, runs nothing on
// this machine, and leaves every database and account as it was.
void TestBackup::hostileDumpChangesNothing()
{
    QFETCH(QByteArray, hostile);
    QFETCH(bool, wholeDump);
    TestApp app;
    fill(app.db);
    fillLog(app.data);
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString good = backup.dump(dir.path());
    QVERIFY2(!good.isEmpty(), qPrintable(backup.error()));
    const QString other = QStringLiteral("o") + app.db.name();
    const QString evil = QStringLiteral("gonosz") + QString::number(QCoreApplication::applicationPid());
    app.db.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(other));
    app.db.exec(QStringLiteral("CREATE DATABASE `%1`").arg(other));
    app.db.exec(QStringLiteral("CREATE TABLE `%1`.t (x INT)").arg(other));
    app.db.exec(QStringLiteral("INSERT INTO `%1`.t VALUES (1)").arg(other));
    const QString marker = dir.filePath(QStringLiteral("megtortent"));
    const QByteArray lines
            = QString::fromUtf8(hostile).arg(marker, other, AlibiLog::databaseFor(app.db.name()), evil).toUtf8();
    QByteArray text = gunzip(good);
    const int closing = text.lastIndexOf("-- Dump completed");
    QVERIFY(closing > 0);
    text = wholeDump ? text.left(closing) + lines + text.mid(closing)
                     : lines + "-- Dump completed on 2026-12-10 10:00:00\n";
    const QString bad = dir.filePath(QStringLiteral("kezzel.sql.gz"));
    gzipTo(text, bad);
    const QStringList before = checksums(app.db);
    const QStringList logBefore = logContent(app.db);

    QVERIFY(!backup.restore(bad));
    QVERIFY2(!backup.error().isEmpty(), qPrintable(backup.error()));
    QVERIFY2(!QFileInfo::exists(marker), "a command of the dump ran on this machine");
    QCOMPARE(checksums(app.db), before);
    QCOMPARE(logContent(app.db), logBefore);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.t").arg(other)).toInt(), 1);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1'")
                                   .arg(other))
                     .toInt(),
            1);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE User = '%1'").arg(evil)).toInt(), 0);
    QCOMPARE(loadAccounts(app.db), 0);
    QCOMPARE(leftovers(app.db), QStringList());
    app.db.exec(QStringLiteral("DROP DATABASE `%1`").arg(other));
    app.db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(evil));
}

void TestBackup::olderDumpGetsTheCodeKeys_data()
{
    QTest::addColumn<bool>("twice");   // a code held by two rows in the dump
    QTest::newRow("keys added in the scratch copy") << false;
    QTest::newRow("codes held twice: refused") << true;
}

// A dump of a database from before the unique code keys: restored with the
// keys (as the upgrade gives them), or refused when its codes cannot have
// them; the live database never loses its keys.
void TestBackup::olderDumpGetsTheCodeKeys()
{
    QFETCH(bool, twice);
    TestApp app;
    fill(app.db);
    // the older tables: plain keys on the codes, counters without a primary key
    for (const Schema::CodeKey& k : Schema::codeKeys()) {
        if (k.idColumn.isEmpty())
            app.db.exec(QStringLiteral("ALTER TABLE sorszam DROP PRIMARY KEY, MODIFY sKod VARCHAR(1) NULL, "
                                       "ADD KEY sorszam_kod (sKod)"));
        else
            app.db.exec(QStringLiteral("ALTER TABLE %1 DROP KEY %2, ADD KEY %2 (%3)").arg(k.table, k.index, k.column));
    }
    if (twice)
        app.db.exec(QStringLiteral("INSERT INTO termeny (tKod, tMegnev) SELECT tKod, 'Másik' FROM termeny LIMIT 1"));
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString old = backup.dump(dir.path());
    QVERIFY2(!old.isEmpty(), qPrintable(backup.error()));
    if (twice)
        app.db.exec(QStringLiteral("DELETE FROM termeny WHERE tMegnev = 'Másik'"));
    QSqlDatabase admin = app.db.admin();
    Schema::addCodeKeys(admin, app.db.name());   // the live database is upgraded
    const QStringList before = checksums(app.db);

    const bool restored = backup.restore(old);
    const QString uniqueKeys = QStringLiteral(
            "SELECT COUNT(DISTINCT TABLE_NAME) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = '%1' "
            "AND NON_UNIQUE = 0 AND INDEX_NAME IN ('rendszam_kod', 'termelo_kod', 'termeny_kod', 'raktar_kod', "
            "'PRIMARY') AND TABLE_NAME IN ('rendszam', 'termelo', 'termeny', 'raktar', 'sorszam')")
                                       .arg(app.db.name());
    QCOMPARE(app.db.scalar(uniqueKeys).toInt(), 5);
    if (twice) {
        QVERIFY(!restored);
        QVERIFY2(backup.error().contains(QStringLiteral("termeny.tKod")), qPrintable(backup.error()));
        QCOMPARE(checksums(app.db), before);
        QCOMPARE(leftovers(app.db), QStringList());
        return;
    }
    QVERIFY2(restored, qPrintable(backup.error()));
    QVERIFY2(backup.report().join(QLatin1Char(' ')).contains(QStringLiteral("egyedi kulcsot kaptak")),
            qPrintable(backup.report().join(QLatin1Char(' '))));
    dropDatabases(app.db, {backup.keptDatabase()});
}

void TestBackup::restoreKnowsTheVoids_data()
{
    QTest::addColumn<QString>("dumped");   // what the dump holds of the voids
    QTest::addColumn<QString>("error");   // the start of the refusal; empty: restored
    QTest::newRow("older dump without the table: made empty, the live voids go") << "none" << QString();
    QTest::newRow("voids with their tickets") << "kept" << QString();
    QTest::newRow("a void without its ticket: refused") << "lost" << QStringLiteral("a mentés nem egész");
    QTest::newRow("a reissue without its new ticket: refused") << "lostNew" << QStringLiteral("a mentés nem egész");
}

// The restore and the voided tickets: a dump from before they were kept
// gets the empty table (the live voids never stay to void restored tickets
// of the same numbers), the voids of a dump come back with it, and a dump
// whose void names a ticket it lacks is refused with the live data kept.
void TestBackup::restoreKnowsTheVoids()
{
    QFETCH(QString, dumped);
    QFETCH(QString, error);
    TestApp app;
    fill(app.db);
    const QString voidOf = QStringLiteral("INSERT INTO sztorno (zBszam, zIdo, zOk, zHelyette) VALUES ('%1', "
                                          "'2026-03-20 10:00:00', 'rossz termény', %2)");
    if (dumped == QLatin1String("none"))
        app.db.exec(QStringLiteral("DROP TABLE sztorno"));
    else if (dumped == QLatin1String("kept"))
        app.db.exec(voidOf.arg(QStringLiteral("1"), QStringLiteral("'2'")));
    else if (dumped == QLatin1String("lost"))
        app.db.exec(voidOf.arg(QStringLiteral("65"), QStringLiteral("NULL")));
    else
        app.db.exec(voidOf.arg(QStringLiteral("1"), QStringLiteral("'78'")));
    QTemporaryDir dir;
    DatabaseBackup backup(app.db.settings());
    const QString file = backup.dump(dir.path());
    QVERIFY2(!file.isEmpty(), qPrintable(backup.error()));
    // the live database as it is now: upgraded, ticket 3 voided here only
    QSqlDatabase admin = app.db.admin();
    Schema::addVoidTable(admin, app.db.name());
    app.db.exec(QStringLiteral("DELETE FROM sztorno"));
    app.db.exec(voidOf.arg(QStringLiteral("3"), QStringLiteral("NULL")));
    const QStringList before = checksums(app.db);

    const bool restored = backup.restore(file);
    if (!error.isEmpty()) {
        QVERIFY2(!restored, qPrintable(backup.report().join(QLatin1Char(' '))));
        QVERIFY2(backup.error().startsWith(error), qPrintable(backup.error()));
        QCOMPARE(checksums(app.db), before);
        QCOMPARE(leftovers(app.db), QStringList());
        return;
    }
    QVERIFY2(restored, qPrintable(backup.error()));
    const QString voids
            = app.db.scalar("SELECT COALESCE(GROUP_CONCAT(zBszam ORDER BY zBszam), '') FROM sztorno").toString();
    const QString report = backup.report().join(QLatin1Char(' '));
    if (dumped == QLatin1String("none")) {
        QCOMPARE(voids, QString());
        QVERIFY2(report.contains(QStringLiteral("sztorno")), qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("sztorno 0")), qPrintable(report));
    } else {
        QCOMPARE(voids, QStringLiteral("1"));
        QVERIFY2(!report.contains(QStringLiteral("üresen készült el")), qPrintable(report));
    }
    dropDatabases(app.db, {backup.keptDatabase()});
}

// The dumps hold every ticket: 0600 files in a 0700 folder, written through
// a file of their own, so a link planted under a name the dump might use
// redirects nothing.
void TestBackup::dumpFilesAreTheOwnersAlone()
{
    TestApp app;
    fill(app.db);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("mentesek"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7755)));
    QCOMPARE(modeOf(folder), 0755);
    // links under every name a dump of the next seconds could take
    const QString victim = dir.filePath(QStringLiteral("aldozat"));
    {
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("eredeti\n");
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 30; ++i)
        for (const QString& db : {app.db.name(), AlibiLog::databaseFor(app.db.name())})
            QFile::link(victim, QDir(folder).filePath(DatabaseBackup::fileName(db, now.addSecs(i)) + ".part"));
    DatabaseBackup backup(app.db.settings());
    const QString path = backup.dump(folder);
    QVERIFY2(!path.isEmpty(), qPrintable(backup.error()));
    QCOMPARE(modeOf(folder), 0700);
    QCOMPARE(modeOf(path), 0600);
    QCOMPARE(modeOf(backup.alibiFile()), 0600);
    QFile v(victim);
    QVERIFY(v.open(QIODevice::ReadOnly));
    QCOMPARE(v.readAll(), QByteArray("eredeti\n"));
    // a folder the dump makes is 0700 from the start
    const QString fresh = dir.filePath(QStringLiteral("uj/mentes"));
    QVERIFY2(!backup.dump(fresh).isEmpty(), qPrintable(backup.error()));
    QCOMPARE(modeOf(fresh), 0700);
    QCOMPARE(QDir(fresh).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
