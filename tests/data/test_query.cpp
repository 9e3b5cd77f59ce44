#include "data/dberror.h"
#include "data/transaction.h"
#include "testapp.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <optional>

class TestQuery : public QObject {
    Q_OBJECT
private slots:
    void bindOpenAndNavigate()
    {
        TestApp app;
        app.db.exec("INSERT INTO raktar (kKod, kNev) VALUES ('1','Siló'),('2','síkraktár'),('3','Szárító')");
        Query& q = app.data.ZQ60;
        q.close();
        q.setSql("SELECT * FROM raktar WHERE kKod >= :p0 ORDER BY kNev");
        q.bind("p0", QStringLiteral("2"));
        q.open();
        QCOMPARE(q.rowCount(), 2);
        QCOMPARE(q.currentRow(), 0);
        QCOMPARE(q.text("kNev"), QStringLiteral("síkraktár"));
        QVERIFY(q.next());
        QCOMPARE(q.text("KNEV"), QStringLiteral("Szárító"));   // column names ignore case
        QVERIFY(!q.next());
        QVERIFY(q.eof());
        QVERIFY(q.first());
        QVERIFY(!q.prior());
        QVERIFY(q.bof());
        QVERIFY(q.last());
        QCOMPARE(q.currentRow(), 1);
        QVERIFY_THROWS_EXCEPTION(DbError, q.value(QStringLiteral("nincs")));
    }

    void numbersBoundAsNumbers()
    {
        TestApp app;
        Query& q = app.data.ZQ52;
        q.close();
        q.setSql("INSERT INTO termeny (tKod, tMegnev, tSztiszt, tSzviztart) VALUES (:p0, :p1, :p2, :p3)");
        q.bind("p0", QStringLiteral("1"));
        q.bind("p1", QStringLiteral("Búza \"étkezési\" 'A' \\ 100%"));
        q.bind("p2", 98.0);
        q.bind("p3", 14.5);
        QCOMPARE(q.exec(), 1);
        QCOMPARE(app.db.scalar("SELECT tSzviztart FROM termeny").toDouble(), 14.5);
        QCOMPARE(app.db.scalar("SELECT tMegnev FROM termeny").toString(),
                QStringLiteral("Búza \"étkezési\" 'A' \\ 100%"));
        app.data.ZQ53.close();
        app.data.ZQ53.setSql("SELECT * FROM termeny");
        app.data.ZQ53.open();
        QCOMPARE(app.data.ZQ53.text("tSzviztart"), QStringLiteral("14,5"));
        QCOMPARE(app.data.ZQ53.text("tAr"), QStringLiteral("0"));   // numbers default to 0
        QCOMPARE(app.data.ZQ53.text("tMegjegy"), QString());   // texts to no value
        QVERIFY(app.data.ZQ53.value("tMegjegy").isNull());
    }

    // The current row stays after the window that moved it is gone.
    void currentRowOutlivesWindows()
    {
        TestApp app;
        app.db.exec("INSERT INTO rendszam (rKod, rRendszam) VALUES ('1','AAA-111'),('2','BBB-222'),('3','CCC-333')");
        {
            Query& q = app.data.ZQ30;
            q.close();
            q.setSql("SELECT * FROM rendszam ORDER BY rRendszam");
            q.open();
            auto* window = new QObject;   // stands for a list window that moves the row and closes
            QObject::connect(window, &QObject::destroyed, [&q] { q.moveTo(2); });
            delete window;
        }
        QCOMPARE(app.data.ZQ30.text("rKod"), QStringLiteral("3"));
        QVERIFY(app.data.find("zq30") == &app.data.ZQ30);
        QVERIFY(app.data.find("frDBDataSet1") == &app.data.ZQ33);
        QVERIFY(app.data.find("frDBDataSet5") == &app.data.ZQ13);
        QVERIFY(app.data.find("ZTable8") == &app.data.ZTable8);
        QVERIFY(app.data.find("ZQ99") == nullptr);
    }

