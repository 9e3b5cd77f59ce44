#include "data/counters.h"
#include "testapp.h"

#include <QTest>

class TestCounters : public QObject {
    Q_OBJECT
private slots:
    void draw_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("0") << "0"
                           << "1";
        QTest::newRow("41") << "41"
                            << "42";
        QTest::newRow("999") << "999"
                             << "1000";
        QTest::newRow("leading zeros dropped") << "0041"
                                               << "42";
        QTest::newRow("blanks around") << " 7 "
                                       << "8";
    }
    void draw()
    {
        QFETCH(QString, stored);
        QFETCH(QString, drawn);
        TestApp app;
        app.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '%1' WHERE sKod = 'J'").arg(stored));
        Counters c(app.data);
        const Counters::Draw d = c.draw(Counters::J);
        QVERIFY(d.ok());
        QCOMPARE(d.number, drawn);
        QCOMPARE(app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'J'").toString(), drawn);
        // the other counters stay as they were
        QCOMPARE(app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'S'").toString(), QStringLiteral("0"));
        QCOMPARE(app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'K'").toString(), QStringLiteral("90000000"));
        QVERIFY(!app.data.inTransaction());
        QVERIFY(app.prompt.shown().isEmpty());
    }

    void unreadable_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("letters") << "UPDATE sorszam SET sBszam = 'abc' WHERE sKod = 'S'";
        QTest::newRow("empty") << "UPDATE sorszam SET sBszam = '' WHERE sKod = 'S'";
        QTest::newRow("no value") << "UPDATE sorszam SET sBszam = NULL WHERE sKod = 'S'";
        QTest::newRow("decimal comma") << "UPDATE sorszam SET sBszam = '4,5' WHERE sKod = 'S'";
        QTest::newRow("row missing") << "DELETE FROM sorszam WHERE sKod = 'S'";
    }
    void unreadable()
    {
        QFETCH(QString, setup);
        TestApp app;
        app.db.exec(setup);
        const QVariant before = app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'S'");
        Counters c(app.data);
        const Counters::Draw d = c.draw(Counters::S);
        QCOMPARE(d.status, Counters::Draw::Unreadable);
        QVERIFY(d.number.isEmpty());
        QCOMPARE(app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'S'"), before);
        QVERIFY(!app.data.inTransaction());
    }

    void storeFailed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("M") << int(Counters::M) << "Hiba: Az UPDATE Sorszam -ba ";
        QTest::newRow("J") << int(Counters::J) << "Hiba: Az UPDATE \"J\" Sorszam -ban ";
        QTest::newRow("S") << int(Counters::S) << "Hiba: Az UPDATE \"S\" Sorszam -ban ";
        QTest::newRow("K") << int(Counters::K) << "Hiba: Az UPDATE Sorszam -ba ";
    }
    // The store is refused: nothing handed out and nothing shown (the caller
    // shows the kind's message), the counter keeps its value and the next
    // draw issues the same number.
    void storeFailed()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        TestApp app;
        const auto k = Counters::Kind(kind);
        const QString letter = Counters::letter(k);
        app.db.exec("CREATE TRIGGER no_update BEFORE UPDATE ON sorszam FOR EACH ROW "
                    "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'");
        const QString before
                = app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = '%1'").arg(letter)).toString();
        Counters c(app.data);
        const Counters::Draw d = c.draw(k);
        QCOMPARE(d.status, Counters::Draw::StoreFailed);
        QCOMPARE(Counters::storeFailedMessage(k), message);
        QVERIFY(app.prompt.shown().isEmpty());
        QVERIFY(d.number.isEmpty());
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = '%1'").arg(letter)).toString(),
                before);
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();

        app.db.exec("DROP TRIGGER no_update");
        const Counters::Draw again = c.draw(k);
        QVERIFY(again.ok());
        QCOMPARE(again.number, QString::number(before.toLongLong() + 1));
    }

    // Inside the caller's transaction the draw joins it: a rollback takes the
    // number back, a commit keeps it.
    void insideCallersTransaction()
    {
        TestApp app;
        Counters c(app.data);
        Query& q = app.data.ZQ12;
        auto sql = [&](const char* s) {
            q.close();
            q.setSql(QString::fromLatin1(s));
            q.exec();
        };
        sql("START TRANSACTION");
        QCOMPARE(c.draw(Counters::M).number, QStringLiteral("1"));
        QVERIFY(app.data.inTransaction());
        sql("ROLLBACK");
        QCOMPARE(app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'M'").toString(), QStringLiteral("0"));
        sql("START TRANSACTION");
        QCOMPARE(c.draw(Counters::M).number, QStringLiteral("1"));
        sql("COMMIT");
        QCOMPARE(app.db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'M'").toString(), QStringLiteral("1"));
    }

    // Two connections drawing one after the other and interleaved never get
    // the same number: the second waits for the first one's lock.
    void twoDrawsNeverEqual()
    {
        TestApp app;
        DataModule other(app.db.settings());
        other.open();
        Counters a(app.data), b(other);
        QSet<QString> seen;
        for (int i = 0; i < 20; ++i) {
            const auto x = (i % 2 ? a : b).draw(Counters::J);
            QVERIFY(x.ok());
            QVERIFY2(!seen.contains(x.number), qPrintable(x.number));
            seen.insert(x.number);
        }
        // An open draw on one connection holds the row: the other's read waits.
        Query& q = app.data.ZQ12;
        q.close();
        q.setSql("START TRANSACTION");
        q.exec();
        const auto held = a.draw(Counters::J);
        QVERIFY(held.ok());
        Query& o = other.ZQ12;
        o.close();
        o.setSql("SET SESSION innodb_lock_wait_timeout = 1");
        o.exec();
        const auto blocked = b.draw(Counters::J);
        QCOMPARE(blocked.status, Counters::Draw::Unreadable);   // lock wait timed out: nothing issued
        q.close();
        q.setSql("COMMIT");
        q.exec();
        const auto after = b.draw(Counters::J);
        QVERIFY(after.ok());
        QCOMPARE(after.number.toInt(), held.number.toInt() + 1);
    }
};

QTEST_GUILESS_MAIN(TestCounters)
#include "test_counters.moc"
