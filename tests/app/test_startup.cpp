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

    void failures_data()
    {
        QTest::addColumn<QString>("table");   // dropped before the start
        QTest::addColumn<QString>("how");   // other failure
        for (const QString& t : DataModule::tableNames())
            QTest::newRow(qPrintable("missing " + t)) << t << "";
        QTest::newRow("server down") << ""
                                     << "socket";
        QTest::newRow("database missing") << ""
                                          << "database";
        QTest::newRow("login refused") << ""
                                       << "user";
    }
    void failures()
    {
        QFETCH(QString, table);
        QFETCH(QString, how);
        TestDb db;
        if (!table.isEmpty())
            db.exec("DROP TABLE " + table);
        ConnectionSettings s = db.settings();
        if (how == "socket")
            s.socket = "/tmp/vello-no-such-server.sock";
        else if (how == "database")
            s.database = "nincs_ilyen_adatbazis";
        else if (how == "user")
            s.user = "nincs_ilyen_felhasznalo";
        DataModule data(s);
        ScriptedPrompt prompt;
        ScriptedHost host;
        AppContext ctx(data, prompt, &host);
        expectSplash(host);   // the splash still shows first
        prompt.expect(ScriptedPrompt::ConfirmYesOnly, QString::fromUtf8(kMessage));
        QVERIFY(!Startup::run(ctx));
        QVERIFY(prompt.allAnswered());
        QVERIFY(host.allRun());
        QCOMPARE(prompt.shown().size(), 1);
        // nothing was written
        if (how.isEmpty() && table != "sorszam")
            QCOMPARE(db.scalar("SELECT sBszam FROM sorszam WHERE sKod = 'J'").toString(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
