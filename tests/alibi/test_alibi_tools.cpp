#include "alibi/alibischema.h"
#include "alibifixture.h"
#include "data/dberror.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTest>

using namespace alibitest;

namespace {

QStringList serverArgs()
{
    return {QStringLiteral("--socket"), TestDb::socket()};
}

// A user of the test server, dropped again at the end.
struct TestUser {
    const TestDb& db;
    QString name;
    explicit TestUser(const TestDb& d) : db(d), name(d.name() + QStringLiteral("_u"))
    {
        for (const char* host : {"localhost", "127.0.0.1"})
            db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(name, QLatin1String(host)));
    }
    ~TestUser()
    {
        for (const char* host : {"localhost", "127.0.0.1"})
            db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(name, QLatin1String(host)));
    }
};

}   // namespace

class TestAlibiTools : public QObject {
    Q_OBJECT
private slots:
    // vello-alibi verify: the count of an intact chain (exit 0); after a
    // change with the server's root user the changed entry (exit 1).
    void verifyTool()
    {
        TestApp app;
        AlibiLog log(app.data);
        const QStringList args = QStringList {QStringLiteral("verify"), QStringLiteral("--user"),
                                         QStringLiteral("root"), QStringLiteral("--database"), app.db.name()}
                + serverArgs();
        ToolRun r = runTool(QStringLiteral("vello-alibi"), args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("vello-alibi: a napló ép: 0 bejegyzés ellenőrizve.\n"));
        for (int i = 1; i <= 12; ++i)
            log.append(scaleReading(500 * i));
        r = runTool(QStringLiteral("vello-alibi"), args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("vello-alibi: a napló ép: 12 bejegyzés ellenőrizve.\n"));

        app.db.exec(QStringLiteral("UPDATE %1 SET suly = 100 WHERE nr = 7").arg(naplo(app.db)));
        r = runTool(QStringLiteral("vello-alibi"), args);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out,
                QStringLiteral("vello-alibi: a napló sérült: a(z) 7. bejegyzés láncértéke nem egyezik (előtte 6 "
                               "bejegyzés ép).\n"));

