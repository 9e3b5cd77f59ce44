// One weighing through the windows, as an operator does it: the arrival
// (vehicle kind, plate, crop and warehouse of a loaded vehicle, typed
// weight), the exit weighing, the producer, the finalisation, and the ticket
// and delivery note rendered to PDF and read back.
#include "windowfixture.h"

#include "reports/reportpainter.h"
#include "weighing/weighingwindows.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace WindowFixture;

namespace {

QString pdfText(const ReportLayout& layout, const QString& file)
{
    QString error;
    if (!ReportPainter::writePdf(layout, file, &error)) {
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return QString();
    }
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    // Grouped figures may use a no-break space.
    return QString::fromUtf8(p.readAllStandardOutput()).replace(QChar(0x00A0), QLatin1Char(' '));
}

// Fills a weighing window: weight 1, and a crop and warehouse pick when given.
ScriptedHost::Script weigh(TestApp& app, const QString& weight, const QString& crop, const QString& store,
        const QString& purity = QString(), const QString& moisture = QString())
{
    return [&app, weight, crop, store, purity, moisture](QDialog& w) {
        setText(w, QStringLiteral("Edit1"), weight);
        if (!crop.isEmpty()) {
            app.host.expect(QStringLiteral("TForm10"), pick(app, QStringLiteral("ZQ50"), QStringLiteral("tKod"), crop));
            click(w, QStringLiteral("Button3"));
            app.host.expect(
                    QStringLiteral("TForm12"), pick(app, QStringLiteral("ZQ60"), QStringLiteral("kKod"), store));
            click(w, QStringLiteral("Button4"));
        }
        if (!purity.isEmpty())
            setText(w, QStringLiteral("Edit32"), purity);
        if (!moisture.isEmpty())
            setText(w, QStringLiteral("Edit33"), moisture);
        click(w, QStringLiteral("Button1"));
    };
}

}   // namespace

class TestWeighingWorkflow : public QObject {
    Q_OBJECT
private slots:
    void arrivalToPrintedTicket_data();
    void arrivalToPrintedTicket();
};

void TestWeighingWorkflow::arrivalToPrintedTicket_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("plate");
    QTest::addColumn<QString>("plateText");
    QTest::addColumn<QString>("inWeight");
    QTest::addColumn<QString>("outWeight");
    QTest::addColumn<double>("netIn");
    QTest::addColumn<double>("netOut");
    // Intake of wheat (standard 100 % / 14 %), measured 98 % / 16 %:
    // 12000 - (240 + 240).
    QTest::newRow("intake") << true << "1"
                            << "ABC-123"
                            << "20000"
                            << "8000" << 11520.0 << 0.0;
    // Dispatch of maize, with a delivery note to the second producer.
    QTest::newRow("dispatch") << false << "2"
                              << "XYZ-987"
                              << "6000"
                              << "18000" << 0.0 << 12000.0;
}

