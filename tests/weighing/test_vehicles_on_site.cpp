// The vehicles-on-site window TForm4 and the vehicle kind dialog TForm15:
// the list and its position, the detail tabs and their panel rules, the net
// field, the producer pick, delete, print, the start of an entry weighing
// and the refusal of a vehicle already on the site.
#include "windowfixture.h"

#include "tickets/columnhints.h"

#include "weighing/vehiclesonsite.h"
#include "weighing/vehiclesonsitewindow.h"
#include "weighing/weighingdetailtabs.h"
#include "weighing/weighingstate.h"
#include "weighing/weighingwindows.h"

#include "app/mainwindow.h"
#include "data/textconv.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>

using namespace WindowFixture;

class TestVehiclesOnSite : public QObject {
    Q_OBJECT
private slots:
    void openedFromMainMenu();
    void gridColumnsAndTitles();
    void listLeavesOutUnknownPlates();
    void positionsOnCurrentNumber();
    void panelRules_data();
    void panelRules();
    void netField_data();
    void netField();
    void shownAgainAfterChildWindow();
    void producerPickTakesRowAtClose();
    void producerUpdateFailure();
    void deleteRules();
    void deleteFailure_data();
    void deleteFailure();
    void printPreparesPendingWeighing();
    void newEntryClearsProducerAndSetsDirection();
    void displayFailureClosesWindow_data();
    void displayFailureClosesWindow();
    void finaliseGuardFocusesNet();
    void kindDialogNeedsEmptyOrLoaded();
    void kindDialogRefusesPendingPlate();
    void kindDialogTexts();
};

