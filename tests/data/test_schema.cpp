#include "data/datamodule.h"
#include "testdb.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {
// table -> "column type default" in table order; default "-" means NULL
const QMap<QString, QStringList>& expected()
{
    static const QMap<QString, QStringList> m = [] {
        const QStringList ticket = {"IDj bigint(20) -", "jBszam varchar(8) -", "jMbszam varchar(8) -",
                "jMozgas varchar(1) -", "jPot varchar(1) -", "jEgymeres varchar(1) -", "jDatum date -", "jBeido time -",
                "jKiido time -", "jModDatum date -", "jRogDatum date -", "jBemeres double 0", "jKimeres double 0",
                "jNettoBe double 0", "jNettoKI double 0", "jBemerleg double 0", "jKimerleg double 0",
                "jTkod varchar(5) -", "jRkod varchar(5) -", "jKkod varchar(5) -", "jOkod varchar(5) -",
                "jAkod varchar(5) -", "jMegj varchar(200) -", "jTiszt double 0", "jViztart double 0",
                "jPrn varchar(1) -", "jTorolt varchar(1) -"};
        QMap<QString, QStringList> t;
        t["meres"] = QStringList {"IDm bigint(20) -", "mBszam varchar(8) -", "mMozgas varchar(1) -",
                "mPot varchar(1) -", "mEgymeres varchar(1) -", "mDatum date -", "mBeido time -", "mKiido time -",
                "mRkod varchar(5) -", "mBemerleg1 double 0", "mBemeres1 double 0", "mBemerleg2 double 0",
                "mBemeres2 double 0", "mKimerleg1 double 0", "mKimeres1 double 0", "mKimerleg2 double 0",
                "mKimeres2 double 0", "mTkod1 varchar(5) -", "mTkod2 varchar(5) -", "mKkod1 varchar(5) -",
                "mKkod2 varchar(5) -", "mOkod varchar(5) -", "mAkod varchar(5) -", "mMegj varchar(200) -",
                "mTiszt double 0", "mViztart double 0", "mNetto1 double 0", "mNetto2 double 0"};
        t["vello"] = ticket;
        t["munka"] = ticket;
        t["archiv"] = QStringList {"IDj bigint(20) -", "jBszam varchar(8) -", "jMbszam varchar(8) -",
                "jMozgas varchar(1) -", "jPot varchar(1) -", "jEgymeres varchar(1) -", "jDatum date -", "jBeido time -",
                "jKiido time -", "jModDatum date -", "jRogDatum date -", "jBemeres double 0", "jKimeres double 0",
                "jNettoBe double 0", "jNettoKI double 0", "jBemerleg double 0", "jKimerleg double 0",
                "jTkod varchar(5) -", "tMegnev varchar(45) -", "tMegjegy varchar(45) -", "tSztiszt double 0",
                "tSzviztart double 0", "jRkod varchar(5) -", "rRendszam varchar(25) -", "rTara double 0",
                "jKkod varchar(5) -", "kNev varchar(45) -", "jOkod varchar(5) -", "oNev varchar(45) -",
                "oIrszam varchar(4) -", "oHelysegnev varchar(45) -", "oUtca varchar(45) -", "oAdoszam varchar(11) -",
                "jAkod varchar(5) -", "jMegj varchar(200) -", "jTiszt double 0", "jViztart double 0",
                "jPrn varchar(1) -", "jTorolt varchar(1) -"};
        t["rendszam"] = QStringList {"IDr bigint(20) -", "rKod varchar(5) -", "rRendszam varchar(25) -",
                "rTara double 0", "rNev varchar(45) -", "rTelefon varchar(45) -", "rCeg varchar(45) -",
                "rCim varchar(45) -", "rUgyintez varchar(45) -", "rOkod varchar(5) -"};
        t["termelo"] = QStringList {"IDo bigint(20) -", "oKod varchar(5) -", "oNev varchar(45) -",
                "oIrszam varchar(4) -", "oHelysegnev varchar(45) -", "oUtca varchar(45) -", "oAdoszam varchar(11) -",
                "oBankszla varchar(24) -"};
        t["termeny"] = QStringList {"IDt bigint(20) -", "tKod varchar(5) -", "tMegnev varchar(45) -",
                "tMegjegy varchar(45) -", "tSztiszt double 0", "tSzviztart double 0", "tAr double 0",
                "tTisztAr double 0", "tSzaritAr double 0"};
        t["raktar"]
                = QStringList {"IDk bigint(20) -", "kKod varchar(5) -", "kNev varchar(45) -", "kMegj varchar(45) -"};
        t["sorszam"] = QStringList {"sKod varchar(1) -", "sBszam varchar(20) -"};
        t["atvevo"] = QStringList {"IDa int(11) 0", "aNeve varchar(100) -", "aIrszam varchar(10) -",
                "aHelyseg varchar(100) -", "aUtca varchar(100) -", "aAdoszam varchar(20) -", "aSzeria varchar(255) -"};
        return t;
    }();
    return m;
}

