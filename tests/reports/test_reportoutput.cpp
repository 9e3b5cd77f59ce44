// Report output as the windows use it: the weighing ticket from a pending
// weighing, variables, orientation, the failures and their texts, paging of
// a long list, every template from its caller's data, PDF and the tool.
#include "reportfixture.h"
#include "widgets.h"
#include "data/textconv.h"
#include "reports/previewpages.h"
#include "reports/previewwindow.h"
#include "reports/qtreportpreview.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"

#include <QLabel>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReportFixture;

namespace {

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return f.fileName();
}

QByteArray oneText(const QByteArray& text)
{
    return "<frf version=\"1\"><page><band type=\"title\" height=\"20\"><text x=\"0\" y=\"0\" w=\"150\" h=\"5\">" + text
            + "</text></band></page></frf>";
}

int count(const QStringList& texts, const QString& t)
{
    return int(texts.count(t));
}

// Without a default printer: the message, and one Hungarian line on how a
// site gets a printer.
QString noPrinter()
{
    return QStringLiteral("There is no default printer currently selected\n"
                          "Nincs alapértelmezett nyomtató: állítson be egyet, vagy telepítsen PDF-nyomtatót "
                          "(printer-driver-cups-pdf csomag, lásd README).");
}

// The stock window's four lists as they stand after its computations
// (as the stock window fills them): totals of the grouping in ZQ23 and ZQ20, itemised figures of
// `key` (the crop, producer or warehouse code of the totals line) in ZQ22 and
// ZQ21; v_datum for the day grouping.
void prepareStock(DataModule& d, ReportOutput& report, const QString& grouping, const QDate& day, const QString& key)
{
    const QString head = QStringLiteral(
            "SELECT tmegnev, SUM(ABS(jBemeres - jKimeres)) AS Netto, SUM(jNettoBe) AS Be, SUM(jNettoKi) AS Ki, "
            "SUM(jNettoBe - jNettoKi) AS Keszlet, jMozgas, jBszam, jDatum, jBeido, jKiido, jBemeres, jKimeres, jTiszt, "
            "jViztart FROM vello JOIN termeny ON termeny.tKod = vello.jTkod ");
    const QString sums = QStringLiteral(
            "SELECT SUM(ABS(jBemeres - jKimeres)) AS sum_meres, SUM(jNettoBe) AS sum_betarolt, SUM(jNettoKi) AS sum_kiszall FROM vello ");
    const QString totalsTail = QStringLiteral(
            "SUM(ABS(jBemeres - jKimeres)) AS Netto, SUM(jNettoBe) AS Betarolt, SUM(jNettoKi) AS Kiszallitva, "
            "SUM(jNettoBe - jNettoKi) AS Keszlet, jTkod,jOkod, jKkod");
    if (grouping == QLatin1String("termeny")) {
        openQuery(d.ZQ23, sums + QStringLiteral("WHERE jTkod <> \"\""));
        openQuery(d.ZQ20,
                QStringLiteral("SELECT tmegnev, ") + totalsTail
                        + QStringLiteral(
                                " FROM vello JOIN termeny ON termeny.tKod = vello.jTkod WHERE jTkod <> \"\" GROUP BY jTkod"));
        openQuery(d.ZQ22, sums + QStringLiteral("WHERE jTkod = :p1"), {{"p1", key}});
        openQuery(d.ZQ21, head + QStringLiteral("WHERE jTkod = :p1 GROUP BY IDj"), {{"p1", key}});
    } else if (grouping == QLatin1String("datum")) {
        report.setVariable(QStringLiteral("v_datum"), TextConv::date(day));
        openQuery(d.ZQ23, sums + QStringLiteral("WHERE ( jTkod <> \"\" ) AND ( jDatum = :p0 )"), {{"p0", day}});
        openQuery(d.ZQ20,
                QStringLiteral("SELECT tmegnev, jDatum, ") + totalsTail
                        + QStringLiteral(
                                " FROM vello JOIN termeny ON termeny.tKod = vello.jTkod WHERE ( jTkod <> \"\" ) AND ( jDatum = :p0 ) GROUP BY jTkod"),
                {{"p0", day}});
        openQuery(d.ZQ22, sums + QStringLiteral("WHERE ( jTkod = :p1 ) AND ( jDatum = :p0 )"),
                {{"p0", day}, {"p1", key}});
        openQuery(d.ZQ21, head + QStringLiteral("WHERE ( jTkod = :p1 ) AND ( jDatum = :p0 ) GROUP BY IDj"),
                {{"p0", day}, {"p1", key}});
    } else if (grouping == QLatin1String("nev")) {
        openQuery(d.ZQ23, sums + QStringLiteral("WHERE jTkod <> \"\""));
        openQuery(d.ZQ20,
                QStringLiteral("SELECT oNev, tmegnev, ") + totalsTail
                        + QStringLiteral(
                                ", oNev, tMegnev FROM vello JOIN termeny ON termeny.tKod = vello.jTkod JOIN termelo ON termelo.OKod = vello.jOkod "
                                "WHERE jTkod <> \"\" GROUP BY jOkod, jTkod ORDER BY oNev, tMegnev"));
        openQuery(d.ZQ22, sums + QStringLiteral("WHERE jOkod = :p1"), {{"p1", key}});
        openQuery(d.ZQ21,
                QStringLiteral("SELECT oNev, ")
                        + QString(head).mid(7).replace(QStringLiteral("vello.jTkod "),
                                QStringLiteral("vello.jTkod JOIN termelo ON termelo.OKod = vello.jOkod "))
                        + QStringLiteral("WHERE ( jTkod <> \"\" ) AND ( jOkod = :p1 ) GROUP BY IDj"),
                {{"p1", key}});
    } else {
        openQuery(d.ZQ23, sums + QStringLiteral("WHERE jTkod <> \"\""));
        openQuery(d.ZQ20,
                QStringLiteral("SELECT kNev, tmegnev, ") + totalsTail
                        + QStringLiteral(
                                ", kNev, tMegnev FROM vello JOIN termeny ON termeny.tKod = vello.jTkod JOIN raktar ON raktar.kKod = vello.jKkod "
                                "WHERE jTkod <> \"\" GROUP BY jKkod, jTkod ORDER BY kNev, tMegnev"));
        openQuery(d.ZQ22, sums + QStringLiteral("WHERE jKkod = :p1"), {{"p1", key}});
        openQuery(d.ZQ21,
                QStringLiteral(
                        "SELECT kNev, tmegnev, SUM(ABS(jBemeres - jKimeres)) AS Netto, SUM(jNettoBe) AS Be, SUM(jNettoKi) AS Ki, "
                        "SUM(jNettoBe - jNettoKi) AS Keszlet, jBszam FROM vello JOIN termeny ON termeny.tKod = vello.jTkod "
                        "JOIN raktar ON raktar.kKod = vello.jKkod WHERE ( jTkod <> \"\" ) AND ( jKkod = :p1 ) GROUP BY IDj"),
                {{"p1", key}});
    }
}

}   // namespace

