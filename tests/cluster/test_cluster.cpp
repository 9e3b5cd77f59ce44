// Several workstations on one Galera cluster: each node its own workstation's
// server, the same tables, users and counters on all three.
#include "clusterdb.h"

#include "context/appcontext.h"
#include "data/counters.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "registers/registerentry.h"
#include "registers/registermember.h"
#include "registers/registerstate.h"
#include "ui/scriptedprompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What a node holds of a database's tables: columns, keys, engine and
// character set, and the rows the creation step writes.
QStringList layout(int node, const QString& database)
{
    QStringList out;
    QSqlQuery q(Cluster::admin(node));
    const QStringList queries = {
            QStringLiteral("SELECT CONCAT_WS('|', TABLE_NAME, ENGINE, TABLE_COLLATION) FROM information_schema.TABLES "
                           "WHERE TABLE_SCHEMA = ? ORDER BY TABLE_NAME"),
            QStringLiteral("SELECT CONCAT_WS('|', TABLE_NAME, COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, "
                           "IFNULL(COLUMN_DEFAULT, '-'), EXTRA) FROM information_schema.COLUMNS "
                           "WHERE TABLE_SCHEMA = ? ORDER BY TABLE_NAME, ORDINAL_POSITION"),
            QStringLiteral("SELECT CONCAT_WS('|', TABLE_NAME, INDEX_NAME, NON_UNIQUE, SEQ_IN_INDEX, COLUMN_NAME) "
                           "FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = ? "
                           "ORDER BY TABLE_NAME, INDEX_NAME, SEQ_IN_INDEX")};
    for (const QString& sql : queries) {
        q.prepare(sql);
        q.addBindValue(database);
        if (!q.exec())
            return {QStringLiteral("failed: ") + sql};
        while (q.next())
            out << q.value(0).toString();
    }
    for (const QString& sql : {QStringLiteral("SELECT CONCAT_WS('|', sKod, sBszam) FROM `%1`.sorszam ORDER BY sKod"),
                 QStringLiteral("SELECT CONCAT_WS('|', IDa, aNeve) FROM `%1`.atvevo ORDER BY IDa")}) {
        if (!q.exec(sql.arg(database)))
            return {QStringLiteral("failed: ") + sql};
        while (q.next())
            out << q.value(0).toString();
    }
    return out;
}

int clientPort(int node)
{
    return Cluster::scalar(node, QStringLiteral("SELECT @@port")).toInt();
}

