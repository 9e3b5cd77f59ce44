// The alibi log against forgery: what the program's own account can and
// cannot write, what the check finds when the log or a ticket was changed
// behind it, the finalisation's weight check, and an older log brought over
// by the upgrade with its chain unbroken.
#include "alibi/alibischema.h"
#include "alibifixture.h"
#include "data/dberror.h"
#include "data/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace alibitest;

namespace {

// An account with the program's rights on the test database: everything on
// the register, SELECT and EXECUTE on its log; dropped at the end.
struct ProgramAccount {
    const TestDb& db;
    QString name;
    std::unique_ptr<DataModule> data;
    explicit ProgramAccount(const TestDb& d) : db(d), name(d.name() + QStringLiteral("_p"))
    {
        drop();
        for (const char* host : {"localhost", "127.0.0.1"}) {
            db.exec(QStringLiteral("CREATE USER '%1'@'%2'").arg(name, QLatin1String(host)));
            db.exec(QStringLiteral("GRANT ALL PRIVILEGES ON `%1`.* TO '%2'@'%3'")
                            .arg(AlibiSchema::grantPattern(db.name()), name, QLatin1String(host)));
        }
        QSqlDatabase admin = db.admin();
        AlibiSchema::grantProgramUser(admin, db.name(), name);
        ConnectionSettings s = db.settings();
        s.user = name;
        data = std::make_unique<DataModule>(s);
        data->open();
    }
    ~ProgramAccount()
    {
        data.reset();
        drop();
    }
    void drop()
    {
        for (const char* host : {"localhost", "127.0.0.1"})
            db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(name, QLatin1String(host)));
    }
    // The statement's error code; 0 when it ran.
    int refusal(const QString& sql)
    {
        try {
            data->ZQ10.run(sql);
        } catch (const DbError& e) {
            return e.code();
        }
        return 0;
    }
};

// A weighing stored and finalised as the program does it: B1 from a scale
// read, K1 typed; ticket "41" with its entry. Returns the pending id.
qint64 finalised(TestApp& app, AlibiLog& log, const QString& ticket = QStringLiteral("41"))
{
    const qint64 idm = 11;
    log.append(scaleReading(14000), AlibiLog::Target {idm, 1, AlibiLog::In});
    log.append(typedReading(6000), AlibiLog::Target {idm, 1, AlibiLog::Out});
    const auto [r1, r2] = ticketRows(app.db, ticket, 14000, 6000);
    log.recordTicket(idm, ticket, r1, r2);
    return idm;
}

}   // namespace

class TestAlibiForgery : public QObject {
    Q_OBJECT
private slots:
    // The program's account writes only through the log's routines: rows of
    // its own making, with any number or chain value, are refused; the
    // routines take no ticket entry, no link to a missing or ticket entry,
    // and no second finalisation of a ticket (whose links would win on its
    // copy).
    void programAccountCannotForge()
    {
        TestApp app;
        ProgramAccount program(app.db);
        AlibiLog log(*program.data);
        finalised(app, log);
        const AlibiEntry last = *log.entry(3);
        // a fake scale entry with a correct chain value, as a keyless chain allows
        AlibiEntry fake;
        fake.number = 4;
        fake.time = last.time;
        fake.source = AlibiEntry::sourceText(AlibiEntry::Scale);
        fake.weight = QStringLiteral("40000.000");
        fake.chain = fake.computeChain(last.chain);
        const QString insert = QStringLiteral("INSERT INTO %1 (nr, ido, forras, suly, lanc) VALUES (%2, '%3', "
                                              "'mérleg', 40000, '%4')")
                                       .arg(naplo(app.db));
        QCOMPARE(program.refusal(insert.arg(4).arg(fake.time, QString::fromLatin1(fake.chain))), 1142);
        QCOMPARE(program.refusal(insert.arg(-1).arg(fake.time, QString::fromLatin1(fake.chain))), 1142);
        QCOMPARE(program.refusal(QStringLiteral("INSERT INTO %1 (nr, IDm, bszam, hely, irany) VALUES (1, 11, '41', 1, "
                                                "'B')")
                                         .arg(kapcsolat(app.db))),
                1142);
        const QString db = QStringLiteral("`%1`").arg(AlibiLog::databaseFor(app.db.name()));
        const QStringList refusedCalls {
                // a ticket entry of the account's own making
                QStringLiteral("SELECT %1.bejegyez('x', 'mérlegjegy', 40000, '41', '', '', '', NULL, NULL, NULL)"),
                // links to a missing entry, below the first, to a ticket entry
                QStringLiteral("SELECT %1.kapcsol(99, 11, 1, 'B')"),
                QStringLiteral("SELECT %1.kapcsol(-1, 11, 1, 'B')"),
                QStringLiteral("SELECT %1.kapcsol(3, 11, 1, 'B')"),
                // the finalised ticket once more, its B1 pointing at a fake entry
                QStringLiteral("SELECT %1.jegyez('x', 11, '41', 14000, 0, 6000, 0, 8000, 0, 0, 0, 100, 0)"),
        };
        const qint64 fakeNr = log.append(scaleReading(40000), AlibiLog::Target {11, 1, AlibiLog::In});
        QCOMPARE(fakeNr, 4);
        for (const QString& sql : refusedCalls)
            QVERIFY2(program.refusal(sql.arg(db)) == 1644, qPrintable(sql));
        // the ticket's copy still prints its own entries
        const QList<AlibiLog::Link> links = log.linksOfTicket(QStringLiteral("41"));
        QCOMPARE(links.size(), 2);
        QCOMPARE(links[0].number, 1);
        QCOMPARE(links[1].number, 2);
        QCOMPARE(log.ticketEntry(QStringLiteral("41"))->number, 3);
        QVERIFY2(log.verify().ok(), qPrintable(log.verify().message()));
        QCOMPARE(app.db.count(naplo(app.db)), 4);
    }

