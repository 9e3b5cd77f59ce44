// The "Alibi napló" window: finding entries by number, ticket and day, the
// entry's frame and tickets, the check of the chain with its progress, and
// tampering found, all headless through the scripted host and prompt.
#include "alibi/alibiwindow.h"
#include "alibi/alibiwindows.h"
#include "alibifixture.h"
#include "app/mainwindow.h"
#include "help/helpguide.h"
#include "help/helpkey.h"
#include "help/helpwindow.h"
#include "widgets.h"

#include <QAction>
#include <QDateEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace alibitest;

namespace {

const QString kWindow = QStringLiteral("TFormAlibi");

QTableWidget* grid(QDialog& w, const char* name)
{
    return TestUi::child<QTableWidget>(w, QString::fromLatin1(name));
}

// The cells of a grid's column, top to bottom.
QStringList column(QTableWidget* g, int c)
{
    QStringList out;
    for (int r = 0; g && r < g->rowCount(); ++r)
        out << (g->item(r, c) ? g->item(r, c)->text() : QString());
    return out;
}

// Eight entries: 1-4 scale reads, 5 typed, 6 register tare, 7-8 scale reads;
// entries 1 and 7 belong to pending weighing 11 carried to ticket "123", entry
// 2 to pending weighing 12 (not finished).
void fill(TestApp& app, AlibiLog& log)
{
    for (int i = 1; i <= 4; ++i)
        log.append(scaleReading(1000 * i));
    log.append(typedReading(5000));
    log.append(typedReading(6000, AlibiEntry::RegisterTare));
    log.append(scaleReading(7000));
    log.append(scaleReading(8000));
    log.link(1, 11, 1, AlibiLog::In);
    log.link(7, 11, 1, AlibiLog::Out);
    log.link(2, 12, 1, AlibiLog::In);
    oldTicketLinks(app.data, log.database(), 11, QStringLiteral("123"));
}

// Clicks "Napló ellenőrzése" and waits for the check to end (its signal,
// not a pause).
void verifyAndWait(QDialog& w)
{
    auto* win = qobject_cast<AlibiWindow*>(&w);
    QVERIFY(win);
    QSignalSpy ended(win, &AlibiWindow::verificationEnded);
    TestUi::click(w, QStringLiteral("ButtonVerify"));
    QVERIFY(win->verifying());
    QVERIFY(ended.wait(120000));
    QVERIFY(!win->verifying());
}

}   // namespace