class TestReportOutput : public QObject {
    Q_OBJECT
private slots:
    void previewPreparesAheadUnseen();
    void weighingTicket();
    void ticketWithoutRow();
    void ticketPdfRoundTrip();
    void reportToolWritesTicket();
    void variablesPersist();
    void orientationPerTemplate_data();
    void orientationPerTemplate();
    void failures_data();
    void failures();
    void stepsInCallingOrder();
    void stoppedCallerDoesNotSilenceTheNext();
    void longListPages();
    void everyTemplateFromItsCallersData_data();
    void everyTemplateFromItsCallersData();
    void previewWindow();
    void previewPaintsPagesInView();
    void printPageRange();
    void emptyStockSumsPrintZero();
};

void TestReportOutput::weighingTicket()
{
    TestApp app;
    const qint64 idm = seed(app.db);
    prepareTicket(app, idm);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    setTicketVariables(report);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    app.verifyScriptsDone();
    QCOMPARE(preview.shown().size(), 1);
    QCOMPARE(preview.pdfNames().first(), QStringLiteral("vello_42.pdf"));
    const ReportLayout& l = preview.last();
    QCOMPARE(l.pages.size(), 2);
    const QStringList labels[] = {{"1. példány", "2. példány"}, {"3. példány", "4. példány"}};
    for (int p = 0; p < 2; ++p) {
        const LayoutPage& page = l.pages[p];
        QCOMPARE(page.size, QSizeF(210, 297));
        const QStringList t = page.texts();
        for (const QString& label : labels[p])
            QCOMPARE(count(t, label), 1);
        QVERIFY(page.find(labels[p][0])->box.top() < 148.5 && page.find(labels[p][1])->box.top() > 148.5);
        QCOMPARE(count(t, "MÉRLEGJEGY "), 2);
        QCOMPARE(count(t, "BE"), 2);
        QCOMPARE(count(t, "Bizonylatszám: J 42"), 2);
        QCOMPARE(count(t, "Kiállította: Alföldi Gabona Kft."), 2);
        QCOMPARE(count(t, "6400 Kiskunhalas Majsai út 8. Adószám: 11223344-2-03"), 2);
        QCOMPARE(count(t, "Név: Kovács István 6400 Kiskunhalas Fő u. 12."), 2);
        QCOMPARE(count(t, "(1)"), 4);
        QCOMPARE(count(t, "Rendszám: ABC-123    Kovács István"), 2);
        QCOMPARE(count(t, "Kovács és Társa Kft. Kiskunhalas, Fő u. 12. 06-30-123-4567 Kovács Péter"), 2);
        QCOMPARE(count(t, "Mérlegelési súly"), 2);
        QCOMPARE(count(t, "Mérés2 (pótkocsi)"), 4);
        QCOMPARE(count(t, "20 000"), 4);   // entry 1 and entry total
        QCOMPARE(count(t, "8 000"), 4);   // exit 1 and exit total
        QCOMPARE(count(t, "0"), 4);   // trailer weights
        QCOMPARE(count(t, "Megnevezés: Búza "), 2);
        QCOMPARE(count(t, "Nettó súly:   12 000  kg"), 2);
        bool madeLine = false;
        for (const QString& s : t)
            madeLine = madeLine
                    || QRegularExpression(QStringLiteral("^Készült:  \\d{4}\\.\\d\\d\\.\\d\\d   \\d\\d:\\d\\d:\\d\\d$"))
                               .match(s)
                               .hasMatch();
        QVERIFY(madeLine);
        // Type: title 12 pt bold, movement 18 pt, body 10 pt, net bold, weights right-aligned.
        const LayoutItem* title = page.find(QStringLiteral("MÉRLEGJEGY "));
        QVERIFY(title->bold && title->fontSize == 12 && (title->align & Qt::AlignHCenter));
        QCOMPARE(page.find(QStringLiteral("BE"))->fontSize, 18.0);
        QVERIFY(page.find(QStringLiteral("Bizonylatszám: J 42"))->bold);
        QVERIFY(page.find(QStringLiteral("Nettó súly:   12 000  kg"))->bold);
        QVERIFY(page.find(QStringLiteral("20 000"))->align & Qt::AlignRight);
        QVERIFY(page.find(QStringLiteral("Mérés1"))->align & Qt::AlignRight);
        QCOMPARE(page.find(QStringLiteral("Megnevezés: Búza "))->fontSize, 10.0);
        // Lines 1 to 11 stand from top to bottom, each on a row of its own
        // (the items of the upper copy come first in the page).
        const QString lines[] = {"MÉRLEGJEGY ", "Bizonylatszám: J 42", "Kiállította: Alföldi Gabona Kft.",
                "6400 Kiskunhalas Majsai út 8. Adószám: 11223344-2-03",
                "Készült:  ", "Név: Kovács István 6400 Kiskunhalas Fő u. 12.", "Rendszám: ABC-123    Kovács István",
                "Kovács és Társa Kft. Kiskunhalas, Fő u. 12. 06-30-123-4567 Kovács Péter", "Mérlegelési súly",
                "Megnevezés: Búza ", ".........."};
        const LayoutItem* above = nullptr;
        for (const QString& line : lines) {
            const LayoutItem* item
                    = page.find(line, line.endsWith(QLatin1String("  ")) || line.startsWith(QLatin1Char('.')));
            QVERIFY2(item, qPrintable(line));
            QVERIFY2(item->box.bottom() < 148.5, qPrintable(line));
            if (above)
                QVERIFY2(item->box.top() >= above->box.bottom() - 0.01,
                        qPrintable(line + QStringLiteral(" overlaps the line above")));
            above = item;
        }
        // Cut marks at both edges between the copies.
        int marks = 0;
        for (const LayoutItem& i : page.items)
            marks += i.kind == LayoutItem::Line && i.box.top() == 148.5 && (i.box.left() == 0 || i.box.right() == 210);
        QCOMPARE(marks, 2);
    }
    // The ticket moved no data set.
    QCOMPARE(app.data.ZQ13.currentRow(), 0);
}