    // Changes behind the program's back (as root): the check names each.
    void verifyFindsForgery_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("detail");
        using V = AlibiLog::Verification;
        QTest::newRow("entry numbered below 1")
                << "INSERT INTO %1.naplo (nr, ido, forras, suly, lanc) VALUES (-1, NOW(), 'mérleg', 40000, '')"
                << int(V::BadNumber) << "";
        QTest::newRow("link to a missing entry")
                << "INSERT INTO %1.kapcsolat (nr, IDm, hely, irany) VALUES (77, 5, 1, 'B')" << int(V::MissingEntry)
                << "";
        QTest::newRow("second link for a ticket's slot")
                << "INSERT INTO %1.kapcsolat (nr, IDm, bszam, hely, irany) VALUES (2, 11, '41', 1, 'B')"
                << int(V::DuplicateLink) << "";
        QTest::newRow("ticket link moved") << "UPDATE %1.kapcsolat SET nr = 2 WHERE bszam = '41' AND irany = 'B'"
                                           << int(V::TicketMismatch) << "kapcsolat B1";
        QTest::newRow("ticket link removed") << "DELETE FROM %1.kapcsolat WHERE bszam = '41' AND irany = 'K'"
                                             << int(V::TicketMismatch) << "kapcsolat K1";
        QTest::newRow("entry weight of a ticket row") << "UPDATE vello SET jBemeres = 14500 WHERE jBszam = '41' "
                                                         "ORDER BY IDj LIMIT 1"
                                                      << int(V::TicketMismatch) << "B1";
        QTest::newRow("trailer's exit weight") << "UPDATE vello SET jKimeres = 10 WHERE jBszam = '41' ORDER BY IDj "
                                                  "DESC LIMIT 1"
                                               << int(V::TicketMismatch) << "K2";
        QTest::newRow("net") << "UPDATE vello SET jNettoBe = 9000 WHERE jBszam = '41' ORDER BY IDj LIMIT 1"
                             << int(V::TicketMismatch) << "N1";
        QTest::newRow("purity") << "UPDATE vello SET jTiszt = 90 WHERE jBszam = '41'" << int(V::TicketMismatch) << "T";
        QTest::newRow("moisture") << "UPDATE vello SET jViztart = 3 WHERE jBszam = '41'" << int(V::TicketMismatch)
                                  << "V";
        QTest::newRow("a third row under the number")
                << "INSERT INTO vello (jBszam, jMozgas, jBemeres) VALUES ('41', 'B', 1)" << int(V::TicketMismatch)
                << "sorok";
        QTest::newRow("ticket entry rewritten") << "UPDATE %1.naplo SET nyers = REPLACE(nyers, 'B1=14000.000', "
                                                   "'B1=14500.000') WHERE forras = 'mérlegjegy'"
                                                << int(V::ChainMismatch) << "";
    }
    void verifyFindsForgery()
    {
        QFETCH(QString, change);
        QFETCH(int, problem);
        QFETCH(QString, detail);
        TestApp app;
        AlibiLog log(app.data);
        finalised(app, log);
        log.append(scaleReading(1000));   // a later entry, not linked
        QVERIFY2(log.verify().ok(), qPrintable(log.verify().message()));
        app.db.exec(change.arg(QStringLiteral("`%1`").arg(AlibiLog::databaseFor(app.db.name()))));
        for (int page : {20000, 1, 2, 3}) {
            const AlibiLog::Verification v = log.verify(page);
            QVERIFY2(int(v.problem) == problem, qPrintable(v.message()));
            QCOMPARE(v.detail, detail);
            if (problem == AlibiLog::Verification::TicketMismatch || problem == AlibiLog::Verification::DuplicateLink)
                QCOMPARE(v.ticket, QStringLiteral("41"));
        }
        // vello-alibi verify says the same and fails
        const ToolRun r = runTool(QStringLiteral("vello-alibi"),
                {QStringLiteral("verify"), QStringLiteral("--database"), app.db.name(), QStringLiteral("--socket"),
                        TestDb::socket(), QStringLiteral("--user"), QStringLiteral("root")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.contains(QStringLiteral("a napló sérült")), qPrintable(r.out + r.err));
    }

    // The finalisation's weight check: a weight other than its linked
    // entry's is refused and nothing is written; the ticket entry records
    // exactly the rows' figures and the entries they came from.
    void ticketEntryChecksAndRecords()
    {
        TestApp app;
        AlibiLog log(app.data, QStringLiteral("ws"));
        log.append(scaleReading(14000), AlibiLog::Target {11, 1, AlibiLog::In});
        log.append(typedReading(9000), AlibiLog::Target {11, 2, AlibiLog::In});
        log.append(typedReading(6000), AlibiLog::Target {11, 1, AlibiLog::Out});
        const auto [w1, w2] = ticketRows(app.db, QStringLiteral("41"), 14500, 6000, 9000, 4000);
        int code = 0;
        QString text;
        try {
            Transaction t(app.data);
            log.recordTicket(11, QStringLiteral("41"), w1, w2);
            t.commit();
        } catch (const DbError& e) {
            code = e.code();
            text = e.text();
        }
        QCOMPARE(code, 1644);
        QVERIFY2(text.contains(QStringLiteral("alibi-weight:B1:1")), qPrintable(text));
        QCOMPARE(app.db.count(naplo(app.db)), 3);
        QCOMPARE(app.db.count(kapcsolat(app.db), "bszam IS NOT NULL"), 0);

        // the weight as read: recorded (K2, typed after the pending store, has no link)
        app.db.exec("UPDATE vello SET jBemeres = 14000, jNettoBe = 8000 WHERE jBszam = '41' AND jBemeres = 14500");
        const AlibiLog::TicketEntry t = log.recordTicket(11, QStringLiteral("41"), w1, w2);
        QCOMPARE(t.number, 4);
        const AlibiEntry e = *log.entry(4);
        QCOMPARE(e.chain, t.chain);
        QCOMPARE(t.chainPrefix(), QString::fromLatin1(e.chain.left(8)));
        QCOMPARE(e.source, QStringLiteral("mérlegjegy"));
        QCOMPARE(e.digits, QStringLiteral("41"));
        QCOMPARE(e.workstation, QStringLiteral("ws"));
        QCOMPARE(e.weight, QStringLiteral("13000.000"));
        QCOMPARE(e.frame,
                QStringLiteral("B1=14000.000@1;B2=9000.000@2;K1=6000.000@3;K2=4000.000@0;"
                               "N1=8000.000/0.000;N2=5000.000/0.000;T=100.000;V=0.000"));
        QCOMPARE(e.chain, e.computeChain(log.entry(3)->chain));
        QCOMPARE(log.linksOfTicket(QStringLiteral("41")).size(), 3);
        QVERIFY2(log.verify().ok(), qPrintable(log.verify().message()));
    }

    // A log written by the older program (the client computed the chain and
    // inserted the rows; its account had INSERT): vello-create --upgrade
    // brings it over, its entries verify as before, the account loses
    // INSERT and gains EXECUTE, and the server's appends chain on.
    void olderLogUpgraded()
    {
        TestApp app;
        const QString alibi = AlibiLog::databaseFor(app.db.name());
        app.db.exec(QStringLiteral("DROP DATABASE `%1`").arg(alibi));
        app.db.exec(
                QStringLiteral("CREATE DATABASE `%1` DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_bin").arg(alibi));
        const QString old[] = {
                "CREATE TABLE `%1`.naplo (nr BIGINT NOT NULL, ido DATETIME NOT NULL, gep VARCHAR(64) NOT NULL DEFAULT "
                "'', forras VARCHAR(12) NOT NULL, suly DECIMAL(12,3) NOT NULL, szamjegy VARCHAR(32) NOT NULL DEFAULT "
                "'', allapot VARCHAR(32) NOT NULL DEFAULT '', port VARCHAR(255) NOT NULL DEFAULT '', nyers "
                "VARCHAR(2000) NOT NULL DEFAULT '', lanc CHAR(64) NOT NULL, PRIMARY KEY (nr), KEY naplo_ido (ido)) "
                "ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_bin",
                "CREATE TABLE `%1`.kapcsolat (IDh BIGINT NOT NULL AUTO_INCREMENT, nr BIGINT NOT NULL, IDm BIGINT "
                "DEFAULT NULL, bszam VARCHAR(8) DEFAULT NULL, hely TINYINT NOT NULL, irany VARCHAR(1) NOT NULL, "
                "PRIMARY KEY (IDh), KEY kapcsolat_nr (nr), KEY kapcsolat_idm (IDm), KEY kapcsolat_bszam (bszam)) "
                "ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_bin",
                "CREATE TABLE `%1`.zar (id INT NOT NULL, PRIMARY KEY (id)) ENGINE=InnoDB",
                "INSERT INTO `%1`.zar VALUES (1)",
                // three entries with the chain values the older program wrote
                "INSERT INTO `%1`.naplo VALUES (1, '2023-05-02 07:10:00', 'merleghaz-1', 'mérleg', 14000, '014000', "
                "'ST', '/dev/ttyS0', 'ST,GS,+  014000kg\\\\x0D\\\\x0A', "
                "'430e4a42dadaed4d7f4a711eac221795be35b459f79d65e6fff58e6e7593e386')",
                "INSERT INTO `%1`.naplo VALUES (2, '2023-05-02 07:25:13', 'merleghaz-1', 'kézi', 6000.5, '', '', '', "
                "'', '493f576d73deefb2ce96eec1559c815784f6cf40e66ecc63041bc3b6cdec8293')",
                "INSERT INTO `%1`.naplo VALUES (3, '2023-05-02 09:01:59', 'mérlegház-2', 'törzs tára', 7450, '', '', "
                "'', '', '665cc8e76b9b2c0bd4fcff922a159ddfd7d5192c6ca5ab96e0edd74ac82ad5e9')",
                "INSERT INTO `%1`.kapcsolat (nr, IDm, bszam, hely, irany) VALUES (1, 11, NULL, 1, 'B'), "
                "(2, 11, NULL, 1, 'K'), (1, 11, '40', 1, 'B'), (2, 11, '40', 1, 'K')",
        };
        for (const QString& sql : old)
            app.db.exec(sql.arg(alibi));
        // the client's definition still gives the stored values
        AlibiLog log(app.data);
        QCOMPARE(log.entry(3)->chain, log.entry(3)->computeChain(log.entry(2)->chain));
        // the older program's account: INSERT and SELECT on the log
        ProgramAccount program(app.db);
        for (const char* host : {"localhost", "127.0.0.1"})
            app.db.exec(QStringLiteral("GRANT INSERT ON `%1`.* TO '%2'@'%3'")
                                .arg(AlibiSchema::grantPattern(alibi), program.name, QLatin1String(host)));

        const ToolRun r = runTool(QStringLiteral("vello-create"),
                {QStringLiteral("--upgrade"), QStringLiteral("--database"), app.db.name(), QStringLiteral("--socket"),
                        TestDb::socket()});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        for (const char* host : {"localhost", "127.0.0.1"})
            app.db.exec(QStringLiteral("REVOKE ALL PRIVILEGES ON `%1`.* FROM 'vello'@'%2'")
                                .arg(AlibiSchema::grantPattern(alibi), QLatin1String(host)));
        QSqlDatabase admin = app.db.admin();
        QCOMPARE(AlibiSchema::grantProgramAccounts(admin, app.db.name(), program.name),
                (QStringList {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")}));

        AlibiLog mine(*program.data);
        AlibiLog::Verification v = mine.verify();
        QVERIFY2(v.ok(), qPrintable(v.message()));
        QCOMPARE(v.verified, 3);
        // no INSERT any more; the routine appends onto the old chain
        QCOMPARE(program.refusal(
                         QStringLiteral("INSERT INTO `%1`.kapcsolat (nr, hely, irany) VALUES (1, 1, 'B')").arg(alibi)),
                1142);
        QCOMPARE(mine.append(typedReading(5000), AlibiLog::Target {12, 1, AlibiLog::In}), 4);
        QCOMPARE(mine.entry(4)->chain, mine.entry(4)->computeChain(mine.entry(3)->chain));
        v = mine.verify();
        QVERIFY2(v.ok(), qPrintable(v.message()));
        QCOMPARE(v.verified, 4);
        // an old ticket has no ticket entry: it prints and verifies without one
        QVERIFY(!mine.ticketEntry(QStringLiteral("40")));
    }
};

QTEST_GUILESS_MAIN(TestAlibiForgery)
#include "test_alibi_forgery.moc"
