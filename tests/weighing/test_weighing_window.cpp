// The weighing window TForm14 in IN and OUT mode: what it shows when it
// opens, the crop and warehouse picks, the scale read, the checks of OK
// reaching the operator, and the steps after storing.
#include "windowfixture.h"

#include "data/textconv.h"
#include "scale/pseudoterminal.h"
#include "scale/tseriallink.h"
#include "weighing/measurementpanel.h"
#include "weighing/weighingwindow.h"
#include "weighing/weighingstate.h"
#include "weighing/weighingwindows.h"

#include <QDate>
#include <QLineEdit>

using namespace WindowFixture;

namespace {

// Starts an entry weighing from TForm4 through TForm15 for the plate with
// code `plate`; `inWindow` runs in the weighing window.
void startEntry(
        TestApp& app, bool loaded, bool trailer, bool single, const QString& plate, ScriptedHost::Script inWindow)
{
    app.host.expect(QStringLiteral("TForm4"), [](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(QStringLiteral("TForm15"), [=](QDialog& w) {
        click(w, loaded ? QStringLiteral("RadioButton4") : QStringLiteral("RadioButton3"));
        if (trailer)
            click(w, QStringLiteral("CheckBox3"));
        if (single)
            click(w, QStringLiteral("CheckBox1"));
        click(w, QStringLiteral("Button1"));
    });
    app.host.expect(QStringLiteral("TForm5"), pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), plate));
    app.host.expect(QStringLiteral("TForm14"), std::move(inWindow));
}

// Opens the exit weighing of the pending weighing numbered `number` from TForm4.
void startExit(TestApp& app, const QString& number, ScriptedHost::Script inWindow)
{
    app.host.expect(QStringLiteral("TForm4"), [&app, number](QDialog& w) {
        moveTo(w, app.data.ZQ10, QStringLiteral("mBszam"), number);
        click(w, QStringLiteral("Button1"));
    });
    app.host.expect(QStringLiteral("TForm14"), std::move(inWindow));
}

}   // namespace

class TestWeighingWindow : public QObject {
    Q_OBJECT
private slots:
    void inModeOpening_data();
    void inModeOpening();
    void outModeOpening_data();
    void outModeOpening();
    void cropAndWarehousePicks();
    void weightFieldsTakeDigitsOnly();
    void scaleReadWithoutPort();
    void scaleReadFromIndicator();
    void okCheckKeepsWindowOpen_data();
    void okCheckKeepsWindowOpen();
    void cancelKeepsKindDialogOpen();
    void failedStoreKeepsTheWindow();
    void storedEntryClosesBothWindows();
};

void TestWeighingWindow::inModeOpening_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("trailer");
    QTest::addColumn<bool>("single");
    QTest::addColumn<QString>("plate");
    QTest::addColumn<bool>("pickers");
    QTest::addColumn<QString>("weight1");
    QTest::newRow("loaded") << true << false << false << "1" << true << "0";
    QTest::newRow("loaded, trailer") << true << true << false << "1" << true << "0";
    QTest::newRow("empty") << false << false << false << "1" << false << "0";
    QTest::newRow("empty, single: register tare") << false << false << true << "3" << false << "7950,5";
    QTest::newRow("loaded, single: no preset") << true << false << true << "3" << true << "0";
}