void TestReportOutput::ticketWithoutRow()
{
    // The pending weighing query is an inner join: a weighing without a
    // producer yields no row, and the ticket shows its fixed texts.
    TestApp app;
    const qint64 idm = seed(app.db);
    app.db.exec(QStringLiteral("UPDATE meres SET mOkod = NULL"));
    prepareTicket(app, idm);
    QVERIFY(app.data.ZQ13.isEmpty());
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    const QStringList t = preview.last().pages[0].texts();
    QCOMPARE(count(t, "MÉRLEGJEGY "), 2);
    QCOMPARE(count(t, "Rendszám:     "), 2);
    QCOMPARE(count(t, "Megnevezés:  "), 2);
    QCOMPARE(count(t, "Kiállította: Alföldi Gabona Kft."), 2);
    app.verifyScriptsDone();
}

void TestReportOutput::ticketPdfRoundTrip()
{
    TestApp app;
    prepareTicket(app, seed(app.db));
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    setTicketVariables(report);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("vello_42.pdf"));
    QVERIFY(ReportPainter::writePdf(preview.last(), pdf));
    const QString text = pdfText(pdf);
    QCOMPARE(text.count(QLatin1Char('\f')), 2);   // two pages
    for (const char* s : {"MÉRLEGJEGY", "Bizonylatszám: J 42", "1. példány", "4. példány", "Nettó súly:", "12 000",
                 "Adószám: 11223344-2-03", "Mérés2 (pótkocsi)", "Megnevezés: Búza", "Rendszám: ABC-123"})
        QVERIFY2(text.contains(QString::fromUtf8(s)), s);
}