int runClient(const QStringList& args, const QString& input = QString())
{
    QProcess p;
    p.start(args.first(), args.mid(1));
    if (!input.isNull()) {
        p.write(input.toUtf8());
        p.closeWriteChannel();
    }
    p.waitForFinished(120000);
    if (p.exitCode() != 0)
        qWarning("%s: %s", qPrintable(args.join(' ')), p.readAllStandardError().constData());
    return p.exitCode();
}
}   // namespace

class TestSchema : public QObject {
    Q_OBJECT
private slots:
    void columns_data()
    {
        QTest::addColumn<QString>("table");
        for (const QString& t : DataModule::tableNames())
            QTest::newRow(qPrintable(t)) << t;
    }
    void columns()
    {
        QFETCH(QString, table);
        TestDb db;
        QSqlQuery q(db.admin());
        q.prepare("SELECT COLUMN_NAME, COLUMN_TYPE, COLUMN_DEFAULT FROM information_schema.COLUMNS "
                  "WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ? ORDER BY ORDINAL_POSITION");
        q.addBindValue(db.name());
        q.addBindValue(table);
        QVERIFY(q.exec());
        QStringList got;
        while (q.next()) {
            QString def = q.value(2).isNull() || q.value(2).toString() == "NULL" ? "-" : q.value(2).toString();
            got << QStringLiteral("%1 %2 %3").arg(q.value(0).toString(), q.value(1).toString(), def);
        }
        QCOMPARE(got, expected().value(table));
        QSqlQuery t(db.admin());
        t.prepare(
                "SELECT ENGINE, TABLE_COLLATION FROM information_schema.TABLES WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ?");
        t.addBindValue(db.name());
        t.addBindValue(table);
        QVERIFY(t.exec() && t.next());   // the name is lower case as created
        QCOMPARE(t.value(0).toString(), QStringLiteral("InnoDB"));
        QVERIFY(t.value(1).toString().startsWith("cp1250"));
    }

    void initialRows()
    {
        TestDb db;
        QSqlQuery q(db.admin());
        QVERIFY(q.exec("SELECT sKod, sBszam FROM sorszam ORDER BY sKod"));
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString() + "=" + q.value(1).toString();
        QCOMPARE(rows, QStringList({"J=0", "K=90000000", "M=0", "S=0"}));
        QCOMPARE(db.count("atvevo", "IDa = 1"), 1);
        QCOMPARE(db.count("atvevo"), 1);
        // ticket ids are copied into munka, not numbered there
        QVERIFY(db.scalar("SELECT EXTRA FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
                          "AND TABLE_NAME = 'munka' AND COLUMN_NAME = 'IDj'")
                        .toString()
                        .isEmpty());
        // texts default to no value, numbers to 0
        db.exec("INSERT INTO meres (mRkod) VALUES ('1')");
        QVERIFY(db.scalar("SELECT mOkod FROM meres").isNull());
        QCOMPARE(db.scalar("SELECT mKimeres1 FROM meres").toDouble(), 0.0);
    }