// Runs vello-create with the given arguments and no settings file of its own.
struct ToolRun {
    int exitCode = -1;
    QString out, err;
};
ToolRun runCreate(const QStringList& args, const QString& configHome)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    env.remove(QStringLiteral("MYSQL_PWD"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-create"), args);
    ToolRun r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

qint64 highest(const QStringList& numbers)
{
    qint64 m = 0;
    for (const QString& n : numbers)
        m = qMax(m, n.toLongLong());
    return m;
}

}   // namespace

class TestCluster : public QObject {
    Q_OBJECT
private slots:
    // The cluster as the tests and the deployment need it: three synced
    // nodes, one table-name setting, ids stepping by the node count.
    void clusterIsWhole()
    {
        QSet<int> offsets;
        for (int node = 1; node <= 3; ++node) {
            QCOMPARE(Cluster::scalar(node,
                             QStringLiteral("SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                                            "WHERE VARIABLE_NAME = 'WSREP_CLUSTER_SIZE'"))
                             .toInt(),
                    3);
            QCOMPARE(Cluster::scalar(node,
                             QStringLiteral("SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                                            "WHERE VARIABLE_NAME = 'WSREP_LOCAL_STATE_COMMENT'"))
                             .toString(),
                    QStringLiteral("Synced"));
            QCOMPARE(Cluster::scalar(node, QStringLiteral("SELECT @@lower_case_table_names")).toInt(), 0);
            QCOMPARE(Cluster::scalar(node, QStringLiteral("SELECT @@auto_increment_increment")).toInt(), 3);
            offsets.insert(Cluster::scalar(node, QStringLiteral("SELECT @@auto_increment_offset")).toInt());
        }
        QCOMPARE(offsets.size(), 3);
    }

    // Rows added on different nodes get ids with gaps between them: nothing
    // may take the next id for the row count or the last id plus one.
    void idsStepByNode()
    {
        ClusterDb db;
        QList<qint64> ids;
        for (int node = 1; node <= 3; ++node) {
            for (int i = 0; i < 2; ++i) {
                db.scalar(node, QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES (?, ?)"),
                        {QString::number(node * 10 + i), QStringLiteral("node %1").arg(node)});
                ids << db.scalar(node, QStringLiteral("SELECT LAST_INSERT_ID()")).toLongLong();
            }
        }
        QCOMPARE(QSet<qint64>(ids.begin(), ids.end()).size(), ids.size());
        // Two rows in a row on one node are 3 apart.
        for (int node = 0; node < 3; ++node)
            QCOMPARE(ids[node * 2 + 1] - ids[node * 2], qint64(3));
        QCOMPARE(db.scalar(3, QStringLiteral("SELECT COUNT(*) FROM raktar")).toInt(), 6);
        QVERIFY(db.scalar(3, QStringLiteral("SELECT MAX(IDk) FROM raktar")).toLongLong() > 6);
    }

    // The creation step run through node 1 is on nodes 2 and 3 as it is on
    // node 1: every table, column, key and creation row.
    void schemaOnEveryNode()
    {
        ClusterDb db;
        const QStringList one = layout(1, db.name());
        QCOMPARE(Cluster::scalar(1,
                         QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = ?"),
                         {db.name()})
                         .toInt(),
                int(DataModule::tableNames().size()) + 1);   // and the voided tickets' sztorno
        QVERIFY2(one.contains(QStringLiteral("J|0")), qPrintable(one.join(QLatin1Char('\n'))));
        QVERIFY(!one.filter(QStringLiteral("failed")).size());
        QCOMPARE(layout(2, db.name()), one);
        QCOMPARE(layout(3, db.name()), one);
    }

    // A second workstation: vello-create on the server's node gives the
    // user a password and prints the settings lines (the nodes all run on
    // this machine's loopback, where the local account is the one that
    // answers, so it is that account that gets the password); the
    // workstation's program, with those lines in its settings file and its
    // own node's address and port, works on node 2, and node 3 sees what it
    // wrote.
    void workstationThroughSettingsSection()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString database = QStringLiteral("c_section_%1").arg(QCoreApplication::applicationPid());
        struct Cleanup {
            QString database;
            ~Cleanup()
            {
                Cluster::exec(1, QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(database));
                Cluster::exec(1, QStringLiteral("DROP USER IF EXISTS 'vello'@'127.0.0.1', 'vello'@'localhost'"));
            }
        } cleanup {database};
        Cluster::exec(1, QStringLiteral("DROP USER IF EXISTS 'vello'@'127.0.0.1', 'vello'@'localhost'"));

        const QString password = QStringLiteral("Két mérleg, egy ház; \"1\" \\ #2");
        const QString passwordFile = home.filePath(QStringLiteral("password"));
        QVERIFY(writeFile(passwordFile, password.toUtf8() + "\n"));
        const QString toolConfig = home.filePath(QStringLiteral("tool-config"));
        const ToolRun created = runCreate({QStringLiteral("--socket"), Cluster::socket(1), QStringLiteral("--database"),
                                                  database, QStringLiteral("--local-password-file"), passwordFile},
                toolConfig);
        QVERIFY2(created.exitCode == 0, qPrintable(created.err));
        QVERIFY(!created.err.contains(password));
        const int section = created.out.indexOf(QLatin1String("[database]"));
        QVERIFY2(section > 0, qPrintable(created.out));
        QVERIFY(created.out.contains(QStringLiteral("port=%1").arg(clientPort(1))));

        // The workstation's settings file: the printed lines, then its own node.
        const QString configHome = home.filePath(QStringLiteral("config"));
        const QString iniPath = configHome + QStringLiteral("/vello/vello.ini");
        QVERIFY(writeFile(
                iniPath, QByteArrayLiteral("[scale]\ncontinuous=true\n\n") + created.out.mid(section).toUtf8()));
        {
            QSettings s(iniPath, QSettings::IniFormat);
            s.setValue(QStringLiteral("database/port"), clientPort(2));
            s.setValue(QStringLiteral("database/host"), QStringLiteral("127.0.0.1"));
            s.remove(QStringLiteral("database/socket"));
        }
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome);
        QString problem = QStringLiteral("unset");
        ConnectionSettings settings = ConnectionSettings::configured(&problem);
        QCOMPARE(problem, QString());
        QCOMPARE(ConnectionSettings::settingsFilePath(), iniPath);
        QCOMPARE(settings.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(settings.port, clientPort(2));
        QCOMPARE(settings.user, QStringLiteral("vello"));
        QCOMPARE(settings.password, password);
        QCOMPARE(settings.socket, QString());
        QCOMPARE(settings.database, QStringLiteral("vello"));   // the program's own; the test's below
        settings.database = database;

        {
            DataModule data(settings);
            data.open();
            data.ZQ80.openSql(QStringLiteral("SELECT @@wsrep_node_name AS node, CURRENT_USER() AS who"));
            QCOMPARE(data.ZQ80.text(QStringLiteral("node")), QStringLiteral("node2"));
            QCOMPARE(data.ZQ80.text(QStringLiteral("who")), QStringLiteral("vello@127.0.0.1"));
            Counters counters(data);
            const Counters::Draw d = counters.draw(Counters::J);
            QVERIFY2(d.ok(), qPrintable(d.error));
            QCOMPARE(d.number, QStringLiteral("1"));
            {
                Transaction t(data);
                data.ZQ80.run(QStringLiteral("UPDATE atvevo SET aNeve = :p0 WHERE IDa = 1"),
                        {{QStringLiteral("p0"), QStringLiteral("Második mérlegház")}});
                t.commit();
            }
        }
        QCOMPARE(Cluster::scalar(3, QStringLiteral("SELECT sBszam FROM `%1`.sorszam WHERE sKod = 'J'").arg(database))
                         .toString(),
                QStringLiteral("1"));
        QCOMPARE(Cluster::scalar(3, QStringLiteral("SELECT aNeve FROM `%1`.atvevo WHERE IDa = 1").arg(database))
                         .toString(),
                QStringLiteral("Második mérlegház"));

        // Run again with another password: the database is kept, the old
        // password no longer opens it, the new one does; a refusal never
        // shows the password it was given.
        const QString second = QStringLiteral("masodik-jelszo");
        QVERIFY(writeFile(passwordFile, second.toUtf8()));
        const ToolRun again = runCreate({QStringLiteral("--socket"), Cluster::socket(1), QStringLiteral("--database"),
                                                database, QStringLiteral("--local-password-file"), passwordFile},
                toolConfig);
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QVERIFY(again.out.contains(QStringLiteral("adatbázis már létezik; megmarad")));
        QCOMPARE(Cluster::scalar(1, QStringLiteral("SELECT aNeve FROM `%1`.atvevo WHERE IDa = 1").arg(database))
                         .toString(),
                QStringLiteral("Második mérlegház"));
        {
            DataModule old(settings);
            try {
                old.open();
                QFAIL("the old password still opens the database");
            } catch (const DbError& e) {
                QCOMPARE(e.code(), 1045);
                QVERIFY(!e.text().contains(password));
            }
        }
        settings.password = second;
        settings.port = clientPort(3);
        DataModule third(settings);
        third.open();
        third.ZQ80.openSql(QStringLiteral("SELECT @@wsrep_node_name AS node"));
        QCOMPARE(third.ZQ80.text(QStringLiteral("node")), QStringLiteral("node3"));
    }

    // Two workstations on two nodes draw the J counter; the whole draw of
    // the second one runs just before one chosen statement of the first
    // one's draw (on its own, or inside the caller's transaction). A number
    // counts as issued only when its draw (and the caller's COMMIT)
    // succeeded. No number may be issued twice, and the counter keeps the
    // highest number issued.
    void countersAcrossNodes_data()
    {
        QTest::addColumn<int>("pauseAt");
        QTest::addColumn<bool>("callerTransaction");
        const char* at[] = {"START TRANSACTION", "locked read", "store", "COMMIT"};
        for (int k = 1; k <= 4; ++k) {
            QTest::addRow("own bracket, before %s", at[k - 1]) << k << false;
            QTest::addRow("caller's transaction, before %s", at[k - 1]) << k << true;
        }
    }
    void countersAcrossNodes()
    {
        QFETCH(int, pauseAt);
        QFETCH(bool, callerTransaction);
        ClusterDb db;
        DataModule a(db.settings(1)), b(db.settings(2));
        a.open();
        b.open();
        Counters countersA(a), countersB(b);
        QStringList issued;
        int failedA = 0;
        for (int round = 0; round < 5; ++round) {
            a.beforeStatementRuns(pauseAt, [&] {
                const Counters::Draw d = countersB.draw(Counters::J);
                if (d.ok())
                    issued << d.number;
            });
            QString numberA;
            if (callerTransaction) {
                try {
                    Transaction t(a);
                    const Counters::Draw d = countersA.draw(Counters::J);
                    if (d.ok()) {
                        t.commit();
                        numberA = d.number;
                    }
                } catch (const DbError&) {
                }
            } else {
                const Counters::Draw d = countersA.draw(Counters::J);
                if (d.ok())
                    numberA = d.number;
            }
            QVERIFY(!a.statementActionPending());
            QVERIFY(!a.inTransaction());
            if (numberA.isEmpty())
                ++failedA;
            else
                issued << numberA;
        }
        // Either workstation may lose a draw (the one whose read was older
        // than the other's commit is refused at its store or COMMIT); what
        // matters is that nothing lost was handed out.
        QVERIFY(!issued.isEmpty());
        const QSet<QString> distinct(issued.begin(), issued.end());
        QCOMPARE(distinct.size(), issued.size());
        QCOMPARE(db.scalar(3, QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'J'")).toString(),
                QString::number(highest(issued)));
        qInfo("%lld numbers issued in 10 draws; the first workstation lost %d of its 5, the second %lld",
                qint64(issued.size()), failedA, qint64(10 - failedA - issued.size()));
    }

    // A workstation reads at once what another one wrote through another
    // node: the data module of a cluster node waits, before each read,
    // until its node has applied what the cluster committed before.
    void readAfterWriteAcrossNodes()
    {
        ClusterDb db;
        DataModule a(db.settings(1)), b(db.settings(2));
        a.open();
        b.open();
        QVERIFY(a.onCluster());
        QVERIFY(b.onCluster());
        b.ZQ80.openSql(QStringLiteral("SELECT @@SESSION.wsrep_sync_wait AS w"));
        QCOMPARE(b.ZQ80.value(QStringLiteral("w")).toInt(), 1);
        for (int i = 1; i <= 100; ++i) {
            const QString code = QString::number(i);
            if (i % 2) {
                a.ZQ62.run(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES (:p0, :p1)"),
                        {{QStringLiteral("p0"), code}, {QStringLiteral("p1"), QStringLiteral("Raktár %1").arg(i)}});
            } else {
                Transaction t(a);
                a.ZQ62.run(QStringLiteral("INSERT INTO raktar (kKod, kNev) VALUES (:p0, :p1)"),
                        {{QStringLiteral("p0"), code}, {QStringLiteral("p1"), QStringLiteral("Raktár %1").arg(i)}});
                a.ZQ80.run(
                        QStringLiteral("UPDATE atvevo SET aNeve = :p0 WHERE IDa = 1"), {{QStringLiteral("p0"), code}});
                t.commit();
            }
            b.ZQ63.openSql(QStringLiteral("SELECT COUNT(*) AS n, MAX(CAST(kKod AS UNSIGNED)) AS m FROM raktar"));
            QCOMPARE(b.ZQ63.value(QStringLiteral("n")).toInt(), i);
            QCOMPARE(b.ZQ63.value(QStringLiteral("m")).toInt(), i);
            if (i % 2 == 0) {
                b.ZQ80.openSql(QStringLiteral("SELECT aNeve FROM atvevo WHERE IDa = 1"));
                QCOMPARE(b.ZQ80.text(QStringLiteral("aNeve")), code);
            }
        }
    }

    // Two workstations on two nodes add a register row at the same moment:
    // the whole save of B (node 2) runs just before a chosen statement of
    // A's save (node 1). A's locked code read does not wait for B on
    // another node, so both may take the same code; the code's unique key
    // refuses the second (a duplicate key, or the cluster's conflict at a
    // later statement), and A saves again with a fresh code. Never one code
    // twice, both rows saved, no message.
    void registerCodesAcrossNodes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("pauseAt");
        const char* kinds[] = {"plates", "producers", "crops", "warehouses"};
        const char* at[] = {"START TRANSACTION", "code read", "INSERT", "COMMIT"};
        for (int k = 0; k < 4; ++k)
            for (int p = 1; p <= 4; ++p)
                QTest::addRow("%s, before %s", kinds[k], at[p - 1]) << k << p;
    }
    void registerCodesAcrossNodes()
    {
        QFETCH(int, kind);
        QFETCH(int, pauseAt);
        const RegisterMember& m = registerMember(RegisterKind(kind));
        ClusterDb db;
        for (int i = 1; i <= 5; ++i)
            db.scalar(1,
                    QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?, ?)").arg(m.table, m.codeColumn, m.nameColumn),
                    {QString::number(i), QStringLiteral("Név %1").arg(i)});
        auto filled = [&](const QString& name) {
            RegisterEntry::Values v;
            for (const RegisterField& f : m.fields)
                v.insert(f.control, f.initial);
            v.insert(QStringLiteral("Edit1"), name);
            return v;
        };
        DataModule a(db.settings(1)), b(db.settings(2));
        a.open();
        b.open();
        ScriptedPrompt promptA, promptB;   // neither may show a message
        AppContext ctxA(a, promptA), ctxB(b, promptB);
        registerState(ctxA).dialogMode = m.newModeText;
        registerState(ctxB).dialogMode = m.newModeText;
        int outcomeB = -1;
        a.beforeStatementRuns(pauseAt, [&] {
            RegisterEntry entryB(ctxB, m);
            outcomeB = int(entryB.save(filled(QStringLiteral("Zab"))).result);
        });
        const qint64 before = a.statementCount();
        RegisterEntry entryA(ctxA, m);
        QCOMPARE(int(entryA.save(filled(QStringLiteral("Árpa"))).result), int(Outcome::Done));
        QCOMPARE(outcomeB, int(Outcome::Done));
        QVERIFY(!a.statementActionPending());
        QVERIFY(!a.inTransaction());
        QVERIFY(!b.inTransaction());
        QVERIFY2(promptA.shown().isEmpty(), qPrintable(promptA.shownTexts().join(QLatin1String("; "))));
        QVERIFY2(promptB.shown().isEmpty(), qPrintable(promptB.shownTexts().join(QLatin1String("; "))));
        for (int node = 1; node <= 3; ++node) {
            QCOMPARE(db.scalar(node, QStringLiteral("SELECT COUNT(*) FROM %1").arg(m.table)).toInt(), 7);
            QCOMPARE(db.scalar(node, QStringLiteral("SELECT COUNT(DISTINCT %1) FROM %2").arg(m.codeColumn, m.table))
                             .toInt(),
                    7);
            QCOMPARE(
                    db.scalar(node,
                              QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(m.codeColumn, m.table, m.nameColumn),
                              {QStringLiteral("Zab")})
                            .toString(),
                    QStringLiteral("6"));
            QCOMPARE(
                    db.scalar(node,
                              QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(m.codeColumn, m.table, m.nameColumn),
                              {QStringLiteral("Árpa")})
                            .toString(),
                    QStringLiteral("7"));
        }
        // A's save ran once (4 statements) when B came first, more when A
        // had to start again.
        qInfo("A sent %lld statements", a.statementCount() - before);
    }

    // A transaction that the cluster rolled back (another node committed a
    // conflicting write while it was open) fails at its next statement,
    // whatever that statement is: a read with bound values, a plain read, a
    // write, the COMMIT. A read never answers with an empty result instead.
    void conflictFailsTheNextStatement_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("binds");
        QTest::newRow("read with a bound value") << "SELECT * FROM termeny WHERE tKod = :p0" << true;
        QTest::newRow("plain read") << "SELECT * FROM termeny WHERE tKod = '1'" << false;
        QTest::newRow("locked read") << "SELECT * FROM sorszam WHERE sKod = 'M' FOR UPDATE" << false;
        QTest::newRow("write") << "UPDATE sorszam SET sBszam = '7' WHERE sKod = 'M'" << false;
        QTest::newRow("COMMIT") << "COMMIT" << false;
    }
    void conflictFailsTheNextStatement()
    {
        QFETCH(QString, next);
        QFETCH(bool, binds);
        ClusterDb db;
        db.scalar(1, QStringLiteral("INSERT INTO termeny (tKod, tMegnev) VALUES ('1', 'Búza')"));
        DataModule a(db.settings(1)), b(db.settings(2));
        a.open();
        b.open();
        a.begin();
        a.ZQ70.run(QStringLiteral("UPDATE sorszam SET sBszam = '5' WHERE sKod = 'J'"));
        b.ZQ70.run(QStringLiteral("UPDATE sorszam SET sBszam = '6' WHERE sKod = 'J'"));   // commits on node 2
        // Node 1 has applied B's write (and so rolled A back) once a read
        // there waits for it.
        QCOMPARE(db.scalar(1, QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'J'")).toString(),
                QStringLiteral("6"));
        int code = 0;
        bool empty = false;
        try {
            if (next == QLatin1String("COMMIT"))
                a.commit();
            else if (next.startsWith(QLatin1String("SELECT"))) {
                a.ZQ50.openSql(
                        next, binds ? Query::Binds {{QStringLiteral("p0"), QStringLiteral("1")}} : Query::Binds {});
                empty = a.ZQ50.isEmpty();
            } else
                a.ZQ50.run(next);
        } catch (const DbError& e) {
            code = e.code();
        }
        QVERIFY2(code == 1213,
                qPrintable(QStringLiteral("the statement after the conflict gave %1%2")
                                   .arg(code)
                                   .arg(empty ? QStringLiteral(" and an empty result") : QString())));
        a.rollback();
        QCOMPARE(db.scalar(3, QStringLiteral("SELECT GROUP_CONCAT(sKod, '=', sBszam ORDER BY sKod) FROM sorszam"))
                         .toString(),
                QStringLiteral("J=6,K=90000000,M=0,S=0"));
    }
};

QTEST_GUILESS_MAIN(TestCluster)
#include "test_cluster.moc"
