// The port selection window: shows the stored port, stores what is typed.
#include "scale/portsetting.h"
#include "scale/scalewindows.h"
#include "testapp.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "ui/scriptedhost.h"
#include "ui/scriptedprompt.h"
#include "widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestPortSelection : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
private slots:
    // The program's settings file of this run lives in a folder of its own.
    void initTestCase()
    {
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }
    // Each case starts on a workstation without a port of its own.
    void init()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
        QSettings(QSettings::IniFormat, QSettings::UserScope, "vello", "vello").remove("scale/port");
    }

    // Two workstations on one server, each with its own settings file: the
    // port saved at one is that workstation's; the other keeps reading the
    // site row's default, and each window says whose port it shows.
    void portBelongsToTheWorkstation()
    {
        QTemporaryDir second;
        TestApp app;
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = 'COM7'"));
        DataModule data2(app.db.settings());
        data2.open();
        ScriptedPrompt prompt2;
        ScriptedHost host2;
        AppContext ctx2(data2, prompt2, &host2);
        const auto workstation
                = [&](const QString& dir) { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir); };
        const auto shown = [](AppContext& ctx, ScriptedHost& host) {
            QStringList texts;
            host.expect(QStringLiteral("TForm16"), [&](QDialog& w) {
                texts << TestUi::child<QLabel>(w, "Label2")->text() << TestUi::child<QLabel>(w, "PortSource")->text();
            });
            openPortSelection(ctx);
            return texts;
        };
        const QString own = QStringLiteral("(ennek a munkaállomásnak a saját beállítása)");
        const QString site = QStringLiteral("(a telephely alapértéke; ennek a munkaállomásnak nincs saját portja)");

        // Workstation 2 saves its own port.
        workstation(second.path());
        host2.expect(QStringLiteral("TForm16"), [](QDialog& w) {
            TestUi::child<QComboBox>(w, "ComboBox1")->setEditText("ttyUSB1");
            TestUi::child<QPushButton>(w, "Button7")->click();
        });
        openPortSelection(ctx2);
        QCOMPARE(PortSetting::sitePort(ctx2).name, QStringLiteral("ttyUSB1"));
        QVERIFY(PortSetting::sitePort(ctx2).workstation);
        QCOMPARE(shown(ctx2, host2), QStringList({"Jelenlegi port: ttyUSB1", own}));

        // Workstation 1 still reads its scale at the site's default.
        workstation(m_settings.path());
        QCOMPARE(PortSetting::sitePort(app.ctx).name, QStringLiteral("COM7"));
        QVERIFY(!PortSetting::sitePort(app.ctx).workstation);
        QCOMPARE(shown(app.ctx, app.host), QStringList({"Jelenlegi port: COM7", site}));
        QCOMPARE(app.db.scalar("SELECT aSzeria FROM atvevo WHERE IDa = 1").toString(), QStringLiteral("COM7"));

        // Stored as the site default as well, it reaches the workstations
        // without a port of their own.
        host2.expect(QStringLiteral("TForm16"), [](QDialog& w) {
            TestUi::child<QComboBox>(w, "ComboBox1")->setEditText("ttyS3");
            TestUi::child<QCheckBox>(w, "SiteDefault")->setChecked(true);
            TestUi::child<QPushButton>(w, "Button7")->click();
        });
        workstation(second.path());
        openPortSelection(ctx2);
        QCOMPARE(PortSetting::sitePort(ctx2).name, QStringLiteral("ttyS3"));
        workstation(m_settings.path());
        QCOMPARE(PortSetting::sitePort(app.ctx).name, QStringLiteral("ttyS3"));
        QVERIFY(!PortSetting::sitePort(app.ctx).workstation);
        QVERIFY(prompt2.shown().isEmpty());
        QVERIFY(host2.allRun());
        app.verifyScriptsDone();
    }

    // "a mérleg folyamatosan küld": off by default, stored by "Mentés" in
    // the settings file beside the port name, shown again on the next opening.
    void continuousSetting()
    {
        TestApp app;
        QVERIFY(!PortSetting::continuous());
        app.host.expect(QStringLiteral("TForm16"), [](QDialog& w) {
            auto* box = TestUi::child<QCheckBox>(w, "CheckBox1");
            QCOMPARE(box->text(), QStringLiteral("a mérleg folyamatosan küld"));
            QVERIFY(!box->isChecked());
            box->setChecked(true);
            TestUi::child<QComboBox>(w, "ComboBox1")->setEditText("ttyUSB0");
            TestUi::child<QPushButton>(w, "Button7")->click();
        });
        openPortSelection(app.ctx);
        QVERIFY(PortSetting::continuous());
        QCOMPARE(PortSetting::workstationPort().value_or("none"), QStringLiteral("ttyUSB0"));
        bool shown = false;
        app.host.expect(QStringLiteral("TForm16"), [&](QDialog& w) {
            shown = TestUi::child<QCheckBox>(w, "CheckBox1")->isChecked();
            w.reject();   // "Mégsem" stores nothing
        });
        openPortSelection(app.ctx);
        QVERIFY(shown);
        QVERIFY(PortSetting::setContinuous(false));
        app.verifyScriptsDone();
    }

    void controls()
    {
        TestApp app;
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = 'COM7'"));
        app.host.expect(QStringLiteral("TForm16"), [](QDialog& w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("Soros port beállítása"));
            QCOMPARE(TestUi::child<QLabel>(w, "Label2")->text(), QStringLiteral("Jelenlegi port: COM7"));
            QCOMPARE(TestUi::child<QLabel>(w, "Label1")->text(), QStringLiteral("Soros port száma:"));
            auto* combo = TestUi::child<QComboBox>(w, "ComboBox1");
            QVERIFY(combo->isEditable());
            QCOMPARE(combo->currentText(), QString());
            QVERIFY(combo->count() >= 19);
            QCOMPARE(combo->itemText(0), QStringLiteral("Com1"));
            QCOMPARE(combo->itemText(15), QStringLiteral("Com16"));
            for (int i = 16; i < 19; ++i)
                QCOMPARE(combo->itemText(i), QString());
            auto* save = TestUi::child<QPushButton>(w, "Button7");
            QCOMPARE(save->text(), QStringLiteral("Mentés"));
            QCOMPARE(save->toolTip(), QStringLiteral("Nyomtatás."));
            auto* cancel = TestUi::child<QPushButton>(w, "Button5");
            QCOMPARE(cancel->text(), QStringLiteral("Mégsem"));
            QCOMPARE(cancel->toolTip(), QStringLiteral("Kilépés, ablak bezárás"));
            cancel->click();
            QVERIFY(!w.isVisible());
        });
        openPortSelection(app.ctx);
        QCOMPARE(app.db.scalar("SELECT aSzeria FROM atvevo WHERE IDa = 1").toString(), QStringLiteral("COM7"));
        app.verifyScriptsDone();
    }

    void save_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("fails");
        QTest::newRow("empty") << ""
                               << "" << false;
        QTest::newRow("a choice") << "Com3"
                                  << "Com3" << false;
        QTest::newRow("typed by hand") << "ttyUSB0"
                                       << "ttyUSB0" << false;
        QTest::newRow("path with quote") << "/dev/serial/by-id/x\"y"
                                         << "/dev/serial/by-id/x\"y" << false;
        QTest::newRow("too long") << QString(300, 'x') << "COM7" << true;
    }
    // The site data set was read before the port was stored (at start, or
    // by another workstation): the window shows the stored port all the same.
    void showsStoredPortReadEarlier()
    {
        TestApp app;
        QCOMPARE(app.data.ZTable8.text(QStringLiteral("aSzeria")), QString());
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = 'ttyUSB0'"));
        QString shown;
        app.host.expect(
                QStringLiteral("TForm16"), [&](QDialog& w) { shown = TestUi::child<QLabel>(w, "Label2")->text(); });
        openPortSelection(app.ctx);
        QCOMPARE(shown, QStringLiteral("Jelenlegi port: ttyUSB0"));
        app.verifyScriptsDone();
    }

    void save()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, fails);
        TestApp app;
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = 'COM7'"));
        if (fails)
            app.prompt.expectMessage(QStringLiteral("Hiba: ComPort, update az atvevo-ben "));
        app.host.expect(QStringLiteral("TForm16"), [&](QDialog& w) {
            auto* combo = TestUi::child<QComboBox>(w, "ComboBox1");
            combo->setEditText(typed);
            TestUi::child<QCheckBox>(w, "SiteDefault")->setChecked(true);   // the site row as well
            TestUi::child<QPushButton>(w, "Button7")->click();
            QVERIFY(w.isVisible());   // stays open after saving
            // The workstation's own port, as typed, whatever the site row took.
            QCOMPARE(TestUi::child<QLabel>(w, "Label2")->text(), QStringLiteral("Jelenlegi port: ") + typed);
        });
        openPortSelection(app.ctx);
        QCOMPARE(app.db.scalar("SELECT aSzeria FROM atvevo WHERE IDa = 1").toString(), stored);
        QCOMPARE(PortSetting::workstationPort().value_or("none"), typed);
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }

    void saveFaultWalk_data()
    {
        QTest::addColumn<int>("statement");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("written");
        // START TRANSACTION, the UPDATE, the COMMIT.
        for (int n = 1; n <= 3; ++n) {
            QTest::addRow("statement %d refused", n) << n << 1406 << false;
            QTest::addRow("statement %d deadlock", n) << n << 1213 << true;
            QTest::addRow("statement %d lock wait", n) << n << 1205 << true;
        }
    }
    // A refused statement anywhere in the store keeps the stored port and
    // shows the one message; a lock conflict is tried again and stores.
    void saveFaultWalk()
    {
        QFETCH(int, statement);
        QFETCH(int, code);
        QFETCH(bool, written);
        TestApp app;
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = 'COM7'"));
        if (!written)
            app.prompt.expectMessage(QStringLiteral("Hiba: ComPort, update az atvevo-ben "));
        app.data.failStatement(statement, code);
        QCOMPARE(PortSetting::save(app.ctx, QStringLiteral("ttyUSB1")).done(), written);
        QCOMPARE(app.db.scalar("SELECT aSzeria FROM atvevo WHERE IDa = 1").toString(),
                written ? QStringLiteral("ttyUSB1") : QStringLiteral("COM7"));
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }

    // The list of present devices comes from the kernel's tty entries: a
    // UART of unknown type, a console without a device and a node without
    // an entry are left out; adapters and by-id links are listed.
    void presentDevicesFromKernelEntries()
    {
        QTemporaryDir root;
        QDir r(root.path());
        QVERIFY(r.mkpath("sys/devices/pnp"));
        QVERIFY(r.mkpath("dev/serial/by-id"));
        auto entry = [&](const QString& name, bool device, const QString& type) {
            QVERIFY(r.mkpath("sys/class/" + name));
            if (device)
                QVERIFY(QFile::link(r.filePath("sys/devices/pnp"), r.filePath("sys/class/" + name + "/device")));
            if (!type.isNull()) {
                QFile t(r.filePath("sys/class/" + name + "/type"));
                QVERIFY(t.open(QIODevice::WriteOnly));
                t.write(type.toLatin1() + "\n");
            }
        };
        auto node = [&](const QString& name) {
            QFile f(r.filePath("dev/" + name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        };
        entry("ttyS0", true, "4");   // a 16550A
        entry("ttyS1", true, "0");   // a placeholder of the driver
        entry("tty1", false, QString());
        entry("ttyAMA0", true, QString());
        entry("ttyUSB0", true, QString());
        for (const char* n : {"ttyS0", "ttyS1", "ttyS2", "tty1", "ttyAMA0", "ttyUSB0", "ttyUSB1", "ttyACM0"})
            node(n);
        QVERIFY(QFile::link(r.filePath("dev/ttyUSB0"), r.filePath("dev/serial/by-id/usb-Merleg_123-if00-port0")));
        QCOMPARE(PortSetting::presentDevices(r.filePath("sys/class"), r.filePath("dev")),
                QStringList({"ttyAMA0", "ttyS0", "ttyUSB0", "ttyACM0", "ttyUSB1",
                        "serial/by-id/usb-Merleg_123-if00-port0"}));
    }

    // Listing the ports opens none of them: opening a serial device raises
    // DTR and RTS on whatever is attached.
    void listingOpensNoPort()
    {
        const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(fd >= 0);
        int watched = 0;
        const QDir dev(QStringLiteral("/dev"));
        for (const QString& n : dev.entryList({"ttyS*", "ttyUSB*", "ttyACM*"}, QDir::System | QDir::Files))
            watched += inotify_add_watch(fd, QFile::encodeName(dev.filePath(n)).constData(), IN_OPEN) >= 0;
        if (watched == 0) {
            ::close(fd);
            QSKIP("no serial device node to watch on this machine");
        }
        PortSetting::presentDevices();
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        ::close(fd);
        QCOMPARE(n, ssize_t(-1));   // no open event queued
    }
};

QTEST_MAIN(TestPortSelection)
#include "test_portselection.moc"