void TestWeighingWindow::inModeOpening()
{
    QFETCH(bool, loaded);
    QFETCH(bool, trailer);
    QFETCH(bool, single);
    QFETCH(QString, plate);
    QFETCH(bool, pickers);
    QFETCH(QString, weight1);
    TestApp app;
    seedRegisters(app);
    startEntry(app, loaded, trailer, single, plate, [&](QDialog& w) {
        QCOMPARE(w.windowTitle(), QStringLiteral("Új  \"BE\" mérés"));
        QCOMPARE(shown(w, QStringLiteral("Panel3")), trailer);
        for (const char* c : {"Button3", "Edit3", "Edit5", "Button4", "Edit4", "Edit6", "Button7", "Edit11", "Button8"})
            QCOMPARE(shown(w, QLatin1String(c)), pickers);
        QCOMPARE(text(w, QStringLiteral("Edit1")), weight1);
        QCOMPARE(text(w, QStringLiteral("Edit2")), QStringLiteral("0"));
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("0"));
        QCOMPARE(text(w, QStringLiteral("Edit32")), QStringLiteral("100"));
        QCOMPARE(text(w, QStringLiteral("Edit33")), QStringLiteral("0"));
        QCOMPARE(text(w, QStringLiteral("Edit26")), loaded ? QStringLiteral("B") : QStringLiteral("K"));
        QCOMPARE(text(w, QStringLiteral("Edit27")), trailer ? QStringLiteral("I") : QString());
        QCOMPARE(text(w, QStringLiteral("Edit13")), single ? QStringLiteral("I") : QString());
        QCOMPARE(text(w, QStringLiteral("Edit28")), TextConv::date(QDate::currentDate()));
        QVERIFY(TextConv::toTime(text(w, QStringLiteral("Edit29"))).has_value());
        QCOMPARE(text(w, QStringLiteral("Edit30")), QString());
        QCOMPARE(text(w, QStringLiteral("Edit14")), plate);
        QVERIFY(child<QLineEdit>(w, QStringLiteral("Edit2"))->isReadOnly());
        QVERIFY(!child<QLineEdit>(w, QStringLiteral("Edit1"))->isReadOnly());
        QVERIFY(child<QLineEdit>(w, QStringLiteral("Edit25"))->isReadOnly());
        QVERIFY(!child<QLineEdit>(w, QStringLiteral("Edit23"))->isReadOnly());
        QVERIFY(child<QWidget>(w, QStringLiteral("Edit34"))->isHidden());
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(weighingState(app.ctx).caption, QStringLiteral("Új  \"BE\" mérés"));
    QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
    app.verifyScriptsDone();
}

void TestWeighingWindow::outModeOpening_data()
{
    QTest::addColumn<QString>("movement");
    QTest::addColumn<QString>("trailer");
    QTest::addColumn<bool>("pickers");
    QTest::newRow("came in loaded") << "B"
                                    << "" << false;
    QTest::newRow("came in empty, trailer") << "K"
                                            << "I" << true;
}

void TestWeighingWindow::outModeOpening()
{
    QFETCH(QString, movement);
    QFETCH(QString, trailer);
    QFETCH(bool, pickers);
    TestApp app;
    seedRegisters(app);
    Pending p {QStringLiteral("6"), movement, trailer, QStringLiteral("2"), 20000, 3000};
    p.crop1 = QStringLiteral("1");
    p.store1 = QStringLiteral("2");
    const qint64 id = addPending(app, p);
    startExit(app, QStringLiteral("6"), [&](QDialog& w) {
        QCOMPARE(w.windowTitle(), QStringLiteral(" \"KI\" -választ mérés"));
        // The request handed over by "KI - választ": the row's weighing.
        const WeighingRequest& r = static_cast<WeighingWindow&>(w).request();
        QCOMPARE(r.direction, Direction::Out);
        QCOMPARE(r.weighingId, id);
        QCOMPARE(Passes::code(r.movement), movement);
        QCOMPARE(r.trailer, trailer == QLatin1String("I"));
        QCOMPARE(shown(w, QStringLiteral("Panel3")), trailer == QLatin1String("I"));
        QCOMPARE(shown(w, QStringLiteral("Button3")), pickers);
        QCOMPARE(shown(w, QStringLiteral("Edit6")), pickers);
        // The weights start at "0", the pickers empty.
        QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("0"));
        QCOMPARE(text(w, QStringLiteral("Edit5")), QString());
        QCOMPARE(text(w, QStringLiteral("Edit24")), QString::number(id));
        QCOMPARE(text(w, QStringLiteral("Edit25")), QStringLiteral("6"));
        QCOMPARE(text(w, QStringLiteral("Edit26")), movement);
        QCOMPARE(text(w, QStringLiteral("Edit27")), trailer);
        QCOMPARE(text(w, QStringLiteral("Edit28")), QStringLiteral("2026.03.05"));
        QCOMPARE(text(w, QStringLiteral("Edit29")), QStringLiteral("07:10:00"));
        QVERIFY(TextConv::toTime(text(w, QStringLiteral("Edit30"))).has_value());
        QCOMPARE(text(w, QStringLiteral("Edit31")), QStringLiteral("megjegyzés"));
        QCOMPARE(text(w, QStringLiteral("Edit32")), QStringLiteral("98"));
        QCOMPARE(text(w, QStringLiteral("Edit33")), QStringLiteral("16"));
        QCOMPARE(text(w, QStringLiteral("Edit14")), QString());
        QCOMPARE(text(w, QStringLiteral("Edit15")), QStringLiteral("20000"));   // mBemerleg1
        QCOMPARE(text(w, QStringLiteral("Edit16")), QStringLiteral("20000"));   // mBemeres1
        QCOMPARE(text(w, QStringLiteral("Edit17")), QStringLiteral("1"));   // mTkod1
        QCOMPARE(text(w, QStringLiteral("Edit18")), QStringLiteral("2"));   // mKkod1
        QCOMPARE(text(w, QStringLiteral("Edit20")), QStringLiteral("3000"));   // mBemeres2
        QCOMPARE(text(w, QStringLiteral("Edit23")), QStringLiteral("07:10:00"));   // mBeido
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(weighingState(app.ctx).caption, QStringLiteral(" \"KI\" -választ mérés"));
    app.verifyScriptsDone();
}

void TestWeighingWindow::cropAndWarehousePicks()
{
    TestApp app;
    seedRegisters(app);
    startEntry(app, true, true, false, QStringLiteral("1"), [&](QDialog& w) {
        setText(w, QStringLiteral("Edit32"), QStringLiteral("90"));
        app.host.expect(QStringLiteral("TForm10"),
                pick(app, QStringLiteral("ZQ50"), QStringLiteral("tKod"), QStringLiteral("2")));
        click(w, QStringLiteral("Button3"));
        QCOMPARE(text(w, QStringLiteral("Edit5")), QStringLiteral("2"));
        QCOMPARE(text(w, QStringLiteral("Edit3")), QStringLiteral("Kukorica"));
        QCOMPARE(text(w, QStringLiteral("Edit35")), QStringLiteral("98"));
        QCOMPARE(text(w, QStringLiteral("Edit36")), QStringLiteral("14"));
        QCOMPARE(text(w, QStringLiteral("Edit32")), QStringLiteral("98"));
        QCOMPARE(text(w, QStringLiteral("Edit33")), QStringLiteral("14"));
        // Measurement 2: only its own crop; purity and moisture stay.
        setText(w, QStringLiteral("Edit32"), QStringLiteral("97"));
        app.host.expect(QStringLiteral("TForm10"),
                pick(app, QStringLiteral("ZQ50"), QStringLiteral("tKod"), QStringLiteral("1")));
        click(w, QStringLiteral("Button7"));
        QCOMPARE(text(w, QStringLiteral("Edit11")), QStringLiteral("1"));
        QCOMPARE(text(w, QStringLiteral("Edit9")), QStringLiteral("Búza"));
        QCOMPARE(text(w, QStringLiteral("Edit32")), QStringLiteral("97"));
        QCOMPARE(text(w, QStringLiteral("Edit35")), QStringLiteral("98"));
        app.host.expect(QStringLiteral("TForm12"),
                pick(app, QStringLiteral("ZQ60"), QStringLiteral("kKod"), QStringLiteral("2")));
        click(w, QStringLiteral("Button8"));
        QCOMPARE(text(w, QStringLiteral("Edit12")), QStringLiteral("2"));
        QCOMPARE(text(w, QStringLiteral("Edit10")), QStringLiteral("Siló 2"));
        QCOMPARE(text(w, QStringLiteral("Edit6")), QString());
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();
}

void TestWeighingWindow::weightFieldsTakeDigitsOnly()
{
    TestApp app;
    seedRegisters(app);
    startEntry(app, true, true, false, QStringLiteral("1"), [&](QDialog& w) {
        // Weights are whole kilograms; purity and moisture take one decimal comma.
        for (const char* name : {"Edit1", "Edit7", "Edit32", "Edit33"}) {
            auto* e = child<QLineEdit>(w, QLatin1String(name));
            e->clear();
            QTest::keyClicks(e, QStringLiteral("12a,5.-3 "));
            QTest::keyClick(e, Qt::Key_Backspace);
            QCOMPARE(e->text(), QString(name).startsWith("Edit3") ? QStringLiteral("12,5") : QStringLiteral("125"));
        }
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();
}

void TestWeighingWindow::scaleReadWithoutPort()
{
    // The window opens without a scale; "Mérés" reports the closed port and
    // leaves the fields as they are: a typed weight stays.
    TestApp app;
    seedRegisters(app);
    app.ctx.scaleText = QStringLiteral("  31000 ");   // an earlier reading
    startEntry(app, true, false, false, QStringLiteral("1"), [&](QDialog& w) {
        auto* ww = static_cast<WeighingWindow*>(&w);
        QVERIFY(ww->link() && !ww->link()->active());
        QCOMPARE(text(w, QStringLiteral("ScaleDisplay")), QStringLiteral("nincs kapcsolat a mérleggel"));
        setText(w, QStringLiteral("Edit1"), QStringLiteral("20500"));
        click(w, QStringLiteral("Button2"));
        QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("20500"));
        QCOMPARE(text(w, QStringLiteral("Edit2")), QStringLiteral("0"));
        click(w, QStringLiteral("Button5"));
    });
    app.prompt.expectMessage(QStringLiteral("Hiba! A port nincs megnyitva."));
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();
}

void TestWeighingWindow::scaleReadFromIndicator()
{
    TestApp app;
    seedRegisters(app);
    PseudoTerminal pty;
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = '%1' WHERE IDa = 1").arg(pty.slavePath()));
    app.data.ZTable8.refresh();
    startEntry(app, true, true, false, QStringLiteral("1"), [&](QDialog& w) {
        auto* ww = static_cast<WeighingWindow*>(&w);
        QVERIFY(ww->link()->active());
        QVERIFY(pty.write(QByteArrayLiteral("ST,GS,+  012340kg\r\n")));
        QTRY_VERIFY_WITH_TIMEOUT(ww->link()->queuedClusters() >= 1, 10000);
        QVERIFY(pty.write(QByteArrayLiteral("ST,GS,+  006500kg\r\n")));
        QTRY_VERIFY_WITH_TIMEOUT(ww->link()->queuedClusters() >= 2, 10000);
        // The display shows the latest reading and leaves the queue alone.
        ww->refreshIndicator();
        QCOMPARE(text(w, QStringLiteral("ScaleDisplay")), QStringLiteral("6 500 kg  stabil"));
        QCOMPARE(ww->link()->queuedClusters(), 2);
        click(w, QStringLiteral("Button2"));
        QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("012340"));
        QCOMPARE(text(w, QStringLiteral("Edit2")), QStringLiteral("012340"));
        click(w, QStringLiteral("Button6"));
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("006500"));
        QCOMPARE(text(w, QStringLiteral("Edit8")), QStringLiteral("006500"));
        // Nothing more received: the weight taken stays, and the operator is told.
        app.prompt.expectMessage(QStringLiteral("Nincs érvényes súly a mérlegről."));
        click(w, QStringLiteral("Button2"));
        QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("012340"));
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();
}

void TestWeighingWindow::okCheckKeepsWindowOpen_data()
{
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("purity");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("empty weight") << " "
                                  << "100"
                                  << "Üres a mértsúly!"
                                  << "Edit1";
    QTest::newRow("zero weight") << "0"
                                 << "100"
                                 << "Nulla a mértsúly!"
                                 << "Edit1";
    QTest::newRow("empty purity") << "20000"
                                  << ""
                                  << "Üres a tisztaság!"
                                  << "Edit32";
    QTest::newRow("purity above standard") << "20000"
                                           << "100"
                                           << "Nagyobb mint a szabványnak megadott tisztaság!"
                                           << "Edit32";
}

void TestWeighingWindow::okCheckKeepsWindowOpen()
{
    QFETCH(QString, weight);
    QFETCH(QString, purity);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TestApp app;
    seedRegisters(app);
    startEntry(app, true, false, false, QStringLiteral("1"), [&](QDialog& w) {
        w.activateWindow();
        app.host.expect(QStringLiteral("TForm10"),
                pick(app, QStringLiteral("ZQ50"), QStringLiteral("tKod"), QStringLiteral("2")));
        click(w, QStringLiteral("Button3"));
        app.host.expect(QStringLiteral("TForm12"),
                pick(app, QStringLiteral("ZQ60"), QStringLiteral("kKod"), QStringLiteral("1")));
        click(w, QStringLiteral("Button4"));
        setText(w, QStringLiteral("Edit1"), weight);
        if (purity != QLatin1String("98"))
            setText(w, QStringLiteral("Edit32"), purity);
        click(w, QStringLiteral("Button1"));
        QVERIFY(w.isVisible());
        QCOMPARE(w.focusWidget() ? w.focusWidget()->objectName() : QString(), focus);
        click(w, QStringLiteral("Button5"));
    });
    app.prompt.expectMessage(message);
    openVehiclesOnSite(app.ctx);
    QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
    app.verifyScriptsDone();
}

void TestWeighingWindow::cancelKeepsKindDialogOpen()
{
    TestApp app;
    seedRegisters(app);
    bool kindOpen = false;
    app.host.expect(QStringLiteral("TForm4"), [](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        click(w, QStringLiteral("RadioButton4"));
        click(w, QStringLiteral("Button1"));
        kindOpen = w.isVisible();
        click(w, QStringLiteral("Button5"));
    });
    app.host.expect(
            QStringLiteral("TForm5"), pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), QStringLiteral("2")));
    app.host.expect(QStringLiteral("TForm14"), [](QDialog& w) { click(w, QStringLiteral("Button5")); });
    openVehiclesOnSite(app.ctx);
    QVERIFY(kindOpen);
    QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
    app.verifyScriptsDone();
}

void TestWeighingWindow::failedStoreKeepsTheWindow()
{
    // The trailer's weight emptied: refused by the checks, the field named.
    // Then a store the server refuses: the message, nothing stored, no number
    // used, and the window stays open with everything typed; OK again,
    // once the server takes it, stores and closes both windows.
    TestApp app;
    seedRegisters(app);
    app.db.exec(QStringLiteral("CREATE TRIGGER meres_refuse BEFORE INSERT ON meres FOR EACH ROW "
                               "IF NEW.mMegj = 'x' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'no'; END IF"));
    bool kindOpen = true;
    app.host.expect(QStringLiteral("TForm4"), [](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        click(w, QStringLiteral("RadioButton3"));
        click(w, QStringLiteral("CheckBox3"));
        click(w, QStringLiteral("Button1"));
        kindOpen = w.isVisible();
    });
    app.host.expect(
            QStringLiteral("TForm5"), pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), QStringLiteral("2")));
    app.host.expect(QStringLiteral("TForm14"), [&](QDialog& w) {
        setText(w, QStringLiteral("Edit1"), QStringLiteral("6000"));
        setText(w, QStringLiteral("Edit7"), QString());
        app.prompt.expectMessage(QStringLiteral("Üres a Mértsúly (2) mező!"));
        click(w, QStringLiteral("Button1"));
        QVERIFY(w.isVisible());
        setText(w, QStringLiteral("Edit7"), QStringLiteral("5000"));
        setText(w, QStringLiteral("Edit31"), QStringLiteral("x"));
        app.prompt.expectMessage(QStringLiteral("Hiba: Újban, INSERT-append a meres-ben "));
        click(w, QStringLiteral("Button1"));
        QVERIFY(w.isVisible());
        QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'M'")).toString(),
                QStringLiteral("0"));
        QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("6000"));
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("5000"));
        app.db.exec(QStringLiteral("DROP TRIGGER meres_refuse"));
        click(w, QStringLiteral("Button1"));
        QVERIFY(!w.isVisible());
    });
    openVehiclesOnSite(app.ctx);
    QVERIFY(!kindOpen);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT CONCAT_WS('|', mBszam, mBemeres1, mBemeres2, mMegj) FROM meres"))
                     .toString(),
            QStringLiteral("1|6000|5000|x"));
    app.verifyScriptsDone();
}

