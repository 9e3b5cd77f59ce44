// The ticket browser's "Sztornó" and "Javítás" walked as an operator does:
// the reason asked and checked, the confirmation, the list marking the voided
// ticket and standing on the new one; the reissued ticket's print and the
// copies of both read back from their PDFs.
#include "ticketvoidfixture.h"
#include "widgets.h"

#include "alibi/alibilog.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"
#include "tickets/ticketbrowserwindow.h"
#include "tickets/ticketlistmodel.h"
#include "tickets/ticketvoid.h"
#include "weighing/ticketcorrection.h"
#include "weighing/weighingtexts.h"

#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace VoidFixture;
using TestUi::click;
using TestUi::setText;

namespace {

QString pdfText(const ReportLayout& layout, const QTemporaryDir& dir, const QString& name)
{
    const QString pdf = dir.filePath(name);
    QString error;
    if (!ReportPainter::writePdf(layout, pdf, &error))
        return QStringLiteral("not written: ") + error;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

struct PrintApp : TestApp {
    RecordingPreview preview;
    ReportOutput report {ctx, &preview};
    PrintApp()
    {
        ctx.report = &report;
        seedRegisters(db);
    }
};

}   // namespace

class TestTicketVoidWindow : public QObject {
    Q_OBJECT
private slots:
    void voidAndReissueThroughTheBrowser()
    {
        PrintApp app;
        QCOMPARE(weighTicket(app, QStringLiteral("B"), false), QStringLiteral("1"));
        QCOMPARE(weighTicket(app, QStringLiteral("B"), true, QStringLiteral("2")), QStringLiteral("2"));
        QStringList marks;
        QString standsOn;
        app.host.expect(QStringLiteral("TForm17"), [&](QDialog& d) {
            auto& w = static_cast<TicketBrowserWindow&>(d);
            QCOMPARE(w.currentTicket(), QStringLiteral("1"));
            click(d, QStringLiteral("VoidButton"));   // SztornoDialog below
            click(*d.findChild<QWidget*>(QStringLiteral("DBNavigator1")), QStringLiteral("Next"));
            QCOMPARE(w.currentTicket(), QStringLiteral("2"));
            click(d, QStringLiteral("ReissueButton"));   // JavitasDialog below
            standsOn = w.currentTicket();
            click(d, QStringLiteral("Button2"));   // the new ticket's copy
            click(*d.findChild<QWidget*>(QStringLiteral("DBNavigator1")), QStringLiteral("Prior"));
            click(d, QStringLiteral("Button2"));   // the voided ticket's copy
            click(d, QStringLiteral("VoidButton"));   // voided already: refused before any dialog
            for (int r = 0; r < w.listModel()->rowCount(); ++r) {
                w.listModel()->ensureRow(r);
                marks << w.listModel()->value(r, QStringLiteral("jBszam")).toString() + QLatin1Char('=')
                                + w.listModel()->value(r, TicketList::VoidColumn).toString();
            }
            click(d, QStringLiteral("Button5"));
        });
        app.host.expect(QStringLiteral("SztornoDialog"), [&](QDialog& d) {
            click(d, QStringLiteral("Button1"));   // no reason: asked for, the dialog stays
            QCOMPARE(d.result(), 0);
            setText(d, QStringLiteral("reason"), QStringLiteral("rossz termény"));
            click(d, QStringLiteral("Button1"));
            QCOMPARE(d.result(), int(QDialog::Accepted));
        });
        app.host.expect(QStringLiteral("JavitasDialog"), [&](QDialog& d) {
            QCOMPARE(TestUi::text(d, QStringLiteral("producer")), QStringLiteral("1"));
            QVERIFY(d.findChild<QLineEdit*>(QStringLiteral("Edit11"))->isEnabled());   // a trailer
            setText(d, QStringLiteral("producer"), QStringLiteral("2"));
            setText(d, QStringLiteral("Edit32"), QStringLiteral("101"));
            click(d, QStringLiteral("Button1"));   // refused: no reason yet
            setText(d, QStringLiteral("reason"), QStringLiteral("rossz termelő"));
            click(d, QStringLiteral("Button1"));   // refused: purity; the field has the focus
            QCOMPARE(d.result(), 0);
            setText(d, QStringLiteral("Edit32"), QStringLiteral("98"));
            click(d, QStringLiteral("Button1"));
            QCOMPARE(d.result(), int(QDialog::Accepted));
        });
        app.prompt.expectMessage(QStringLiteral("Adja meg a sztornózás okát!"));
        app.prompt.expectConfirm(QStringLiteral("Biztosan sztornózza a(z) 1. mérlegjegyet?"), true);
        app.prompt.expectMessage(QStringLiteral("Adja meg a sztornózás okát!"));
        app.prompt.expectConfirm(QStringLiteral("Biztosan sztornózza a(z) 2. mérlegjegyet?"), true);
        app.prompt.setLenient(true);   // the purity message, the prints' questions, the refusal
        openTicketBrowserToCorrect(app.ctx);
        app.verifyScriptsDone();

        QCOMPARE(standsOn, QStringLiteral("3"));
        QCOMPARE(marks, (QStringList {"1=SZTORNÓ", "2=SZTORNÓ, helyette: 3", "3="}));
        const QStringList shown = app.prompt.shownTexts();
        QVERIFY(shown.contains(WeighingTexts::purityRange()));
        QVERIFY(shown.last().startsWith(QStringLiteral("A(z) 2. mérlegjegyet már sztornózták (")));
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(CONCAT_WS('|', zBszam, zOk, COALESCE(zHelyette, '-')) ORDER BY "
                               "zBszam SEPARATOR ' ') FROM sztorno")
                         .toString(),
                QStringLiteral("1|rossz termény|- 2|rossz termelő|3"));
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(DISTINCT jOkod) FROM vello WHERE jBszam = '3'").toString(),
                QStringLiteral("2"));

