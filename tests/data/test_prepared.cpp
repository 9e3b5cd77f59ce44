// The kept prepared statements of the data module: a statement with values
// inside a transaction costs one execute after its first run, and reads and
// writes exactly what the Qt driver reads and writes.
#include "data/dberror.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "testapp.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

struct Read {
    QStringList columns;
    QList<QList<QVariant>> rows;
};

Read readAll(Query& q, const QString& sql, const Query::Binds& binds)
{
    q.openSql(sql, binds);
    Read r;
    for (int c = 0; c < q.columnCount(); ++c)
        r.columns << q.columnName(c);
    for (int row = 0; row < q.rowCount(); ++row) {
        QList<QVariant> values;
        for (int c = 0; c < q.columnCount(); ++c)
            values << q.valueAt(row, c);
        r.rows << values;
    }
    q.close();
    return r;
}

QString describe(const QVariant& v)
{
    return QStringLiteral("%1%2:%3").arg(QString::fromLatin1(v.typeName() ? v.typeName() : "invalid"),
            v.isNull() ? QStringLiteral(" null") : QString(), v.toString());
}

// The server's own count of this connection's commands of each kind.
QMap<QString, qint64> commands(DataModule& data)
{
    QMap<QString, qint64> m;
    QSqlQuery q(data.database());
    if (!q.exec(QStringLiteral("SHOW SESSION STATUS WHERE Variable_name IN ('Com_stmt_prepare', "
                               "'Com_stmt_execute', 'Com_stmt_close', 'Com_stmt_reset')")))
        qFatal("%s", qPrintable(q.lastError().text()));
    while (q.next())
        m.insert(q.value(0).toString(), q.value(1).toLongLong());
    return m;
}

QMap<QString, qint64> minus(const QMap<QString, qint64>& a, const QMap<QString, qint64>& b)
{
    QMap<QString, qint64> d;
    for (auto it = a.begin(); it != a.end(); ++it)
        d.insert(it.key(), it.value() - b.value(it.key()));
    return d;
}

}   // namespace

class TestPrepared : public QObject {
    Q_OBJECT
private slots:
    // Every table of the program and every column type, read through the
    // driver (outside a transaction) and through the kept statements
    // (inside one): the same column names, value types and values.
    void readsAsTheDriverReads()
    {
        TestApp app;
        for (const QString& s : Schema::demoStatements())
            app.db.exec(s);
        app.db.exec("INSERT INTO meres (mBszam, mDatum, mBeido, mTiszt, mBemeres1) "
                    "VALUES ('5', '2026-12-10', '07:05:09', 96.5, 18320)");
        app.db.exec("INSERT INTO vello (jBszam, jDatum, jNettoBe) VALUES ('9', '2026-12-10', 11922.96)");
        app.db.exec("CREATE TABLE tipusok (i INT, u INT UNSIGNED, t TINYINT, s SMALLINT, b BIGINT, "
                    "ub BIGINT UNSIGNED, d DOUBLE, de DECIMAL(12,3), dt DATE, tm TIME, ts DATETIME, "
                    "c CHAR(3), v VARCHAR(200), tx TEXT, bi VARBINARY(10))");
        app.db.exec("INSERT INTO tipusok VALUES (-7, 4000000000, -3, 300, 9007199254740993, 18446744073709551615, "
                    "11922.96, 157.040, '2026-12-11', '838:59:59', '2026-12-11 23:59:58', 'ÁÉŐ', "
                    "'Kovács \"Öcsi\" István', REPEAT('árvíztűrő tükörfúrógép ', 400), x'00ff10'), "
                    "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
                    "(0, 0, 0, 0, 0, 0, 0, 0, '2026-01-01', '00:00:00', '2026-01-01 00:00:00', '', '', '', '')");
        QStringList tables = DataModule::tableNames();
        tables << QStringLiteral("tipusok");
        Query& q = app.data.ZQ12;
        for (const QString& table : tables) {
            const QString sql = QStringLiteral("SELECT * FROM %1 WHERE :p0 = 1").arg(table);
            const Read driver = readAll(q, sql, {{QStringLiteral("p0"), 1}});
            Transaction t(app.data);
            const qint64 prepares = app.data.preparesSent();
            const Read kept = readAll(q, sql, {{QStringLiteral("p0"), 1}});
            QCOMPARE(app.data.preparesSent(), prepares + 1);   // it went the kept way
            t.rollback();
            QCOMPARE(kept.columns, driver.columns);
            QCOMPARE(kept.rows.size(), driver.rows.size());
            for (int r = 0; r < driver.rows.size(); ++r)
                for (int c = 0; c < driver.columns.size(); ++c)
                    QVERIFY2(describe(kept.rows[r][c]) == describe(driver.rows[r][c])
                                    && kept.rows[r][c] == driver.rows[r][c],
                            qPrintable(QStringLiteral("%1.%2 row %3: kept %4, driver %5")
                                               .arg(table, driver.columns[c])
                                               .arg(r)
                                               .arg(describe(kept.rows[r][c]), describe(driver.rows[r][c]))));
        }
        QVERIFY(!app.data.inTransaction());
    }