void TestVehiclesOnSite::openedFromMainMenu()
{
    TestApp app;
    MainWindow main(app.ctx);
    app.host.expect(QStringLiteral("TForm4"), [](QDialog& w) { click(w, QStringLiteral("Button5")); });
    QAction* item = main.item(QStringLiteral("Mrlegels1"));
    QVERIFY(item);
    item->trigger();
    QCOMPARE(app.host.opened(), QStringList {QStringLiteral("TForm4")});
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::gridColumnsAndTitles()
{
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("1"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    QStringList titles, hints;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        auto* grid = child<QTableView>(w, QStringLiteral("DBGrid1"));
        for (int i = 0; i < 10; ++i)
            titles << grid->model()->headerData(i, Qt::Horizontal).toString();
        titles << grid->model()->headerData(grid->model()->columnCount() - 1, Qt::Horizontal).toString();
        QCOMPARE(grid->model()->columnCount(), 39);
        // Every header titled by its column name tells its meaning.
        for (int c = 8; c < grid->model()->columnCount(); ++c)
            QVERIFY2(!ColumnHints::hintAt(grid->horizontalHeader(), c).isEmpty(),
                    qPrintable(grid->model()->headerData(c, Qt::Horizontal).toString()));
        QCOMPARE(ColumnHints::hintAt(grid->horizontalHeader(), 8),
                QStringLiteral("Mozgás iránya (B: beszállítás, K: kiszállítás)"));
        QCOMPARE(ColumnHints::hintAt(grid->horizontalHeader(), 0), QString());   // "Rendszám"
        QCOMPARE(grid->toolTip(), QStringLiteral("Dupla klikkre sort megjelenit."));
        QCOMPARE(w.windowTitle(), QStringLiteral("Bent lévő rendszámok , jármüvek"));
        for (const char* b : {"Button2", "Button1", "Button6", "Button4", "Button7", "Button3", "Button5"})
            hints << child<QAbstractButton>(w, QLatin1String(b))->text();
        auto* tabs = child<QTabWidget>(w, QStringLiteral("PageControl1"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("Mérés"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Adat"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Termelö"));
        QCOMPARE(child<QWidget>(w, QStringLiteral("Edit1"))->toolTip(), QStringLiteral("Belépéskori mértsúly"));
        QCOMPARE(child<QWidget>(w, QStringLiteral("Edit16"))->toolTip(),
                QStringLiteral("Ezen raktárból került elszállításra."));
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(titles,
            (QStringList {
                    "Rendszám", "Tára", "Név", "Be1", "Be2", "Ki1", "Ki2", "Bszám", "mMozgas", "mRakott", "IDm"}));
    QCOMPARE(hints,
            (QStringList {"Új -  BE", "KI - választ", "Termelö kiválasztása", "Töröl", "Nyomtat", "OK", "Mégsem"}));
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::listLeavesOutUnknownPlates()
{
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("1"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    addPending(app, {QStringLiteral("2"), QStringLiteral("B"), QString(), QStringLiteral("99"), 20000});
    VehiclesOnSite ops(app.ctx);
    QVERIFY(ops.refresh());
    QCOMPARE(ops.list().rowCount(), 1);
    QCOMPARE(ops.list().text(QStringLiteral("rRendszam")), QStringLiteral("ABC-123"));
}

void TestVehiclesOnSite::positionsOnCurrentNumber()
{
    TestApp app;
    seedRegisters(app);
    // Plate order: ABC-123 (12), KLM-555 (1), XYZ-987 (5).
    addPending(app, {QStringLiteral("5"), QStringLiteral("B"), QString(), QStringLiteral("2"), 20000});
    addPending(app, {QStringLiteral("1"), QStringLiteral("B"), QString(), QStringLiteral("3"), 20000});
    addPending(app, {QStringLiteral("12"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    QString shownNumber;
    weighingState(app.ctx).weighingNumber = QStringLiteral("1");
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { shownNumber = text(w, QStringLiteral("Edit25")); });
    openVehiclesOnSite(app.ctx);
    // "12" begins with "1" and comes first in plate order.
    QCOMPARE(shownNumber, QStringLiteral("12"));

    weighingState(app.ctx).weighingNumber = QStringLiteral("5");
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { shownNumber = text(w, QStringLiteral("Edit25")); });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(shownNumber, QStringLiteral("5"));

    weighingState(app.ctx).weighingNumber = QStringLiteral("77");
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { shownNumber = text(w, QStringLiteral("Edit25")); });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(shownNumber, QStringLiteral("12"));   // no match: the first row
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::panelRules_data()
{
    QTest::addColumn<QString>("movement");
    QTest::addColumn<QString>("trailer");
    QTest::addColumn<bool>("trailerShown");
    QTest::addColumn<bool>("entryPicks");
    QTest::newRow("intake") << "B"
                            << "" << false << true;
    QTest::newRow("intake, trailer") << "B"
                                     << "I" << true << true;
    QTest::newRow("dispatch") << "K"
                              << "" << false << false;
    QTest::newRow("dispatch, trailer") << "K"
                                       << "I" << true << false;
}

void TestVehiclesOnSite::panelRules()
{
    QFETCH(QString, movement);
    QFETCH(QString, trailer);
    QFETCH(bool, trailerShown);
    QFETCH(bool, entryPicks);
    TestApp app;
    seedRegisters(app);
    Pending p {QStringLiteral("3"), movement, trailer, QStringLiteral("1"), 20000, 15000, 8000, 6000};
    p.crop1 = QStringLiteral("1");
    p.store1 = QStringLiteral("2");
    p.crop2 = QStringLiteral("2");
    p.store2 = QStringLiteral("1");
    addPending(app, p);
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        QCOMPARE(shown(w, QStringLiteral("Panel5")), trailerShown);
        QCOMPARE(shown(w, QStringLiteral("Panel8")), trailerShown);
        for (const char* e : {"Edit3", "Edit4", "Edit5", "Edit6", "Edit9", "Edit12"})
            QCOMPARE(shown(w, QLatin1String(e)), entryPicks);
        for (const char* e : {"Edit15", "Edit16", "Edit17", "Edit18", "Edit21", "Edit24"})
            QCOMPARE(shown(w, QLatin1String(e)), !entryPicks);
        QCOMPARE(shown(w, QStringLiteral("Edit1")), true);
        QCOMPARE(shown(w, QStringLiteral("Edit13")), true);
        // Names by code; measurement 2 by its own codes, in both blocks.
        QCOMPARE(text(w, QStringLiteral("Edit3")), QStringLiteral("Búza"));
        QCOMPARE(text(w, QStringLiteral("Edit4")), QStringLiteral("Siló 2"));
        QCOMPARE(text(w, QStringLiteral("Edit9")), QStringLiteral("Kukorica"));
        QCOMPARE(text(w, QStringLiteral("Edit22")), QStringLiteral("Síkraktár 1"));
        QCOMPARE(text(w, QStringLiteral("Edit23")), QStringLiteral("2"));
        QCOMPARE(text(w, QStringLiteral("Edit13")), QStringLiteral("8000"));
        QCOMPARE(text(w, QStringLiteral("Edit7")), QStringLiteral("15000"));
        // "Adat" tab.
        QCOMPARE(text(w, QStringLiteral("Edit25")), QStringLiteral("3"));
        QCOMPARE(text(w, QStringLiteral("Edit26")), movement);
        QCOMPARE(text(w, QStringLiteral("Edit28")), QStringLiteral("2026.03.05"));
        QCOMPARE(text(w, QStringLiteral("Edit29")), QStringLiteral("07:10:00"));
        QCOMPARE(text(w, QStringLiteral("Edit31")), QStringLiteral("megjegyzés"));
        QCOMPARE(text(w, QStringLiteral("Edit32")), QStringLiteral("98"));
    });
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::netField_data()
{
    QTest::addColumn<QString>("movement");
    QTest::addColumn<double>("in1");
    QTest::addColumn<double>("in2");
    QTest::addColumn<double>("out1");
    QTest::addColumn<double>("out2");
    QTest::addColumn<QString>("net");
    QTest::newRow("intake before exit") << "B" << 20000.0 << 0.0 << 0.0 << 0.0 << "20000";
    QTest::newRow("intake") << "B" << 20000.0 << 0.0 << 8000.0 << 0.0 << "12000";
    QTest::newRow("intake, trailer, half kilo") << "B" << 20000.0 << 15000.5 << 8000.0 << 6000.0 << "21000,5";
    QTest::newRow("dispatch after exit") << "K" << 8000.0 << 0.0 << 20000.0 << 0.0 << "12000";
    QTest::newRow("intake lighter on exit stays negative") << "B" << 8000.0 << 0.0 << 9000.0 << 0.0 << "-1000";
}

void TestVehiclesOnSite::netField()
{
    QFETCH(QString, movement);
    QFETCH(double, in1);
    QFETCH(double, in2);
    QFETCH(double, out1);
    QFETCH(double, out2);
    QFETCH(QString, net);
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("3"), movement, QString(), QStringLiteral("1"), in1, in2, out1, out2});
    QString shownNet;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { shownNet = text(w, QStringLiteral("Edit35")); });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(shownNet, net);
}

void TestVehiclesOnSite::shownAgainAfterChildWindow()
{
    // A producer pick on the second row: afterwards the list stands again on
    // the current weighing number, as every time the window is shown again.
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    const qint64 second
            = addPending(app, {QStringLiteral("8"), QStringLiteral("B"), QString(), QStringLiteral("3"), 21000});
    weighingState(app.ctx).weighingNumber = QStringLiteral("4");
    QString before, after;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        child<QToolButton>(w, QStringLiteral("Next"))->click();
        before = text(w, QStringLiteral("Edit25"));
        click(w, QStringLiteral("Button6"));
        after = text(w, QStringLiteral("Edit25"));
    });
    app.host.expect(
            QStringLiteral("TForm8"), pick(app, QStringLiteral("ZQ40"), QStringLiteral("oKod"), QStringLiteral("2")));
    openVehiclesOnSite(app.ctx);
    QCOMPARE(before, QStringLiteral("8"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT mOkod FROM meres WHERE IDm = %1").arg(second)).toString(),
            QStringLiteral("2"));
    QCOMPARE(after, QStringLiteral("4"));
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::producerPickTakesRowAtClose()
{
    TestApp app;
    seedRegisters(app);
    const qint64 id
            = addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    QString name, code;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        click(w, QStringLiteral("Button6"));
        name = text(w, QStringLiteral("Edit36"));
        code = text(w, QStringLiteral("Edit43"));
    });
    // Left with "Mégsem" after moving to the second producer.
    app.host.expect(QStringLiteral("TForm8"), [&](QDialog& w) {
        moveTo(w, app.data.ZQ40, QStringLiteral("oKod"), QStringLiteral("1"));
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT mOkod FROM meres WHERE IDm = %1").arg(id)).toString(),
            QStringLiteral("1"));
    QCOMPARE(name, QStringLiteral("Kovács István"));
    QCOMPARE(code, QStringLiteral("1"));
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::producerUpdateFailure()
{
    TestApp app;
    seedRegisters(app);
    const qint64 id
            = addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        click(w, QStringLiteral("Button6"));
        QCOMPARE(text(w, QStringLiteral("Edit25")), QStringLiteral("4"));
    });
    app.host.expect(QStringLiteral("TForm8"), [&](QDialog& w) {
        moveTo(w, app.data.ZQ40, QStringLiteral("oKod"), QStringLiteral("2"));
        // START TRANSACTION goes through, the UPDATE fails (a lock conflict
        // would be tried again).
        app.data.failStatement(2, 1030, QStringLiteral("Got error 28 from storage engine"));
        click(w, QStringLiteral("Button1"));
    });
    app.prompt.expectMessage(QStringLiteral("Hiba: KI-ben, REPLACE-edit a meres-ban "));
    openVehiclesOnSite(app.ctx);
    QVERIFY(!app.data.inTransaction());
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT mOkod FROM meres WHERE IDm = %1").arg(id)).toString(), QString());
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::deleteRules()
{
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    // The only pending weighing is kept.
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { click(w, QStringLiteral("Button4")); });
    app.prompt.expectMessage(QStringLiteral("Egy sornak maradni kell, nem törölhető ki."));
    openVehiclesOnSite(app.ctx);
    QCOMPARE(app.db.count(QStringLiteral("meres")), 1);

    // With two, the current one goes after the question; "Nem" keeps it.
    addPending(app, {QStringLiteral("9"), QStringLiteral("B"), QString(), QStringLiteral("2"), 20000});
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        moveTo(w, app.data.ZQ10, QStringLiteral("mBszam"), QStringLiteral("9"));
        click(w, QStringLiteral("Button4"));
    });
    app.prompt.expectConfirm(QStringLiteral("Biztosan törli: XYZ-987?"), false);
    openVehiclesOnSite(app.ctx);
    QCOMPARE(app.db.count(QStringLiteral("meres")), 2);
    QString left;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        moveTo(w, app.data.ZQ10, QStringLiteral("mBszam"), QStringLiteral("9"));
        click(w, QStringLiteral("Button4"));
        left = text(w, QStringLiteral("Edit25"));
    });
    app.prompt.expectConfirm(QStringLiteral("Biztosan törli: XYZ-987?"), true);
    app.prompt.expectMessage(QStringLiteral("A mérés törlölve!"));
    openVehiclesOnSite(app.ctx);
    QCOMPARE(app.db.count(QStringLiteral("meres")), 1);
    QCOMPARE(app.db.count(QStringLiteral("meres"), QStringLiteral("mBszam = '4'")), 1);
    QCOMPARE(left, QStringLiteral("4"));
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::deleteFailure_data()
{
    // The delete's statements after the count: START TRANSACTION, DELETE, COMMIT.
    QTest::addColumn<int>("statement");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("start fails") << 2 << 1030 << false;
    QTest::newRow("delete fails") << 3 << 1030 << false;
    QTest::newRow("commit fails") << 4 << 1030 << false;
    // A lock conflict runs the delete again, which then goes through.
    QTest::newRow("lock wait at the delete") << 3 << 1205 << true;
}