        // Three prints: the new ticket, its copy, the voided ticket's copy.
        QCOMPARE(app.preview.shown().size(), 3);
        QTemporaryDir dir;
        const QString ticket = pdfText(app.preview.shown().at(0), dir, QStringLiteral("ticket.pdf"));
        QVERIFY2(ticket.contains(QStringLiteral("Bizonylatszám: J 3")), qPrintable(ticket));
        QVERIFY2(ticket.contains(QStringLiteral("A(z) 2. sz. mérlegjegy helyett")), qPrintable(ticket));
        // its own ticket entry in the alibi log, which anchors the chain on paper
        const std::optional<AlibiLog::TicketEntry> entry = AlibiLog(app.data).ticketEntry(QStringLiteral("3"));
        QVERIFY(entry);
        QVERIFY2(ticket.contains(QStringLiteral("alibi %1 %2").arg(entry->number).arg(entry->chainPrefix())),
                qPrintable(ticket));
        QVERIFY(!ticket.contains(QStringLiteral("SZTORNÓ")));
        const QString newCopy = pdfText(app.preview.shown().at(1), dir, QStringLiteral("copy3.pdf"));
        QVERIFY2(newCopy.contains(QStringLiteral("Bizonylatszám: J 3")), qPrintable(newCopy));
        QVERIFY(newCopy.contains(QStringLiteral("A(z) 2. sz. mérlegjegy helyett")));
        QVERIFY(!newCopy.contains(QStringLiteral("SZTORNÓ")));
        const QString voidCopy = pdfText(app.preview.shown().at(2), dir, QStringLiteral("copy2.pdf"));
        QVERIFY2(voidCopy.contains(QStringLiteral("Bizonylatszám: J 2")), qPrintable(voidCopy));
        QVERIFY2(voidCopy.contains(QStringLiteral("SZTORNÓ")), qPrintable(voidCopy));
        QVERIFY(voidCopy.contains(QStringLiteral("helyette: 3")));
        QVERIFY(voidCopy.contains(QStringLiteral("Sztornó oka: rossz termelő")));
        QVERIFY(voidCopy.contains(QStringLiteral("Sztornózva: ")));
        QVERIFY(!voidCopy.contains(QStringLiteral("mérlegjegy helyett")));
        // Variables set for a print last no longer than it.
        QCOMPARE(app.report.variable(QStringLiteral("v_helyett")).toString(), QString());
    }

    // Without corrections (a browser made by another opener) the buttons
    // are there and disabled.
    void buttonsNeedCorrections()
    {
        TestApp app;
        TicketBrowserWindow plain(app.ctx);
        QVERIFY(!plain.findChild<QPushButton*>(QStringLiteral("VoidButton"))->isEnabled());
        QVERIFY(!plain.findChild<QPushButton*>(QStringLiteral("ReissueButton"))->isEnabled());
        TicketBrowserWindow full(app.ctx, ticketCorrections(app.ctx));
        QVERIFY(full.findChild<QPushButton*>(QStringLiteral("VoidButton"))->isEnabled());
        QVERIFY(full.findChild<QPushButton*>(QStringLiteral("ReissueButton"))->isEnabled());
    }
};

QTEST_MAIN(TestTicketVoidWindow)
#include "test_ticket_void_window.moc"
