// What the producer takes home: the printed ticket, its copy and the ticket
// rendered from the command line show the settlement that the database and
// the stock count (purity and moisture against each crop's standards, the
// deductions in kilograms, "Elszámolt nettó" in whole kilograms), read back
// from the PDFs: an intake, a trailer with two crops, and a dispatch, which
// gets no settlement. A site's own template without the new fields still
// prints.
#include "testapp.h"
#include "weighingfixture.h"

#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"
#include "tickets/stockreport.h"
#include "tickets/ticketbrowser.h"
#include "weighing/finalisation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using WeighingFixture::addPending;
using WeighingFixture::Pending;
using WeighingFixture::seedRegisters;

namespace {

// The text of a PDF with every run of blanks as one blank.
QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput())
            .replace(QChar(0x00A0), QLatin1Char(' '))
            .replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

QString layoutText(const ReportLayout& layout, const QTemporaryDir& dir, const QString& name)
{
    const QString pdf = dir.filePath(name);
    QString error;
    if (!ReportPainter::writePdf(layout, pdf, &error))
        return QStringLiteral("not written: ") + error;
    return pdfText(pdf);
}

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

// vello-report on the test's database, in `folder` (its templates).
ToolRun reportTool(const TestApp& app, const QStringList& args, const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-report"),
            args
                    + QStringList {QStringLiteral("--user"), QStringLiteral("root"), QStringLiteral("--database"),
                            app.db.name(), QStringLiteral("--socket"), TestDb::socket()});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The shipped template without the settlement fields: a site's own
// template made before them.
QString withoutSettlement(const QString& file)
{
    QFile shipped(file);
    if (!shipped.open(QIODevice::ReadOnly))
        return QString();
    QString frf = QString::fromUtf8(shipped.readAll());
    frf.remove(QRegularExpression(QStringLiteral("\\s*<text[^>]*>\\[v_elsz[a-z_0-9]*\\]</text>")));
    return frf;
}

}   // namespace

class TestTicketSettlement : public QObject {
    Q_OBJECT
private slots:
    // movement, the pending weighing, the lines the original and the copy
    // both print, the lines neither prints, the stored nets.
    void settlement_data()
    {
        QTest::addColumn<QString>("movement");
        QTest::addColumn<QStringList>("pending");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<QString>("nets");
        QTest::newRow("intake") << "B"
                                << QStringList {"in1=18320", "out1=6240", "crop1=2", "purity=96.5", "moisture=14.8"}
                                << QStringList {"Nettó súly: 12 080 kg",
                                           "Kukorica: tisztaság 96,5 % (szabvány 97 %), levonás 60,4 kg; víz 14,8 % "
                                           "(szabvány 14 %), levonás 96,64 kg",
                                           "Elszámolt nettó: 11 923 kg"}
                                << QStringList {"összesen:", "Búza:"} << "11922.96";
        QTest::newRow("trailer with two crops")
                << "B"
                << QStringList {"in1=20000", "out1=8000", "crop1=2", "in2=16000", "out2=8000", "crop2=1", "purity=97",
                           "moisture=14"}
                << QStringList {"Nettó súly: 20 000 kg",
                           "Kukorica: tisztaság 97 % (szabvány 97 %), levonás 0 kg; víz 14 % (szabvány 14 %), "
                           "levonás 0 kg",
                           "Elszámolt nettó: 12 000 kg",
                           "Búza: tisztaság 97 % (szabvány 100 %), levonás 240 kg; víz 14 % (szabvány 14,5 %), "
                           "levonás 0 kg",
                           "Elszámolt nettó: 7 760 kg", "Elszámolt nettó összesen: 19 760 kg"}
                << QStringList {} << "12000,7760";
        QTest::newRow("dispatch") << "K" << QStringList {"in1=8000", "out1=20000", "crop1=1"}
                                  << QStringList {"Nettó súly: 12 000 kg"}
                                  << QStringList {"Elszámolt", "levonás", "tisztaság"} << "0";
    }
    void settlement()
    {
        QFETCH(QString, movement);
        QFETCH(QStringList, pending);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, absent);
        QFETCH(QString, nets);
        TestApp app;
        RecordingPreview preview;
        ReportOutput report {app.ctx, &preview};
        app.ctx.report = &report;
        seedRegisters(app.db);
        app.db.exec("UPDATE termeny SET tSztiszt = 97 WHERE tKod = '2'");
        app.db.exec("UPDATE termeny SET tSzviztart = 14.5 WHERE tKod = '1'");

        Pending p;
        p.movement = movement;
        for (const QString& c : pending) {
            const QString name = c.section('=', 0, 0), value = c.section('=', 1);
            double* number = name == "in1" ? &p.in1
                    : name == "out1"       ? &p.out1
                    : name == "in2"        ? &p.in2
                    : name == "out2"       ? &p.out2
                    : name == "purity"     ? &p.purity
                    : name == "moisture"   ? &p.moisture
                                           : nullptr;
            if (number)
                *number = value.toDouble();
            else if (name == "crop1")
                p.crop1 = value;
            else if (name == "crop2")
                p.crop2 = value, p.warehouse2 = "1", p.trailer = "I";
        }
        const qint64 idm = addPending(app.db, p);

        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        if (movement == "K")
            app.prompt.expectConfirm("Szállítólevél nyomtatása ?", false);
        Finalisation::Input in;
        in.weighingId = idm;
        in.netText = "1";
        const FinalisationOutcome o = Finalisation(app.ctx).run(in);
        QCOMPARE(o.result, Outcome::Done);
        QCOMPARE(app.db.scalar("SELECT GROUP_CONCAT(jNettoBe ORDER BY IDj) FROM vello WHERE jTkod <> ''").toString(),
                nets);
        // The figure the stock counts for this ticket, as the stock window shows it.
        const QString stock = StockFigures::text(app.db.scalar("SELECT SUM(jNettoBe) FROM vello").toDouble());

