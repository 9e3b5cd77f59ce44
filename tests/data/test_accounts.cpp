// The program's accounts on a server of this test's own, which serves TLS
// with certificates made for the run: the rights vello-create gives each
// account, the upgrade that brings older accounts into line, the local
// account's password, the loopback hosts refused, and a workstation's
// encrypted link (and the refusals without it).
#include "data/connectionsettings.h"
#include "data/datamodule.h"
#include "data/dberror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

namespace {

const QString kDb = QStringLiteral("fiokok");

bool runOk(const QString& program, const QStringList& args, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool done = p.waitForFinished(180000);
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

ToolRun velloCreate(const QStringList& args, const QString& configHome)
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

// The [database] section a tool printed, as a settings file reads it.
ConnectionSettings printedSettings(const QString& out, const QString& folder)
{
    const int from = out.indexOf(QLatin1String("[database]"));
    QString section = from < 0 ? QString() : out.mid(from);
    const int end = section.indexOf(QLatin1String("\n\n"));
    if (end > 0)
        section = section.left(end + 1);
    const QString path = QDir(folder).filePath(QStringLiteral("printed.ini"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(section.toUtf8());
    f.close();
    ConnectionSettings s = ConnectionSettings::fromFile(path);
    s.database = kDb;
    return s;
}

// Opens a connection with the settings as the program does (their
// connection options); the server's refusal in `error`.
QString cipherOf(const ConnectionSettings& s, QString* error)
{
    QString cipher;
    const QString name = QStringLiteral("probe");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
        db.setHostName(s.host);
        db.setPort(s.port);
        db.setDatabaseName(s.database);
        db.setUserName(s.user);
        db.setPassword(s.password);
        db.setConnectOptions(s.connectOptions());
        if (!db.open())
            *error = db.lastError().text();
        else {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SHOW STATUS LIKE 'Ssl_cipher'")) && q.next())
                cipher = q.value(1).toString();
            if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sorszam")))
                *error = q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return cipher;
}

}   // namespace

class TestAccounts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyAccountHasTheProgramsRightsOnly();
    void programRunsOnItsRights();
    void upgradeBringsOlderAccountsIntoLine();
    void loopbackHostIsRefused_data();
    void loopbackHostIsRefused();
    void workstationLinkIsEncrypted();
    void localPasswordWorksAsPrinted();

private:
    QString socket() const { return m_dir.filePath(QStringLiteral("mysqld.sock")); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QStringList server() const { return {QStringLiteral("--socket"), socket(), QStringLiteral("--database"), kDb}; }
    ToolRun create(const QStringList& args) { return velloCreate(args + server(), file(QStringLiteral("config"))); }
    QStringList grantsOn(const QString& host, const QString& database);
    void exec(const QString& sql);

    QTemporaryDir m_dir;
    int m_port = 0;
    QProcess m_server;
};

void TestAccounts::exec(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("root")));
    QVERIFY2(q.exec(sql), qPrintable(sql + QStringLiteral(": ") + q.lastError().text()));
}

QStringList TestAccounts::grantsOn(const QString& host, const QString& database)
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("root")));
    if (!q.exec(QStringLiteral("SHOW GRANTS FOR 'vello'@'%1'").arg(host)))
        return {q.lastError().text()};
    while (q.next())
        if (q.value(0).toString().contains(QStringLiteral(" ON `%1`.*").arg(database)))
            out << q.value(0).toString();
    return out;
}

