// The connection settings: the fixed ones, or the settings file's [database]
// section, read the same way by the program and the tools.
#include "data/connectionsettings.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "testdb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

int testPort()
{
    return qEnvironmentVariableIntValue("VELLO_TEST_PORT");
}

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};
// A tool of the build folder, with `configHome` as its settings folder.
ToolRun runTool(
        const QString& tool, const QStringList& args, const QString& configHome, const QByteArray& input = QByteArray())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    env.remove(QStringLiteral("MYSQL_PWD"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("VELLO_BINARY_DIR") + QLatin1Char('/') + tool, args);
    ToolRun r;
    if (!p.waitForStarted(30000))
        return r;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A user of the test server with a password, allowed into one database over
// TCP; dropped again at the end.
struct PasswordUser {
    const TestDb& db;
    QString name;
    QString password;
    PasswordUser(const TestDb& d, const QString& pw)
        : db(d), name(QStringLiteral("cs_%1").arg(QCoreApplication::applicationPid())), password(pw)
    {
        db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'127.0.0.1'").arg(name));
        QSqlQuery q(db.admin());
        q.prepare(QStringLiteral("SET @cs_password = ?"));
        q.addBindValue(password);
        q.exec();
        db.exec(QStringLiteral("EXECUTE IMMEDIATE CONCAT('CREATE USER ''%1''@''127.0.0.1'' IDENTIFIED BY ', "
                               "QUOTE(@cs_password))")
                        .arg(name));
        db.exec(QStringLiteral("GRANT ALL PRIVILEGES ON `%1`.* TO '%2'@'127.0.0.1'").arg(db.name(), name));
    }
    ~PasswordUser() { db.exec(QStringLiteral("DROP USER IF EXISTS '%1'@'127.0.0.1'").arg(name)); }
    QByteArray section(const QString& pw) const
    {
        ConnectionSettings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = testPort();
        s.user = name;
        s.password = pw;
        return s.settingsSection().toUtf8();
    }
};

}   // namespace