void TestWeighingWindow::storedEntryClosesBothWindows()
{
    // An empty vehicle with a trailer: stored, the list stands on it and
    // TForm4 shows it; the kind dialog closed with the weighing window.
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("5"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    app.db.exec(QStringLiteral("UPDATE sorszam SET sBszam = '5' WHERE sKod = 'M'"));
    bool kindOpen = true;
    QStringList shownInList;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        click(w, QStringLiteral("Button2"));
        shownInList << text(w, QStringLiteral("Edit25")) << text(w, QStringLiteral("Edit1"))
                    << text(w, QStringLiteral("Edit7"));
        shownInList << QString::number(shown(w, QStringLiteral("Panel5")));
    });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        click(w, QStringLiteral("RadioButton3"));
        click(w, QStringLiteral("CheckBox3"));
        click(w, QStringLiteral("Button1"));
        kindOpen = w.isVisible();
    });
    app.host.expect(
            QStringLiteral("TForm5"), pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), QStringLiteral("2")));
    app.host.expect(QStringLiteral("TForm14"), [](QDialog& w) {
        setText(w, QStringLiteral("Edit1"), QStringLiteral("6000"));
        setText(w, QStringLiteral("Edit7"), QStringLiteral("4500"));
        click(w, QStringLiteral("Button1"));
    });
    openVehiclesOnSite(app.ctx);
    QVERIFY(!kindOpen);
    QCOMPARE(weighingState(app.ctx).weighingNumber, QStringLiteral("6"));
    QCOMPARE(shownInList, (QStringList {"6", "6000", "4500", "1"}));
    QCOMPARE(app.db.count(QStringLiteral("meres"),
                     QStringLiteral("mBszam = '6' AND mRkod = '2' AND mPot = 'I' "
                                    "AND mMozgas = 'K' AND mNetto1 = 10500")),
            1);
    app.verifyScriptsDone();
}

QTEST_MAIN(TestWeighingWindow)
#include "test_weighing_window.moc"