class TestAlibiWindow : public QObject {
    Q_OBJECT
private slots:
    void controls()
    {
        TestApp app;
        app.host.expect(kWindow, [](QDialog& w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("Alibi napló"));
            for (const char* name : {"ButtonFindNumber", "ButtonFindTicket", "ButtonFindDay", "ButtonVerify",
                         "ButtonStop", "ButtonClose"})
                QVERIFY2(w.findChild<QPushButton*>(name), name);
            QVERIFY(TestUi::child<QLineEdit>(w, "EditNumber"));
            QVERIFY(TestUi::child<QLineEdit>(w, "EditTicket"));
            QVERIFY(TestUi::child<QDateEdit>(w, "DateEditDay"));
            QVERIFY(TestUi::child<QPlainTextEdit>(w, "MemoFrame"));
            QVERIFY(TestUi::child<QProgressBar>(w, "ProgressVerify"));
            QVERIFY(!TestUi::child<QPushButton>(w, "ButtonStop")->isEnabled());
            // every box's label names it
            for (const char* edit : {"EditNumber", "EditTicket", "DateEditDay", "MemoFrame"}) {
                bool labelled = false;
                for (QLabel* l : w.findChildren<QLabel*>())
                    labelled = labelled || (l->buddy() && l->buddy()->objectName() == QLatin1String(edit));
                QVERIFY2(labelled, edit);
            }
            TestUi::click(w, QStringLiteral("ButtonClose"));
        });
        openAlibiLog(app.ctx);
        app.verifyScriptsDone();
    }

    // The main menu's item under "Segédlet" opens the window.
    void openedFromTheMenu()
    {
        TestApp app;
        MainWindow main(app.ctx);
        QAction* item = main.item(QStringLiteral("Alibinaplo1"));
        QVERIFY(item);
        QCOMPARE(MainWindow::caption(item), QStringLiteral("Alibi napló"));
        QVERIFY(main.findChild<QMenu*>(QStringLiteral("Segdlet1"))->actions().contains(item));
        app.host.expect(kWindow, [](QDialog& w) { w.reject(); });
        item->trigger();
        QCOMPARE(app.host.opened(), QStringList({kWindow}));
        app.verifyScriptsDone();
    }

    // F1 in the window opens the guide at the window's section.
    void f1OpensItsSection()
    {
        TestApp app;
        HelpKey key(app.ctx);
        QCOMPARE(HelpGuide::sectionFor(kWindow), QStringLiteral("Alibi napló"));
        QString section;
        app.host.expect(QStringLiteral("HelpWindow"),
                [&section](QDialog& d) { section = static_cast<HelpWindow&>(d).currentSection(); });
        app.host.expect(kWindow, [](QDialog& w) {
            auto* edit = TestUi::child<QLineEdit>(w, "EditNumber");
            edit->setFocus();
            w.activateWindow();
            QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_F1);
        });
        openAlibiLog(app.ctx);
        QCOMPARE(section, QStringLiteral("Alibi napló"));
        app.verifyScriptsDone();
    }

    // By number: the entry with its fields, raw frame, chain value and the
    // ticket it went to; a number the log lacks says so.
    void findByNumber()
    {
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        app.prompt.expectMessage(QStringLiteral("Nincs 99. számú bejegyzés a naplóban."));
        app.host.expect(kWindow, [&](QDialog& w) {
            TestUi::child<QLineEdit>(w, "EditNumber")->setText("7");
            TestUi::click(w, "ButtonFindNumber");
            QCOMPARE(column(grid(w, "GridEntries"), 0), QStringList({"7"}));
            QCOMPARE(TestUi::text(w, "LabelNumber"), QStringLiteral("7"));
            QCOMPARE(TestUi::text(w, "LabelSource"), QStringLiteral("mérleg"));
            QCOMPARE(TestUi::text(w, "LabelWeight"), QStringLiteral("7000 kg"));   // as the program shows weights
            QCOMPARE(TestUi::text(w, "LabelDigits"), QStringLiteral("007000"));
            QCOMPARE(TestUi::text(w, "LabelStatus"), QStringLiteral("ST"));
            QCOMPARE(TestUi::text(w, "LabelPort"), QStringLiteral("/dev/ttyS0"));
            QCOMPARE(TestUi::child<QPlainTextEdit>(w, "MemoFrame")->toPlainText(),
                    QStringLiteral("ST,GS,+  007000kg\\x0D\\x0A"));
            const AlibiEntry e = *log.entry(7);
            QCOMPARE(TestUi::text(w, "LabelChain"), QString::fromLatin1(e.chain) + "\n(egyezik)");
            QCOMPARE(TestUi::text(w, "LabelTime"), e.time);
            // carried to the ticket: the ticket row only
            QTableWidget* links = grid(w, "GridLinks");
            QCOMPARE(column(links, 0), QStringList({"123"}));
            QCOMPARE(column(links, 1), QStringList({"11"}));
            QCOMPARE(column(links, 2), QStringList({"1 (jármű)"}));
            QCOMPARE(column(links, 3), QStringList({"kimérés"}));

            // a pending weighing's entry; an entry of no weighing
            TestUi::child<QLineEdit>(w, "EditNumber")->setText("2");
            TestUi::click(w, "ButtonFindNumber");
            QCOMPARE(column(grid(w, "GridLinks"), 0), QStringList({"(függőben)"}));
            QCOMPARE(column(grid(w, "GridLinks"), 1), QStringList({"12"}));
            TestUi::child<QLineEdit>(w, "EditNumber")->setText("5");
            TestUi::click(w, "ButtonFindNumber");
            QCOMPARE(TestUi::text(w, "LabelSource"), QStringLiteral("kézi"));
            QCOMPARE(grid(w, "GridLinks")->rowCount(), 0);
            QCOMPARE(TestUi::child<QPlainTextEdit>(w, "MemoFrame")->toPlainText(), QString());

            TestUi::child<QLineEdit>(w, "EditNumber")->setText("99");
            TestUi::click(w, "ButtonFindNumber");
            QCOMPARE(grid(w, "GridEntries")->rowCount(), 0);
            QCOMPARE(TestUi::text(w, "LabelNumber"), QString());
        });
        openAlibiLog(app.ctx);
        app.verifyScriptsDone();
    }

    // By ticket: the entries of its weights; picking one in the list shows it.
    void findByTicket()
    {
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        app.prompt.expectMessage(QStringLiteral("A(z) 124 számú mérlegjegyhez nincs bejegyzés a naplóban."));
        app.host.expect(kWindow, [&](QDialog& w) {
            TestUi::child<QLineEdit>(w, "EditTicket")->setText(" 123 ");
            TestUi::click(w, "ButtonFindTicket");
            QTableWidget* entries = grid(w, "GridEntries");
            QCOMPARE(column(entries, 0), QStringList({"1", "7"}));
            QCOMPARE(column(entries, 4), QStringList({"1000", "7000"}));
            QCOMPARE(TestUi::text(w, "LabelNumber"), QStringLiteral("1"));
            QCOMPARE(column(grid(w, "GridLinks"), 3), QStringList({"bemérés"}));
            entries->setCurrentCell(1, 0);
            QCOMPARE(TestUi::text(w, "LabelNumber"), QStringLiteral("7"));
            QCOMPARE(column(grid(w, "GridLinks"), 3), QStringList({"kimérés"}));

            TestUi::child<QLineEdit>(w, "EditTicket")->setText("124");
            TestUi::click(w, "ButtonFindTicket");
            QCOMPARE(grid(w, "GridEntries")->rowCount(), 0);
        });
        openAlibiLog(app.ctx);
        app.verifyScriptsDone();
    }

    // By day, the server's: every entry of the day; another day has none.
    void findByDay()
    {
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        const QDate today = QDate::fromString(app.db.scalar("SELECT CAST(CURDATE() AS CHAR)").toString(), Qt::ISODate);
        QVERIFY(today.isValid());
        const QDate other = today.addDays(-400);
        app.prompt.expectMessage(QStringLiteral("%1 napon nincs bejegyzés a naplóban.")
                                         .arg(other.toString(QStringLiteral("yyyy.MM.dd"))));
        app.host.expect(kWindow, [&](QDialog& w) {
            TestUi::child<QDateEdit>(w, "DateEditDay")->setDate(today);
            TestUi::click(w, "ButtonFindDay");
            QCOMPARE(column(grid(w, "GridEntries"), 0), QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));
            QCOMPARE(column(grid(w, "GridEntries"), 3).mid(4, 2), QStringList({"kézi", "törzs tára"}));
            TestUi::child<QDateEdit>(w, "DateEditDay")->setDate(other);
            TestUi::click(w, "ButtonFindDay");
            QCOMPARE(grid(w, "GridEntries")->rowCount(), 0);
        });
        openAlibiLog(app.ctx);
        app.verifyScriptsDone();
    }

    // The check of an intact log, a page at a time: the progress bar moves
    // through the pages and ends full, and the window is busy meanwhile.
    void verifyIntact()
    {
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        for (int i = 0; i < 12; ++i)
            log.append(scaleReading(100 + i));
        app.prompt.expect(ScriptedPrompt::Message, QStringLiteral("A napló ép: 20 bejegyzés ellenőrizve."));
        QList<int> progress;
        app.host.expect(kWindow, [&](QDialog& w) {
            qobject_cast<AlibiWindow*>(&w)->setVerifyPageSize(3);
            auto* bar = TestUi::child<QProgressBar>(w, "ProgressVerify");
            QObject::connect(bar, &QProgressBar::valueChanged, bar, [&progress](int v) { progress << v; });
            auto* verify = TestUi::child<QPushButton>(w, "ButtonVerify");
            auto* stop = TestUi::child<QPushButton>(w, "ButtonStop");
            QSignalSpy ended(qobject_cast<AlibiWindow*>(&w), &AlibiWindow::verificationEnded);
            verify->click();
            QVERIFY(!verify->isEnabled());
            QVERIFY(stop->isEnabled());
            QVERIFY(!TestUi::child<QPushButton>(w, "ButtonFindNumber")->isEnabled());
            QVERIFY(ended.wait(120000));
            QVERIFY(verify->isEnabled());
            QVERIFY(!stop->isEnabled());
            QCOMPARE(bar->value(), bar->maximum());
            QCOMPARE(TestUi::text(w, "LabelProgress"), QStringLiteral("A napló ép: 20 bejegyzés ellenőrizve."));
        });
        openAlibiLog(app.ctx);
        // 20 entries in pages of 3: seven pages, each shown as it is done
        QCOMPARE(progress, QList<int>({150, 300, 450, 600, 750, 900, 1000}));
        QCOMPARE(app.prompt.shown().first().caption, QStringLiteral("Alibi napló"));
        app.verifyScriptsDone();
    }

    // "Megszakítás" between two pages stops the check; the count so far is shown.
    void verifyStopped()
    {
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        app.host.expect(kWindow, [&](QDialog& w) {
            auto* win = qobject_cast<AlibiWindow*>(&w);
            win->setVerifyPageSize(2);
            auto* bar = TestUi::child<QProgressBar>(w, "ProgressVerify");
            // stopped as soon as the first page is shown
            QObject::connect(bar, &QProgressBar::valueChanged, &w, [&w](int v) {
                if (v > 0)
                    TestUi::click(w, "ButtonStop");
            });
            QSignalSpy ended(win, &AlibiWindow::verificationEnded);
            TestUi::click(w, "ButtonVerify");
            QVERIFY(ended.wait(120000));
            QCOMPARE(bar->value(), 250);
            QCOMPARE(TestUi::text(w, "LabelProgress"),
                    QStringLiteral("Az ellenőrzés megszakítva: 2 bejegyzés ép eddig."));
            QVERIFY(TestUi::child<QPushButton>(w, "ButtonVerify")->isEnabled());
        });
        openAlibiLog(app.ctx);
        app.verifyScriptsDone();   // no prompt: nothing was found
    }

    // Changes made with the server's root user: the check names the entry,
    // and the entry shown says its chain value does not match.
    void verifyTampered_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("shown");
        QTest::newRow("weight changed") << "UPDATE %1 SET suly = 12000 WHERE nr = 5"
                                        << "A napló sérült: a(z) 5. bejegyzés nem egyezik!" << 5;
        QTest::newRow("raw frame changed") << "UPDATE %1 SET nyers = 'ST,GS,+  099999kg' WHERE nr = 3"
                                           << "A napló sérült: a(z) 3. bejegyzés nem egyezik!" << 3;
        QTest::newRow("entry removed") << "DELETE FROM %1 WHERE nr = 4"
                                       << "A napló sérült: a(z) 4. bejegyzés hiányzik!" << 5;
        QTest::newRow("last linked entry removed")
                << "DELETE FROM %1 WHERE nr >= 7"
                << "A napló sérült: a(z) 7. bejegyzés hiányzik, pedig mérés hivatkozik rá!" << 0;
    }
    void verifyTampered()
    {
        QFETCH(QString, change);
        QFETCH(QString, verdict);
        QFETCH(int, shown);
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        app.db.exec(change.arg(naplo(app.db)));
        app.prompt.expectError(verdict);
        app.host.expect(kWindow, [&](QDialog& w) {
            qobject_cast<AlibiWindow*>(&w)->setVerifyPageSize(3);
            // The entry is on show before the check: the check's verdict
            // reaches the detail shown.
            if (shown > 0) {
                TestUi::child<QLineEdit>(w, "EditNumber")->setText(QString::number(shown));
                TestUi::click(w, "ButtonFindNumber");
            }
            verifyAndWait(w);
            QCOMPARE(TestUi::text(w, "LabelProgress"), verdict);
            QCOMPARE(TestUi::child<QProgressBar>(w, "ProgressVerify")->value(), 1000);   // the check has ended
            if (shown > 0) {
                QVERIFY2(TestUi::text(w, "LabelChain").endsWith("\n(NEM EGYEZIK!)"),
                        qPrintable(TestUi::text(w, "LabelChain")));
                QVERIFY(TestUi::child<QLabel>(w, "LabelChain")->styleSheet().contains("red"));
                TestUi::click(w, "ButtonFindNumber");
                QVERIFY(TestUi::text(w, "LabelChain").endsWith("\n(NEM EGYEZIK!)"));
            }
        });
        openAlibiLog(app.ctx);
        app.verifyScriptsDone();
    }

    // A log that cannot be read (the program's user lost its rights, the
    // database is gone): a Hungarian message with the server's text, and the
    // window goes on.
    void unreadableLog()
    {
        TestApp app;
        AlibiLog log(app.data);
        fill(app, log);
        app.db.exec(QStringLiteral("DROP TABLE %1").arg(naplo(app.db)));
        app.prompt.setLenient(true);
        app.host.expect(kWindow, [&](QDialog& w) {
            TestUi::child<QLineEdit>(w, "EditNumber")->setText("1");
            TestUi::click(w, "ButtonFindNumber");
            TestUi::click(w, "ButtonVerify");
            QVERIFY(TestUi::child<QPushButton>(w, "ButtonVerify")->isEnabled());
        });
        openAlibiLog(app.ctx);
        QCOMPARE(app.prompt.shown().size(), 2);
        for (const ScriptedPrompt::Shown& s : app.prompt.shown()) {
            QCOMPARE(int(s.kind), int(ScriptedPrompt::Error));
            QVERIFY2(s.text.startsWith(QStringLiteral("Az alibi napló nem olvasható: ")), qPrintable(s.text));
        }
    }
};

QTEST_MAIN(TestAlibiWindow)
#include "test_alibi_window.moc"
