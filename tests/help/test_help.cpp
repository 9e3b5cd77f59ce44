#include "app/mainwindow.h"
#include "help/helpguide.h"
#include "help/helpkey.h"
#include "help/helpwindow.h"
#include "registers/registerwindows.h"
#include "scale/scalewindows.h"
#include "testapp.h"
#include "widgets.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTest>
#include <QVBoxLayout>

namespace {

// The help window opened by F1 must show this section: the text cursor in it
// and its heading on screen.
void expectHelpAt(ScriptedHost& host, const QString& heading, bool* seen = nullptr)
{
    host.expect(QStringLiteral("HelpWindow"), [heading, seen](QDialog& d) {
        auto& help = static_cast<HelpWindow&>(d);
        QCOMPARE(help.currentSection(), heading);
        QTRY_VERIFY2(help.headingVisible(heading), qPrintable(heading));
        if (seen)
            *seen = true;
    });
}

// F1 pressed on the control that has the focus in this window, as an
// operator would.
void pressF1(QWidget& window)
{
    window.activateWindow();
    QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
    QTest::keyClick(target, Qt::Key_F1);
}

}   // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    // The guide has the sections an operator needs, and every window's
    // section exists in it.
    void guideHasItsSections()
    {
        HelpWindow help;
        const QStringList headings = help.headings();
        for (const auto& p : HelpGuide::windowSections())
            QVERIFY2(headings.contains(p.second), qPrintable(p.first + " -> " + p.second));
        const QStringList needed = {"Egy nap munkája: az érkezéstől a mérlegjegyig", "Egy méréssel (tárás mérés)",
                "Pótos szerelvény", "Szállítólevél", "Mérlegjegy újranyomtatása", "Készlet", "Időszakzárás", "Mentés",
                "Gyakorlás a mérlegszimulátorral", "Üzenetek és teendők", HelpGuide::messagesSection(),
                HelpGuide::mainSection()};
        for (const QString& h : needed)
            QVERIFY2(headings.contains(h), qPrintable(h));
    }

    // Every message the operator can meet during a weighing is explained.
    void guideExplainsMessages_data()
    {
        QTest::addColumn<QString>("message");
        for (const char* m : {"Hiba! Ez a rendszámkód a második mérésre vár.", "Üres vagy rakott ?",
                     "Nagyobb mint a szabványnak megadott tisztaság!",
                     "Nem lehet kisebb a szabványnak megadott viztartalomnál!",
                     "Pótos szerelvénynél nincs tara-s mérés!", "Hiba! A port nincs megnyitva.", "Üres a netto súly!",
                     "Nulla értékü mérés!", "Egy sornak maradni kell, nem törölhető ki.",
                     "A fájl mentése nem történt meg!", "A MySQL adatbáziskezelöt nem találja.",
                     "Hiba: ComPort, update az atvevo-ben "})
            QTest::newRow(m) << QString::fromUtf8(m);
    }
    void guideExplainsMessages()
    {
        QFETCH(QString, message);
        QVERIFY(HelpGuide::markdown().contains(QStringLiteral("„") + message + QStringLiteral("”")));
    }

    // F1 in a window opens the guide at that window's section, whatever the
    // window is: the lookup goes by objectName only.
    void f1OpensTheWindowsSection_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("heading");
        for (const auto& p : HelpGuide::windowSections())
            QTest::newRow(qPrintable(p.first)) << p.first << p.second;
    }
    void f1OpensTheWindowsSection()
    {
        QFETCH(QString, window);
        QFETCH(QString, heading);
        TestApp app;
        HelpKey key(app.ctx);
        QDialog w;
        w.setObjectName(window);
        auto* edit = new QLineEdit(&w);
        edit->setObjectName(QStringLiteral("Edit1"));
        (new QVBoxLayout(&w))->addWidget(edit);
        bool seen = false;
        expectHelpAt(app.host, heading, &seen);
        app.host.expect(window, [edit](QDialog& d) {
            edit->setFocus();
            pressF1(d);
        });
        app.host.showModal(w);
        QVERIFY(seen);
        app.verifyScriptsDone();
    }

    // The windows that exist already, opened from their menu items.
    void f1InRealWindows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
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
    void f1InRealWindows()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        TestApp app;
        HelpKey key(app.ctx);
        MainWindow main(app.ctx);
        expectHelpAt(app.host, HelpGuide::sectionFor(window));
        app.host.expect(window, [](QDialog& d) { pressF1(d); });
        main.item(item)->trigger();
        app.verifyScriptsDone();
    }

    void f1InMainWindow()
    {
        TestApp app;
        HelpKey key(app.ctx);
        MainWindow main(app.ctx);
        main.show();
        bool seen = false;
        expectHelpAt(app.host, HelpGuide::mainSection(), &seen);
        pressF1(main);
        QVERIFY(seen);
        app.verifyScriptsDone();
    }

    // The menu item opens the guide at its beginning.
    void menuItemOpensTheGuide()
    {
        TestApp app;
        MainWindow main(app.ctx);
        QAction* a = main.item(QStringLiteral("Kezelesiutmutato1"));
        QVERIFY(a);
        QCOMPARE(MainWindow::caption(a), QStringLiteral("Kezelési útmutató\tF1"));
        app.host.expect(QStringLiteral("HelpWindow"), [](QDialog& d) {
            auto& help = static_cast<HelpWindow&>(d);
            QCOMPARE(help.currentSection(), QStringLiteral("Tavrin mérlegjegy – kezelési útmutató"));
            QVERIFY(!TestUi::child<QTextBrowser>(d, "guide")->toPlainText().isEmpty());
        });
        a->trigger();
        app.verifyScriptsDone();
    }

    // F1 on a message box explains the messages; a window with no section of
    // its own opens the section of the window it belongs to.
    void f1OnMessageBoxAndUnknownWindow()
    {
        TestApp app;
        HelpKey key(app.ctx);
        QDialog owner;
        owner.setObjectName(QStringLiteral("TForm14"));
        QMessageBox box(QMessageBox::Information, "Tavrin", "Üres a mértsúly!", QMessageBox::Ok, &owner);
        box.show();
        bool seen = false;
        expectHelpAt(app.host, HelpGuide::messagesSection(), &seen);
        pressF1(box);
        QVERIFY(seen);
        box.close();

        QDialog inner(&owner);
        inner.setObjectName(QStringLiteral("SomethingNew"));
        inner.show();
        seen = false;
        expectHelpAt(app.host, QStringLiteral("A mérlegelés ablak"), &seen);
        pressF1(inner);
        QVERIFY(seen);
        app.verifyScriptsDone();
    }

    // F1 inside the guide opens no second guide.
    void f1InsideTheGuide()
    {
        TestApp app;
        HelpKey key(app.ctx);
        QDialog w;
        w.setObjectName(QStringLiteral("TForm18"));
        app.host.expect(QStringLiteral("HelpWindow"), [](QDialog& d) { pressF1(d); });
        app.host.expect(QStringLiteral("TForm18"), [](QDialog& d) { pressF1(d); });
        app.host.showModal(w);
        QCOMPARE(app.host.opened(), QStringList({"TForm18", "HelpWindow"}));
        app.verifyScriptsDone();
    }

    // A click in the list of sections moves the text to that section.
    void sectionList()
    {
        HelpWindow help(HelpGuide::mainSection());
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        help.showSection(QStringLiteral("Mentés"));
        QCOMPARE(help.currentSection(), QStringLiteral("Mentés"));
        QTRY_VERIFY(help.headingVisible(QStringLiteral("Mentés")));
        QVERIFY(!help.headingVisible(HelpGuide::mainSection()));
        help.showSection(QStringLiteral("no such section"));
        QCOMPARE(help.currentSection(), QStringLiteral("Tavrin mérlegjegy – kezelési útmutató"));
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