        QTemporaryDir dir;
        QCOMPARE(preview.shown().size(), 1);
        const QString original = layoutText(preview.shown()[0], dir, "ticket.pdf");
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        QVERIFY(TicketBrowser(app.ctx).printCopy(o.ticketNumber));
        const QString copy = layoutText(preview.last(), dir, "copy.pdf");
        const ToolRun tool
                = reportTool(app, {"--ticket", o.ticketNumber, "--out", dir.filePath("tool.pdf")}, QDir::currentPath());
        QVERIFY2(tool.exitCode == 0, qPrintable(tool.err));
        const QString filed = pdfText(dir.filePath("tool.pdf"));
        const ToolRun toolCopy = reportTool(app,
                {"--ticket", o.ticketNumber, "--copy", "--out", dir.filePath("toolcopy.pdf")}, QDir::currentPath());
        QVERIFY2(toolCopy.exitCode == 0, qPrintable(toolCopy.err));
        const QString filedCopy = pdfText(dir.filePath("toolcopy.pdf"));
        // VELLO_TICKET_PDFS=FOLDER keeps the PDFs, for looking at them.
        if (const QString keep = qEnvironmentVariable("VELLO_TICKET_PDFS"); !keep.isEmpty())
            for (const char* name : {"ticket.pdf", "copy.pdf"})
                QFile::copy(dir.filePath(QLatin1String(name)),
                        QStringLiteral("%1/%2-%3")
                                .arg(keep, QLatin1String(QTest::currentDataTag()), QLatin1String(name)));

        for (const QString& line : printed) {
            // Four copies of the original, each with the line; the copy and
            // the command line's renderings show the same.
            QVERIFY2(original.count(line) == 4, qPrintable(line + "\n" + original));
            QVERIFY2(filed.count(line) == 4, qPrintable(line + "\n" + filed));
            if (!line.startsWith("Nettó súly"))
                QVERIFY2(copy.contains(line) && filedCopy.contains(line), qPrintable(line + "\n" + copy));
        }
        for (const QString& text : absent)
            QVERIFY2(!original.contains(text) && !copy.contains(text), qPrintable(text + "\n" + original));
        if (movement == "B")
            QVERIFY2(original.contains(QStringLiteral("Elszámolt nettó%1: %2 kg")
                                               .arg(p.trailer.isEmpty() ? "" : " összesen", stock)),
                    qPrintable(stock + "\n" + original));
        // The copy's line of each row carries the same whole-kilogram net.
        QVERIFY2(copy.contains(QRegularExpression(
                         QStringLiteral("Nettó: %1 kg")
                                 .arg(movement == "B" ? StockFigures::text(nets.section(',', 0, 0).toDouble())
                                                      : "12 000"))),
                qPrintable(copy));
    }

    // A site's own ticket and copy templates, made before the settlement
    // fields, print a stored ticket as before, in the program and from the
    // command line.
    void ownTemplateWithoutSettlement()
    {
        TestApp app;
        RecordingPreview preview;
        ReportOutput report {app.ctx, &preview};
        app.ctx.report = &report;
        seedRegisters(app.db);
        const qint64 idm = addPending(app.db, Pending());
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", false);
        Finalisation::Input in;
        in.weighingId = idm;
        in.netText = "1";
        QCOMPARE(Finalisation(app.ctx).run(in).result, Outcome::Done);

        QTemporaryDir own;
        for (const char* name : {"vello.frf", "vello_masolat.frf"}) {
            const QString frf = withoutSettlement(QLatin1String(name));
            QVERIFY(!frf.isEmpty() && !frf.contains("[v_elsz"));
            QFile mine(own.filePath(QLatin1String(name)));
            QVERIFY(mine.open(QIODevice::WriteOnly));
            mine.write(frf.toUtf8());
        }
        QTemporaryDir dir;
        const QString here = QDir::currentPath();
        QDir::setCurrent(own.path());
        app.prompt.expectConfirm("Mérlegjegy nyomtatása ?", true);
        const bool printed = TicketBrowser(app.ctx).printCopy("1");
        QDir::setCurrent(here);
        QVERIFY(printed);
        const QString copy = layoutText(preview.last(), dir, "copy.pdf");
        QVERIFY2(copy.contains("Nettó súly: 12 000 kg") && !copy.contains("Elszámolt"), qPrintable(copy));

        const ToolRun tool = reportTool(app, {"--ticket", "1", "--out", dir.filePath("own.pdf")}, own.path());
        QVERIFY2(tool.exitCode == 0, qPrintable(tool.err));
        const QString filed = pdfText(dir.filePath("own.pdf"));
        QCOMPARE(filed.count("Nettó súly: 12 000 kg"), 4);
        QVERIFY2(filed.contains("Bizonylatszám: J 1") && !filed.contains("Elszámolt"), qPrintable(filed));

        // A ticket that is not there is named.
        const ToolRun none = reportTool(app, {"--ticket", "99", "--out", dir.filePath("none.pdf")}, own.path());
        QCOMPARE(none.exitCode, 1);
        QVERIFY2(none.err.contains("Nincs 99 számú mérlegjegy"), qPrintable(none.err));
    }
};

QTEST_MAIN(TestTicketSettlement)
#include "test_ticket_settlement.moc"
