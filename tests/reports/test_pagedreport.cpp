// A long list laid out page by page: the pages known at once, each laid out
// from the data sets when asked for and the same in any order, the preview
// laying out only what it shows, PDF with every page, template errors still
// reported before the preview opens.
#include "reportfixture.h"
#include "widgets.h"
#include "reports/previewpages.h"
#include "reports/previewwindow.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"

#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReportFixture;

namespace {

// `rows` plates P-00001... in plate order, on ZQ33 as "Nyomtat" opens it.
void platesOnList(TestApp& app, int rows)
{
    app.db.exec(QStringLiteral(
            "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) "
            "SELECT seq, CONCAT('P-', LPAD(seq, 5, '0')), 7000 + seq, CONCAT('Név ', seq), '', '', '', '', '' "
            "FROM seq_1_to_%1")
                        .arg(rows));
    openQuery(app.data.ZQ33, QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam"));
}

// A list with a title, a page header that names the line and the page, the
// rows, a summary and a footer, then a second template page.
const QByteArray Banded = R"(<frf version="1" title="Sávos">
  <page size="A4" margins="10 10 10 10">
    <band type="title" height="12"><text x="0" y="0" w="100" h="6">Cím</text></band>
    <band type="pageheader" height="8">
      <text x="0" y="0" w="100" h="6">fej [PAGE#]/[TOTALPAGES#] sor [LINE#]</text>
    </band>
    <band type="masterdata" dataset="ZQ33" height="7">
      <text x="0" y="0" w="40" h="6">[LINE#]. [ZQ33."rRendszam"]</text>
      <text x="40" y="0" w="40" h="6">[ZQ33."rTara"]</text>
    </band>
    <band type="summary" height="30"><text x="0" y="0" w="100" h="6">Vége [PAGE#]</text></band>
    <band type="pagefooter" height="8"><text x="0" y="0" w="100" h="6">láb [PAGE#] sor [LINE#]</text></band>
  </page>
  <page size="A4" margins="10 10 10 10">
    <band type="summary" height="10"><text x="0" y="0" w="100" h="6">Második [PAGE#]/[TOTALPAGES#]</text></band>
  </page>
</frf>)";

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(120000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The program's preview window through the host, on a machine with or
// without a printer.
class WindowPreview : public ReportPreview {
public:
    explicit WindowPreview(TestApp& app) : m_app(app) { }
    bool hasDefaultPrinter() const override { return true; }
    void show(const PagedReport& report, const QString& pdfName) override
    {
        PreviewWindow window(report, pdfName, &m_app.prompt, &m_app.files);
        m_app.host.showModal(window);
    }

private:
    TestApp& m_app;
};

}   // namespace

class TestPagedReport : public QObject {
    Q_OBJECT
private slots:
    void pagesInAnyOrder_data();
    void pagesInAnyOrder();
    void previewLaysOutPagesInView();
    void laterBandErrorBeforePreview();
};

void TestPagedReport::pagesInAnyOrder_data()
{
    QTest::addColumn<QString>("file");   // empty: the banded list above
    QTest::addColumn<int>("rows");
    QTest::newRow("plate list") << "rendszam.frf" << 130;
    QTest::newRow("banded, many pages") << "" << 95;
    QTest::newRow("banded, one row") << "" << 1;
    QTest::newRow("banded, no rows") << "" << 0;
}

void TestPagedReport::pagesInAnyOrder()
{
    QFETCH(QString, file);
    QFETCH(int, rows);
    TestApp app;
    if (rows > 0)
        platesOnList(app, rows);
    else
        openQuery(app.data.ZQ33, QStringLiteral("SELECT * FROM rendszam WHERE rKod = 'nincs'"));
    QTemporaryDir dir;
    if (file.isEmpty()) {
        QFile f(dir.filePath(QStringLiteral("savos.frf")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Banded);
        f.close();
        file = f.fileName();
    }
    const int stood = rows > 20 ? 17 : app.data.ZQ33.currentRow();
    if (rows > 20)
        app.data.ZQ33.moveTo(stood);   // where the list window stood
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    QVERIFY(report.output(file, QPageLayout::Portrait));
    const ReportLayout& forward = preview.last();   // every page, first to last
    const PagedReport& paged = report.lastReport();
    QCOMPARE(paged.pageCount(), int(forward.pages.size()));
    // Asked for last to first, each page is what it is in page order.
    for (int p = paged.pageCount() - 1; p >= 0; --p) {
        const LayoutPage page = paged.page(p);
        QCOMPARE(page.size, forward.pages[p].size);
        QCOMPARE(page.texts(), forward.pages[p].texts());
    }
    QCOMPARE(app.data.ZQ33.currentRow(), stood);
    // Every row once, in order, whatever page it fell on.
    QStringList plates;
    for (const LayoutPage& page : forward.pages)
        for (const QString& t : page.texts())
            if (t.startsWith(QLatin1String("P-")) || t.contains(QLatin1String(". P-")))
                plates << t.section(QLatin1Char(' '), -1);
    QCOMPARE(plates.size(), rows);
    for (int i = 0; i < rows; ++i)
        QCOMPARE(plates[i], QStringLiteral("P-%1").arg(i + 1, 5, 10, QLatin1Char('0')));
    if (file.endsWith(QLatin1String("savos.frf"))) {
        // A header after a page break names the row the page begins with.
        const int n = paged.pageCount();
        for (int p = 1; p < n - 1; ++p) {
            const QStringList t = forward.pages[p].texts();
            if (t.size() < 2 || !t[1].contains(QLatin1String(". P-")))
                continue;
            const QString line = t[1].section(QLatin1Char('.'), 0, 0);
            QCOMPARE(t.first(), QStringLiteral("fej %1/%2 sor %3").arg(p + 1).arg(n).arg(line));
        }
        QCOMPARE(forward.pages.last().texts(), QStringList {QStringLiteral("Második %1/%1").arg(n)});
        QVERIFY(forward.pages[n - 2].texts().contains(QStringLiteral("Vége %1").arg(n - 1)));
    }
}

void TestPagedReport::previewLaysOutPagesInView()
{
    // "Nyomtat" on a long list: the preview lays out the pages it shows,
    // the PDF holds every page.
    TestApp app;
    const int rows = 3000;
    platesOnList(app, rows);
    WindowPreview preview(app);
    ReportOutput report(app.ctx, &preview);
    int pages = 0;
    app.host.expect(QStringLiteral("ReportPreview"), [&](QDialog& w) {
        auto& pw = static_cast<PreviewWindow&>(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.repaint();
        PreviewPages* canvas = pw.pages();
        pages = canvas->pageCount();
        QVERIFY(pages > 50);
        QVERIFY(canvas->lastPainted().contains(0));
        QVERIFY2(canvas->pagesLaidOut() <= 4, qPrintable(QString::number(canvas->pagesLaidOut())));
        QVERIFY(TestUi::text(w, QStringLiteral("statusLine")).startsWith(QStringLiteral("1. oldal / %1").arg(pages)));
        QScrollBar* bar = pw.view()->verticalScrollBar();
        bar->setValue(bar->maximum());
        pw.view()->viewport()->repaint();
        QVERIFY(canvas->lastPainted().contains(pages - 1));
        QVERIFY2(canvas->pagesLaidOut() <= 8, qPrintable(QString::number(canvas->pagesLaidOut())));
        w.accept();
    });
    QVERIFY(report.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape));
    app.verifyScriptsDone();
    QCOMPARE(report.lastReport().pageCount(), pages);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("lista.pdf"));
    QString error;
    QVERIFY2(ReportPainter::writePdf(report.lastReport(), pdf, &error), qPrintable(error));
    const QString text = pdfText(pdf);
    QCOMPARE(int(text.count(QLatin1Char('\f'))), pages);
    for (int i : {1, 1500, rows})
        QVERIFY2(text.contains(QStringLiteral("P-%1").arg(i, 5, 10, QLatin1Char('0'))), qPrintable(QString::number(i)));
    QVERIFY(text.contains(QStringLiteral("%1. oldal / %1").arg(pages)));
}

void TestPagedReport::laterBandErrorBeforePreview()
{
    // A band placed only after the rows of a long list (its summary) is
    // still evaluated before the preview opens: its error shows instead.
    TestApp app;
    platesOnList(app, 400);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("hibas.frf")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(Banded).replace("Vége [PAGE#]", "Vége [v_nincs]"));
    f.close();
    app.prompt.expectError(f.fileName() + QStringLiteral(": [v_nincs]: ismeretlen változó: v_nincs"));
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    QVERIFY(!report.output(f.fileName(), QPageLayout::Portrait));
    QVERIFY(preview.shown().isEmpty());
    app.verifyScriptsDone();
}

QTEST_MAIN(TestPagedReport)
#include "test_pagedreport.moc"