void TestVehiclesOnSite::deleteFailure()
{
    QFETCH(int, statement);
    QFETCH(int, code);
    QFETCH(bool, deleted);
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    addPending(app, {QStringLiteral("9"), QStringLiteral("B"), QString(), QStringLiteral("2"), 20000});
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        app.data.failStatement(statement, code, QStringLiteral("failed here"));   // the count passes
        click(w, QStringLiteral("Button4"));
    });
    app.prompt.expectConfirm(QStringLiteral("Biztosan törli: ABC-123?"), true);
    app.prompt.expectMessage(
            deleted ? QStringLiteral("A mérés törlölve!") : QStringLiteral("Hiba: mérés DELETE törlésekor"));
    openVehiclesOnSite(app.ctx);
    QVERIFY(!app.data.statementFailurePending());
    QVERIFY(!app.data.inTransaction());
    QCOMPARE(app.db.count(QStringLiteral("meres")), deleted ? 1 : 2);
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::printPreparesPendingWeighing()
{
    TestApp app;
    seedRegisters(app);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    Pending p {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000, 0, 8000};
    p.crop1 = QStringLiteral("1");
    p.store1 = QStringLiteral("1");
    p.producer = QStringLiteral("2");
    const qint64 id = addPending(app, p);
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { click(w, QStringLiteral("Button7")); });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(preview.shown().size(), 1);
    QCOMPARE(app.data.ZQ13.sql(), VehiclesOnSite::PrintSql);
    QCOMPARE(app.data.ZQ13.value(QStringLiteral("IDm")).toLongLong(), id);
    QCOMPARE(app.data.ZQ13.text(QStringLiteral("oNev")), QStringLiteral("Alföldi Mag Zrt."));
    QVERIFY(!report.lastLayout().pages.isEmpty());
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::newEntryClearsProducerAndSetsDirection()
{
    TestApp app;
    seedRegisters(app);
    Pending p {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000};
    p.producer = QStringLiteral("1");
    addPending(app, p);
    QString producerInDialog;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        QCOMPARE(text(w, QStringLiteral("Edit36")), QStringLiteral("Kovács István"));
        auto* tabs = child<WeighingDetailTabs>(w, QStringLiteral("PageControl1"));
        app.host.expect(QStringLiteral("TForm15"), [&, tabs](QDialog&) { producerInDialog = tabs->producerCode(); });
        click(w, QStringLiteral("Button2"));
    });
    openVehiclesOnSite(app.ctx);
    QCOMPARE(producerInDialog, QString());
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::displayFailureClosesWindow_data()
{
    QTest::addColumn<int>("statement");
    QTest::addColumn<QString>("message");
    // 1: the list when the window is made; 2: again when it is shown; 3-10:
    // the crop and warehouse names of the four panels; 11: the producer.
    QTest::newRow("crop name") << 3 << "Hiba az mérésböl feltöltés Edit-ben való megjelenitésekor!";
    QTest::newRow("warehouse name") << 10 << "Hiba az mérésböl feltöltés Edit-ben való megjelenitésekor!";
    QTest::newRow("producer") << 11 << "Hiba az termelo mérésben Edit-ben való megjelenitésekor!";
}