        app.db.exec(QStringLiteral("DELETE FROM %1 WHERE nr = 3").arg(naplo(app.db)));
        r = runTool(QStringLiteral("vello-alibi"), args);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out,
                QStringLiteral("vello-alibi: a napló sérült: a(z) 4. bejegyzés előtt hiányzik a(z) 3. (előtte 2 "
                               "bejegyzés ép).\n"));
    }

    // vello-alibi show N: the entry's fields, whether its chain value
    // matches, its pending weighing and its ticket.
    void showTool()
    {
        TestApp app;
        AlibiLog log(app.data, QStringLiteral("mérlegház-1"));
        log.append(typedReading(100));
        const qint64 nr = log.append(scaleReading(12340));
        log.link(nr, 31, 2, AlibiLog::Out);
        oldTicketLinks(app.data, app.db, 31, QStringLiteral("1207"));
        const QStringList base = QStringList {QStringLiteral("--user"), QStringLiteral("root"),
                                         QStringLiteral("--database"), app.db.name()}
                + serverArgs();
        ToolRun r = runTool(
                QStringLiteral("vello-alibi"), QStringList {QStringLiteral("show"), QStringLiteral("2")} + base);
        QCOMPARE(r.exitCode, 0);
        const AlibiEntry e = *log.entry(2);
        const QString expected = QStringLiteral("2. bejegyzés\n"
                                                "  idő:                %1\n"
                                                "  munkaállomás:       mérlegház-1\n"
                                                "  forrás:             mérleg\n"
                                                "  súly:               12340.000\n"
                                                "  átvett számjegyek:  012340\n"
                                                "  mérleg állapota:    ST\n"
                                                "  port:               /dev/ttyS0\n"
                                                "  nyers keret:        ST,GS,+  012340kg\\x0D\\x0A\n"
                                                "  láncérték:          %2 (egyezik)\n"
                                                "Függő mérés: 31, mérés: 2 (pót), kimérés (K)\n"
                                                "Mérlegjegy: 1207 (függő mérés: 31), mérés: 2 (pót), kimérés (K)\n")
                                         .arg(e.time, QString::fromLatin1(e.chain));
        QCOMPARE(r.out, expected);

        r = runTool(QStringLiteral("vello-alibi"), QStringList {QStringLiteral("show"), QStringLiteral("1")} + base);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("  forrás:             kézi\n")));
        QVERIFY(r.out.endsWith(QStringLiteral("Nem tartozik méréshez.\n")));

        app.db.exec(QStringLiteral("UPDATE %1 SET gep = 'x' WHERE nr = 2").arg(naplo(app.db)));
        r = runTool(QStringLiteral("vello-alibi"), QStringList {QStringLiteral("show"), QStringLiteral("2")} + base);
        QVERIFY(r.out.contains(QStringLiteral(" (NEM EGYEZIK!)\n")));

        r = runTool(QStringLiteral("vello-alibi"), QStringList {QStringLiteral("show"), QStringLiteral("3")} + base);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("vello-alibi: nincs 3. számú bejegyzés a naplóban")));
    }

    // What vello-alibi refuses, and says so (in Hungarian) before it reaches
    // the server; the help; a log that cannot be read.
    void toolArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");   // on the standard error
        QTest::newRow("nothing") << QStringList() << 2 << "adja meg, mit tegyen: verify vagy show N";
        QTest::newRow("unknown command") << QStringList {"check"} << 2 << "ismeretlen parancs: „check”";
        QTest::newRow("show without number") << QStringList {"show"} << 2 << "a show után a bejegyzés száma áll";
        QTest::newRow("show with a word") << QStringList {"show", "x"} << 2 << "a show után a bejegyzés száma áll";
        QTest::newRow("show zero") << QStringList {"show", "0"} << 2 << "a show után a bejegyzés száma áll";
        QTest::newRow("show two numbers") << QStringList {"show", "1", "2"} << 2 << "a show N után nem áll más: „2”";
        QTest::newRow("verify with more") << QStringList {"verify", "1"} << 2 << "a verify után nem áll más: „1”";
        QTest::newRow("unknown option") << QStringList {"verify", "--nincs"} << 2 << "ismeretlen kapcsoló: --nincs";
        QTest::newRow("value missing") << QStringList {"verify", "--socket"} << 2
                                       << "a --socket kapcsoló után hiányzik az érték (ÚTVONAL)";
        QTest::newRow("port a word") << QStringList {"verify", "--port", "x"} << 2
                                     << "a --port értéke 1 és 65535 közötti szám, nem „x”";
        QTest::newRow("help") << QStringList {"--help"} << 0 << QString();
        QTest::newRow("no such database")
                << (QStringList {"verify", "--user", "root", "--database", "nincs_ilyen"} + serverArgs()) << 3
                << "vello-alibi: az alibi napló nem olvasható: ";
    }
    void toolArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const ToolRun r = runTool(QStringLiteral("vello-alibi"), args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        if (exitCode == 2)   // and where the help is
            QVERIFY2(r.err.endsWith(QStringLiteral("A használat leírása: vello-alibi --help\n")), qPrintable(r.err));
        if (exitCode == 0) {
            for (const char* s : {"Használat: vello-alibi verify", "vello-alibi show N", "--socket ÚTVONAL",
                         "--database NÉV", "NÉV_alibi", "Kilépési kód"})
                QVERIFY2(r.out.contains(QString::fromUtf8(s)), s);
        }
    }

    // The program's user may only add to the log through its routines and
    // read it: an append, a link, a ticket and the checks work over its own
    // connection; changing or removing an entry or a link, or dropping the
    // log, is refused.
    void programUserCannotChangeTheLog()
    {
        TestApp app;
        TestUser user(app.db);
        // as db/create.sql: everything on the register database, INSERT and
        // SELECT on its alibi log
        for (const char* host : {"localhost", "127.0.0.1"}) {
            app.db.exec(QStringLiteral("CREATE USER '%1'@'%2'").arg(user.name, QLatin1String(host)));
            app.db.exec(QStringLiteral("GRANT ALL PRIVILEGES ON `%1`.* TO '%2'@'%3'")
                                .arg(AlibiSchema::grantPattern(app.db.name()), user.name, QLatin1String(host)));
        }
        QSqlDatabase admin = app.db.admin();
        AlibiSchema::grantProgramUser(admin, app.db.name(), user.name);

        ConnectionSettings s = app.db.settings();
        s.user = user.name;
        DataModule dm(s);
        dm.open();
        AlibiLog log(dm);
        const qint64 nr = log.append(scaleReading(4200));
        log.link(nr, 9, 1, AlibiLog::In);
        const auto [r1, r2] = ticketRows(app.db, QStringLiteral("77"), 4200, 0);
        QCOMPARE(log.recordTicket(9, QStringLiteral("77"), r1, r2).number, 2);
        QCOMPARE(log.verify().verified, 2);
        QCOMPARE(log.linksOfTicket(QStringLiteral("77")).size(), 1);

        const QStringList refused {
                QStringLiteral("UPDATE %1 SET suly = 1 WHERE nr = 1").arg(naplo(app.db)),
                QStringLiteral("DELETE FROM %1 WHERE nr = 1").arg(naplo(app.db)),
                QStringLiteral("UPDATE %1 SET bszam = '1' WHERE nr = 1").arg(kapcsolat(app.db)),
                QStringLiteral("DELETE FROM %1").arg(kapcsolat(app.db)),
                QStringLiteral("TRUNCATE TABLE %1").arg(naplo(app.db)),
                QStringLiteral("DROP TABLE %1").arg(naplo(app.db)),
                QStringLiteral("REPLACE INTO %1 (nr, ido, forras, suly, lanc) VALUES (1, NOW(), 'kézi', 1, '')")
                        .arg(naplo(app.db)),
                QStringLiteral("INSERT INTO %1 (nr, ido, forras, suly, lanc) VALUES (1, NOW(), 'kézi', 1, '') "
                               "ON DUPLICATE KEY UPDATE suly = 1")
                        .arg(naplo(app.db)),
                QStringLiteral("ALTER TABLE %1 ADD COLUMN x INT").arg(naplo(app.db)),
                QStringLiteral("DROP DATABASE `%1`").arg(AlibiLog::databaseFor(app.db.name())),
        };
        for (const QString& sql : refused) {
            bool failed = false;
            try {
                dm.ZQ10.run(sql);
            } catch (const DbError& e) {
                failed = true;
                QVERIFY2(e.code() == 1142 || e.code() == 1044, qPrintable(QStringLiteral("%1: %2").arg(sql, e.text())));
            }
            QVERIFY2(failed, qPrintable(sql));
        }
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT suly FROM %1 WHERE nr = 1").arg(naplo(app.db))).toDouble(),
                4200.0);
        QCOMPARE(app.db.count(kapcsolat(app.db)), 2);
        QVERIFY(log.verify().ok());
    }

    // db/create.sql gives the program's user SELECT and EXECUTE on the log and
    // nothing else, with the database name's underscore escaped.
    void creationScriptGrants()
    {
        QFile f(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/db/create.sql"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList grants;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("GRANT")) && line.contains(QLatin1String("alibi")))
                grants << line;
        QCOMPARE(grants,
                (QStringList {"GRANT SELECT, EXECUTE ON `vello\\_alibi`.* TO 'vello'@'localhost';",
                        "GRANT SELECT, EXECUTE ON `vello\\_alibi`.* TO 'vello'@'127.0.0.1';"}));
        QCOMPARE(AlibiSchema::grantPattern(QStringLiteral("vello_alibi")), QStringLiteral("vello\\_alibi"));
    }

    // vello-create --upgrade adds the log to an existing installation (its
    // tables and the program's user's grants), keeps an existing log as it
    // is, and refuses a database that does not exist.
    void upgradeAddsTheLog()
    {
        TestApp app;
        const QString alibi = AlibiLog::databaseFor(app.db.name());
        app.db.exec(QStringLiteral("DROP DATABASE `%1`").arg(alibi));
        const QStringList args
                = QStringList {QStringLiteral("--upgrade"), QStringLiteral("--database"), app.db.name()} + serverArgs();
        ToolRun r = runTool(QStringLiteral("vello-create"), args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("vello-create: az alibi napló (`%1`) elkészült.\n").arg(alibi));
        QCOMPARE(
                app.db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1'")
                                      .arg(alibi))
                        .toInt(),
                3);
        const QString grant = QStringLiteral("GRANT SELECT, EXECUTE ON `%1`.* TO `vello`@`localhost`")
                                      .arg(AlibiSchema::grantPattern(alibi));
        bool granted = false;
        {
            QSqlQuery q(app.db.admin());
            QVERIFY(q.exec(QStringLiteral("SHOW GRANTS FOR 'vello'@'localhost'")));
            while (q.next())
                granted = granted || q.value(0).toString() == grant;
        }
        QVERIFY(granted);

        // the log is used, then the upgrade runs again: kept as it is
        AlibiLog log(app.data);
        log.append(scaleReading(3000));
        r = runTool(QStringLiteral("vello-create"), args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
                QStringLiteral("vello-create: az alibi napló (`%1`) már megvan; a jogosultságai rendben.\n")
                        .arg(alibi));
        QCOMPARE(log.verify().verified, 1);

        r = runTool(QStringLiteral("vello-create"),
                QStringList {
                        QStringLiteral("--upgrade"), QStringLiteral("--database"), app.db.name() + QStringLiteral("_x")}
                        + serverArgs());
        QCOMPARE(r.exitCode, 3);

        for (const char* host : {"localhost", "127.0.0.1"})
            app.db.exec(QStringLiteral("REVOKE ALL PRIVILEGES ON `%1`.* FROM 'vello'@'%2'")
                                .arg(AlibiSchema::grantPattern(alibi), QLatin1String(host)));
    }

    // A second workstation's user (--allow-host) gets the same SELECT and
    // EXECUTE on the log as the program's user on this machine.
    void allowedHostMayAppend()
    {
        TestApp app;
        // an address of this run's own (the test server resolves no names)
        const qint64 pid = QCoreApplication::applicationPid();
        const QString host = QStringLiteral("10.%1.%2.%3").arg((pid >> 16) & 255).arg((pid >> 8) & 255).arg(pid & 255);
        QTemporaryFile password;
        QVERIFY(password.open());
        password.write("titok\n");
        password.close();
        const ToolRun r = runTool(QStringLiteral("vello-create"),
                QStringList {QStringLiteral("--database"), app.db.name(), QStringLiteral("--allow-host"), host,
                        QStringLiteral("--password-file"), password.fileName()}
                        + serverArgs());
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QStringList grants;
        {
            QSqlQuery q(app.db.admin());
            QVERIFY2(
                    q.exec(QStringLiteral("SHOW GRANTS FOR 'vello'@'%1'").arg(host)), qPrintable(q.lastError().text()));
            while (q.next())
                grants << q.value(0).toString();
        }
        app.db.exec(QStringLiteral("DROP USER 'vello'@'%1'").arg(host));
        QVERIFY2(grants.contains(QStringLiteral("GRANT SELECT, EXECUTE ON `%1`.* TO `vello`@`%2`")
                                         .arg(AlibiSchema::grantPattern(AlibiLog::databaseFor(app.db.name())), host)),
                qPrintable(grants.join(QLatin1String("; "))));
    }
};

QTEST_GUILESS_MAIN(TestAlibiTools)
#include "test_alibi_tools.moc"
