#include "alibifixture.h"
#include "data/dberror.h"
#include "data/transaction.h"

#include <QAtomicInteger>
#include <QDeadlineTimer>
#include <QThread>
#include <QTest>

#include <atomic>
#include <thread>

using namespace alibitest;

namespace {

// Entry `number` as the log holds it; fails the test when missing.
AlibiEntry stored(AlibiLog& log, qint64 number)
{
    const std::optional<AlibiEntry> e = log.entry(number);
    if (!e)
        QTest::qFail(qPrintable(QStringLiteral("no entry %1").arg(number)), __FILE__, __LINE__);
    return e.value_or(AlibiEntry());
}

// Waits until the server's connection `id` waits for a lock, or `done` is
// set (the other side finished without waiting); false after a minute. This
// is a condition, looked up again and again, not a pause that hopes the
// other side got there.
bool waitForLockWait(const TestDb& db, const std::atomic<qint64>& id, const std::atomic<bool>& done)
{
    QDeadlineTimer deadline(60000);
    while (id.load() == 0 && !done.load() && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    while (!done.load() && !deadline.hasExpired()) {
        const QVariant n = db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.INNODB_TRX "
                                                    "WHERE trx_mysql_thread_id = %1 AND trx_state = 'LOCK WAIT'")
                                             .arg(id.load()));
        if (n.toInt() > 0)
            return true;
        // The server refreshes its transaction list only when it was not
        // read for 0.1 s: asking again at once would keep showing the old one.
        QThread::msleep(150);
    }
    return false;
}

}   // namespace