void TestVehiclesOnSite::displayFailureClosesWindow()
{
    QFETCH(int, statement);
    QFETCH(QString, message);
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    bool visibleAfter = true;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        QCoreApplication::processEvents();
        visibleAfter = w.isVisible();
    });
    app.prompt.expectMessage(message);
    app.data.failStatement(statement);
    openVehiclesOnSite(app.ctx);
    QVERIFY(!app.data.statementFailurePending());
    QVERIFY(!visibleAfter);
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::finaliseGuardFocusesNet()
{
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("1"), 20000});
    QString focused;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        w.activateWindow();
        click(w, QStringLiteral("Button3"));
        focused = w.focusWidget() ? w.focusWidget()->objectName() : QString();
    });
    app.prompt.expectMessage(QStringLiteral("Nulla értékü mérés!"));
    openVehiclesOnSite(app.ctx);
    QCOMPARE(focused, QStringLiteral("Edit35"));
    QCOMPARE(app.db.count(QStringLiteral("meres")), 1);
    QCOMPARE(app.db.count(QStringLiteral("vello")), 0);
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::kindDialogNeedsEmptyOrLoaded()
{
    TestApp app;
    seedRegisters(app);
    QWidget* focused = nullptr;
    QWidget* empty = nullptr;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        w.activateWindow();
        click(w, QStringLiteral("Button1"));
        focused = w.focusWidget();
        empty = child<QWidget>(w, QStringLiteral("RadioButton3"));
        click(w, QStringLiteral("Button5"));
    });
    app.prompt.expectMessage(QStringLiteral("Üres vagy rakott ?"));
    openVehiclesOnSite(app.ctx);
    QCOMPARE(focused, empty);
    QCOMPARE(app.host.opened(), (QStringList {"TForm4", "TForm15"}));   // no plate list
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::kindDialogRefusesPendingPlate()
{
    TestApp app;
    seedRegisters(app);
    addPending(app, {QStringLiteral("4"), QStringLiteral("B"), QString(), QStringLiteral("3"), 20000});
    bool stillOpen = false, choicesKept = false;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        click(w, QStringLiteral("RadioButton3"));
        click(w, QStringLiteral("CheckBox3"));
        click(w, QStringLiteral("Button1"));
        stillOpen = w.isVisible();
        // The choices stay set although the plate was refused.
        choicesKept = child<QRadioButton>(w, QStringLiteral("RadioButton3"))->isChecked()
                && child<QCheckBox>(w, QStringLiteral("CheckBox3"))->isChecked()
                && !child<QCheckBox>(w, QStringLiteral("CheckBox1"))->isChecked();
        click(w, QStringLiteral("Button5"));
    });
    // The plate list left with "Mégsem" on KLM-555: taken as if chosen.
    app.host.expect(QStringLiteral("TForm5"), [&](QDialog& w) {
        moveTo(w, app.data.ZQ30, QStringLiteral("rKod"), QStringLiteral("3"));
        click(w, QStringLiteral("Button5"));
    });
    app.prompt.expectMessage(QStringLiteral("Hiba! Ez a rendszámkód a második mérésre vár."));
    openVehiclesOnSite(app.ctx);
    QVERIFY(stillOpen);
    QCOMPARE(app.host.opened(), (QStringList {"TForm4", "TForm15", "TForm5"}));   // no weighing window
    QVERIFY(choicesKept);
    QCOMPARE(app.db.count(QStringLiteral("meres")), 1);
    app.verifyScriptsDone();
}