void TestReportOutput::reportToolWritesTicket()
{
    TestApp app;
    const qint64 idm = seed(app.db);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("t.pdf"));
    const ConnectionSettings s = app.db.settings();
    QString tool = qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/vello-report");
    if (!QFile::exists(tool))
        tool = qEnvironmentVariable("VELLO_BINARY_DIR") + QStringLiteral("/tools/vello-report");
    QStringList args = {"--socket", s.socket, "--database", s.database, "--user", s.user, "--template", "vello.frf",
            "--out", pdf, "--query", "ZQ13", PendingWeighingSql, "--bind", QStringLiteral("ZQ13.p1=%1").arg(idm),
            "--var", "v_bszam=42", "--var", "v_m1=12000", "--var", "v_mozgas=BE"};
    QProcess p;
    p.start(tool, args);
    QVERIFY(p.waitForFinished(120000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    const QString text = pdfText(pdf);
    QCOMPARE(text.count(QLatin1Char('\f')), 2);
    QVERIFY(text.contains(QStringLiteral("Bizonylatszám: J 42")));
    QVERIFY(text.contains(QStringLiteral("12 000")));
    QVERIFY(text.contains(QStringLiteral("Név: Kovács István 6400 Kiskunhalas Fő u. 12.")));

    // A binding of a query that no --query opens would be lost: refused.
    p.start(tool, QStringList(args) << QStringLiteral("--bind") << QStringLiteral("ZQ23.p1=41"));
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(QString::fromUtf8(p.readAllStandardError())
                    .contains(QStringLiteral("egyik --query sem nyitja meg a(z) ZQ23 lekérdezést")));
    // A --query takes its name and the SQL after it; a name alone, or a
    // word that belongs to no --query, is refused.
    const QList<std::pair<QStringList, QString>> refused = {
            {QStringList(args) << QStringLiteral("--query") << QStringLiteral("ZQ33"),
                    QStringLiteral("a --query ZQ33 után hiányzik az SQL-szöveg")},
            {QStringList(args) << QStringLiteral("felesleges"), QStringLiteral("fölösleges paraméter: „felesleges”")},
            {QStringList(args).mid(0, 8), QStringLiteral("a --template és az --out megadása kötelező")},
    };
    for (const auto& [refusedArgs, said] : refused) {
        p.start(tool, refusedArgs);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(said), qPrintable(err));
    }

    // A failure prints the program's text and exits non-zero.
    args[7] = QStringLiteral("nincs.frf");
    p.start(tool, args);
    QVERIFY(p.waitForFinished(120000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("Cannot open file nincs.frf")));
}

void TestReportOutput::variablesPersist()
{
    TestApp app;
    prepareTicket(app, seed(app.db));
    QTemporaryDir dir;
    const QString note = writeFile(dir, QStringLiteral("note.frf"), oneText("[v_bszam] [v_m1] [v_mozgas]"));
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    setTicketVariables(report);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    // The delivery note sets only its number; the others stay from the ticket.
    report.setVariable(QStringLiteral("v_bszam"), QStringLiteral("5"));
    QVERIFY(report.output(note, QPageLayout::Portrait));
    QCOMPARE(preview.last().texts(), QStringList {QStringLiteral("5 12000 BE")});
    // The real delivery note over the delivery-note query reads the consignee.
    openQuery(app.data.ZQ13, DeliveryNoteSql, {{"p1", app.data.ZQ13.value("IDm")}, {"p2", "2"}});
    QVERIFY(report.output(QStringLiteral("szallito.frf"), QPageLayout::Portrait));
    const QStringList t = preview.last().texts();
    QVERIFY(t.contains(QStringLiteral("Sorszám: S 5")));
    QVERIFY(t.contains(QStringLiteral("Alföldi Mag Zrt. (2)")));
    app.verifyScriptsDone();
}

void TestReportOutput::orientationPerTemplate_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("landscape");
    QTest::newRow("plates") << "rendszam.frf"
                            << "SELECT * FROM rendszam ORDER BY rRendszam"
                            << "ZQ33" << true;
    QTest::newRow("producers") << "termelo.frf"
                               << "SELECT * FROM termelo ORDER BY oNev"
                               << "ZQ43" << true;
    QTest::newRow("crops") << "termeny.frf"
                           << "SELECT * FROM termeny ORDER BY tMegnev"
                           << "ZQ53" << false;
    QTest::newRow("warehouses") << "raktar.frf"
                                << "SELECT * FROM raktar ORDER BY kNev"
                                << "ZQ63" << false;
}