class TestAlibiLog : public QObject {
    Q_OBJECT
private slots:
    void escapeFrame_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("printable") << "ST,GS,+  012340kg"
                                   << "ST,GS,+  012340kg";
        QTest::newRow("line end") << "ST,GS,+  012340kg\r\n"
                                  << "ST,GS,+  012340kg\\x0D\\x0A";
        QTest::newRow("backslash doubled") << "a\\b"
                                           << "a\\\\b";
        QTest::newRow("control and high bytes") << QString::fromLatin1("\x02"
                                                                       "12\xFF\x7F")
                                                << "\\x0212\\xFF\\x7F";
        QTest::newRow("beyond latin-1") << QString(QChar(0x0151)) << "\\u0151";
        QTest::newRow("empty") << ""
                               << "";
    }
    void escapeFrame()
    {
        QFETCH(QString, raw);
        QFETCH(QString, escaped);
        QCOMPARE(AlibiEntry::escapeFrame(raw), escaped);
    }

    void weightText_data()
    {
        QTest::addColumn<double>("kg");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 12340.0 << "12340.000";
        QTest::newRow("half") << 1234.5 << "1234.500";
        QTest::newRow("zero") << 0.0 << "0.000";
        QTest::newRow("negative zero") << -0.0 << "0.000";
        QTest::newRow("negative") << -20.0 << "-20.000";
    }
    void weightText()
    {
        QFETCH(double, kg);
        QFETCH(QString, text);
        QCOMPARE(AlibiEntry::weightText(kg), text);
    }

    // Entries of every source are numbered 1, 2, 3, ..., hold what was
    // appended (the server's time, the workstation, the escaped frame), each
    // chained onto the one before; verify counts them all.
    void appendAndVerify()
    {
        TestApp app;
        AlibiLog log(app.data, QStringLiteral("mérlegház-1"));
        QCOMPARE(log.database(), app.db.name() + QStringLiteral("_alibi"));
        QCOMPARE(log.verify().verified, 0);
        QVERIFY(log.verify().ok());

        const QDateTime before
                = QDateTime::fromString(app.db.scalar("SELECT DATE_FORMAT(NOW(), '%Y-%m-%d %H:%i:%s')").toString(),
                        QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QCOMPARE(log.append(scaleReading(12340)), 1);
        QCOMPARE(log.append(typedReading(8120)), 2);
        QCOMPARE(log.append(typedReading(7450.5, AlibiEntry::RegisterTare)), 3);
        QCOMPARE(log.append(scaleReading(0, QStringLiteral("/dev/ttyUSB0"))), 4);
        QCOMPARE(log.lastNumber(), 4);
        QVERIFY(!app.data.inTransaction());

        const AlibiEntry e1 = stored(log, 1);
        QCOMPARE(e1.number, 1);
        QCOMPARE(e1.workstation, QStringLiteral("mérlegház-1"));
        QCOMPARE(e1.source, QStringLiteral("mérleg"));
        QCOMPARE(e1.weight, QStringLiteral("12340.000"));
        QCOMPARE(e1.digits, QStringLiteral("012340"));
        QCOMPARE(e1.status, QStringLiteral("ST"));
        QCOMPARE(e1.port, QStringLiteral("/dev/ttyS0"));
        QCOMPARE(e1.frame, QStringLiteral("ST,GS,+  012340kg\\x0D\\x0A"));
        QCOMPARE(e1.chain, e1.computeChain(AlibiEntry::firstPrevious()));
        QCOMPARE(e1.chain.size(), 64);
        const QDateTime at = QDateTime::fromString(e1.time, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY2(at.isValid() && at >= before && at <= before.addSecs(60), qPrintable(e1.time));

        const AlibiEntry e2 = stored(log, 2);
        QCOMPARE(e2.source, QStringLiteral("kézi"));
        QCOMPARE(e2.weight, QStringLiteral("8120.000"));
        QVERIFY(e2.digits.isEmpty() && e2.status.isEmpty() && e2.port.isEmpty() && e2.frame.isEmpty());
        QCOMPARE(e2.chain, e2.computeChain(e1.chain));
        const AlibiEntry e3 = stored(log, 3);
        QCOMPARE(e3.source, QStringLiteral("törzs tára"));
        QCOMPARE(e3.weight, QStringLiteral("7450.500"));
        QCOMPARE(e3.chain, e3.computeChain(e2.chain));
        QCOMPARE(stored(log, 4).port, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(!log.entry(5));

        const AlibiLog::Verification v = log.verify();
        QVERIFY(v.ok());
        QCOMPARE(v.verified, 4);
        // read in pages of any size, the chain runs on across the pages
        for (int page : {1, 3, 4, 5}) {
            QVERIFY(log.verify(page).ok());
            QCOMPARE(log.verify(page).verified, 4);
        }
        QCOMPARE(log.entriesOn(QDate::fromString(e1.time.left(10), Qt::ISODate)).size(), 4);
        QVERIFY(log.entriesOn(QDate(2001, 1, 1)).isEmpty());
    }

    // The chain value's definition, written once more in the server's SQL
    // (as the benchmark generates its entries): both give the same value
    // for every entry.
    void chainDefinitionInSql()
    {
        TestApp app;
        AlibiLog log(app.data, QStringLiteral("ws"));
        log.append(scaleReading(12340));
        log.append(typedReading(-20));
        AlibiLog::Reading odd = scaleReading(99);
        odd.rawFrame = QString::fromUtf8("ő\\\x01");
        odd.status = QStringLiteral("ÁÉ");
        log.append(odd);
        app.db.exec("SET @p = REPEAT('0', 64)");
        app.db.exec(QStringLiteral(
                "CREATE TEMPORARY TABLE sqlchain AS SELECT nr, lanc, @p := SHA2(CONCAT("
                "LENGTH(@p), ':', @p, ',', LENGTH(nr), ':', nr, ',', "
                "LENGTH(CAST(ido AS CHAR)), ':', CAST(ido AS CHAR), ',', LENGTH(gep), ':', gep, ',', "
                "LENGTH(forras), ':', forras, ',', LENGTH(CAST(suly AS CHAR)), ':', CAST(suly AS CHAR), ',', "
                "LENGTH(szamjegy), ':', szamjegy, ',', LENGTH(allapot), ':', allapot, ',', "
                "LENGTH(port), ':', port, ',', LENGTH(nyers), ':', nyers, ','), 256) AS computed "
                "FROM %1 ORDER BY nr")
                            .arg(naplo(app.db)));
        QCOMPARE(app.db.count("sqlchain"), 3);
        QCOMPARE(app.db.count("sqlchain", "lanc <> computed"), 0);
    }

    // Inside the caller's transaction the entry belongs to it: rolled back,
    // it was never there and its number is taken again; committed, it stays.
    void joinsCallersTransaction()
    {
        TestApp app;
        AlibiLog log(app.data);
        {
            Transaction t(app.data);
            QCOMPARE(log.append(typedReading(100)), 1);
            QVERIFY(app.data.inTransaction());
            log.link(1, 7, 1, AlibiLog::In);
            t.rollback();
        }
        QCOMPARE(app.db.count(naplo(app.db)), 0);
        QCOMPARE(app.db.count(kapcsolat(app.db)), 0);
        {
            Transaction t(app.data);
            QCOMPARE(log.append(typedReading(200)), 1);
            QCOMPARE(log.append(typedReading(300)), 2);
            t.commit();
        }
        QCOMPARE(stored(log, 1).weight, QStringLiteral("200.000"));
        QCOMPARE(log.verify().verified, 2);
    }

    // A store that fails at any of its statements after the log's leaves
    // neither an entry nor a link: walk the failure over every statement of
    // a store-like transaction (append, link, the row update).
    void failedStoreLeavesNothing_data()
    {
        QTest::addColumn<int>("failAt");
        // START, the append (one statement), the link, UPDATE meres, COMMIT
        for (int n = 1; n <= 5; ++n)
            QTest::newRow(qPrintable(QStringLiteral("statement %1").arg(n))) << n;
    }
    void failedStoreLeavesNothing()
    {
        QFETCH(int, failAt);
        TestApp app;
        AlibiLog log(app.data);
        log.append(scaleReading(5000));   // an earlier entry, kept
        app.db.exec("INSERT INTO meres (mBszam, mBemeres1) VALUES ('1', 0)");
        const qint64 idm = app.db.scalar("SELECT MAX(IDm) FROM meres").toLongLong();
        app.data.failStatement(failAt, 1205);
        bool failed = false;
        try {
            Transaction t(app.data);
            const qint64 nr = log.append(typedReading(8120));
            log.link(nr, idm, 1, AlibiLog::In);
            app.data.ZQ12.run(QStringLiteral("UPDATE meres SET mBemeres1 = :p0 WHERE IDm = :p1"),
                    {{QStringLiteral("p0"), 8120.0}, {QStringLiteral("p1"), idm}});
            t.commit();
        } catch (const DbError& e) {
            failed = true;
            QCOMPARE(e.code(), 1205);
        }
        QVERIFY(failed);
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(app.db.count(naplo(app.db)), 1);
        QCOMPARE(app.db.count(kapcsolat(app.db)), 0);
        QCOMPARE(app.db.scalar("SELECT mBemeres1 FROM meres").toDouble(), 0.0);
        // and the next append goes on from the kept entry
        QCOMPARE(log.append(typedReading(8120)), 2);
        QCOMPARE(log.verify().verified, 2);
    }

    // Links of a pending weighing, carried to the ticket by the
    // finalisation's one statement: the newest link of each measurement
    // goes over and the ticket entry names the same entries; a finalisation
    // rolled back carries and appends nothing.
    void linksCarriedToTicket()
    {
        TestApp app;
        AlibiLog log(app.data);
        const qint64 in1 = log.append(scaleReading(14000));
        const qint64 in2 = log.append(scaleReading(9000));
        const qint64 out1old = log.append(scaleReading(6100));
        const qint64 out1 = log.append(typedReading(6000));
        const qint64 out2 = log.append(typedReading(4000, AlibiEntry::RegisterTare));
        const qint64 other = log.append(scaleReading(3000));
        log.link(in1, 11, 1, AlibiLog::In);
        log.link(in2, 11, 2, AlibiLog::In);
        log.link(out1old, 11, 1, AlibiLog::Out);
        log.link(out1, 11, 1, AlibiLog::Out);   // measured again: this one counts
        log.link(out2, 11, 2, AlibiLog::Out);
        log.link(other, 12, 1, AlibiLog::In);
        QCOMPARE(log.linksOfPending(11).size(), 5);
        const auto [r1, r2] = ticketRows(app.db, QStringLiteral("41"), 14000, 6000, 9000, 4000);

        {
            Transaction t(app.data);
            QCOMPARE(log.recordTicket(11, QStringLiteral("41"), r1, r2).number, 7);
            t.rollback();
        }
        QVERIFY(log.linksOfTicket(QStringLiteral("41")).isEmpty());
        QVERIFY(!log.ticketEntry(QStringLiteral("41")));
        QCOMPARE(log.lastNumber(), 6);
        AlibiLog::TicketEntry entry;
        {
            Transaction t(app.data);
            entry = log.recordTicket(11, QStringLiteral("41"), r1, r2);
            t.commit();
        }
        QCOMPARE(entry.number, 7);
        QCOMPARE(log.ticketEntry(QStringLiteral("41"))->chain, entry.chain);
        const QList<AlibiLog::Link> ticket = log.linksOfTicket(QStringLiteral("41"));
        QCOMPARE(ticket.size(), 4);
        // in measurement order: B1, B2, K1, K2
        const QList<qint64> expected {in1, in2, out1, out2};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(ticket[i].number, expected[i]);
            QCOMPARE(ticket[i].pendingId, 11);
            QCOMPARE(ticket[i].slot, i % 2 + 1);
            QCOMPARE(ticket[i].direction, i < 2 ? AlibiLog::In : AlibiLog::Out);
        }
        QVERIFY(log.entry(7)->frame.startsWith(
                QStringLiteral("B1=14000.000@1;B2=9000.000@2;K1=6000.000@4;K2=4000.000@5;")));
        // entry out1 now names its pending weighing and its ticket
        const QList<AlibiLog::Link> l = log.links(out1);
        QCOMPARE(l.size(), 2);
        QVERIFY(l[0].ticket.isEmpty());
        QCOMPARE(l[1].ticket, QStringLiteral("41"));
        QVERIFY(log.links(out1old).size() == 1);   // the replaced reading stays pending only
        QCOMPARE(log.linksOfPending(12).size(), 1);
        QVERIFY(log.linksOfTicket(QStringLiteral("42")).isEmpty());
        QVERIFY2(log.verify().ok(), qPrintable(log.verify().message()));
    }

    // Two workstations appending at once, interleaved at the statement that
    // matters. "waits": the second workstation appends while the first's
    // transaction holds its appended entry (and the lock row): it waits for
    // the first's COMMIT and chains onto its entry. "after a read": the
    // second appends after the first's transaction read the log and before
    // the first's append: the first's append still chains onto the second's
    // entry (the routine's locking read sees the newest committed entry).
    // One valid chain results, with an empty or a filled log.
    void twoWorkstationsInterleaved_data()
    {
        QTest::addColumn<int>("earlier");
        QTest::addColumn<bool>("waits");
        QTest::newRow("empty log, waits") << 0 << true;
        QTest::newRow("empty log, after a read") << 0 << false;
        QTest::newRow("filled log, waits") << 3 << true;
        QTest::newRow("filled log, after a read") << 3 << false;
    }
    void twoWorkstationsInterleaved()
    {
        QFETCH(int, earlier);
        QFETCH(bool, waits);
        TestApp app;
        AlibiLog a(app.data, QStringLiteral("mérlegház-A"));
        for (int i = 0; i < earlier; ++i)
            a.append(scaleReading(1000 + i));

        std::optional<Transaction> t;
        t.emplace(app.data);
        // the caller's transaction read the log before the other append
        app.data.ZQ12.openSql(QStringLiteral("SELECT COUNT(*) FROM %1").arg(naplo(app.db)));
        std::thread other;
        std::atomic<qint64> otherConnection {0};
        std::atomic<bool> otherDone {false};
        qint64 otherNumber = 0;
        QString otherError;
        bool waited = false;
        // statement 1 is the first's append, 2 its COMMIT
        app.data.beforeStatementRuns(waits ? 2 : 1, [&] {
            other = std::thread([&] {
                try {
                    DataModule dm(app.db.settings());
                    dm.open();
                    dm.ZQ10.openSql(QStringLiteral("SELECT CONNECTION_ID()"));
                    otherConnection = dm.ZQ10.value(0).toLongLong();
                    dm.ZQ10.close();
                    AlibiLog b(dm, QStringLiteral("mérlegház-B"));
                    otherNumber = b.append(scaleReading(2222));
                } catch (const DbError& e) {
                    otherError = e.text();
                }
                otherDone = true;
            });
            if (waits)
                waited = waitForLockWait(app.db, otherConnection, otherDone);
            else
                other.join();
        });
        qint64 mine = 0;
        QString myError;
        try {
            mine = a.append(scaleReading(1111));
            t->commit();
        } catch (const DbError& e) {
            myError = e.text();
        }
        if (other.joinable())
            other.join();
        QVERIFY2(myError.isEmpty(), qPrintable(myError));
        QVERIFY2(otherError.isEmpty(), qPrintable(otherError));
        QCOMPARE(waited, waits);
        QCOMPARE(mine, earlier + (waits ? 1 : 2));
        QCOMPARE(otherNumber, earlier + (waits ? 2 : 1));

        const AlibiEntry ea = stored(a, mine);
        const AlibiEntry eb = stored(a, otherNumber);
        QCOMPARE(ea.workstation, QStringLiteral("mérlegház-A"));
        QCOMPARE(eb.workstation, QStringLiteral("mérlegház-B"));
        if (waits)
            QCOMPARE(eb.chain, eb.computeChain(ea.chain));
        else
            QCOMPARE(ea.chain, ea.computeChain(eb.chain));
        const AlibiLog::Verification v = a.verify();
        QVERIFY(v.ok());
        QCOMPARE(v.verified, earlier + 2);
    }

    // The second workstation's append that cannot get the lock in time
    // writes nothing (rather than an entry chained onto a stale last entry):
    // it fails with the lock wait timeout, and after the first's commit it
    // goes on from the first's entry.
    void lockTimeoutWritesNothing()
    {
        TestApp app;
        AlibiLog a(app.data, QStringLiteral("A"));
        a.append(scaleReading(1000));
        DataModule otherData(app.db.settings());
        otherData.open();
        otherData.ZQ10.run(QStringLiteral("SET SESSION innodb_lock_wait_timeout = 1"));
        AlibiLog b(otherData, QStringLiteral("B"));
        int code = 0;
        {
            Transaction t(app.data);
            app.data.beforeStatementRuns(2, [&] {   // before A's COMMIT
                try {
                    b.append(scaleReading(2000));
                } catch (const DbError& e) {
                    code = e.code();
                }
            });
            QCOMPARE(a.append(scaleReading(1100)), 2);
            t.commit();
        }
        QCOMPARE(code, 1205);
        QVERIFY(!otherData.inTransaction());
        QCOMPARE(app.db.count(naplo(app.db)), 2);
        QCOMPARE(b.append(scaleReading(2000)), 3);
        QCOMPARE(b.verify().verified, 3);
    }

    // Changes made behind the program's back, with the server's root user:
    // verify names exactly the entry changed (or the one after a removed
    // entry), and counts the entries before it.
    void tamperingFound_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("problem");
        QTest::addColumn<int>("reported");
        using V = AlibiLog::Verification;
        QTest::newRow("weight of the first")
                << "UPDATE %1 SET suly = suly + 1 WHERE nr = 1" << 1 << int(V::ChainMismatch) << 1;
        QTest::newRow("weight in the middle")
                << "UPDATE %1 SET suly = 12000 WHERE nr = 5" << 5 << int(V::ChainMismatch) << 5;
        QTest::newRow("weight of the last") << "UPDATE %1 SET suly = 0 WHERE nr = 8" << 8 << int(V::ChainMismatch) << 8;
        QTest::newRow("time") << "UPDATE %1 SET ido = ido - INTERVAL 1 DAY WHERE nr = 3" << 3 << int(V::ChainMismatch)
                              << 3;
        QTest::newRow("workstation") << "UPDATE %1 SET gep = 'x' WHERE nr = 4" << 4 << int(V::ChainMismatch) << 4;
        QTest::newRow("source") << "UPDATE %1 SET forras = 'kézi' WHERE nr = 6" << 6 << int(V::ChainMismatch) << 6;
        QTest::newRow("raw frame") << "UPDATE %1 SET nyers = 'ST,GS,+  099999kg' WHERE nr = 2" << 2
                                   << int(V::ChainMismatch) << 2;
        QTest::newRow("digits") << "UPDATE %1 SET szamjegy = '099999' WHERE nr = 7" << 7 << int(V::ChainMismatch) << 7;
        QTest::newRow("chain value recomputed without the rest")
                << "UPDATE %1 SET lanc = SHA2('x', 256) WHERE nr = 5" << 5 << int(V::ChainMismatch) << 5;
        QTest::newRow("entry removed") << "DELETE FROM %1 WHERE nr = 4" << 4 << int(V::NumberGap) << 5;
        QTest::newRow("first entry removed") << "DELETE FROM %1 WHERE nr = 1" << 1 << int(V::NumberGap) << 2;
    }
    void tamperingFound()
    {
        QFETCH(QString, change);
        QFETCH(int, entry);
        QFETCH(int, problem);
        QFETCH(int, reported);
        TestApp app;
        AlibiLog log(app.data);
        for (int i = 1; i <= 8; ++i)
            log.append(scaleReading(1000 * i));
        QCOMPARE(log.verify().verified, 8);
        app.db.exec(change.arg(naplo(app.db)));
        // the same finding whether the broken entry opens a page, closes
        // one or stands inside one
        for (int page : {20000, 1, 2, 3, 4}) {
            const AlibiLog::Verification v = log.verify(page);
            QCOMPARE(int(v.problem), problem);
            QCOMPARE(v.firstBroken, reported);
            QCOMPARE(v.verified, entry - 1);
            if (problem == AlibiLog::Verification::NumberGap)
                QCOMPARE(v.expected, entry);
        }
    }

    // The last entry removed: the chain alone cannot show it, but a link
    // that names it does.
    void lastEntryRemovedFoundByItsLink()
    {
        TestApp app;
        AlibiLog log(app.data);
        for (int i = 1; i <= 3; ++i)
            log.link(log.append(scaleReading(1000 * i)), 5, i == 3 ? 1 : 2, AlibiLog::In);
        app.db.exec(QStringLiteral("DELETE FROM %1 WHERE nr = 3").arg(naplo(app.db)));
        const AlibiLog::Verification v = log.verify();
        QCOMPARE(int(v.problem), int(AlibiLog::Verification::MissingEntry));
        QCOMPARE(v.firstBroken, 3);
        QCOMPARE(v.verified, 2);
    }
};

QTEST_GUILESS_MAIN(TestAlibiLog)
#include "test_alibi_log.moc"