void TestWeighingWorkflow::arrivalToPrintedTicket()
{
    QFETCH(bool, loaded);
    QFETCH(QString, plate);
    QFETCH(QString, plateText);
    QFETCH(QString, inWeight);
    QFETCH(QString, outWeight);
    QFETCH(double, netIn);
    QFETCH(double, netOut);
    TestApp app;
    seedRegisters(app);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    app.ctx.report = &report;

    QStringList afterArrival, afterExit;
    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        click(w, QStringLiteral("Button2"));   // arrival
        afterArrival << text(w, QStringLiteral("Edit25")) << text(w, QStringLiteral("Edit13"))
                     << text(w, QStringLiteral("Edit1")) << w.windowTitle();
        click(w, QStringLiteral("Button1"));   // exit weighing of the current row
        afterExit << text(w, QStringLiteral("Edit13")) << text(w, QStringLiteral("Edit35"));
        click(w, QStringLiteral("Button6"));   // producer
        click(w, QStringLiteral("Button3"));   // finalisation
    });
    app.host.expect(QStringLiteral("TForm15"), [loaded](QDialog& w) {
        click(w, loaded ? QStringLiteral("RadioButton4") : QStringLiteral("RadioButton3"));
        click(w, QStringLiteral("Button1"));
    });
    app.host.expect(QStringLiteral("TForm5"), pick(app, QStringLiteral("ZQ30"), QStringLiteral("rKod"), plate));
    if (loaded) {
        app.host.expect(QStringLiteral("TForm14"),
                weigh(app, inWeight, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("98"),
                        QStringLiteral("16")));
        app.host.expect(QStringLiteral("TForm14"), weigh(app, outWeight, QString(), QString()));
    } else {
        app.host.expect(QStringLiteral("TForm14"), weigh(app, inWeight, QString(), QString()));
        app.host.expect(QStringLiteral("TForm14"), weigh(app, outWeight, QStringLiteral("2"), QStringLiteral("2")));
    }
    app.host.expect(
            QStringLiteral("TForm8"), pick(app, QStringLiteral("ZQ40"), QStringLiteral("oKod"), QStringLiteral("1")));
    app.prompt.expectConfirm(QStringLiteral("Mérlegjegy nyomtatása ?"), true);
    if (!loaded) {
        app.prompt.expectConfirm(QStringLiteral("Szállítólevél nyomtatása ?"), true);
        app.host.expect(QStringLiteral("TForm8"),
                pick(app, QStringLiteral("ZQ40"), QStringLiteral("oKod"), QStringLiteral("2")));
    }
    openVehiclesOnSite(app.ctx);
    app.verifyScriptsDone();

    // The arrival stored pending weighing 1, shown in TForm4.
    QCOMPARE(afterArrival, (QStringList {"1", "0", inWeight, QStringLiteral("Új  \"BE\" mérés")}));
    QCOMPARE(afterExit, (QStringList {outWeight, "12000"}));
    // Finalised: the pending weighing gone, two ticket rows under "J" 1.
    QCOMPARE(app.db.count(QStringLiteral("meres")), 0);
    QCOMPARE(app.db.count(QStringLiteral("vello"), QStringLiteral("jBszam = '1' AND jMbszam = '1'")), 2);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jNettoBe FROM vello WHERE jTkod <> '' ORDER BY IDj LIMIT 1"))
                     .toDouble(),
            netIn);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jNettoKi FROM vello WHERE jTkod <> '' ORDER BY IDj LIMIT 1"))
                     .toDouble(),
            netOut);
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT jOkod FROM vello ORDER BY IDj LIMIT 1")).toString(),
            QStringLiteral("1"));
    QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'J'")).toString(),
            QStringLiteral("1"));

    QTemporaryDir dir;
    QCOMPARE(preview.shown().size(), loaded ? 1 : 2);
    const QString ticket = pdfText(preview.shown().at(0), dir.filePath(QStringLiteral("ticket.pdf")));
    QVERIFY2(ticket.contains(QStringLiteral("Bizonylatszám: J 1")), qPrintable(ticket));
    QVERIFY2(ticket.contains(plateText), qPrintable(ticket));
    QVERIFY2(ticket.contains(QStringLiteral("12 000")), qPrintable(ticket));
    QVERIFY2(ticket.contains(loaded ? QStringLiteral("Búza") : QStringLiteral("Kukorica")), qPrintable(ticket));
    QVERIFY2(ticket.contains(QStringLiteral("Kovács István")), qPrintable(ticket));
    if (!loaded) {
        const QString note = pdfText(preview.shown().at(1), dir.filePath(QStringLiteral("note.pdf")));
        QVERIFY2(note.contains(QStringLiteral("Sorszám: S 1")), qPrintable(note));
        QVERIFY2(note.contains(QStringLiteral("Alföldi Mag Zrt.")), qPrintable(note));
        QVERIFY2(note.contains(plateText), qPrintable(note));
        QCOMPARE(app.db.scalar(QStringLiteral("SELECT sBszam FROM sorszam WHERE sKod = 'S'")).toString(),
                QStringLiteral("1"));
    }
}

QTEST_MAIN(TestWeighingWorkflow)
#include "test_weighing_workflow.moc"