    // Values of every type the program binds reach the server as the
    // driver sends them: the same row stored both ways, read back by the
    // server. (The driver cannot read back a column whose type only the
    // bound value decides, so the values go through a table.)
    void bindsAsTheDriverBinds()
    {
        TestApp app;
        app.db.exec(
                "CREATE TABLE kotesek (ut VARCHAR(10), a INT, b BIGINT, c DOUBLE, d VARCHAR(100), e VARCHAR(10), "
                "f DATE, g TIME, h TINYINT, i VARBINARY(10), j VARCHAR(10), k VARCHAR(10), l DOUBLE, m VARCHAR(10), "
                "n INT)");
        const Query::Binds binds {{QStringLiteral("p0"), 42}, {QStringLiteral("p1"), qlonglong(9007199254740993)},
                {QStringLiteral("p2"), 14.5}, {QStringLiteral("p3"), QStringLiteral("Búza \"étkezési\" 'A' \\ 100%")},
                {QStringLiteral("p4"), QString()}, {QStringLiteral("p5"), QDate(2026, 12, 11)},
                {QStringLiteral("p6"), QTime(7, 5, 9)}, {QStringLiteral("p7"), true},
                {QStringLiteral("p8"), QByteArray("\x00\xff", 2)}, {QStringLiteral("p9"), QVariant()},
                {QStringLiteral("p10"), QStringLiteral("")}, {QStringLiteral("p11"), 96.5f}};
        // A quoted colon and a double colon are no placeholders; a name
        // used twice is bound twice.
        const QString sql
                = QStringLiteral("INSERT INTO kotesek VALUES (:way, :p0 + 1, :p1, :p2 * 2, CONCAT(:p3, ' :p0'), :p4, "
                                 "DATE_ADD(:p5, INTERVAL 1 DAY), :p6, :p7, :p8, :p9, :p10, :p11, \"12:30\", :p0)");
        Query& q = app.data.ZQ62;
        Query::Binds driver = binds;
        driver << qMakePair(QStringLiteral("way"), QVariant(QStringLiteral("driver")));
        QCOMPARE(q.run(sql, driver), 1);
        Query::Binds kept = binds;
        kept << qMakePair(QStringLiteral("way"), QVariant(QStringLiteral("kept")));
        Transaction t(app.data);
        const qint64 prepares = app.data.preparesSent();
        QCOMPARE(q.run(sql, kept), 1);
        QCOMPARE(app.data.preparesSent(), prepares + 1);
        t.commit();
        const QString row = QStringLiteral(
                "SELECT CONCAT_WS('|', a, b, c, d, IFNULL(e, 'NULL'), f, g, h, HEX(i), IFNULL(j, 'NULL'), "
                "CONCAT('[', k, ']'), l, m, n) FROM kotesek WHERE ut = '%1'");
        const QString stored = app.db.scalar(row.arg(QLatin1String("kept"))).toString();
        QCOMPARE(stored, app.db.scalar(row.arg(QLatin1String("driver"))).toString());
        QCOMPARE(stored,
                QStringLiteral("43|9007199254740993|29|Búza \"étkezési\" 'A' \\ 100% :p0|NULL|2026-12-12|07:05:09|1|"
                               "00FF|NULL|[]|96.5|12:30|42"));
    }

