#include "app/aboutbox.h"
#include "app/startup.h"
#include "testapp.h"

#include <QLabel>
#include <QTimer>
#include <QTest>

namespace {
const char* kMessage = "A MySQL adatbáziskezelöt nem találja.\r"
                       "A program müködéséhez szükséges.\r"
                       "Telepítés lépései:\r"
                       "1.MySQL telepítés (Pelmo1_MySQL.exe).\r"
                       "2.Mérlegjegy adatbázis létrehozása (Vello_Create.exe).\r"
                       "3. A mérlegjegy program futtatás (Vello.exe).";

// The splash box: its texts, and it closes by itself when its one-second
// timer, running while the box is shown, fires.
void expectSplash(ScriptedHost& host)
{
    host.expect("TAboutBox", [](QDialog& box) {
        QCOMPARE(box.windowTitle(), QStringLiteral("Betöltés..."));
        QStringList texts;
        for (QLabel* l : box.findChildren<QLabel*>())
            texts << l->text();
        QVERIFY(texts.contains("Tavrin"));
        QVERIFY(texts.contains("2009."));
        auto* timer = static_cast<AboutBox&>(box).timer();
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
        QVERIFY(box.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), 5000);
        QVERIFY(!timer->isActive());
    });
}
}   // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void goodDatabase()
    {
        TestDb db;
        DataModule data(db.settings());
        ScriptedPrompt prompt;
        ScriptedHost host;
        AppContext ctx(data, prompt, &host);
        expectSplash(host);
        QVERIFY(Startup::run(ctx));
        QVERIFY(data.isConnected());
        QVERIFY(prompt.shown().isEmpty());
        QVERIFY(host.allRun());
    }

    // Each way the start can fail: the start-up message first, then the
    // guidance naming where the program tried (from the settings in use),
    // what failed, and only that failure's remedy.
    void failures_data()
    {
        QTest::addColumn<QString>("table");   // dropped before the start
        QTest::addColumn<QString>("how");   // other failure
        QTest::addColumn<QStringList>("has");   // in the guidance
        QTest::addColumn<QStringList>("hasNot");
        const QString noAnswer = "Mi történt: a megadott címen nem válaszol adatbázis-kiszolgáló.";
        const QString wrongLogin = "Mi történt: a kiszolgáló válaszol, de a felhasználónevet vagy a jelszót nem "
                                   "fogadta el.";
        const QString noDatabase = "Mi történt: a kiszolgáló válaszol és a belépés sikerült, de nincs ilyen adatbázis";
        const QString damaged = "Mi történt: a mérlegjegy adatbázis megvan, de hiányzik egy táblája.";
        for (const QString& t : DataModule::tableNames())
            QTest::newRow(qPrintable("missing " + t))
                    << t << "" << QStringList {damaged, "mentésből"} << QStringList {noAnswer, "sudo vello-create"};
        QTest::newRow("server down") << ""
                                     << "socket"
                                     << QStringList {noAnswer, "socket: /tmp/vello-no-such-server.sock",
                                                "sudo apt install mariadb-server"}
                                     << QStringList {wrongLogin, noDatabase};
        QTest::newRow("database missing")
                << ""
                << "database" << QStringList {noDatabase, "adatbázis: nincs_ilyen_adatbazis", "sudo vello-create"}
                << QStringList {noAnswer, wrongLogin, "apt install"};
        QTest::newRow("login refused") << ""
                                       << "user" << QStringList {wrongLogin, "felhasználó: nincs_ilyen_felhasznalo"}
                                       << QStringList {noAnswer, noDatabase, "apt install"};
        QTest::newRow("wrong password") << ""
                                        << "password"
                                        << QStringList {wrongLogin, "password",
                                                   "vello-create ezen a munkaállomáson "
                                                   "nem kell"}
                                        << QStringList {noAnswer, noDatabase, "apt install", "sudo vello-create"};
        QTest::newRow("wrong port") << ""
                                    << "port" << QStringList {noAnswer, "127.0.0.1, 1-es port"}
                                    << QStringList {wrongLogin, noDatabase, "localhost, 3306"};
        QTest::newRow("other machine, no answer") << ""
                                                  << "remote"
                                                  << QStringList {noAnswer, "192.0.2.1, 1-es port",
                                                             "saját adatbázis-kiszolgáló és vello-create itt nem kell"}
                                                  << QStringList {"apt install", "sudo vello-create"};
    }
    void failures()
    {
        QFETCH(QString, table);
        QFETCH(QString, how);
        QFETCH(QStringList, has);
        QFETCH(QStringList, hasNot);
        TestDb db;
        if (!table.isEmpty())
            db.exec("DROP TABLE " + table);
        ConnectionSettings s = db.settings();
        if (how == "socket") {
            s.socket = "/tmp/vello-no-such-server.sock";
        } else if (how == "database") {
            s.database = "nincs_ilyen_adatbazis";
        } else if (how == "user") {
            s.user = "nincs_ilyen_felhasznalo";
        } else if (how == "password") {
            s.password = "nem-ez-a-jelszo";
        } else if (how == "port" || how == "remote") {
            // Over TCP to a port where nothing listens (a documentation
            // address for the other machine: nothing answers there either).
            s.socket.clear();
            s.host = how == "port" ? "127.0.0.1" : "192.0.2.1";
            s.port = 1;
        }
        DataModule data(s);
        ScriptedPrompt prompt;
        prompt.setLenient(true);
        ScriptedHost host;
        AppContext ctx(data, prompt, &host);
        expectSplash(host);   // the splash still shows first
        QVERIFY(!Startup::run(ctx));
        QVERIFY(host.allRun());
        QCOMPARE(prompt.shown().size(), 2);
        QCOMPARE(int(prompt.shown()[0].kind), int(ScriptedPrompt::ConfirmYesOnly));
        QCOMPARE(prompt.shown()[0].text, QString::fromUtf8(kMessage));
        const QString guidance = prompt.shown()[1].text;
        QVERIFY2(guidance.contains(QStringLiteral("felhasználó: ") + s.user), qPrintable(guidance));
        for (const QString& h : has)
            QVERIFY2(guidance.contains(h), qPrintable(h + " / " + guidance));
        for (const QString& h : hasNot)
            QVERIFY2(!guidance.contains(h), qPrintable(h + " / " + guidance));
        // nothing was written
        if (how.isEmpty() && table != "sorszam")
            QCOMPARE(db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'J'").toString(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
