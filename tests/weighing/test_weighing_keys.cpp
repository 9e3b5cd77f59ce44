// A weighing at the scale by keyboard alone, as a practised operator types
// it: the list's "Új -  BE" one Tab away, the vehicle kind chosen with the
// arrows, the plate in the header of the weighing window, the tabs by
// Alt+letter and Ctrl+Tab, read-only fields passed over by Tab, lab figures
// typed before the crop code kept, a store the server refuses leaving the
// window open with everything typed and OK pressed again; and the scale's
// capacity set in the port window with Enter on its focused "Mentés".
#include "keys.h"
#include "windowfixture.h"

#include "scale/portsetting.h"
#include "scale/pseudoterminal.h"
#include "scale/tseriallink.h"
#include "scale/scalewindows.h"
#include "weighing/weighingwindow.h"
#include "weighing/weighingwindows.h"

#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace WindowFixture;
using TestKeys::focused;
using TestKeys::press;
using TestKeys::type;

namespace {

// Tab presses until `name` has the keyboard (-1: not reached in 40).
int tabsTo(const QString& name, bool back = false)
{
    int n = 0;
    for (; n < 40 && focused() != name; ++n)
        press(back ? Qt::Key_Backtab : Qt::Key_Tab);
    return focused() == name ? n : -1;
}

// Empties the focused box with Backspace (the number boxes take no other
// editing key).
void clearFocused(int chars = 12)
{
    press(Qt::Key_End);
    for (int i = 0; i < chars; ++i)
        press(Qt::Key_Backspace);
}

}   // namespace

