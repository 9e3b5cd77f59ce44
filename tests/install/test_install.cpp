#include "app/startup.h"
#include "install/firststart.h"
#include "install/sitetemplates.h"
#include "testapp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A prefix as the package installs it: <root>/usr/bin and the templates.
struct Installed {
    QTemporaryDir root;
    QString bin() const { return root.filePath("usr/bin"); }
    QString templates() const { return root.filePath("usr/share/vello/templates"); }
    Installed()
    {
        QDir().mkpath(bin());
        QDir().mkpath(templates());
        writeFile(templates() + "/vello.frf", "installed ticket");
        writeFile(templates() + "/szallito.frf", "installed delivery note");
        writeFile(templates() + "/termeny.frf", "installed crops");
    }
};

}   // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void installedFolderBesideTheProgram()
    {
        Installed inst;
        QCOMPARE(SiteTemplates::installedFolder(inst.bin()), QDir::cleanPath(inst.templates()));
        QCOMPARE(SiteTemplates::installedFolder(inst.bin() + "/"), QDir::cleanPath(inst.templates()));
        // a build folder or a bin without templates is no installation
        QTemporaryDir build;
        QVERIFY(SiteTemplates::installedFolder(build.path()).isEmpty());
        QDir().mkpath(build.filePath("bin"));
        QVERIFY(SiteTemplates::installedFolder(build.filePath("bin")).isEmpty());
        QVERIFY(SiteTemplates::installedFolder(QString::fromUtf8(qgetenv("VELLO_BINARY_DIR"))).isEmpty());
    }

    void userFolderFollowsXdgDataHome()
    {
        QTemporaryDir data;
        const QByteArray old = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QCOMPARE(SiteTemplates::userFolder(), data.path() + "/vello/templates");
        if (old.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", old);
    }

    // First start copies everything; later starts keep the site's own files
    // and bring back only what is missing.
    void firstAndLaterStarts()
    {
        Installed inst;
        QTemporaryDir home;
        const QString user = home.filePath("vello/templates");

        SiteTemplates::Result r = SiteTemplates::prepare(inst.templates(), user);
        QVERIFY2(r.failure.isEmpty(), qPrintable(r.failure));
        QCOMPARE(r.folder, user);
        QCOMPARE(r.copied, QStringList({"szallito.frf", "termeny.frf", "vello.frf"}));
        QCOMPARE(readFile(user + "/vello.frf"), QByteArray("installed ticket"));
        // the copies are the site's: writable by their owner
        QVERIFY(QFile::permissions(user + "/vello.frf") & QFileDevice::WriteOwner);
        QVERIFY(!QFile::exists(user + "/vello.frf.part"));

        // the site changes the ticket and loses the delivery note
        writeFile(user + "/vello.frf", "site ticket");
        QVERIFY(QFile::remove(user + "/szallito.frf"));
        r = SiteTemplates::prepare(inst.templates(), user);
        QVERIFY(r.failure.isEmpty());
        QCOMPARE(r.copied, QStringList({"szallito.frf"}));
        QCOMPARE(readFile(user + "/vello.frf"), QByteArray("site ticket"));
        QCOMPARE(readFile(user + "/szallito.frf"), QByteArray("installed delivery note"));

        // a template added by a newer package arrives too
        writeFile(inst.templates() + "/meres.frf", "new");
        r = SiteTemplates::prepare(inst.templates(), user);
        QCOMPARE(r.copied, QStringList({"meres.frf"}));

        // nothing missing: nothing copied
        r = SiteTemplates::prepare(inst.templates(), user);
        QVERIFY(r.copied.isEmpty());
        QCOMPARE(r.folder, user);
    }

    // Where no folder of the user's own can be made, the program works from
    // the installed copy and says why.
    void userFolderCannotBeMade()
    {
        Installed inst;
        QTemporaryDir home;
        writeFile(home.filePath("vello"), "a file where the folder should be");
        const SiteTemplates::Result r = SiteTemplates::prepare(inst.templates(), home.filePath("vello/templates"));
        QVERIFY(!r.failure.isEmpty());
        QCOMPARE(r.folder, inst.templates());
        const QString msg = SiteTemplates::failureMessage(r);
        QVERIFY(msg.startsWith("A nyomtatványsablonok saját példánya nem készíthető el."));
        QVERIFY(msg.contains(r.failure));
    }

    // The first-start guidance names the steps that fit the failure.
    // The guidance on this machine's server (the fixed settings) and on
    // another machine's: a workstation is never told to install a server or
    // run vello-create.
    void guidance_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("has");
        QTest::addColumn<QStringList>("hasNot");
        const QStringList install
                = {"sudo apt install mariadb-server", "sudo systemctl start mariadb", "sudo vello-create"};
        QTest::newRow("no socket") << "localhost" << 2002 << install << QStringList();
        QTest::newRow("no tcp") << "localhost" << 2003 << install << QStringList();
        QTest::newRow("unknown database")
                << "localhost" << 1049 << QStringList({"sudo vello-create"}) << QStringList({"apt install"});
        QTest::newRow("no such user") << "localhost" << 1045 << QStringList({"sudo vello-create"})
                                      << QStringList({"apt install"});
        QTest::newRow("missing table") << "localhost" << 1146
                                       << QStringList({"mentésből", "Ne futtassa a vello-create-et"})
                                       << QStringList({"sudo vello-create", "apt install"});
        QTest::newRow("workstation, no answer")
                << "merleghaz1" << 2003 << QStringList({"merleghaz1", "nem kell", "3306"})
                << QStringList({"apt install", "sudo vello-create"});
        QTest::newRow("workstation, wrong password")
                << "merleghaz1" << 1045 << QStringList({"password", "vello-create ezen a munkaállomáson nem kell"})
                << QStringList({"apt install", "sudo vello-create"});
        QTest::newRow("workstation, no database")
                << "merleghaz1" << 1049 << QStringList({"a(z) merleghaz1 gépen kell létrehozni"})
                << QStringList({"apt install"});
    }
    void guidance()
    {
        QFETCH(QString, host);
        QFETCH(int, code);
        QFETCH(QStringList, has);
        QFETCH(QStringList, hasNot);
        ConnectionSettings s;
        s.host = host;
        const QString text = FirstStart::guidance(s, code, "server says no");
        QVERIFY(text.startsWith("A program adatbázisa nem érhető el."));
        QVERIFY(text.contains(QStringLiteral("Kiszolgáló: %1, 3306-es port, felhasználó: vello").arg(host)));
        QVERIFY(text.endsWith("A kiszolgáló válasza: server says no"));
        for (const QString& h : has)
            QVERIFY2(text.contains(h), qPrintable(h));
        for (const QString& h : hasNot)
            QVERIFY2(!text.contains(h), qPrintable(h));
        QVERIFY(!FirstStart::guidance(s, code, "").contains("A kiszolgáló válasza"));
    }

    // The start-up reports which failure it met, for the guidance.
    void startupReportsTheFailure_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("cause");
        QTest::newRow("server down") << "socket" << int(FirstStart::Cause::NoAnswer);
        QTest::newRow("database missing") << "database" << int(FirstStart::Cause::NoDatabase);
        QTest::newRow("login refused") << "user" << int(FirstStart::Cause::WrongLogin);
        QTest::newRow("table missing") << "table" << int(FirstStart::Cause::Damaged);
    }
    void startupReportsTheFailure()
    {
        QFETCH(QString, how);
        QFETCH(int, cause);
        TestDb db;
        ConnectionSettings s = db.settings();
        if (how == "socket")
            s.socket = "/tmp/vello-no-such-server.sock";
        else if (how == "database")
            s.database = "vello_no_such_database";
        else if (how == "user")
            s.user = "no_such_user";
        else
            db.exec("DROP TABLE archiv");
        DataModule data(s);
        ScriptedPrompt prompt;
        AppContext ctx(data, prompt, nullptr);
        prompt.setLenient(true);
        int code = 0;
        QString text;
        QVERIFY(!Startup::run(ctx, &code, &text));
        QVERIFY(code != 0);
        QVERIFY(!text.isEmpty());
        QCOMPARE(int(FirstStart::causeOf(code)), cause);
        QCOMPARE(prompt.shownTexts(), QStringList({Startup::failureMessage(), FirstStart::guidance(s, code, text)}));
    }

    void createToolHelp()
    {
        QProcess p;
        p.start(QString::fromUtf8(qgetenv("VELLO_BINARY_DIR")) + "/vello-create", {"--help"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* s : {"Használat: vello-create", "--socket ÚTVONAL", "--host GÉP", "--port PORT", "--user NÉV",
                     "--database NÉV", "--demo", "--allow-host GÉP", "--password-file FÁJL", "--server-host NÉV",
                     "--upgrade", "--help", "sudo vello-create", "sudo apt install mariadb-server", "MYSQL_PWD",
                     "Kilépési kód"})
            QVERIFY2(out.contains(QString::fromUtf8(s)), s);

        QProcess bad;
        bad.start(QString::fromUtf8(qgetenv("VELLO_BINARY_DIR")) + "/vello-create", {"--nonsense"});
        QVERIFY(bad.waitForFinished(30000));
        QCOMPARE(bad.exitCode(), 2);
        const QString said = QString::fromUtf8(bad.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("vello-create: ismeretlen kapcsoló: --nonsense")), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("vello-create --help")), qPrintable(said));
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