    // The codes of the registers and the counters' kinds are kept single by
    // the tables themselves: a second row with a taken code is refused.
    void codesAreUnique_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::newRow("plate") << "INSERT INTO rendszam (rKod, rRendszam) VALUES ('7', 'AAA-111'), ('7', 'BBB-222')";
        QTest::newRow("producer") << "INSERT INTO termelo (oKod, oNev) VALUES ('7', 'Egy'), ('7', 'Kettő')";
        QTest::newRow("crop") << "INSERT INTO termeny (tKod, tMegnev) VALUES ('7', 'Árpa'), ('7', 'Zab')";
        QTest::newRow("warehouse") << "INSERT INTO raktar (kKod, kNev) VALUES ('7', 'Siló'), ('7', 'Szín')";
        QTest::newRow("counter") << "INSERT INTO sorszam (sKod, sBszam) VALUES ('J', '5')";
        QTest::newRow("counter without kind") << "INSERT INTO sorszam (sBszam) VALUES ('5')";
    }
    void codesAreUnique()
    {
        QFETCH(QString, insert);
        TestDb db;
        QSqlQuery q(db.admin());
        QVERIFY(!q.exec(insert));
        QVERIFY2(q.lastError().nativeErrorCode() == "1062" || q.lastError().nativeErrorCode() == "1364",
                qPrintable(q.lastError().text()));
        // Rows without a code stay possible: only a taken code is refused.
        QVERIFY(q.exec("INSERT INTO raktar (kNev) VALUES ('a'), ('b')"));
    }

    // An older database has plain keys on the codes: vello-create --upgrade
    // refuses it, listing every code that two rows share and changing
    // nothing, until the site has given those rows codes of their own; then
    // it adds the keys, and the tables are as the creation step makes them.
    void upgradeAddsCodeKeys()
    {
        const QString bin = qEnvironmentVariable("VELLO_BINARY_DIR");
        TestDb fresh;
        TestDb db;
        auto keys = [](const TestDb& d) {
            QSqlQuery q(d.admin());
            q.prepare(
                    "SELECT CONCAT_WS('|', TABLE_NAME, INDEX_NAME, NON_UNIQUE, COLUMN_NAME) FROM information_schema.STATISTICS "
                    "WHERE TABLE_SCHEMA = ? ORDER BY TABLE_NAME, INDEX_NAME, SEQ_IN_INDEX");
            q.addBindValue(d.name());
            q.exec();
            QStringList out;
            while (q.next())
                out << q.value(0).toString();
            q.prepare(
                    "SELECT CONCAT_WS('|', TABLE_NAME, COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE) FROM information_schema.COLUMNS "
                    "WHERE TABLE_SCHEMA = ? ORDER BY TABLE_NAME, ORDINAL_POSITION");
            q.addBindValue(d.name());
            q.exec();
            while (q.next())
                out << q.value(0).toString();
            return out;
        };
        // The keys as an older creation step made them.
        db.exec("ALTER TABLE rendszam DROP KEY rendszam_kod, ADD KEY rendszam_kod (rKod)");
        db.exec("ALTER TABLE termelo DROP KEY termelo_kod, ADD KEY termelo_kod (oKod)");
        db.exec("ALTER TABLE termeny DROP KEY termeny_kod, ADD KEY termeny_kod (tKod)");
        db.exec("ALTER TABLE raktar DROP KEY raktar_kod, ADD KEY raktar_kod (kKod)");
        db.exec("ALTER TABLE sorszam DROP PRIMARY KEY, MODIFY sKod VARCHAR(1) DEFAULT NULL, ADD UNIQUE KEY sorszam_kod (sKod)");
        const QStringList old = keys(db);
        QVERIFY(old != keys(fresh));
        db.exec("INSERT INTO termeny (IDt, tKod, tMegnev) VALUES (3, '1', 'Árpa'), (7, '1', 'Zab'), (8, '2', 'Búza')");
        db.exec("INSERT INTO raktar (IDk, kKod, kNev) VALUES (1, '3', 'A'), (2, '3', 'B'), (4, '3', 'C'), (5, NULL, 'D'), "
                "(6, NULL, 'E')");
        db.exec("INSERT INTO rendszam (rKod, rRendszam) VALUES ('1', 'AAA-111'), ('2', 'AAA-111')");
        db.exec("INSERT INTO sorszam (sKod, sBszam) VALUES (NULL, '12')");

        QProcess p;
        const QStringList args = {"--upgrade", "--socket", TestDb::socket(), "--database", db.name()};
        p.start(bin + "/vello-create", args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 4);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("termeny.tKod \"1\": 2 sor (IDt 3, 7)")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("raktar.kKod \"3\": 3 sor (IDk 1, 2, 4)")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("sorszam.sKod érték nélkül: 1 sor (sBszam 12)")), qPrintable(err));
        QVERIFY(err.contains(QStringLiteral("Semmi sem változott.")));
        QCOMPARE(err.count(QStringLiteral(" sor (")), 3);   // nothing else listed
        QCOMPARE(keys(db), old);

        db.exec("UPDATE termeny SET tKod = '3' WHERE IDt = 7");
        db.exec("UPDATE raktar SET kKod = IDk + 10 WHERE IDk IN (2, 4)");
        db.exec("DELETE FROM sorszam WHERE sKod IS NULL");
        p.start(bin + "/vello-create", args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(
                QString::fromUtf8(p.readAllStandardOutput())
                        .contains(QStringLiteral(
                                "egyedi kulcsot kaptak a kódok: rendszam.rKod, termelo.oKod, termeny.tKod, raktar.kKod, "
                                "sorszam.sKod.")),
                qPrintable(QString::fromUtf8(p.readAllStandardError())));
        QCOMPARE(keys(db), keys(fresh));
        QCOMPARE(db.count("termeny"), 3);
        QCOMPARE(db.count("raktar"), 5);
        QCOMPARE(db.scalar("SELECT GROUP_CONCAT(sKod, '=', sBszam ORDER BY sKod) FROM sorszam").toString(),
                QStringLiteral("J=0,K=90000000,M=0,S=0"));

        p.start(bin + "/vello-create", args);   // again: nothing left to add
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("egyedi kulcs")));
        QCOMPARE(keys(db), keys(fresh));
    }

    // The creation step on the whole server: through the mariadb client,
    // through vello-create (with and without demo rows); the program's user
    // can log in afterwards; a second run refuses to touch the database.
    void creationStep()
    {
        const QString sock = TestDb::socket();
        const QString src = qEnvironmentVariable("VELLO_SOURCE_DIR");
        const QString bin = qEnvironmentVariable("VELLO_BINARY_DIR");
        TestDb admin(false);   // an administrative connection
        admin.exec("DROP DATABASE IF EXISTS vello");

        QFile sql(src + "/db/create.sql");
        QVERIFY(sql.open(QIODevice::ReadOnly));
        QCOMPARE(
                runClient({"mariadb", "--no-defaults", "--socket=" + sock, "-uroot"}, QString::fromUtf8(sql.readAll())),
                0);
        // The ten tables and the record of voided tickets (sztorno).
        QCOMPARE(admin.scalar("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'vello'").toInt(),
                11);
        QCOMPARE(admin.scalar("SELECT COUNT(*) FROM vello.rendszam").toInt(), 0);
        admin.exec("DROP DATABASE vello");

        QCOMPARE(runClient({bin + "/vello-create", "--socket", sock, "--demo"}), 0);
        QVERIFY(admin.scalar("SELECT COUNT(*) FROM vello.termeny").toInt() >= 4);
        QCOMPARE(admin.scalar("SELECT tSzviztart FROM vello.termeny WHERE tMegnev = 'Búza'").toDouble(), 14.5);
        {
            ConnectionSettings s = TestDb::serverSettings("vello");
            s.user = "vello";
            DataModule dm(s);
            dm.open();   // the program's own user with no password
            QCOMPARE(dm.ZTable8.text("aHelyseg"), QStringLiteral("Kiskunhalas"));
        }
        admin.exec("INSERT INTO vello.raktar (kKod) VALUES ('99')");
        QCOMPARE(runClient({bin + "/vello-create", "--socket", sock}), 3);   // refused
        QCOMPARE(admin.scalar("SELECT COUNT(*) FROM vello.raktar WHERE kKod = '99'").toInt(), 1);
        admin.exec("DROP DATABASE vello");

        QCOMPARE(runClient({bin + "/vello-create", "--socket", sock}), 0);
        QCOMPARE(admin.scalar("SELECT COUNT(*) FROM vello.termeny").toInt(), 0);   // no demo rows by itself
        admin.exec("DROP DATABASE vello");
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "test_schema.moc"