void TestAccounts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_port = 10000 + int((QCoreApplication::applicationPid() + 5000) % 10000);
    // A certificate authority of the site, the server's certificate signed
    // by it, and another authority that signed nothing of this server.
    const QString ssl = QStringLiteral("openssl");
    const QString days = QStringLiteral("2");
    QString why;
    QVERIFY2(runOk(ssl,
                     {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", file("ca.key"), "-out",
                             file("ca.pem"), "-days", days, "-subj", "/CN=merleg-ca"},
                     &why),
            qPrintable(why));
    QVERIFY2(runOk(ssl,
                     {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", file("server.key"), "-out", file("server.csr"),
                             "-subj", "/CN=merleg-szerver"},
                     &why),
            qPrintable(why));
    QVERIFY2(runOk(ssl,
                     {"x509", "-req", "-in", file("server.csr"), "-CA", file("ca.pem"), "-CAkey", file("ca.key"),
                             "-CAcreateserial", "-out", file("server.pem"), "-days", days},
                     &why),
            qPrintable(why));
    QVERIFY2(runOk(ssl,
                     {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", file("other.key"), "-out",
                             file("other.pem"), "-days", days, "-subj", "/CN=masik-ca"},
                     &why),
            qPrintable(why));
    QStringList user;
    if (::geteuid() == 0)
        user << QStringLiteral("--user=root");
    const QString datadir = file("data");
    QVERIFY2(runOk(QStringLiteral("mariadb-install-db"),
                     QStringList {"--no-defaults"} + user
                             + QStringList {"--datadir=" + datadir, "--auth-root-authentication-method=normal",
                                     "--skip-test-db", "--skip-name-resolve"},
                     &why),
            qPrintable(why));
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(QStringLiteral("mariadbd"),
            QStringList {"--no-defaults"} + user
                    + QStringList {"--datadir=" + datadir, "--socket=" + socket(), "--port=" + QString::number(m_port),
                            "--bind-address=127.0.0.1", "--skip-name-resolve", "--ssl-ca=" + file("ca.pem"),
                            "--ssl-cert=" + file("server.pem"), "--ssl-key=" + file("server.key"),
                            "--pid-file=" + file("mariadbd.pid"), "--log-error=" + file("mariadbd.err"),
                            "--innodb-buffer-pool-size=32M"});
    QVERIFY(m_server.waitForStarted(30000));
    bool up = false;
    for (int i = 0; i < 240 && !up; ++i) {
        up = runOk(QStringLiteral("mariadb-admin"), {"--no-defaults", "--socket=" + socket(), "-uroot", "ping"});
        if (!up)
            QThread::msleep(250);
    }
    QVERIFY2(up, "the server did not start");
    QSqlDatabase root = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("root"));
    root.setUserName(QStringLiteral("root"));
    root.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + socket());
    QVERIFY2(root.open(), qPrintable(root.lastError().text()));
    const ToolRun r = create({QStringLiteral("--demo")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QFile pw(file("jelszo"));
    QVERIFY(pw.open(QIODevice::WriteOnly));
    pw.write("munkaallomas-jelszo\n");
    pw.close();
}

void TestAccounts::cleanupTestCase()
{
    QSqlDatabase::removeDatabase(QStringLiteral("root"));
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(60000))
            m_server.kill();
    }
}

