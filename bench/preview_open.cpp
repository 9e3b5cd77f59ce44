// "Nyomtat" in the plate list window on a 100,000-plate register, beside the
// same on a 100-plate one, both measured in this run: the time from the
// print call (the report built, the preview made) to its first page painted
// on screen, and the resident memory added meanwhile. The list's SELECT runs
// before, as the window has run it already.
//
//   bench_preview [PLATES]      (100000 by default)
//
// Needs the test database server (VELLO_TEST_SOCKET) and the templates as the
// working folder, as scripts/bench provides.
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "reports/previewpages.h"
#include "reports/previewwindow.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "testdb.h"
#include "ui/scriptedprompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

// The program's preview window, closed as soon as its first page is painted;
// notes when that was, the memory then, and the pages it holds.
class FirstPagePreview : public ReportPreview {
public:
    QElapsedTimer clock;
    double shownMs = -1;
    double residentAtShown = 0;
    int pages = 0;
    qint64 laidOut = 0;

    bool hasDefaultPrinter() const override { return true; }
    void show(const PagedReport& report, const QString& pdfName) override
    {
        PreviewWindow w(report, pdfName);
        w.show();
        QElapsedTimer guard;
        guard.start();
        while (w.pages()->pagesPainted() == 0 && guard.elapsed() < 10000)
            QCoreApplication::processEvents();
        if (w.pages()->pagesPainted() == 0)
            qFatal("the preview painted no page");
        shownMs = clock.nsecsElapsed() / 1e6;
        residentAtShown = residentMb();
        pages = w.pages()->pageCount();
        laidOut = w.pages()->pagesLaidOut();
    }
};

struct Opening {
    double ms = 0;
    double addedMb = 0;
};

}   // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (!QFile::exists(QStringLiteral("rendszam.frf")) && !qEnvironmentVariableIsEmpty("VELLO_SOURCE_DIR"))
        QDir::setCurrent(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/templates"));
    const int plates = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int small = 100;

    TestDb db;
    DataModule data(db.settings());
    data.open();
    ScriptedPrompt prompt;
    prompt.setLenient(true);
    AppContext ctx(data, prompt);
    FirstPagePreview preview;
    ReportOutput out(ctx, &preview);

    // The plate list as "Nyomtat" prints it: the whole register on ZQ33.
    auto fill = [&](int rows) {
        db.exec(QStringLiteral("DELETE FROM rendszam"));
        db.exec(QStringLiteral(
                "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) "
                "SELECT seq, CONCAT(CHAR(65 + seq MOD 26), CHAR(65 + (seq DIV 26) MOD 26), CHAR(65 + (seq DIV 676) MOD 26), "
                "'-', LPAD(seq MOD 1000, 3, '0')), 7000 + seq MOD 9000, CONCAT('Fuvarozó ', seq), "
                "CONCAT('+36 30 ', LPAD(seq, 7, '0')), CONCAT('Szállító Kft. ', seq MOD 500), "
                "CONCAT('Fő utca ', seq MOD 200), 'Kovács János', seq MOD 300 "
                "FROM seq_0_to_%1")
                        .arg(rows - 1));
        data.ZQ33.openSql(QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam"));
    };
    // One "Nyomtat": from the print call to the first page on screen.
    auto print = [&]() {
        Opening o;
        QCoreApplication::processEvents();
        const double before = residentMb();
        preview.clock.start();
        preview.shownMs = -1;
        if (!out.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape) || preview.shownMs < 0)
            qFatal("the plate list was not shown: %s",
                    qPrintable(prompt.shown().isEmpty() ? QString() : prompt.shown().last().text));
        o.ms = preview.shownMs;
        o.addedMb = preview.residentAtShown - before;
        return o;
    };
    auto median = [&](int runs) {
        Opening worst;
        const Spread s = measure(runs, [&](int) { worst.addedMb = qMax(worst.addedMb, print().addedMb); });
        worst.ms = s.median;
        return worst;
    };

    fill(small);
    print();   // fonts and the first window of the run
    const Opening base = median(3);
    const int smallPages = preview.pages;
    fill(plates);
    const Opening large = median(3);
    const int largePages = preview.pages;
    QTextStream(stdout) << QStringLiteral("pages laid out for the first view of %1 pages: %2\n")
                                   .arg(largePages)
                                   .arg(preview.laidOut);

    report(QStringLiteral("\"Nyomtat\" to the first page on screen, %1 plates (%2 pages), median of 3")
                    .arg(plates)
                    .arg(largePages),
            large.ms, QStringLiteral("%1 plates (%2 pages)").arg(small).arg(smallPages), base.ms);
    QTextStream(stdout) << QStringLiteral(
            "resident memory added by the print until its first page: %1 MB | baseline %2 plates: %3 MB\n")
                                   .arg(large.addedMb, 0, 'f', 1)
                                   .arg(small)
                                   .arg(base.addedMb, 0, 'f', 1);
    const bool met = large.ms <= 3 * base.ms && large.addedMb <= 100;
    QTextStream(stdout) << "target: time ratio at most 3 and at most 100 MB added: " << (met ? "met" : "NOT met")
                        << "\n";
    return met ? 0 : 1;
}
