// One weighing by keyboard alone, through the real windows: the main menu
// by Alt, the arrival (vehicle kind, plate list, weighing window with the
// crop and warehouse lists), the exit weighing, the producer, the
// finalisation, and the ticket's preview saved and printed by its keys.
// Every step is a key press sent to the window that has the focus; the
// answers to the program's questions come from the scripted prompt.
#include "keys.h"
#include "windowfixture.h"

#include "app/mainwindow.h"
#include "reports/previewwindow.h"

#include <QApplication>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace WindowFixture;
using TestKeys::focused;
using TestKeys::press;
using TestKeys::type;

namespace {

// Tab (or Shift+Tab) until the control `name` has the keyboard; fails the
// test when it is not reached.
bool tabTo(const QString& name, bool back = false)
{
    for (int i = 0; i < 60 && focused() != name; ++i)
        press(back ? Qt::Key_Backtab : Qt::Key_Tab);
    if (focused() != name) {
        QTest::qFail(qPrintable(QStringLiteral("Tab did not reach %1").arg(name)), __FILE__, __LINE__);
        return false;
    }
    return true;
}

// The program's preview (its window through the host), with the built
// reports kept for the test.
class ShowingPreview : public RecordingPreview {
public:
    ShowingPreview(TestApp& app) : m_app(app) { }
    void show(const PagedReport& report, const QString& pdfName) override
    {
        RecordingPreview::show(report, pdfName);
        PreviewWindow window(report, pdfName, &m_app.prompt, &m_app.files);
        m_app.host.showModal(window);
    }

private:
    TestApp& m_app;
};

QString pdfToText(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).replace(QChar(0x00A0), QLatin1Char(' '));
}

}   // namespace

class TestKeyboardWalk : public QObject {
    Q_OBJECT
private slots:
    void menuToPrintedTicket();
};