class TestWeighingKeys : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
private slots:
    void initTestCase() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path()); }

    void arrivalByKeyboard()
    {
        TestApp app;
        seedRegisters(app);
        // The server refuses this remark (as it would a text its column
        // cannot hold): the store fails after the checks.
        app.db.exec("CREATE TRIGGER meres_refuse BEFORE INSERT ON meres FOR EACH ROW "
                    "IF NEW.mMegj = 'rossz' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'; END IF");

        app.host.expect("TForm5", [&](QDialog&) {
            QVERIFY(tabsTo("DBGrid1") >= 0);
            press(Qt::Key_Return);   // ABC-123, the first plate
        });
        app.host.expect("TForm15", [&](QDialog& w) {
            QVERIFY(tabsTo("RadioButton3") >= 0);
            // The arrow chooses, with nothing chosen before.
            press(Qt::Key_Down);
            QVERIFY(child<QRadioButton>(w, "RadioButton4")->isChecked());
            QCOMPARE(focused(), QStringLiteral("RadioButton4"));
            press(Qt::Key_Up);
            QVERIFY(child<QRadioButton>(w, "RadioButton3")->isChecked());
            press(Qt::Key_Down);
            press(Qt::Key_Return);   // "Üres vagy rakott ?" no more: the plate list opens
        });
        app.host.expect("TForm14", [&](QDialog& w) {
            auto* tabs = child<QTabWidget>(w, "PageControl1");
            QCOMPARE(w.windowTitle(), QStringLiteral("Új  \"BE\" mérés"));
            QVERIFY2(child<QLabel>(w, "VehicleHeader")->text().contains("Rendszám: ABC-123"),
                    qPrintable(child<QLabel>(w, "VehicleHeader")->text()));
            // The lab figures first, on "Adatok" reached by Alt+A.
            press(Qt::Key_A, Qt::AltModifier);
            QCOMPARE(tabs->currentIndex(), 1);
            QCOMPARE(focused(), QStringLiteral("Edit32"));
            clearFocused();
            type("96,5");
            press(Qt::Key_Tab);
            QCOMPARE(focused(), QStringLiteral("Edit33"));
            clearFocused();
            type("14,8");
            // From the last figure to "OK": the remark, Edit23, then OK.
            QVERIFY(tabsTo("Button1") <= 3);
            // Ctrl+Tab back to "Mérés", where Tab runs from input to input.
            press(Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabs->currentIndex(), 0);
            QVERIFY(tabsTo("Edit1") >= 0);
            clearFocused();
            type("18320");
            press(Qt::Key_Tab);
            QCOMPARE(focused(), QStringLiteral("Button2"));   // "Mérés": the scale field is passed over
            QVERIFY(tabsTo("Edit5") <= 2);
            type("2");
            QCOMPARE(text(w, "Edit3"), QStringLiteral("Kukorica"));
            // The figures typed stay through the crop.
            QCOMPARE(text(w, "Edit32"), QStringLiteral("96,5"));
            QCOMPARE(text(w, "Edit33"), QStringLiteral("14,8"));
            QVERIFY(tabsTo("Edit6") <= 2);
            type("1");
            press(Qt::Key_A, Qt::AltModifier);
            QVERIFY(tabsTo("Edit31") >= 0);
            type("rossz");
            QVERIFY(tabsTo("Button1") >= 0);
            app.prompt.expectMessage("Hiba: Újban, INSERT-append a meres-ben ");
            press(Qt::Key_Return);
            // Refused by the server: everything typed is still there.
            QVERIFY(w.isVisible());
            QCOMPARE(app.db.count("meres"), 0);
            for (const auto& [box, value] : {std::pair {"Edit1", "18320"}, {"Edit5", "2"}, {"Edit6", "1"},
                         {"Edit32", "96,5"}, {"Edit33", "14,8"}, {"Edit31", "rossz"}})
                QCOMPARE(text(w, QLatin1String(box)), QLatin1String(value));
            // The remark put right, OK again.
            QVERIFY(tabsTo("Edit31", true) >= 0);
            clearFocused();
            type("jo");
            QVERIFY(tabsTo("Button1") >= 0);
            press(Qt::Key_Return);
            QVERIFY(!w.isVisible());
        });
        app.host.expect("TForm4", [&](QDialog& w) {
            // "Új -  BE" right after the list.
            const int tabs = tabsTo("Button2");
            QVERIFY2(tabs >= 0 && tabs <= 1, qPrintable(QString::number(tabs)));
            press(Qt::Key_Return);
            QCOMPARE(app.db.count("meres"), 1);
            press(Qt::Key_Escape);
            QVERIFY(!w.isVisible());
        });
        openVehiclesOnSite(app.ctx);
        app.verifyScriptsDone();
        QCOMPARE(app.db.scalar("SELECT CONCAT_WS('|', mMozgas, mRkod, mBemeres1, mTkod1, mKkod1, mTiszt, mViztart, "
                               "mMegj) FROM meres")
                         .toString(),
                QStringLiteral("B|1|18320|2|1|96.5|14.8|jo"));
    }

    // "Mérés" that takes no weight keeps the weight taken and says why:
    // after garbage on the line, and after the link was opened again with
    // nothing received yet; a good reading then fills the field.
    void readWithoutWeightKeepsTheField()
    {
        TestApp app;
        seedRegisters(app);
        PseudoTerminal pty;
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = '%1' WHERE IDa = 1").arg(pty.slavePath()));
        app.data.ZTable8.refresh();
        const auto send = [&pty](WeighingWindow& w, const QByteArray& frame) {
            const int before = w.link()->queuedClusters();
            QVERIFY(pty.write(frame));
            QTRY_VERIFY_WITH_TIMEOUT(w.link()->queuedClusters() > before, 10000);
        };
        app.host.expect("TForm4", [](QDialog& w) { click(w, "Button2"); });
        app.host.expect("TForm15", [](QDialog& w) {
            click(w, "RadioButton3");
            click(w, "Button1");
        });
        app.host.expect("TForm5", pick(app, "ZQ30", "rKod", "1"));
        app.host.expect("TForm14", [&](QDialog& d) {
            auto& w = static_cast<WeighingWindow&>(d);
            send(w, "ST,GS,+  021000kg\r\n");
            click(w, "Button2");
            QCOMPARE(text(w, "Edit1"), QStringLiteral("021000"));
            send(w, "#?*!\r\n");
            app.prompt.expectMessage("Nincs érvényes súly a mérlegről.");
            click(w, "Button2");
            QCOMPARE(text(w, "Edit1"), QStringLiteral("021000"));
            QCOMPARE(text(w, "Edit2"), QStringLiteral("021000"));
            // The link closed (the indicator restarted): "Mérés" opens it again.
            w.link()->setActive(false);
            app.prompt.expectMessage(QStringLiteral("A mérleg kapcsolata (%1) újra megnyílt, de még nem érkezett "
                                                    "érvényes súly. Nyomja meg újra a Mérés gombot.")
                                             .arg(pty.slavePath()));
            click(w, "Button2");
            QVERIFY(w.link()->active());
            QCOMPARE(text(w, "Edit1"), QStringLiteral("021000"));
            send(w, "ST,GS,+  021040kg\r\n");
            click(w, "Button2");
            QCOMPARE(text(w, "Edit1"), QStringLiteral("021040"));
            click(w, "Button5");
        });
        openVehiclesOnSite(app.ctx);
        app.verifyScriptsDone();
    }

    // The capacity of this workstation's scale in the port window, saved by
    // Enter on the focused "Mentés"; a weight above it is then refused.
    void capacityInThePortWindow()
    {
        TestApp app;
        seedRegisters(app);
        QCOMPARE(PortSetting::capacityKg(), PortSetting::DefaultCapacityKg);
        app.host.expect("TForm16", [&](QDialog& w) {
            QCOMPARE(text(w, "CapacityEdit"), QStringLiteral("80000"));
            QVERIFY(tabsTo("CapacityEdit") >= 0);
            clearFocused();
            type("60000");
            QVERIFY(tabsTo("Button7") >= 0);
            press(Qt::Key_Return);
            QCOMPARE(PortSetting::capacityKg(), 60000);
            QVERIFY(tabsTo("Button5") >= 0);
            press(Qt::Key_Return);
            QVERIFY(!w.isVisible());
        });
        openPortSelection(app.ctx);
        app.verifyScriptsDone();
        QCOMPARE(PortSetting::capacityKg(), 60000);
        PortSetting::setCapacityKg(PortSetting::DefaultCapacityKg);
    }
};

QTEST_MAIN(TestWeighingKeys)
#include "test_weighing_keys.moc"