    // The round trips, counted by the server for this connection: a
    // statement run again costs one execute, no prepare, reset or close;
    // the driver's way costs all four each time.
    void repeatedStatementIsOneExecute_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::newRow("kept") << true;
        QTest::newRow("prepared anew (the driver's way)") << false;
    }
    void repeatedStatementIsOneExecute()
    {
        QFETCH(bool, keep);
        TestApp app;
        app.data.setKeepPrepared(keep);
        app.db.exec("INSERT INTO raktar (kKod, kNev) VALUES ('1', 'Siló')");
        Transaction warm(app.data);   // the first run prepares
        app.data.ZQ62.run(QStringLiteral("UPDATE raktar SET kNev = :p0 WHERE kKod = :p1"),
                {{QStringLiteral("p0"), QStringLiteral("x")}, {QStringLiteral("p1"), QStringLiteral("1")}});
        app.data.ZQ63.openSql(QStringLiteral("SELECT kNev FROM raktar WHERE kKod = :p0"),
                {{QStringLiteral("p0"), QStringLiteral("1")}});
        warm.commit();
        const QMap<QString, qint64> before = commands(app.data);
        for (int i = 0; i < 10; ++i) {
            Transaction t(app.data);
            QCOMPARE(app.data.ZQ62.run(QStringLiteral("UPDATE raktar SET kNev = :p0 WHERE kKod = :p1"),
                             {{QStringLiteral("p0"), QStringLiteral("Siló %1").arg(i)},
                                     {QStringLiteral("p1"), QStringLiteral("1")}}),
                    1);
            app.data.ZQ63.openSql(QStringLiteral("SELECT kNev FROM raktar WHERE kKod = :p0"),
                    {{QStringLiteral("p0"), QStringLiteral("1")}});
            QCOMPARE(app.data.ZQ63.text(QStringLiteral("kNev")), QStringLiteral("Siló %1").arg(i));
            t.commit();
        }
        const QMap<QString, qint64> d = minus(commands(app.data), before);
        QCOMPARE(d.value("Com_stmt_execute"), 20);
        if (keep) {
            QCOMPARE(d.value("Com_stmt_prepare"), 0);
            QCOMPARE(d.value("Com_stmt_reset"), 0);
            QCOMPARE(d.value("Com_stmt_close"), 0);
        } else {
            QCOMPARE(d.value("Com_stmt_prepare"), 20);
        }
        QCOMPARE(app.db.scalar("SELECT kNev FROM raktar").toString(), QStringLiteral("Siló 9"));
    }

    // A table changed on the server under a kept statement (an upgrade
    // adds and alters columns while the program runs): the next run reads
    // the columns as they are now.
    void tableChangedUnderAKeptStatement()
    {
        TestApp app;
        app.db.exec("CREATE TABLE valtozo (a INT, c VARCHAR(5))");
        app.db.exec("INSERT INTO valtozo VALUES (1, 'x')");
        const QString sql = QStringLiteral("SELECT * FROM valtozo WHERE a = :p0");
        Query& q = app.data.ZQ12;
        {
            Transaction t(app.data);
            q.openSql(sql, {{QStringLiteral("p0"), 1}});
            QCOMPARE(q.columnCount(), 2);
            t.commit();
        }
        app.db.exec("ALTER TABLE valtozo MODIFY a BIGINT, ADD COLUMN b VARCHAR(20) NOT NULL DEFAULT 'új' FIRST, "
                    "MODIFY c VARCHAR(300)");
        app.db.exec("UPDATE valtozo SET c = REPEAT('hosszú ', 40)");
        for (int run = 0; run < 2; ++run) {
            Transaction t(app.data);
            try {
                q.openSql(sql, {{QStringLiteral("p0"), 1}});
            } catch (const DbError& e) {
                QFAIL(qPrintable(QStringLiteral("run %1: %2 (%3)").arg(run).arg(e.text()).arg(e.code())));
            }
            QCOMPARE(q.columnCount(), 3);
            QCOMPARE(q.columnName(0), QStringLiteral("b"));
            QCOMPARE(q.value(QStringLiteral("b")).toString(), QStringLiteral("új"));
            QCOMPARE(q.value(QStringLiteral("a")).typeId(), int(QMetaType::LongLong));
            QCOMPARE(q.value(QStringLiteral("c")).toString(), QStringLiteral("hosszú ").repeated(40));
            t.commit();
        }
    }

    // A refused run leaves the statement usable; an insert's id comes with
    // its reply; a new connection prepares again and works.
    void refusalsIdsAndReconnects()
    {
        TestApp app;
        app.db.exec("CREATE TABLE egyedi (id BIGINT AUTO_INCREMENT PRIMARY KEY, kod VARCHAR(10) UNIQUE)");
        const QString insert = QStringLiteral("INSERT INTO egyedi (kod) VALUES (:p0)");
        Query& q = app.data.ZQ62;
        {
            Transaction t(app.data);
            QCOMPARE(q.run(insert, {{QStringLiteral("p0"), QStringLiteral("A")}}), 1);
            const qint64 first = q.lastInsertId().toLongLong();
            QVERIFY(first > 0);
            try {
                q.run(insert, {{QStringLiteral("p0"), QStringLiteral("A")}});
                QFAIL("a duplicate was stored");
            } catch (const DbError& e) {
                QCOMPARE(e.code(), 1062);
            }
            QCOMPARE(q.run(insert, {{QStringLiteral("p0"), QStringLiteral("B")}}), 1);
            QCOMPARE(q.lastInsertId().toLongLong(), first + 2);   // the refused one used an id
            t.commit();
        }
        const qint64 prepares = app.data.preparesSent();
        // The connection drops at a read outside a transaction: the read
        // reconnects and is sent again; the kept statements went with the
        // old connection.
        app.data.failStatement(1, 2013);
        app.data.ZQ63.openSql(QStringLiteral("SELECT COUNT(*) AS n FROM egyedi"));
        QCOMPARE(app.data.ZQ63.value(QStringLiteral("n")).toInt(), 2);
        {
            Transaction t(app.data);
            QCOMPARE(q.run(insert, {{QStringLiteral("p0"), QStringLiteral("C")}}), 1);
            t.commit();
        }
        QCOMPARE(app.data.preparesSent(), prepares + 1);
        QCOMPARE(
                app.db.scalar("SELECT GROUP_CONCAT(kod ORDER BY kod) FROM egyedi").toString(), QStringLiteral("A,B,C"));
    }
};

QTEST_GUILESS_MAIN(TestPrepared)
#include "test_prepared.moc"