void TestKeyboardWalk::menuToPrintedTicket()
{
    TestApp app;
    seedRegisters(app);
    ShowingPreview preview(app);
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("jegy.pdf"));

    QStringList steps;
    // The plate list of the arrival; the first time it is left by Escape:
    // no weighing starts and the vehicle kind dialog is back.
    app.host.expect(QStringLiteral("TForm5"), [&](QDialog&) {
        steps << QStringLiteral("plates, Escape");
        press(Qt::Key_Escape);
    });
    app.host.expect(QStringLiteral("TForm5"), [&](QDialog& w) {
        steps << QStringLiteral("plates");
        QVERIFY(tabTo(QStringLiteral("DBGrid1")));
        press(Qt::Key_Down);   // ABC-123, KLM-555
        press(Qt::Key_Return);
        QVERIFY(!w.isVisible());
    });
    // The vehicle kind: "üres" with Space, Escape in the plate list, then
    // "rakott" with the arrow, Enter for "OK" each time.
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        steps << QStringLiteral("vehicle kind");
        QVERIFY(tabTo(QStringLiteral("RadioButton3")));
        press(Qt::Key_Space);
        QVERIFY(child<QRadioButton>(w, QStringLiteral("RadioButton3"))->isChecked());
        press(Qt::Key_Return);
        QVERIFY(w.isVisible());   // back from the plate list left by Escape
        QVERIFY(tabTo(QStringLiteral("RadioButton3")));
        press(Qt::Key_Down);
        QVERIFY(child<QRadioButton>(w, QStringLiteral("RadioButton4"))->isChecked());
        press(Qt::Key_Return);
    });
    // Arrival weighing: weight typed, Enter in it dropped; crop list left by
    // Escape (its row is taken), warehouse found by the search box and
    // picked with Enter in the list; Tab to "OK", Enter.
    app.host.expect(QStringLiteral("TForm10"), [&](QDialog&) {
        steps << QStringLiteral("crops, Escape");
        QVERIFY(tabTo(QStringLiteral("DBGrid1")));
        press(Qt::Key_Escape);
    });
    app.host.expect(QStringLiteral("TForm12"), [&](QDialog& w) {
        steps << QStringLiteral("warehouses");
        QVERIFY(tabTo(QStringLiteral("Edit1")));
        type(QStringLiteral("Sil"));
        press(Qt::Key_Return);   // searches; the window stays
        QVERIFY(w.isVisible());
        QVERIFY(tabTo(QStringLiteral("DBGrid1")));
        press(Qt::Key_Return);
    });
    app.host.expect(QStringLiteral("TForm14"), [&](QDialog& w) {
        steps << QStringLiteral("arrival weighing");
        QVERIFY(tabTo(QStringLiteral("Edit1")));
        type(QStringLiteral("20000"));
        press(Qt::Key_Return);
        QVERIFY(w.isVisible());
        QCOMPARE(text(w, QStringLiteral("Edit1")), QStringLiteral("20000"));
        QVERIFY(tabTo(QStringLiteral("Button3")));
        press(Qt::Key_Return);
        QVERIFY(tabTo(QStringLiteral("Button4")));
        press(Qt::Key_Return);
        QVERIFY(tabTo(QStringLiteral("Button1")));
        press(Qt::Key_Return);
    });
    // Exit weighing: the weight, Tab to "OK", Enter.
    app.host.expect(QStringLiteral("TForm14"), [&](QDialog&) {
        steps << QStringLiteral("exit weighing");
        QVERIFY(tabTo(QStringLiteral("Edit1")));
        type(QStringLiteral("8000"));
        QVERIFY(tabTo(QStringLiteral("Button1")));
        press(Qt::Key_Return);
    });
    // The producer: arrow to "Kovács István", Enter.
    app.host.expect(QStringLiteral("TForm8"), [&](QDialog&) {
        steps << QStringLiteral("producers");
        QVERIFY(tabTo(QStringLiteral("DBGrid1")));
        press(Qt::Key_Down);
        press(Qt::Key_Return);
    });
    app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
    // The ticket's preview: Ctrl+S saves it, Ctrl+P prints (without a
    // printer it says so), Escape closes.
    app.files.expectSave(pdf);
    app.host.expect(QStringLiteral("ReportPreview"), [&](QDialog& w) {
        steps << QStringLiteral("preview");
        press(Qt::Key_S, Qt::ControlModifier);
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            app.prompt.expectMessage(QStringLiteral("Nincs beállított nyomtató, a nyomtatás nem lehetséges. "
                                                    "A lap PDF-be menthető (Ctrl+S)."));
            press(Qt::Key_P, Qt::ControlModifier);
        }
        press(Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    });
    // The vehicles on site: "Új -  BE", "KI - választ", "Termelö
    // kiválasztása", "OK", each reached by Tab and pressed by Enter; Escape
    // closes.
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        steps << QStringLiteral("vehicles on site");
        QVERIFY(tabTo(QStringLiteral("Button2")));
        press(Qt::Key_Return);
        QCOMPARE(app.db.count(QStringLiteral("meres")), 1);
        QVERIFY(tabTo(QStringLiteral("Button1")));
        press(Qt::Key_Return);
        QVERIFY(tabTo(QStringLiteral("Button6")));
        press(Qt::Key_Return);
        QVERIFY(tabTo(QStringLiteral("Button3")));
        press(Qt::Key_Return);
        QVERIFY(w.isVisible());
        press(Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    });

    MainWindow main(app.ctx);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    press(Qt::Key_M, Qt::AltModifier);   // "Mérlegelés"
    app.verifyScriptsDone();

    QCOMPARE(steps,
            (QStringList {"vehicles on site", "vehicle kind", "plates, Escape", "plates", "arrival weighing",
                    "crops, Escape", "warehouses", "exit weighing", "producers", "preview"}));
    // One ticket of KLM-555: Búza into Siló 2, producer Kovács István,
    // 20000 - 8000 at the crop's standard purity and moisture.
    QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jBszam = '1'")), 2);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jRkod FROM vello ORDER BY IDj LIMIT 1")).toString(),
            QStringLiteral("3"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jTkod FROM vello ORDER BY IDj LIMIT 1")).toString(),
            QStringLiteral("1"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jKkod FROM vello ORDER BY IDj LIMIT 1")).toString(),
            QStringLiteral("2"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jOkod FROM vello ORDER BY IDj LIMIT 1")).toString(),
            QStringLiteral("1"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jNettoBe FROM vello ORDER BY IDj LIMIT 1")).toDouble(), 12000.0);
    // The preview showed the ticket, and Ctrl+S wrote it.
    QCOMPARE(preview.shown().size(), 1);
    QVERIFY(QFile::exists(pdf));
    const QString ticket = pdfToText(pdf);
    QVERIFY2(ticket.contains(QStringLiteral("Bizonylatszám: J 1")), qPrintable(ticket));
    QVERIFY2(ticket.contains(QStringLiteral("KLM-555")), qPrintable(ticket));
}

QTEST_MAIN(TestKeyboardWalk)
#include "test_keyboard_walk.moc"
