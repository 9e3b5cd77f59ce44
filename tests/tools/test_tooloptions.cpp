#include "tooloptions.h"

#include <QProcess>
#include <QTest>

namespace {

// A section as a workstation's settings file may hold it.
ConnectionSettings section()
{
    ConnectionSettings s;
    s.host = QStringLiteral("merleg-szerver");
    s.port = 3307;
    s.socket = QStringLiteral("/run/sajat.sock");
    s.user = QStringLiteral("merleg");
    s.password = QStringLiteral("szakasz-jelszo");
    return s;
}

QStringList settingsOf(const ConnectionSettings& s)
{
    return {s.host, QString::number(s.port), s.socket, s.user, s.password, s.database};
}

// MYSQL_PWD for one case; a null value leaves it unset.
struct Environment {
    explicit Environment(const QString& password)
    {
        if (password.isNull())
            qunsetenv("MYSQL_PWD");
        else
            qputenv("MYSQL_PWD", password.toUtf8());
    }
    ~Environment() { qunsetenv("MYSQL_PWD"); }
};

QStringList commandLine(const QStringList& args)
{
    return QStringList {QStringLiteral("vello-proba")} + args;
}

}   // namespace

class TestToolOptions : public QObject {
    Q_OBJECT
private slots:
    // What an option replaces, and what becomes of the password, for the
    // program's user and for the administrative one: the section's password
    // goes only to the section's own user on the section's own server.
    void connection_data()
    {
        QTest::addColumn<bool>("administrative");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("environment");   // MYSQL_PWD
        // host, port, socket, user, password, database
        QTest::addColumn<QStringList>("expected");
        const QString unset;
        QTest::newRow("the section as it is")
                << false << QStringList() << unset
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "merleg", "szakasz-jelszo", "vello"};
        QTest::newRow("MYSQL_PWD before the section's password")
                << false << QStringList() << "kornyezet"
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "merleg", "kornyezet", "vello"};
        QTest::newRow("--user drops the section's password")
                << false << QStringList {"--user", "masik"} << unset
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "masik", "", "vello"};
        QTest::newRow("--user keeps MYSQL_PWD")
                << false << QStringList {"--user", "masik"} << "kornyezet"
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "masik", "kornyezet", "vello"};
        QTest::newRow("--socket: this machine")
                << false << QStringList {"--socket", "/tmp/x.sock"} << unset
                << QStringList {"localhost", "3307", "/tmp/x.sock", "merleg", "", "vello"};
        QTest::newRow("--socket=") << false << QStringList {"--socket=/tmp/x.sock"} << unset
                                   << QStringList {"localhost", "3307", "/tmp/x.sock", "merleg", "", "vello"};
        QTest::newRow("--host: TCP") << false << QStringList {"--host", "10.0.0.5"} << unset
                                     << QStringList {"10.0.0.5", "3307", "", "merleg", "", "vello"};
        QTest::newRow("--host keeps MYSQL_PWD") << false << QStringList {"--host", "10.0.0.5"} << "kornyezet"
                                                << QStringList {"10.0.0.5", "3307", "", "merleg", "kornyezet", "vello"};
        QTest::newRow("--socket naming the section's own: kept")
                << false << QStringList {"--socket", "/run/sajat.sock"} << unset
                << QStringList {"localhost", "3307", "/run/sajat.sock", "merleg", "szakasz-jelszo", "vello"};
        QTest::newRow("--port: TCP") << false << QStringList {"--port", "3310"} << unset
                                     << QStringList {"merleg-szerver", "3310", "", "merleg", "", "vello"};
        QTest::newRow("socket, then host: the host")
                << false << QStringList {"--socket", "/tmp/x.sock", "--host", "10.0.0.5"} << unset
                << QStringList {"10.0.0.5", "3307", "", "merleg", "", "vello"};
        QTest::newRow("host, then socket: the socket")
                << false << QStringList {"--host", "10.0.0.5", "--socket", "/tmp/x.sock"} << unset
                << QStringList {"localhost", "3307", "/tmp/x.sock", "merleg", "", "vello"};
        QTest::newRow("the last --database")
                << false << QStringList {"--database", "elso", "--database", "masodik"} << unset
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "merleg", "szakasz-jelszo", "masodik"};
        QTest::newRow("options among words")
                << false << QStringList {"show", "--user", "masik", "12"} << unset
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "masik", "", "vello"};
        QTest::newRow("administrative: root, never the section's password")
                << true << QStringList() << unset
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "root", "", "vello"};
        QTest::newRow("administrative: MYSQL_PWD")
                << true << QStringList() << "rendszergazda"
                << QStringList {"merleg-szerver", "3307", "/run/sajat.sock", "root", "rendszergazda", "vello"};
        QTest::newRow("administrative: --user keeps MYSQL_PWD")
                << true << QStringList {"--user", "admin", "--socket", "/tmp/x.sock"} << "rendszergazda"
                << QStringList {"localhost", "3307", "/tmp/x.sock", "admin", "rendszergazda", "vello"};
    }
    void connection()
    {
        QFETCH(bool, administrative);
        QFETCH(QStringList, args);
        QFETCH(QString, environment);
        QFETCH(QStringList, expected);
        Environment env(environment);
        ToolOptions tool(QStringLiteral("vello-proba"),
                administrative ? ToolOptions::Account::Administrative : ToolOptions::Account::Program);
        QCOMPARE(tool.parse(commandLine(args)), ToolOptions::Parsed::Run);
        QCOMPARE(settingsOf(tool.connection(section())), expected);
    }

    // What the shared options refuse, and what each tool's own option takes.
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("parsed");
        const int run = int(ToolOptions::Parsed::Run), help = int(ToolOptions::Parsed::Help),
                  bad = int(ToolOptions::Parsed::Bad);
        QTest::newRow("nothing") << QStringList() << run;
        QTest::newRow("--help") << QStringList {"--help"} << help;
        QTest::newRow("-h") << QStringList {"-h"} << help;
        QTest::newRow("unknown option") << QStringList {"--nincs"} << bad;
        QTest::newRow("unknown short option") << QStringList {"-x"} << bad;
        QTest::newRow("value missing") << QStringList {"--socket"} << bad;
        QTest::newRow("port a word") << QStringList {"--port", "harom"} << bad;
        QTest::newRow("port zero") << QStringList {"--port", "0"} << bad;
        QTest::newRow("port too big") << QStringList {"--port", "65536"} << bad;
        QTest::newRow("port at the top") << QStringList {"--port", "65535"} << run;
        QTest::newRow("a value to a switch") << QStringList {"--proba=1"} << bad;
        QTest::newRow("the tool's switch") << QStringList {"--proba"} << run;
        QTest::newRow("the tool's value") << QStringList {"--folder", "/tmp"} << run;
        QTest::newRow("the tool's value missing") << QStringList {"--folder"} << bad;
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(int, parsed);
        ToolOptions tool(QStringLiteral("vello-proba"), ToolOptions::Account::Program);
        tool.addOption(QCommandLineOption(QStringLiteral("proba"), QStringLiteral("kapcsoló érték nélkül")));
        tool.addOption(QCommandLineOption(
                QStringLiteral("folder"), QStringLiteral("kapcsoló értékkel"), QStringLiteral("MAPPA")));
        QCOMPARE(int(tool.parse(commandLine(args))), parsed);
    }

    // The help lists every option with its value and description, the
    // tool's own and the shared ones, under the usage lines.
    void helpFromTheOptions()
    {
        ToolOptions tool(QStringLiteral("vello-proba"), ToolOptions::Account::Program);
        tool.addUsage(QStringLiteral("[--folder MAPPA] [kapcsolók]"));
        tool.addUsage(QStringLiteral("--restore FÁJL\n[--force] [kapcsolók]"));
        tool.setDescription(QStringLiteral("Egy próba eszköz."));
        tool.setEpilogue(QStringLiteral("Kilépési kód: 0 kész."));
        tool.addOption(QCommandLineOption(
                QStringLiteral("folder"), QStringLiteral("ide kerül a mentés"), QStringLiteral("MAPPA")));
        tool.describe(QStringLiteral("database"), QStringLiteral("a vizsgált adatbázis"));
        QCOMPARE(tool.parse(commandLine({})), ToolOptions::Parsed::Run);
        const QString help = tool.helpText();
        QVERIFY2(help.startsWith(QStringLiteral("Használat: vello-proba [--folder MAPPA] [kapcsolók]\n"
                                                "           vello-proba --restore FÁJL\n"
                                                "                       [--force] [kapcsolók]\n")),
                qPrintable(help));
        for (const char* s : {"Egy próba eszköz.", "  --folder MAPPA", "ide kerül a mentés", "  --socket ÚTVONAL",
                     "  --host GÉP", "  --port PORT", "  --user NÉV", "  --database NÉV", "a vizsgált adatbázis",
                     "  -h, --help", "~/.config/vello/vello.ini", "MYSQL_PWD", "Kilépési kód: 0 kész."})
            QVERIFY2(help.contains(QString::fromUtf8(s)), s);
        for (const QString& line : help.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 79, qPrintable(line));
    }

    // Each tool's help: the shared connection options and the tool's own,
    // every line within the terminal's width; a bad option refused the same
    // way by all four.
    void toolsShareTheOptions_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("own");
        QTest::newRow("vello-alibi") << "vello-alibi" << QStringList {"verify", "show N"};
        QTest::newRow("vello-backup") << "vello-backup" << QStringList {"--folder MAPPA", "--restore FÁJL", "--force"};
        QTest::newRow("vello-create") << "vello-create"
                                      << QStringList {"--demo", "--allow-host GÉP", "--password-file FÁJL",
                                                 "--server-host NÉV", "--upgrade"};
        QTest::newRow("vello-report") << "vello-report"
                                      << QStringList {"--template FÁJL.frf", "--out FÁJL.pdf", "--query NÉV SQL",
                                                 "--bind NÉV.pN=ÉRTÉK", "--var NÉV=ÉRTÉK"};
    }
    void toolsShareTheOptions()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, own);
        const QString path = qEnvironmentVariable("VELLO_BINARY_DIR") + QLatin1Char('/') + tool;
        QProcess p;
        p.start(path, {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QString help = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(help.startsWith(QStringLiteral("Használat: ") + tool + QLatin1Char(' ')), qPrintable(help));
        for (const QString& s : own
                        + QStringList {"--socket ÚTVONAL", "--host GÉP", "--port PORT", "--user NÉV", "--database NÉV",
                                "-h, --help", "MYSQL_PWD", "Kilépési kód"})
            QVERIFY2(help.contains(s), qPrintable(s));
        for (const QString& line : help.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 79, qPrintable(line));

        p.start(path, {QStringLiteral("--port"), QStringLiteral("harom")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        // (the platform may warn before it, about its own settings)
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(said.endsWith(tool
                         + QStringLiteral(": a --port értéke 1 és 65535 közötti szám, nem „harom”\n"
                                          "A használat leírása: ")
                         + tool + QStringLiteral(" --help\n")),
                qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestToolOptions)
#include "test_tooloptions.moc"
