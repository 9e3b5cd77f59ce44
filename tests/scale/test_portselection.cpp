// The port selection window: shows the stored port, stores what is typed.
#include "scale/scalewindows.h"
#include "testapp.h"
#include "widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestPortSelection : public QObject {
    Q_OBJECT
private slots:
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
        QTest::newRow("empty") << "" << "" << false;
        QTest::newRow("a choice") << "Com3" << "Com3" << false;
        QTest::newRow("typed by hand") << "ttyUSB0" << "ttyUSB0" << false;
        QTest::newRow("path with quote") << "/dev/serial/by-id/x\"y" << "/dev/serial/by-id/x\"y" << false;
        QTest::newRow("too long") << QString(300, 'x') << "COM7" << true;
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
            TestUi::child<QPushButton>(w, "Button7")->click();
            QVERIFY(w.isVisible());   // stays open after saving
            QCOMPARE(TestUi::child<QLabel>(w, "Label2")->text(), QStringLiteral("Jelenlegi port: ") + stored);
        });
        openPortSelection(app.ctx);
        QCOMPARE(app.db.scalar("SELECT aSzeria FROM atvevo WHERE IDa = 1").toString(), stored);
        QVERIFY(!app.data.inTransaction());
        app.verifyScriptsDone();
    }
};

QTEST_MAIN(TestPortSelection)
#include "test_portselection.moc"