// vello@localhost, vello@127.0.0.1 and a workstation's account: rows only,
// on the register; nothing that makes, changes or drops a table or account.
void TestAccounts::everyAccountHasTheProgramsRightsOnly()
{
    const ToolRun r = create({QStringLiteral("--allow-host"), QStringLiteral("10.1.2.3"),
            QStringLiteral("--password-file"), file("jelszo")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    for (const char* host : {"localhost", "127.0.0.1", "10.1.2.3"}) {
        QCOMPARE(grantsOn(QLatin1String(host), kDb),
                QStringList {QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON `%1`.* TO `vello`@`%2`")
                                     .arg(kDb, QLatin1String(host))});
    }
}

// The program's user writes rows as the program does (archiving moves
// tickets into the archive) and is refused a table of its own making or a
// dropped one.
void TestAccounts::programRunsOnItsRights()
{
    ConnectionSettings s;
    s.socket = socket();
    s.database = kDb;
    DataModule data(s);
    data.open();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("program"));
    db.setUserName(QStringLiteral("vello"));
    db.setDatabaseName(kDb);
    db.setConnectOptions(s.connectOptions());
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    {
        QSqlQuery q(db);
        QVERIFY2(q.exec(QStringLiteral("INSERT INTO archiv (jBszam) SELECT jBszam FROM vello LIMIT 1")),
                qPrintable(q.lastError().text()));
        QVERIFY(q.exec(QStringLiteral("DELETE FROM archiv")));
        for (const char* refused : {"DROP TABLE sorszam", "CREATE TABLE sajat (x INT)", "ALTER TABLE vello ADD x INT",
                     "CREATE USER 'masik'@'localhost'", "TRUNCATE TABLE archiv"}) {
            QVERIFY2(!q.exec(QLatin1String(refused)), refused);
            QVERIFY2(q.lastError().nativeErrorCode().toInt() == 1142 || q.lastError().nativeErrorCode().toInt() == 1227,
                    qPrintable(q.lastError().text()));
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("program"));
}

// An installation made before: every account of the program with all
// rights, an older workstation's without the log's. The upgrade leaves each
// with the program's rights, the log's included.
void TestAccounts::upgradeBringsOlderAccountsIntoLine()
{
    exec(QStringLiteral("CREATE USER IF NOT EXISTS 'vello'@'10.9.9.9' IDENTIFIED BY 'regi'"));
    for (const char* host : {"localhost", "127.0.0.1", "10.9.9.9"})
        exec(QStringLiteral("GRANT ALL PRIVILEGES ON `%1`.* TO 'vello'@'%2' WITH GRANT OPTION")
                        .arg(kDb, QLatin1String(host)));
    const ToolRun r = create({QStringLiteral("--upgrade")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err + r.out));
    QVERIFY2(r.out.contains(QStringLiteral("vello@10.9.9.9")), qPrintable(r.out));
    for (const char* host : {"localhost", "127.0.0.1", "10.9.9.9"}) {
        QCOMPARE(grantsOn(QLatin1String(host), kDb),
                QStringList {QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON `%1`.* TO `vello`@`%2`")
                                     .arg(kDb, QLatin1String(host))});
        QVERIFY2(!grantsOn(QLatin1String(host), kDb + QStringLiteral("\\_alibi")).isEmpty(), host);
    }
    exec(QStringLiteral("DROP USER 'vello'@'10.9.9.9'"));
}

void TestAccounts::loopbackHostIsRefused_data()
{
    QTest::addColumn<QString>("host");
    for (const char* h : {"127.0.0.1", "localhost", "::1", "127.0.1.1", "LOCALHOST"})
        QTest::newRow(h) << QString::fromLatin1(h);
}

// A workstation's account on this machine itself would never be asked for
// its password (the local account answers first): refused, and said why.
void TestAccounts::loopbackHostIsRefused()
{
    QFETCH(QString, host);
    const ToolRun r = create({QStringLiteral("--allow-host"), host, QStringLiteral("--password-file"), file("jelszo")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("--local-password-file")), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

// A workstation's account made with --require-ssl: the printed settings
// with the site's CA connect encrypted; without the CA the account refuses
// the plain link; a CA that did not sign the server's certificate refuses
// the server.
void TestAccounts::workstationLinkIsEncrypted()
{
    // This server serves workstations only: without the local TCP account,
    // the workstation's (any host) is the one this machine's link reaches.
    exec(QStringLiteral("DROP USER IF EXISTS 'vello'@'127.0.0.1'"));
    const ToolRun r = create(
            {QStringLiteral("--allow-host"), QStringLiteral("%"), QStringLiteral("--password-file"), file("jelszo"),
                    QStringLiteral("--require-ssl"), QStringLiteral("--server-host"), QStringLiteral("127.0.0.1")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("ssl-ca=")), qPrintable(r.out));
    ConnectionSettings s = printedSettings(r.out, m_dir.path());
    QCOMPARE(s.host, QStringLiteral("127.0.0.1"));
    QCOMPARE(s.port, m_port);
    QCOMPARE(s.password, QStringLiteral("munkaallomas-jelszo"));

    QString error;
    QString cipher = cipherOf(s, &error);
    QVERIFY2(!error.isEmpty() && cipher.isEmpty(), "a plain link was let in");

    s.sslCa = file("ca.pem");
    error.clear();
    cipher = cipherOf(s, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(!cipher.isEmpty(), "the link is not encrypted");

    s.sslCa = file("other.pem");
    error.clear();
    cipherOf(s, &error);
    QVERIFY2(!error.isEmpty(), "a server whose certificate the CA did not sign was accepted");

    // the settings file's keys reach the connection
    QFile ini(file("munkaallomas.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[database]\nhost=127.0.0.1\nport=%1\nuser=vello\npassword=munkaallomas-jelszo\n"
                             "ssl-ca=%2\n")
                      .arg(m_port)
                      .arg(file("ca.pem"))
                      .toUtf8());
    ini.close();
    ConnectionSettings fromFile = ConnectionSettings::fromFile(ini.fileName());
    QCOMPARE(fromFile.sslCa, file("ca.pem"));
    fromFile.database = kDb;
    error.clear();
    QVERIFY(!cipherOf(fromFile, &error).isEmpty());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    exec(QStringLiteral("DROP USER 'vello'@'%'"));
    exec(QStringLiteral("CREATE USER 'vello'@'127.0.0.1'"));
    exec(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON `%1`.* TO 'vello'@'127.0.0.1'").arg(kDb));
}

// --local-password-file: this machine's account gets a password; the
// settings printed connect as printed, and nothing connects without it.
void TestAccounts::localPasswordWorksAsPrinted()
{
    QFile pw(file("helyi"));
    QVERIFY(pw.open(QIODevice::WriteOnly));
    pw.write("helyi-jelszo\n");
    pw.close();
    const ToolRun r = create({QStringLiteral("--local-password-file"), file("helyi")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    ConnectionSettings s = printedSettings(r.out, m_dir.path());
    QCOMPARE(s.password, QStringLiteral("helyi-jelszo"));
    QString error;
    cipherOf(s, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    s.password.clear();
    cipherOf(s, &error);
    QVERIFY2(!error.isEmpty(), "the local account still lets anyone in");
    for (const char* host : {"localhost", "127.0.0.1"})
        QCOMPARE(grantsOn(QLatin1String(host), kDb),
                QStringList {QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON `%1`.* TO `vello`@`%2`")
                                     .arg(kDb, QLatin1String(host))});
}

QTEST_GUILESS_MAIN(TestAccounts)
#include "test_accounts.moc"
