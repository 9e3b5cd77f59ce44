// One vehicle from arrival to printed ticket through the core operations
// that the weighing windows call: IN store, OUT store, finalisation; the
// ticket and the delivery note written to PDF and read back.
#include "testapp.h"
#include "weighingfixture.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"
#include "weighing/finalisation.h"
#include "weighing/weighingstore.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace WeighingFixture;

namespace {

QString pdfText(const ReportLayout& layout, const QTemporaryDir& dir, const QString& name)
{
    const QString pdf = dir.filePath(name);
    QString error;
    if (!ReportPainter::writePdf(layout, pdf, &error))
        return QStringLiteral("not written: ") + error;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

}   // namespace

class TestWeighingFlow : public QObject {
    Q_OBJECT
private slots:
    // An empty truck with trailer comes in, leaves loaded with two crops,
    // and is finalised with its ticket and a delivery note.
    void dispatchWithTrailer()
    {
        TestApp app;
        seedRegisters(app.db);
        RecordingPreview preview;
        ReportOutput report(app.ctx, &preview);
        app.ctx.report = &report;
        // arrival: empty, with trailer; the trailer's weight typed
        const WeighingRequest arrival = requestIn("K", true);
        QVERIFY(!arrival.loadedPass());
        WeighingFields in;
        in.weight1 = "8000";
        in.scale1 = "8000";
        in.weight2 = "6000";
        in.inTime = "06:30:00";
        in.plateCode = "1";
        const WeighingOutcome stored = WeighingStore(app.ctx, arrival).ok(in);
        QCOMPARE(stored.result, WeighingOutcome::Done);
        QCOMPARE(stored.weighingNumber, QStringLiteral("1"));
        const qint64 idm = app.db.scalar("SELECT IDm FROM meres WHERE mBszam = '1'").toLongLong();
        app.db.exec("UPDATE meres SET mOkod = '1'");   // the producer assigned in the list

        // exit: loaded, crop and warehouse per measurement
        const WeighingRequest exit = requestOut(idm, "K", true);
        QVERIFY(exit.loadedPass());
        WeighingFields out;
        out.weight1 = "20000";
        out.scale1 = "20000";
        out.weight2 = "16000";
        out.scale2 = "16000";
        out.crop1 = "1";
        out.warehouse1 = "1";
        out.crop2 = "2";
        out.warehouse2 = "2";
        QCOMPARE(WeighingStore(app.ctx, exit).ok(out).result, WeighingOutcome::Done);

        // finalisation with both prints
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        app.prompt.expectConfirm("Szállítólevél nyomtatása ?", true);
        Finalisation::Input fin;
        fin.weighingId = idm;
        fin.netText = "22000";
        fin.pickConsignee = [] { return QStringLiteral("2"); };
        const FinalisationOutcome o = Finalisation(app.ctx).run(fin);
        QCOMPARE(o.result, FinalisationOutcome::Done);
        QCOMPARE(o.ticketNumber, QStringLiteral("1"));
        QCOMPARE(o.deliveryNoteNumber, QStringLiteral("1"));
        QVERIFY(o.ticketPrinted && o.deliveryNotePrinted);

        QCOMPARE(app.db.count("meres"), 0);
        QCOMPARE(
                app.db.scalar("SELECT GROUP_CONCAT(CONCAT_WS('|', jBszam, jTkod, jKkod, jNettoBe, jNettoKI) ORDER BY IDj "
                              "SEPARATOR ' / ') FROM vello")
                        .toString(),
                QStringLiteral("1|1|1|0|12000 / 1|2|2|0|10000"));
        QCOMPARE(report.variable("v_jel_be2").toString(), QStringLiteral("kézi"));
        QCOMPARE(report.variable("v_jel_ki2").toString(), QString());

        QTemporaryDir dir;
        QCOMPARE(preview.shown().size(), 2);
        const QString ticket = pdfText(preview.shown()[0], dir, "ticket.pdf");
        QVERIFY2(ticket.contains("Bizonylatszám: J 1"), qPrintable(ticket));
        QVERIFY(ticket.contains("MÉRLEGJEGY"));
        QVERIFY(ticket.contains("Rendszám: ABC-123"));
        QVERIFY(ticket.contains("14 000"));   // entry total
        QVERIFY(ticket.contains("36 000"));   // exit total
        QVERIFY(ticket.contains("22 000"));   // net weighed weight
        QVERIFY(ticket.contains("Megnevezés: Búza"));
        const QString note = pdfText(preview.shown()[1], dir, "note.pdf");
        QVERIFY2(note.contains("S 1"), qPrintable(note));
        QVERIFY(note.contains("Alföldi Mag Zrt. (2)"));
        QVERIFY(note.contains("22 000"));
        app.verifyScriptsDone();
    }
};

QTEST_MAIN(TestWeighingFlow)
#include "test_weighing_flow.moc"
