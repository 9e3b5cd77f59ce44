#include "app/mainwindow.h"
#include "context/unhandled.h"
#include "data/transaction.h"
#include "app/velloapplication.h"
#include "testapp.h"
#include "keys.h"
#include "ui/dialogkeys.h"
#include "ui/digitedit.h"
#include "ui/enterfocus.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QPushButton>
#include <QVBoxLayout>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void captionAndMenu()
    {
        TestApp app;
        MainWindow w(app.ctx);
        w.show();
        QCOMPARE(w.objectName(), QStringLiteral("TForm1"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Tavrin Ver. 1.4  2009."));
        const QList<QPair<QString, QString>> items = {{"Mrlegels1", "Mérlegelés"}, {"Mrlegjegy1", "Mérlegjegy"},
                {"Kszlet1", "Készlet"}, {"Renszm1", "Rendszám"}, {"Termel1", "Termelő"}, {"ermk1", "Termény"},
                {"Raktr1", "Raktár"}, {"Segdlet1", "Segédlet"}, {"Arhivls1", "Archiválás"},
                {"Exportls1", "Exportálás "}, {"Sorosportbellts1", "Soros port beállítás"},
                {"Cgnvtrs1", "Cégnév átírás"}, {"Kilps1", "Kilépés"}};
        for (const auto& [name, caption] : items) {
            QAction* a = w.item(name);
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(MainWindow::caption(a), caption);
            QVERIFY(a->isVisible());
            QVERIFY(a->isEnabled());
        }
        // the four helper items sit in the "Segédlet" submenu, then the alibi log and the guide
        auto* sub = w.findChild<QMenu*>("Segdlet1");
        QVERIFY(sub);
        QCOMPARE(MainWindow::caption(sub->menuAction()), QStringLiteral("Segédlet"));
        QStringList inSub;
        for (QAction* a : sub->actions())
            inSub << a->objectName();
        QCOMPARE(inSub,
                QStringList(
                        {"Arhivls1", "Exportls1", "Sorosportbellts1", "Cgnvtrs1", "Alibinaplo1", "Kezelesiutmutato1"}));
        QCOMPARE(w.menuBar()->actions().size(), 9);

        w.item("Kilps1")->trigger();
        QVERIFY(!w.isVisible());
    }

    // Every item that opens a window opens it through the window host.
    void itemsOpenTheirWindows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::newRow("weighing") << "Mrlegels1"
                                  << "TForm4";
        QTest::newRow("ticket browser") << "Mrlegjegy1"
                                        << "TForm17";
        QTest::newRow("stock") << "Kszlet1"
                               << "TForm18";
        QTest::newRow("archiving") << "Arhivls1"
                                   << "TForm19";
        QTest::newRow("export") << "Exportls1"
                                << "TForm20";
        QTest::newRow("operator's guide") << "Kezelesiutmutato1"
                                          << "HelpWindow";
        QTest::newRow("plates") << "Renszm1"
                                << "TForm5";
        QTest::newRow("producers") << "Termel1"
                                   << "TForm8";
        QTest::newRow("crops") << "ermk1"
                               << "TForm10";
        QTest::newRow("warehouses") << "Raktr1"
                                    << "TForm12";
        QTest::newRow("company data") << "Cgnvtrs1"
                                      << "TForm22";
        QTest::newRow("port selection") << "Sorosportbellts1"
                                        << "TForm16";
    }
    void itemsOpenTheirWindows()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        TestApp app;
        MainWindow w(app.ctx);
        QString title;
        app.host.expect(window, [&](QDialog& d) {
            title = d.windowTitle();
            d.reject();
        });
        w.item(item)->trigger();
        QVERIFY(!title.isEmpty());
        app.verifyScriptsDone();
    }

    void enterMovesFocus()
    {
        QDialog d;
        auto* lay = new QVBoxLayout(&d);
        auto* a = new QLineEdit(&d);
        auto* b = new DigitEdit(&d);
        auto* c = new QLineEdit(&d);
        lay->addWidget(a);
        lay->addWidget(b);
        lay->addWidget(c);
        EnterFocus::install(&d);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.activateWindow();
        a->setFocus();
        QTRY_VERIFY(a->hasFocus());
        QTest::keyClick(a, Qt::Key_Return);
        QTRY_VERIFY(b->hasFocus());
        QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(c->hasFocus());
        QTest::keyClick(c, Qt::Key_Return, Qt::ShiftModifier);
        QTRY_VERIFY(b->hasFocus());
        QTest::keyClick(b, Qt::Key_Return, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(b->hasFocus());   // another modifier: no movement
    }

    // A main-menu item chosen with the keyboard opens on Enter: the focus
    // rule of the main window leaves the menu bar alone.
    void enterOpensKeyboardChosenItem()
    {
        TestApp app;
        MainWindow w(app.ctx);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QMenuBar* bar = w.menuBar();
        QAction* plates = w.item("Renszm1");
        bar->setFocus(Qt::MenuBarFocusReason);
        bar->setActiveAction(plates);
        QCOMPARE(bar->activeAction(), plates);
        bool opened = false;
        app.host.expect("TForm5", [&](QDialog& d) {
            opened = true;
            d.reject();
        });
        QTest::keyClick(bar, Qt::Key_Return);
        QTRY_VERIFY(opened);
        app.verifyScriptsDone();
    }

    // F10 reaches the menu bar on its first item; the arrows walk it and
    // Enter opens the item reached.
    void f10ReachesMenu()
    {
        TestApp app;
        MainWindow w(app.ctx);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        TestKeys::press(Qt::Key_F10);
        QCOMPARE(w.menuBar()->activeAction(), w.item("Mrlegels1"));
        for (int i = 0; i < 3; ++i)
            TestKeys::press(Qt::Key_Right);
        QCOMPARE(w.menuBar()->activeAction(), w.item("Renszm1"));
        bool opened = false;
        app.host.expect("TForm5", [&](QDialog& d) {
            opened = true;
            d.reject();
        });
        TestKeys::press(Qt::Key_Return);
        QTRY_VERIFY(opened);
        app.verifyScriptsDone();
    }

    // Alt with an item's underlined letter opens it; in the "Segédlet" menu
    // the item's letter alone does.
    void altLetterOpensItem_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("window");
        const int alt = int(Qt::AltModifier);
        QTest::newRow("Mérlegjegy") << QList<int> {alt | Qt::Key_J} << "TForm17";
        QTest::newRow("Rendszám") << QList<int> {alt | Qt::Key_R} << "TForm5";
        QTest::newRow("Termelő") << QList<int> {alt | Qt::Key_T} << "TForm8";
        QTest::newRow("Termény") << QList<int> {alt | Qt::Key_N} << "TForm10";
        QTest::newRow("Raktár") << QList<int> {alt | Qt::Key_A} << "TForm12";
        QTest::newRow("Segédlet, Cégnév átírás") << QList<int> {alt | Qt::Key_S, Qt::Key_C} << "TForm22";
        QTest::newRow("Segédlet, Soros port") << QList<int> {alt | Qt::Key_S, Qt::Key_P} << "TForm16";
        QTest::newRow("Segédlet, Alibi napló") << QList<int> {alt | Qt::Key_S, Qt::Key_N} << "TFormAlibi";
    }
    void altLetterOpensItem()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, window);
        TestApp app;
        MainWindow w(app.ctx);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        bool opened = false;
        app.host.expect(window, [&](QDialog& d) {
            opened = true;
            d.reject();
        });
        for (int k : keys)
            TestKeys::press(Qt::Key(k & ~int(Qt::KeyboardModifierMask)),
                    Qt::KeyboardModifiers(k & int(Qt::KeyboardModifierMask)));
        QTRY_VERIFY(opened);
        app.verifyScriptsDone();
        // The underline is only a mark: the caption reads the same.
        QCOMPARE(MainWindow::caption(w.item("Segdlet1")), QStringLiteral("Segédlet"));
    }

    // Enter in a dialog: a field without a use for it presses the default
    // button, a focused button is pressed itself, a number field drops it,
    // a box that searches keeps it; Escape presses "Mégsem".
    void dialogKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("Enter in a field") << "field" << int(Qt::Key_Return) << "ok";
        QTest::newRow("keypad Enter in a field") << "field" << int(Qt::Key_Enter) << "ok";
        QTest::newRow("Enter on a check box") << "check" << int(Qt::Key_Return) << "ok";
        QTest::newRow("Enter on Mégsem") << "cancel" << int(Qt::Key_Return) << "cancel";
        QTest::newRow("Enter on another button") << "other" << int(Qt::Key_Return) << "other";
        QTest::newRow("Enter in a number field") << "digits" << int(Qt::Key_Return) << "";
        QTest::newRow("Enter in a search box") << "search" << int(Qt::Key_Return) << "search";
        QTest::newRow("Escape in a field") << "field" << int(Qt::Key_Escape) << "cancel";
        QTest::newRow("Escape in a number field") << "digits" << int(Qt::Key_Escape) << "cancel";
    }
    void dialogKeys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, pressed);
        QDialog d;
        auto* lay = new QVBoxLayout(&d);
        auto* field = new QLineEdit(&d);
        field->setObjectName("field");
        auto* digits = new DigitEdit(&d);
        digits->setObjectName("digits");
        auto* search = new QLineEdit(&d);
        search->setObjectName("search");
        auto* check = new QCheckBox("x", &d);
        check->setObjectName("check");
        auto* other = new QPushButton("Új", &d);
        other->setObjectName("other");
        auto* ok = new QPushButton("OK", &d);
        ok->setObjectName("ok");
        auto* cancel = new QPushButton("Mégsem", &d);
        cancel->setObjectName("cancel");
        for (QWidget* c : std::initializer_list<QWidget*> {field, digits, search, check, other, ok, cancel}) {
            c->setFocusPolicy(Qt::StrongFocus);
            lay->addWidget(c);
        }
        for (QPushButton* b : {other, ok, cancel})
            b->setAutoDefault(false);
        QStringList log;
        for (QPushButton* b : {other, ok, cancel})
            QObject::connect(b, &QPushButton::clicked, [&log, b] { log << b->objectName(); });
        QObject::connect(search, &QLineEdit::returnPressed, [&log] { log << "search"; });
        DialogKeys::keepEnter(search);
        DialogKeys* keys = DialogKeys::install(&d, ok, cancel);
        QVERIFY(ok->isDefault());
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.findChild<QWidget*>(focus)->setFocus();
        QTRY_COMPARE(TestKeys::focused(), focus);
        TestKeys::press(Qt::Key(key));
        QCOMPARE(log.join(","), pressed);
        QCOMPARE(keys->leftByEscape(), key == Qt::Key_Escape);
    }

    // The Enter rule of the entry dialogs: the focus moves on, and on the
    // last field Enter presses the default button.
    void enterOnLastFieldPressesDefault()
    {
        QDialog d;
        auto* lay = new QVBoxLayout(&d);
        auto* a = new QLineEdit(&d);
        auto* b = new DigitEdit(&d);
        auto* ok = new QPushButton("OK", &d);
        auto* cancel = new QPushButton("Mégsem", &d);
        for (QWidget* c : std::initializer_list<QWidget*> {a, b, ok, cancel})
            lay->addWidget(c);
        int okPressed = 0;
        QObject::connect(ok, &QPushButton::clicked, [&] { ++okPressed; });
        EnterFocus::install(&d);
        DialogKeys::install(&d, ok, cancel);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        a->setFocus();
        QTRY_VERIFY(a->hasFocus());
        TestKeys::press(Qt::Key_Return);
        QVERIFY(b->hasFocus());
        QCOMPARE(okPressed, 0);
        TestKeys::press(Qt::Key_Return);
        QCOMPARE(okPressed, 1);
        // Shift+Enter still goes back.
        TestKeys::press(Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(a->hasFocus());
    }

    void digitsOnly()
    {
        DigitEdit e;
        e.show();
        QTest::keyClicks(&e, "12a,.-3 4");
        QCOMPARE(e.text(), QStringLiteral("1234"));
        QTest::keyClick(&e, Qt::Key_Backspace);
        QCOMPARE(e.text(), QStringLiteral("123"));
    }

    // A statement failure that no window caught reaches the application's
    // default handler: the server's own text is shown and the program goes on.
    void uncaughtFailureIsShown()
    {
        TestApp app;
        auto* vapp = static_cast<VelloApplication*>(qApp);
        vapp->setContext(&app.ctx);
        QObject target;
        QObject::connect(&target, &QObject::objectNameChanged, &target, [&app] {
            Query& q = app.data.ZQ10;
            q.close();
            q.setSql("SELECT * FROM nincs_ilyen_tabla");
            q.open();
        });
        app.prompt.expectError(QStringLiteral("Table '%1.nincs_ilyen_tabla' doesn't exist").arg(app.db.name()));
        QTimer::singleShot(0, &target, [&target] { target.setObjectName("x"); });
        QTRY_VERIFY(app.prompt.allAnswered());
        vapp->setContext(nullptr);
        app.verifyScriptsDone();
    }

    // The default handler shows the text and leaves the transaction of the
    // operation that reported it alone: what the operation commits afterwards
    // is saved, nothing was rolled back behind its back.
    void defaultHandlerLeavesTransaction()
    {
        TestApp app;
        Query& q = app.data.ZQ32;
        q.close();
        q.setSql("START TRANSACTION");
        q.exec();
        q.close();
        q.setSql("INSERT INTO raktar (kKod) VALUES ('1')");
        q.exec();
        app.prompt.expectError("Valami elromlott");
        Unhandled::report(app.ctx, "Valami elromlott");
        QVERIFY(app.data.inTransaction());
        q.close();
        q.setSql("COMMIT");
        q.exec();
        QCOMPARE(app.db.count("raktar"), 1);
        app.verifyScriptsDone();
    }

    // A failure that escapes an operation ends at the application's handler;
    // the operation's transaction bracket has rolled back on the way out.
    void escapedFailureRolledBackByBracket()
    {
        TestApp app;
        auto* vapp = static_cast<VelloApplication*>(qApp);
        vapp->setContext(&app.ctx);
        QObject target;
        QObject::connect(&target, &QObject::objectNameChanged, &target, [&app] {
            Transaction t(app.data);
            app.data.ZQ32.run("INSERT INTO raktar (kKod) VALUES ('1')");
            app.data.ZQ32.run("INSERT INTO nincs_ilyen_tabla VALUES (1)");
            t.commit();
        });
        app.prompt.expectError(QStringLiteral("Table '%1.nincs_ilyen_tabla' doesn't exist").arg(app.db.name()));
        QTimer::singleShot(0, &target, [&target] { target.setObjectName("x"); });
        QTRY_VERIFY(app.prompt.allAnswered());
        vapp->setContext(nullptr);
        QVERIFY(!app.data.inTransaction());
        QCOMPARE(app.db.count("raktar"), 0);
        app.verifyScriptsDone();
    }
};

int main(int argc, char** argv)
{
    VelloApplication app(argc, argv);
    VelloApplication::setupLocale();
    TestMainWindow t;
    return QTest::qExec(&t, argc, argv);
}
#include "test_mainwindow.moc"