    void locate_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("code");
        QTest::newRow("exact case") << "Kov" << true << "2";
        QTest::newRow("other case") << "kOV" << true << "2";
        QTest::newRow("accented") << "ÁRP" << true << "4";
        QTest::newRow("first of several") << "N" << true << "1";
        QTest::newRow("no match") << "Zs" << false << "3";
        QTest::newRow("empty prefix") << "" << true << "1";
    }
    void locate()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, found);
        QFETCH(QString, code);
        TestApp app;
        app.db.exec(
                "INSERT INTO termelo (oKod, oNev) VALUES ('1','Nagy Béla'),('2','Kovács'),('3','Tóth'),('4','Árpád Kft'),('5','Nagy Anna')");
        Query& q = app.data.ZQ40;
        q.close();
        q.setSql("SELECT * FROM termelo ORDER BY oKod");
        q.open();
        q.moveTo(2);
        QCOMPARE(q.locate("oNev", prefix), found);
        QCOMPARE(q.text("oKod"), code);   // no match keeps the row
    }

    void refreshKeepsSqlAndRow()
    {
        TestApp app;
        app.db.exec("INSERT INTO raktar (kKod, kNev) VALUES ('1','A'),('2','B'),('3','C')");
        Query& q = app.data.ZQ60;
        q.close();
        q.setSql("SELECT * FROM raktar WHERE kKod <> :p0 ORDER BY kKod");
        q.bind("p0", QStringLiteral("9"));
        q.open();
        q.moveTo(1);
        QSignalSpy replaced(&q, &Query::resultReplaced);
        app.db.exec("INSERT INTO raktar (kKod, kNev) VALUES ('4','D')");
        q.refresh();
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(q.rowCount(), 4);
        QCOMPARE(q.text("kKod"), QStringLiteral("2"));
        QVERIFY(q.sql().contains("kKod <> :p0"));
    }

    void serverErrorText()
    {
        TestApp app;
        Query& q = app.data.ZQ32;
        q.close();
        q.setSql("INSERT INTO rendszam (rKod) VALUES (:p0)");
        q.bind("p0", QStringLiteral("123456"));   // wider than the column: strict mode refuses it
        try {
            q.exec();
            QFAIL("the over-long code was accepted");
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains("rKod"), qPrintable(e.text()));
            QCOMPARE(e.code(), 1406);
        }
        QCOMPARE(app.db.count("rendszam"), 0);
        q.close();
        q.setSql("SELECT * FROM nincs_ilyen");
        QVERIFY_THROWS_EXCEPTION(DbError, q.open());
    }

    // A server restart: a read outside a transaction reconnects and is sent
    // once more (the read rule); a write is never sent twice: it fails, and
    // the next statement reconnects; inside a transaction there is no
    // silent reconnect.
    void lostConnectionRecovered()
    {
        TestApp app;
        Query& q = app.data.ZQ10;
        auto killOwnConnection = [&] {
            q.close();
            q.setSql("SELECT CONNECTION_ID()");
            q.open();
            const qlonglong id = q.value(0).toLongLong();
            app.db.exec(QStringLiteral("KILL CONNECTION %1").arg(id));
        };
        killOwnConnection();
        q.close();
        q.setSql("SELECT COUNT(*) FROM meres");
        const int generation = app.data.generation();
        q.open();   // lost, reconnected, sent again
        QCOMPARE(q.value(0).toInt(), 0);
        QCOMPARE(app.data.generation(), generation + 1);

        killOwnConnection();
        QVERIFY_THROWS_EXCEPTION(DbError, q.run("INSERT INTO raktar (kKod) VALUES ('9')"));
        QCOMPARE(app.db.count("raktar"), 0);
        q.run("DELETE FROM raktar WHERE kKod = '9'");   // the next statement reconnects

        q.close();
        q.setSql("START TRANSACTION");
        q.exec();
        QVERIFY(app.data.inTransaction());
        killOwnConnection();   // runs inside the transaction
        q.close();
        q.setSql("INSERT INTO raktar (kKod) VALUES ('1')");
        QVERIFY_THROWS_EXCEPTION(DbError, q.exec());   // the lost connection
        QVERIFY_THROWS_EXCEPTION(DbError, q.exec());   // no silent reconnect inside the bracket
        q.close();
        q.setSql("ROLLBACK");
        q.exec();
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(app.db.count("raktar"), 0);
        q.close();
        q.setSql("SELECT COUNT(*) FROM raktar");
        q.open();
        QCOMPARE(q.value(0).toInt(), 0);
    }

    // A plain server (no cluster): the connection is opened as before, its
    // reads do not wait for a cluster (wsrep_sync_wait stays 0), nothing is
    // counted as a statement of an operation, and a reconnect after a lost
    // connection stays as it was.
    void plainServerNeedsNoClusterWait()
    {
        TestApp app;
        QVERIFY(!app.data.onCluster());
        QCOMPARE(app.data.statementCount(), qint64(0));
        Query& q = app.data.ZQ10;
        q.openSql(QStringLiteral("SELECT @@wsrep_on AS w, @@SESSION.wsrep_sync_wait AS s"));
        QCOMPARE(q.value(QStringLiteral("w")).toInt(), 0);
        QCOMPARE(q.value(QStringLiteral("s")).toInt(), 0);
        q.openSql(QStringLiteral("SELECT CONNECTION_ID()"));
        app.db.exec(QStringLiteral("KILL CONNECTION %1").arg(q.value(0).toLongLong()));
        q.openSql(QStringLiteral("SELECT @@SESSION.wsrep_sync_wait AS s"));   // reconnected, sent again
        QCOMPARE(q.value(QStringLiteral("s")).toInt(), 0);
        QVERIFY(!app.data.onCluster());
        app.data.ZQ60.run(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Siló')"));
        QCOMPARE(app.db.count(QStringLiteral("raktar")), 1);
    }

    // The bracket: committed work stays, anything else is rolled back when it
    // goes out of scope, including after a failed statement.
    void transactionBracket()
    {
        TestApp app;
        Query& q = app.data.ZQ60;
        {
            Transaction t(app.data);
            QVERIFY(app.data.inTransaction());
            q.run("INSERT INTO raktar (kKod, kNev) VALUES (:p0, :p1)", {{"p0", "1"}, {"p1", "Siló"}});
            t.commit();
        }
        QVERIFY(!app.data.inTransaction());
        try {
            Transaction t(app.data);
            q.run("INSERT INTO raktar (kKod, kNev) VALUES ('2', 'Szárító')");
            q.run("INSERT INTO raktar (kKod, nincs) VALUES ('3', 'x')");   // refused
            t.commit();
            QFAIL("the refused statement did not throw");
        } catch (const DbError& e) {
            QCOMPARE(e.code(), 1054);
        }
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(app.db.count("raktar"), 1);
        q.openSql("SELECT kNev FROM raktar WHERE kKod = :p0", {{"p0", "1"}});
        QCOMPARE(q.text("kNev"), QStringLiteral("Siló"));
    }

    // The failure hook refuses the n-th statement from now with the chosen
    // code; a lost connection (2013) takes the open transaction with it and
    // the next statement outside a transaction reconnects.
    void failureHook_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("refused") << 1205;
        QTest::newRow("lost connection") << 2013;
    }
    void failureHook()
    {
        QFETCH(int, code);
        TestApp app;
        Query& q = app.data.ZQ60;
        const qint64 before = app.data.statementCount();
        app.data.failStatement(3, code);
        try {
            Transaction t(app.data);   // 1
            q.run("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Siló')");   // 2
            q.run("INSERT INTO raktar (kKod, kNev) VALUES ('2', 'Szárító')");   // 3: fails
            QFAIL("the third statement did not fail");
        } catch (const DbError& e) {
            QCOMPARE(e.code(), code);
            QCOMPARE(e.sql(), QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('2', 'Szárító')"));
        }
        QVERIFY(!app.data.statementFailurePending());
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(app.data.statementCount() - before, 4);   // with the ROLLBACK
        QCOMPARE(app.db.count("raktar"), 0);
        QCOMPARE(q.run("INSERT INTO raktar (kKod, kNev) VALUES ('3', 'Tároló')"), 1);
        QCOMPARE(app.db.count("raktar"), 1);
    }

    // The drop hook: the n-th statement from now runs on the server, then the
    // connection drops before its reply. The caller gets 2013 whatever the
    // server did; a dropped COMMIT has committed, a statement dropped inside
    // the bracket is rolled back by the server with the connection; the next
    // statement outside a transaction reconnects.
    void dropHook_data()
    {
        QTest::addColumn<bool>("bracket");   // the two inserts inside "START TRANSACTION" ... "COMMIT"
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("sql");   // the statement whose reply is lost
        QTest::addColumn<int>("rowsAfter");   // what the server kept
        const QString one = QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Siló')");
        const QString two = QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES ('2', 'Szárító')");
        QTest::newRow("first insert, no bracket") << false << 1 << one << 1;
        QTest::newRow("second insert, no bracket") << false << 2 << two << 2;
        QTest::newRow("START TRANSACTION") << true << 1 << QStringLiteral("START TRANSACTION") << 0;
        QTest::newRow("first insert in the bracket") << true << 2 << one << 0;
        QTest::newRow("second insert in the bracket") << true << 3 << two << 0;
        QTest::newRow("COMMIT") << true << 4 << QStringLiteral("COMMIT") << 2;
    }
    void dropHook()
    {
        QFETCH(bool, bracket);
        QFETCH(int, n);
        QFETCH(QString, sql);
        QFETCH(int, rowsAfter);
        TestApp app;
        Query& q = app.data.ZQ60;
        const int generation = app.data.generation();
        QSignalSpy replaced(&q, &Query::resultReplaced);
        app.data.dropAfterStatement(n);
        QVERIFY(app.data.statementDropPending());
        try {
            std::optional<Transaction> t;
            if (bracket)
                t.emplace(app.data);
            q.run("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Siló')");
            q.run("INSERT INTO raktar (kKod, kNev) VALUES ('2', 'Szárító')");
            if (t)
                t->commit();
            QFAIL("no statement lost its reply");
        } catch (const DbError& e) {
            QCOMPARE(e.code(), 2013);
            QVERIFY(e.connectionLost());
            QCOMPARE(e.sql(), sql);
        }
        QVERIFY(!app.data.statementDropPending());
        QVERIFY(!app.data.inTransaction());
        if (sql.startsWith(QLatin1String("INSERT")))
            QVERIFY(replaced.count() >= 1);   // the query's viewers learn that its result went
        QCOMPARE(app.db.count("raktar"), rowsAfter);
        // The next operation reconnects and goes through.
        QCOMPARE(q.run("INSERT INTO raktar (kKod, kNev) VALUES ('3', 'Tároló')"), 1);
        QVERIFY(app.data.generation() > generation);
        QCOMPARE(app.db.count("raktar"), rowsAfter + 1);
    }

    // A statement refused by the failure hook never went out, so the drop
    // hook waiting for that same statement has nothing to drop after.
    void dropHookAfterARefusedStatement()
    {
        TestApp app;
        Query& q = app.data.ZQ60;
        app.data.failStatement(1, 1205);
        app.data.dropAfterStatement(1);
        QVERIFY_THROWS_EXCEPTION(DbError, q.run("INSERT INTO raktar (kKod) VALUES ('1')"));
        QVERIFY(!app.data.statementDropPending());
        QCOMPARE(q.run("INSERT INTO raktar (kKod) VALUES ('2')"), 1);
        QCOMPARE(app.db.count("raktar"), 1);
    }

    // Table data sets are not read at start; reading one opens it.
    void tableDataSetsOnDemand()
    {
        TestApp app;
        QVERIFY(!app.data.ZTable8.isOpen());
        QCOMPARE(app.data.ZTable8.text("IDa"), QStringLiteral("1"));
        QVERIFY(app.data.ZTable8.isOpen());
        app.db.exec("UPDATE atvevo SET aNeve = 'Új név'");
        app.data.ZTable8.refresh();
        QCOMPARE(app.data.ZTable8.text("aNeve"), QStringLiteral("Új név"));
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "test_query.moc"