void TestVehiclesOnSite::kindDialogTexts()
{
    TestApp app;
    seedRegisters(app);
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) { click(w, QStringLiteral("Button2")); });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        QCOMPARE(w.windowTitle(), QStringLiteral("Milyen jármü szerelvény  ?"));
        QCOMPARE(child<QGroupBox>(w, QStringLiteral("RadioGroup3"))->title(), QStringLiteral("Belépéskor ?"));
        auto* empty = child<QRadioButton>(w, QStringLiteral("RadioButton3"));
        auto* loaded = child<QRadioButton>(w, QStringLiteral("RadioButton4"));
        QVERIFY(!empty->isChecked() && !loaded->isChecked());
        loaded->click();
        empty->click();
        QVERIFY(empty->isChecked() && !loaded->isChecked());
        QCOMPARE(child<QWidget>(w, QStringLiteral("CheckBox1"))->toolTip(),
                QStringLiteral("Egy mérésből és a törzsben szereplö TÁRA -ból kell számítani."));
        QCOMPARE(child<QWidget>(w, QStringLiteral("Button1"))->toolTip(),
                QStringLiteral("Tovább az mérlegelési adatbevitelhez."));
    });
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();
}

QTEST_MAIN(TestVehiclesOnSite)
#include "test_vehicles_on_site.moc"