class TestConnectionSettings : public QObject {
    Q_OBJECT
private slots:
    // What the settings file holds, and what the program connects with.
    void fromFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("socket");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("problem");
        QTest::newRow("no file") << QByteArray() << "localhost" << 3306 << ""
                                 << "vello"
                                 << "" << false;
        QTest::newRow("other sections only")
                << QByteArray("[scale]\ncontinuous=true\n[export]\nfolder=/tmp\n") << "localhost" << 3306 << ""
                << "vello"
                << "" << false;
        QTest::newRow("empty section") << QByteArray("[database]\n") << "localhost" << 3306 << ""
                                       << "vello"
                                       << "" << false;
        QTest::newRow("host only") << QByteArray("[database]\nhost=merleg-szerver\n") << "merleg-szerver" << 3306 << ""
                                   << "vello"
                                   << "" << false;
        QTest::newRow("every key") << QByteArray(
                "[database]\nhost=192.168.1.10\nport=3307\nsocket=/run/x.sock\nuser=vello2\npassword=titok\n")
                                   << "192.168.1.10" << 3307 << "/run/x.sock"
                                   << "vello2"
                                   << "titok" << false;
        QTest::newRow("blanks around") << QByteArray("[database]\nhost = szerver \nport = 3310 \n") << "szerver" << 3310
                                       << ""
                                       << "vello"
                                       << "" << false;
        QTest::newRow("empty host and user keep the fixed ones")
                << QByteArray("[database]\nhost=\nuser=\nport=\n") << "localhost" << 3306 << ""
                << "vello"
                << "" << false;
        QTest::newRow("port not a number")
                << QByteArray("[database]\nhost=szerver\nport=33o6\n") << "szerver" << 3306 << ""
                << "vello"
                << "" << true;
        QTest::newRow("port out of range") << QByteArray("[database]\nport=70000\n") << "localhost" << 3306 << ""
                                           << "vello"
                                           << "" << true;
        QTest::newRow("unquoted comma in the password")
                << QByteArray("[database]\npassword=ab,cd\n") << "localhost" << 3306 << ""
                << "vello"
                << "ab,cd" << false;
        QTest::newRow("quoted password") << QByteArray("[database]\npassword=\"a;b, c\\\"d\"\n") << "localhost" << 3306
                                         << ""
                                         << "vello"
                                         << "a;b, c\"d" << false;
        QTest::newRow("accented password") << QByteArray("[database]\npassword=\xc3\xa1rv\xc3\xadzt\xc5\xb1r\xc5\x91\n")
                                           << "localhost" << 3306 << ""
                                           << "vello" << QString::fromUtf8("árvíztűrő") << false;
    }
    void fromFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, socket);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vello.ini"));
        if (!file.isNull())
            QVERIFY(writeFile(path, file));
        QString text = QStringLiteral("unset");
        const ConnectionSettings s = ConnectionSettings::fromFile(path, &text);
        QCOMPARE(s.host, host);
        QCOMPARE(s.port, port);
        QCOMPARE(s.socket, socket);
        QCOMPARE(s.user, user);
        QCOMPARE(s.password, password);
        QCOMPARE(s.database, QStringLiteral("vello"));
        QCOMPARE(!text.isEmpty(), problem);
        if (problem) {
            QVERIFY(text.contains(QLatin1String("[database]")));
            QVERIFY(text.contains(QLatin1String("port")));
            QVERIFY(text.contains(path));
        }
    }

    // The lines vello-create prints read back exactly, whatever the
    // password holds.
    void sectionReadsBack_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("socket");
        QTest::newRow("plain") << "titok"
                               << "";
        QTest::newRow("comma, semicolon, quote, backslash") << "a,b; c\"d\\e"
                                                            << "";
        QTest::newRow("hash and equals") << "#1=2 ;x"
                                         << "";
        QTest::newRow("blanks at the ends") << "  két szó  "
                                            << "";
        QTest::newRow("accents") << QString::fromUtf8("árvíztűrő tükörfúrógép") << "";
        QTest::newRow("with a socket") << "x"
                                       << "/run/mysqld/mysqld.sock";
    }
    void sectionReadsBack()
    {
        QFETCH(QString, password);
        QFETCH(QString, socket);
        ConnectionSettings s;
        s.host = QStringLiteral("szerver.telep.local");
        s.port = 3307;
        s.socket = socket;
        s.password = password;
        const QString text = s.settingsSection();
        QVERIFY(text.startsWith(QLatin1String("[database]\n")));
        QCOMPARE(text.contains(QLatin1String("socket=")), !socket.isEmpty());
        QVERIFY(!text.contains(QLatin1String("database=")));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vello.ini"));
        QVERIFY(writeFile(path, QByteArrayLiteral("[scale]\ncontinuous=true\n\n") + text.toUtf8()));
        QString problem;
        const ConnectionSettings back = ConnectionSettings::fromFile(path, &problem);
        QCOMPARE(problem, QString());
        QCOMPARE(back.host, s.host);
        QCOMPARE(back.port, s.port);
        QCOMPARE(back.socket, s.socket);
        QCOMPARE(back.user, s.user);
        QCOMPARE(back.password, s.password);
        QVERIFY(QSettings(path, QSettings::IniFormat).value(QStringLiteral("scale/continuous")).toBool());
    }

    // The program reads ~/.config/vello/vello.ini, the file its other
    // settings live in.
    void configuredReadsTheUsersFile()
    {
        QTemporaryDir home;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
        QCOMPARE(ConnectionSettings::settingsFilePath(), home.filePath(QStringLiteral("vello/vello.ini")));
        QString problem = QStringLiteral("unset");
        ConnectionSettings s = ConnectionSettings::configured(&problem);
        QCOMPARE(problem, QString());
        QCOMPARE(s.host, ConnectionSettings::fixed().host);
        QCOMPARE(s.port, ConnectionSettings::fixed().port);
        QVERIFY(writeFile(
                home.filePath(QStringLiteral("vello/vello.ini")), "[database]\nhost=szerver\nuser=merleg2\n"));
        s = ConnectionSettings::configured(&problem);
        QCOMPARE(s.host, QStringLiteral("szerver"));
        QCOMPARE(s.user, QStringLiteral("merleg2"));
        QCOMPARE(s.port, 3306);
    }

    // `host` as one host or a list of nodes, each with its own port or the
    // `port` setting's; written unquoted in the settings file it reads back
    // the same.
    void hostList_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QStringList>("nodes");
        QTest::newRow("one host") << "szerver" << QStringList {"szerver:3310"};
        QTest::newRow("three nodes") << "node1, node2:3307, node3"
                                     << QStringList {"node1:3310", "node2:3307", "node3:3310"};
        QTest::newRow("no spaces") << "10.0.0.1:3306,10.0.0.2" << QStringList {"10.0.0.1:3306", "10.0.0.2:3310"};
        QTest::newRow("IPv6 with a port") << "[::1]:3307, ::1" << QStringList {"[::1]:3307", "[::1]:3310"};
        QTest::newRow("empty entries") << " , node1 ,, " << QStringList {"node1:3310"};
        QTest::newRow("nothing") << " , " << QStringList {"localhost:3310"};
    }
    void hostList()
    {
        QFETCH(QString, host);
        QFETCH(QStringList, nodes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vello.ini"));
        QVERIFY(writeFile(path, "[database]\nhost = " + host.toUtf8() + "\nport = 3310\n"));
        const ConnectionSettings s = ConnectionSettings::fromFile(path);
        QStringList got;
        for (const ConnectionSettings::Node& n : s.nodes())
            got << n.label();
        QCOMPARE(got, nodes);
    }

    // A node that does not answer is passed by, on the first connection and
    // on the reconnection after a lost one (which starts with the node after
    // the lost one); the data module names the node in use.
    void deadNodePassedBy()
    {
        TestDb db;
        ConnectionSettings s = db.settings();
        QCOMPARE(s.host, QStringLiteral("localhost"));
        s.host = QStringLiteral("127.0.0.1:1, localhost");   // nothing listens on port 1
        DataModule data(s);
        QStringList moves;
        connect(&data, &DataModule::nodeChanged, this, [&](const QString& n) { moves << n; });
        data.open();
        QCOMPARE(data.node(), s.socket);
        QCOMPARE(moves, QStringList {s.socket});
        // A read that loses its connection is sent once more (the read
        // rule): the reconnection passes the dead node by again.
        const int generation = data.generation();
        data.failStatement(1, 2013);
        data.ZQ80.openSql(QStringLiteral("SELECT 2 AS n"));
        QCOMPARE(data.ZQ80.value(QStringLiteral("n")).toInt(), 2);
        QCOMPARE(data.generation(), generation + 1);
        QCOMPARE(data.node(), s.socket);
        QCOMPARE(moves.size(), 1);   // the same node again: nothing to announce
        // None answers: the failure of the last one tried, as a lost connection.
        s.host = QStringLiteral("127.0.0.1:1");
        DataModule none(s);
        try {
            none.open();
            QFAIL("a node that does not answer was connected");
        } catch (const DbError& e) {
            QVERIFY2(e.connectionLost(), qPrintable(QString::number(e.code())));
        }
    }

    // A data module with the section's host, port, user and password works
    // on the server over TCP; a wrong password is refused without the
    // password in the error text.
    void dataModuleThroughSection()
    {
        TestDb db;
        const QString password = QStringLiteral("p,w; \"x\" ő");
        PasswordUser user(db, password);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vello.ini"));
        QVERIFY(writeFile(path, user.section(password)));
        ConnectionSettings s = ConnectionSettings::fromFile(path);
        s.database = db.name();
        {
            DataModule data(s);
            data.open();
            data.ZQ80.openSql(QStringLiteral("SELECT CURRENT_USER() AS who, sBszam FROM sorszam WHERE sKod = \"J\""));
            QCOMPARE(data.ZQ80.text(QStringLiteral("who")), user.name + QStringLiteral("@127.0.0.1"));
            QCOMPARE(data.ZQ80.text(QStringLiteral("sBszam")), QStringLiteral("0"));
        }
        const QString wrong = QStringLiteral("rossz-jelszo-123");
        QVERIFY(writeFile(path, user.section(wrong)));
        s = ConnectionSettings::fromFile(path);
        s.database = db.name();
        DataModule data(s);
        try {
            data.open();
            QFAIL("a wrong password opened the database");
        } catch (const DbError& e) {
            QCOMPARE(e.code(), 1045);
            QVERIFY(!e.text().contains(wrong));
            QVERIFY(!e.sql().contains(wrong));
        }
    }

    // The tools read the same section unless given options: vello-backup
    // dumps with the section's user and password (handed to the dump
    // program through its environment), vello-create reaches the section's
    // server as root.
    void toolsReadTheSection()
    {
        TestDb db;
        const QString password = QStringLiteral("mentes,jelszo;1");
        PasswordUser user(db, password);
        QTemporaryDir home;
        const QString config = home.filePath(QStringLiteral("config"));
        QVERIFY(writeFile(config + QStringLiteral("/vello/vello.ini"), user.section(password)));
        const QString folder = home.filePath(QStringLiteral("mentes"));
        const ToolRun backup = runTool(QStringLiteral("vello-backup"),
                {QStringLiteral("--database"), db.name(), QStringLiteral("--folder"), folder}, config);
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.err));
        QVERIFY(!backup.out.contains(password) && !backup.err.contains(password));
        QCOMPARE(QDir(folder).entryList({QStringLiteral("*.sql.gz")}, QDir::Files).size(), 1);

        // An option replaces the section: another user is refused (it has
        // no password of its own), which shows the option was used.
        const ToolRun other = runTool(QStringLiteral("vello-backup"),
                {QStringLiteral("--database"), db.name(), QStringLiteral("--folder"), folder, QStringLiteral("--user"),
                        QStringLiteral("nincs_ilyen")},
                config);
        QCOMPARE(other.exitCode, 1);
        QVERIFY(other.err.contains(QLatin1String("nincs_ilyen")));
        QVERIFY(!other.err.contains(password));

        // vello-create: the section's server, root as the administrative user.
        const QString created = db.name() + QStringLiteral("_c");
        db.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(created));
        const ToolRun create = runTool(QStringLiteral("vello-create"), {QStringLiteral("--database"), created}, config);
        const bool exists = db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE "
                                                     "SCHEMA_NAME = '%1'")
                                              .arg(created))
                                    .toInt()
                == 1;
        db.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(created));
        QVERIFY2(create.exitCode == 0, qPrintable(create.err));
        QVERIFY(exists);

        // A bad port in the section is named, and an option still wins.
        QVERIFY(writeFile(config + QStringLiteral("/vello/vello.ini"), "[database]\nport=harom\n"));
        const ToolRun badPort = runTool(QStringLiteral("vello-backup"),
                {QStringLiteral("--socket"), TestDb::socket(), QStringLiteral("--user"), QStringLiteral("root"),
                        QStringLiteral("--database"), db.name(), QStringLiteral("--folder"), folder},
                config);
        QVERIFY2(badPort.exitCode == 0, qPrintable(badPort.err));
        QVERIFY(badPort.err.contains(QLatin1String("\"harom\"")));
    }

    // vello-create's workstation options are checked before anything is
    // touched.
    void createRefusesBadWorkstationOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("passwordFile");
        QTest::addColumn<QString>("said");
        QTest::newRow("host without password")
                << QStringList {"--allow-host", "10.0.0.2"} << QByteArray() << "csak együtt adható meg";
        QTest::newRow("password without host")
                << QStringList {"--password-file", "@"} << QByteArray("x\n") << "csak együtt adható meg";
        QTest::newRow("quote in the host") << QStringList {"--allow-host", "a'b", "--password-file", "@"}
                                           << QByteArray("x\n") << "az --allow-host értéke gépnév";
        QTest::newRow("blank in the host") << QStringList {"--allow-host", "a b", "--password-file", "@"}
                                           << QByteArray("x\n") << "az --allow-host értéke gépnév";
        QTest::newRow("empty password") << QStringList {"--allow-host", "10.0.0.2", "--password-file", "@"}
                                        << QByteArray("\n") << "első sorában nincs jelszó";
        QTest::newRow("no password file") << QStringList {"--allow-host", "10.0.0.2", "--password-file", "/nincs/ilyen"}
                                          << QByteArray() << "a jelszófájl (/nincs/ilyen) nem olvasható";
        QTest::newRow("bad database name")
                << QStringList {"--database", "a`b"} << QByteArray() << "a --database értékében csak betű";
    }
    void createRefusesBadWorkstationOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, passwordFile);
        QFETCH(QString, said);
        QTemporaryDir home;
        const QString file = home.filePath(QStringLiteral("password"));
        if (!passwordFile.isNull())
            QVERIFY(writeFile(file, passwordFile));
        args.replaceInStrings(QStringLiteral("@"), file);
        // A server that does not exist: the tool must stop before it connects.
        args << QStringLiteral("--socket") << home.filePath(QStringLiteral("nincs.sock"));
        const ToolRun r = runTool(QStringLiteral("vello-create"), args, home.filePath(QStringLiteral("config")));
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
    }

    // The password can come from the standard input ("-"), so it need not
    // be written to a file at all; it is read before the server is asked.
    void createReadsThePasswordFromStandardInput()
    {
        QTemporaryDir home;
        const ToolRun r = runTool(QStringLiteral("vello-create"),
                {QStringLiteral("--allow-host"), QStringLiteral("10.0.0.2"), QStringLiteral("--password-file"),
                        QStringLiteral("-"), QStringLiteral("--socket"), home.filePath(QStringLiteral("nincs.sock"))},
                home.filePath(QStringLiteral("config")), "titok\n");
        QCOMPARE(r.exitCode, 1);   // got past the options, then found no server
        QVERIFY2(r.err.contains(QStringLiteral("nem sikerült kapcsolódni")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1String("titok")));
    }
};

QTEST_GUILESS_MAIN(TestConnectionSettings)
#include "test_connectionsettings.moc"