void TestReportOutput::orientationPerTemplate()
{
    QFETCH(QString, file);
    QFETCH(QString, sql);
    QFETCH(QString, query);
    QFETCH(bool, landscape);
    TestApp app;
    seed(app.db);
    openQuery(*app.data.find(query), sql);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    report.setVariable(QStringLiteral("v_bszam"), QStringLiteral("42"));   // left from a ticket
    QVERIFY(report.output(file, landscape ? QPageLayout::Landscape : QPageLayout::Portrait));
    QCOMPARE(preview.pdfNames().last(), QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
    const LayoutPage& page = preview.last().pages.first();
    QCOMPARE(page.orientation, landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QCOMPARE(page.size, landscape ? QSizeF(297, 210) : QSizeF(210, 297));
    QVERIFY(page.find(QStringLiteral("Alföldi Gabona Kft.")));   // the site's name
    QVERIFY(page.find(QStringLiteral("1. oldal / 1")));
}

void TestReportOutput::failures_data()
{
    QTest::addColumn<QString>("file");   // empty: the test writes a template holding `content`
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("printer");
    QTest::addColumn<QString>("text");   // the exact text, or with a trailing * its beginning
    QTest::addColumn<QString>("caption");
    QTest::newRow("missing file") << "nincs.frf" << QByteArray() << true << "Cannot open file nincs.frf"
                                  << "";
    QTest::newRow("not a template") << "" << QByteArray("object frNyomtat: TfrReport\n  Pages = <>\nend") << true
                                    << "Unsupported FRF format"
                                    << "Error";
    QTest::newRow("newer version") << "" << QByteArray("<frf version=\"9\"><page/></frf>") << true
                                   << "Unsupported FRF format"
                                   << "Error";
    QTest::newRow("truncated") << "" << oneText("x").left(50) << true << "Unsupported FRF format"
                               << "Error";
    QTest::newRow("unknown column") << "" << oneText("[ZQ13.\"mNincs\"]") << true
                                    << "t.frf: [ZQ13.\"mNincs\"]: ismeretlen mező: ZQ13.\"mNincs\""
                                    << "Error";
    QTest::newRow("unknown data set") << "" << oneText("[ZQ99.\"a\"]") << true
                                      << "t.frf: [ZQ99.\"a\"]: ismeretlen adathalmaz: ZQ99"
                                      << "Error";
    QTest::newRow("division by zero") << "" << oneText("[v_m1 / 0]") << true << "t.frf: [v_m1 / 0]: osztás nullával"
                                      << "Error";
    QTest::newRow("no default printer") << "vello.frf" << QByteArray() << false << noPrinter() << "";
}

void TestReportOutput::failures()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(bool, printer);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    TestApp app;
    prepareTicket(app, seed(app.db));
    QTemporaryDir dir;
    if (file.isEmpty()) {
        writeFile(dir, QStringLiteral("t.frf"), content);
        file = QStringLiteral("t.frf");
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    app.prompt.expectError(text);
    RecordingPreview preview(printer);
    ReportOutput report(app.ctx, &preview);
    report.setVariable(QStringLiteral("v_m1"), 1.0);
    const bool shown = report.output(file, QPageLayout::Portrait);
    QDir::setCurrent(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/templates"));
    QVERIFY(!shown);
    QVERIFY(preview.shown().isEmpty());
    app.verifyScriptsDone();
    QCOMPARE(app.prompt.shown().size(), 1);
    QCOMPARE(app.prompt.shown().first().caption, caption);
}

void TestReportOutput::stepsInCallingOrder()
{
    TestApp app;
    prepareTicket(app, seed(app.db));
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    // Load, variables, orientation in any order; the report shows last.
    QVERIFY(report.loadFromFile(QStringLiteral("vello.frf")));
    report.setVariable(QStringLiteral("v_mozgas"), QStringLiteral("KI"));
    QVERIFY(report.setOrientation(QPageLayout::Portrait));
    QVERIFY(report.showReport());
    QVERIFY(preview.last().pages[0].find(QStringLiteral("KI")));
    // The site row is read again for each output.
    app.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Új Név Kft.' WHERE IDa = 1"));
    QVERIFY(report.showReport());
    QVERIFY(preview.last().pages[0].find(QStringLiteral("Kiállította: Új Név Kft.")));
    // A failed load leaves nothing to show: no second message, no preview.
    app.prompt.expectError(QStringLiteral("Cannot open file nincs.frf"));
    QVERIFY(!report.loadFromFile(QStringLiteral("nincs.frf")));
    QVERIFY(!report.showReport());
    QCOMPARE(preview.shown().size(), 2);
    app.verifyScriptsDone();
}

void TestReportOutput::stoppedCallerDoesNotSilenceTheNext()
{
    // A caller that stops after a failed step never reaches showReport();
    // the next document is shown all the same.
    TestApp app;
    prepareTicket(app, seed(app.db));
    RecordingPreview preview(false);
    ReportOutput report(app.ctx, &preview);
    app.prompt.expectError(noPrinter());
    QVERIFY(!report.setOrientation(QPageLayout::Portrait));
    app.prompt.expectError(QStringLiteral("Cannot open file nincs.frf"));
    QVERIFY(!report.loadFromFile(QStringLiteral("nincs.frf")));
    preview.setDefaultPrinter(true);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    QCOMPARE(preview.shown().size(), 1);
    // Step by step as well: a failed load followed by a good one shows.
    app.prompt.expectError(QStringLiteral("Cannot open file nincs.frf"));
    QVERIFY(!report.loadFromFile(QStringLiteral("nincs.frf")));
    QVERIFY(report.loadFromFile(QStringLiteral("vello.frf")));
    QVERIFY(report.setOrientation(QPageLayout::Portrait));
    QVERIFY(report.showReport());
    QCOMPARE(preview.shown().size(), 2);
    app.verifyScriptsDone();
}

void TestReportOutput::longListPages()
{
    TestApp app;
    seed(app.db);
    QStringList values;
    for (int i = 2; i <= 130; ++i)
        values << QStringLiteral("('%1', 'P-%2', %3, 'Név %1', '', '', '', '', '')")
                          .arg(i)
                          .arg(i, 3, 10, QLatin1Char('0'))
                          .arg(i * 100);
    app.db.exec(
            QStringLiteral(
                    "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES ")
            + values.join(QLatin1Char(',')));
    openQuery(app.data.ZQ33, QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam"));
    app.data.ZQ33.moveTo(17);   // where the list window stood
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    QVERIFY(report.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape));
    const ReportLayout& l = preview.last();
    QVERIFY(l.pages.size() >= 4);
    QStringList plates;
    for (int p = 0; p < l.pages.size(); ++p) {
        const LayoutPage& page = l.pages[p];
        const QStringList t = page.texts();
        QCOMPARE(count(t, "Rendszám"), 1);   // the column headings on every page
        QCOMPARE(count(t, "Rendszámok"), p == 0 ? 1 : 0);   // the title once
        QCOMPARE(t.last(), QStringLiteral("%1. oldal / %2").arg(p + 1).arg(l.pages.size()));
        const LayoutItem* heading = page.find(QStringLiteral("Rendszám"));
        for (const LayoutItem& i : page.items) {
            QVERIFY(i.box.bottom() <= 210 - 10 + 0.001);
            if (i.kind == LayoutItem::Text
                    && (i.text.startsWith(QLatin1String("P-")) || i.text == QLatin1String("ABC-123"))) {
                QVERIFY(i.box.top() > heading->box.top());
                plates << i.text;
            }
        }
    }
    QCOMPARE(plates.size(), 130);
    QCOMPARE(plates.first(), QStringLiteral("ABC-123"));
    QCOMPARE(plates[1], QStringLiteral("P-002"));
    QCOMPARE(plates.last(), QStringLiteral("P-130"));
    QCOMPARE(app.data.ZQ33.currentRow(), 17);
}

void TestReportOutput::everyTemplateFromItsCallersData_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");   // a text the document must hold
    for (const char* f : {"rendszam.frf", "termelo.frf", "termeny.frf", "raktar.frf", "meres.frf", "vello.frf",
                 "szallito.frf", "vello_masolat.frf", "keszlet_termeny.frf", "keszlet_t_termeny.frf",
                 "keszlet_datum.frf", "keszlet_t_datum.frf", "keszlet_nev.frf", "keszlet_t_nev.frf",
                 "keszlet_raktar.frf", "keszlet_t_raktar.frf"})
        QTest::newRow(f) << QString::fromLatin1(f) << "";
}

void TestReportOutput::everyTemplateFromItsCallersData()
{
    QFETCH(QString, file);
    TestApp app;
    const qint64 idm = seed(app.db);
    DataModule& d = app.data;
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    QPageLayout::Orientation o = QPageLayout::Portrait;
    QStringList expected;
    if (file == QLatin1String("rendszam.frf")) {
        openQuery(d.ZQ33, QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam"));
        o = QPageLayout::Landscape;
        expected << "ABC-123"
                 << "8 000";
    } else if (file == QLatin1String("termelo.frf")) {
        openQuery(d.ZQ43, QStringLiteral("SELECT * FROM termelo ORDER BY oNev"));
        o = QPageLayout::Landscape;
        expected << "Alföldi Mag Zrt."
                 << "Kovács István";
    } else if (file == QLatin1String("termeny.frf")) {
        openQuery(d.ZQ53, QStringLiteral("SELECT * FROM termeny ORDER BY tMegnev"));
        expected << "Búza"
                 << "100"
                 << "14";
    } else if (file == QLatin1String("raktar.frf")) {
        openQuery(d.ZQ63, QStringLiteral("SELECT * FROM raktar ORDER BY kNev"));
        expected << "Síkraktár 1";
    } else if (file == QLatin1String("meres.frf")) {
        openQuery(d.ZQ13, PendingWeighingSql, {{"p1", idm}});
        expected << "Mérésszám: 7"
                 << "Termény: Búza"
                 << "20 000";
    } else if (file == QLatin1String("vello.frf")) {
        openQuery(d.ZQ13, PendingWeighingSql, {{"p1", idm}});
        setTicketVariables(report);
        expected << "Bizonylatszám: J 42";
    } else if (file == QLatin1String("szallito.frf")) {
        app.db.exec(QStringLiteral("UPDATE meres SET mMozgas = 'K', mBemeres1 = 8000, mKimeres1 = 20000"));
        openQuery(d.ZQ13, DeliveryNoteSql, {{"p1", idm}, {"p2", "2"}});
        report.setVariable(QStringLiteral("v_bszam"), QStringLiteral("3"));
        expected << "Sorszám: S 3"
                 << "Alföldi Mag Zrt. (2)"
                 << "12 000"
                 << "Alföldi Gabona Kft.";
    } else if (file == QLatin1String("vello_masolat.frf")) {
        openQuery(d.ZQ23, TicketRowsSql, {{"p1", "41"}});
        report.setVariable(QStringLiteral("v_bszam"), QStringLiteral("41"));
        report.setVariable(QStringLiteral("v_Bemeres2"), 0.0);
        report.setVariable(QStringLiteral("v_Kimeres2"), 0.0);
        report.setVariable(QStringLiteral("v_m1"), 12000.0);
        report.setVariable(QStringLiteral("v_mozgas"), QStringLiteral("BE"));
        expected << "Bizonylatszám: J 41"
                 << "Nettó súly:   12 000  kg"
                 << "Raktár: Síkraktár 1"
                 << "Nettó: 11 520 kg";
    } else if (file.startsWith(QLatin1String("keszlet_"))) {
        // The stock window's lists as they stand after its computations.
        const bool itemised = file.startsWith(QLatin1String("keszlet_t_"));
        const QString grouping = file.section(QLatin1Char('_'), itemised ? 2 : 1).section(QLatin1Char('.'), 0, 0);
        prepareStock(d, report, grouping, QDate(2024, 3, 4), QStringLiteral("1"));
        if (grouping == QLatin1String("datum"))
            expected << "Nap: 2024.03.04" + QString(itemised ? QStringLiteral("   Termény: Búza") : QString());
        else if (grouping == QLatin1String("nev"))
            expected << QString::fromUtf8(itemised ? "Termelő: Kovács István" : "Kovács István");
        else if (grouping == QLatin1String("raktar"))
            expected << QString::fromUtf8(itemised ? "Raktár: Síkraktár 1" : "Síkraktár 1");
        if (itemised && grouping == QLatin1String("termeny"))
            expected << QString::fromUtf8("Termény: Búza");
        expected << "11 520" << QString::fromUtf8("Összesen:") << "12 000"
                 << (itemised ? "41" : QString::fromUtf8("Búza"));
    }
    QVERIFY(report.output(file, o));
    app.verifyScriptsDone();
    QCOMPARE(preview.shown().size(), 1);
    const QStringList texts = preview.last().texts();
    for (const QString& e : expected)
        QVERIFY2(texts.contains(e), qPrintable(e + QStringLiteral(" not in: ") + texts.join(QLatin1String(" | "))));
}

void TestReportOutput::previewWindow()
{
    TestApp app;
    prepareTicket(app, seed(app.db));
    RecordingPreview recorder;
    ReportOutput report(app.ctx, &recorder);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    bool seen = false;
    app.host.expect(QStringLiteral("ReportPreview"), [&](QDialog& w) {
        seen = true;
        auto& pw = static_cast<PreviewWindow&>(w);
        // Most of the screen, at page width.
        const QRect avail = w.screen()->availableGeometry();
        QVERIFY(w.width() >= avail.width() * 3 / 4);
        QVERIFY(w.height() >= avail.height() * 3 / 4);
        QVERIFY(pw.pageWidth());
        const int room = pw.view()->viewport()->width() - 2 * PreviewPages::Margin;
        QVERIFY2(qAbs(pw.pages()->pageRect(0).width() - room) <= 2,
                qPrintable(QStringLiteral("%1 / %2").arg(pw.pages()->pageRect(0).width()).arg(room)));
        QCOMPARE(pw.pages()->pageCount(), 2);
        // The only button closes; the status line names the keys.
        const QList<QPushButton*> buttons = w.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), QStringLiteral("Bezár"));
        const QString status = TestUi::text(w, QStringLiteral("statusLine"));
        QVERIFY2(status.contains(QStringLiteral("Nyomtatás: Ctrl+P"))
                        && status.contains(QStringLiteral("Mentés PDF-be: Ctrl+S")),
                qPrintable(status));
        // The first page is painted with its texts.
        const QImage shot = pw.view()->viewport()->grab().toImage();
        QVERIFY(pw.pages()->lastPainted().contains(0));
        int dark = 0;
        for (int y = 0; y < shot.height(); y += 2)
            for (int x = 0; x < shot.width(); x += 2)
                dark += qGray(shot.pixel(x, y)) < 100;
        QVERIFY(dark > 100);
        pw.setZoomPercent(50);
        QCOMPARE(pw.zoomPercent(), 50);
        QVERIFY(!pw.pageWidth());
        TestUi::child<QPushButton>(w, QStringLiteral("closeButton"))->click();
    });
    QtReportPreview preview(&app.host);
    preview.show(report.lastLayout(), QStringLiteral("vello.pdf"));
    QVERIFY(seen);
    app.verifyScriptsDone();
}

void TestReportOutput::previewPreparesAheadUnseen()
{
    // The preview made with the program prepares the first preview of the
    // run while the program idles: once, with no window left on screen, and
    // the preview shown afterwards is the usual one.
    TestApp app;
    QtReportPreview preview(&app.host);
    QTest::qWait(QtReportPreview::WarmUpDelayMs + 200);
    QtReportPreview::warmUp();
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    ReportLayout layout;
    layout.templateName = QStringLiteral("jegy.frf");
    layout.pages << LayoutPage();
    bool seen = false;
    app.host.expect(QStringLiteral("ReportPreview"), [&](QDialog& w) {
        seen = w.windowTitle().endsWith(QStringLiteral("jegy.frf"));
        w.accept();
    });
    preview.show(layout, QStringLiteral("jegy.pdf"));
    QVERIFY(seen);
    app.verifyScriptsDone();
}

void TestReportOutput::previewPaintsPagesInView()
{
    // A long report: opening and scrolling paint only the pages in view.
    ReportLayout layout;
    layout.templateName = QStringLiteral("hosszu.frf");
    for (int i = 0; i < 3000; ++i) {
        LayoutPage p;
        LayoutItem t;
        t.box = QRectF(20, 20, 100, 10);
        t.text = QStringLiteral("%1. oldal").arg(i + 1);
        p.items << t;
        layout.pages << p;
    }
    PreviewWindow w(layout, QStringLiteral("hosszu.pdf"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.repaint();
    PreviewPages* pages = w.pages();
    QVERIFY(pages->lastPainted().contains(0));
    QVERIFY2(pages->pagesPainted() <= 10, qPrintable(QString::number(pages->pagesPainted())));
    QScrollBar* bar = w.view()->verticalScrollBar();
    bar->setValue(bar->maximum());
    w.view()->viewport()->repaint();
    QVERIFY(pages->lastPainted().contains(2999));
    QVERIFY(!pages->lastPainted().contains(0));
    QVERIFY2(pages->pagesPainted() <= 20, qPrintable(QString::number(pages->pagesPainted())));
    QVERIFY(TestUi::text(w, QStringLiteral("statusLine")).startsWith(QStringLiteral("3000. oldal / 3000")));
}

void TestReportOutput::printPageRange()
{
    // The print dialog's page range: only the chosen sheets are printed.
    TestApp app;
    prepareTicket(app, seed(app.db));
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    QVERIFY(report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
    {
        QPdfWriter writer(pdf);
        QVERIFY(ReportPainter::print(report.lastLayout(), writer, 2, 2));
    }
    const QString text = pdfText(pdf);
    QCOMPARE(text.count(QLatin1Char('\f')), 1);
    QVERIFY(text.contains(QStringLiteral("3. példány")));
    QVERIFY(!text.contains(QStringLiteral("1. példány")));
    QPdfWriter unused(dir.filePath(QStringLiteral("none.pdf")));
    QVERIFY(!ReportPainter::print(report.lastLayout(), unused, 3, 4));   // no such sheet
}

void TestReportOutput::emptyStockSumsPrintZero()
{
    // An empty ticket table (or a day without tickets): the sums over no rows
    // print 0 in every stock list, as the stock window shows them.
    TestApp app;
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    for (const char* f : {"keszlet_termeny.frf", "keszlet_t_termeny.frf", "keszlet_datum.frf", "keszlet_t_datum.frf",
                 "keszlet_nev.frf", "keszlet_t_nev.frf", "keszlet_raktar.frf", "keszlet_t_raktar.frf"}) {
        const QString file = QString::fromLatin1(f);
        const bool itemised = file.startsWith(QLatin1String("keszlet_t_"));
        prepareStock(app.data, report, file.section(QLatin1Char('_'), itemised ? 2 : 1).section(QLatin1Char('.'), 0, 0),
                QDate(2024, 3, 4), QString());
        QVERIFY(app.data.ZQ23.value("sum_meres").isNull());
        QVERIFY2(report.output(file, QPageLayout::Portrait), f);
        const LayoutPage& page = preview.last().pages.first();
        const LayoutItem* label = page.find(QStringLiteral("Összesen:"));
        QVERIFY2(label, f);
        int zeros = 0;
        for (const LayoutItem& i : page.items)
            zeros += i.kind == LayoutItem::Text && qAbs(i.box.top() - label->box.top()) < 0.01
                    && i.text == QLatin1String("0");
        QVERIFY2(zeros == 4, qPrintable(QStringLiteral("%1: %2 zeros").arg(file).arg(zeros)));
    }
    app.verifyScriptsDone();
}

QTEST_MAIN(TestReportOutput)
#include "test_reportoutput.moc"
