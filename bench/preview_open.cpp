// Opening the print preview of the plate list ("Nyomtat" in the plate list
// window) on a 100,000-plate register, beside the same on a 100-plate one,
// both measured in this run: the time from the built layout to the first
// painted view, and the resident memory the open preview adds. The layout
// itself is built before either figure is taken.
//
//   bench_preview [PLATES]      (100000 by default)
//
// Needs the test database server (VELLO_TEST_SOCKET) and the templates as the
// working folder, as scripts/bench provides.
#include "benchclock.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
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

struct Opening {
    double ms = 0;
    double addedMb = 0;
};

// One opening: the window made, shown and painted once.
Opening open(const ReportLayout& layout)
{
    Opening o;
    const double before = residentMb();
    QElapsedTimer t;
    t.start();
    {
        PreviewWindow w(layout, QStringLiteral("rendszam.pdf"));
        w.show();
        QCoreApplication::processEvents();
        w.repaint();
        o.ms = t.nsecsElapsed() / 1e6;
        o.addedMb = residentMb() - before;
    }
    QCoreApplication::processEvents();
    return o;
}

Opening median(const ReportLayout& layout, int runs)
{
    Opening worst;
    const Spread s = measure(runs, [&](int) {
        const Opening o = open(layout);
        worst.addedMb = qMax(worst.addedMb, o.addedMb);
    });
    worst.ms = s.median;
    return worst;
}

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
    RecordingPreview recorder;
    ReportOutput out(ctx, &recorder);

    // The plate list as "Nyomtat" prints it: the whole register on ZQ33.
    auto layoutFor = [&](int rows) {
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
        QElapsedTimer t;
        t.start();
        if (!out.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape))
            qFatal("the plate list was not built: %s",
                    qPrintable(prompt.shown().isEmpty() ? QString() : prompt.shown().last().text));
        QTextStream(stdout) << QStringLiteral("plate list of %1 rows: %2 pages, layout built in %3 ms\n")
                                       .arg(rows)
                                       .arg(out.lastLayout().pages.size())
                                       .arg(t.elapsed());
        return out.lastLayout();
    };

    const ReportLayout smallLayout = layoutFor(small);
    const ReportLayout largeLayout = layoutFor(plates);
    open(smallLayout);   // fonts and the first window of the run
    const Opening base = median(smallLayout, 5);
    const Opening large = median(largeLayout, 5);

    report(QStringLiteral("preview open, %1 plates (%2 pages), median of 5").arg(plates).arg(largeLayout.pages.size()),
            large.ms, QStringLiteral("%1 plates (%2 pages)").arg(small).arg(smallLayout.pages.size()), base.ms);
    QTextStream(stdout) << QStringLiteral(
            "resident memory added by the open preview: %1 MB | baseline %2 plates: %3 MB\n")
                                   .arg(large.addedMb, 0, 'f', 1)
                                   .arg(small)
                                   .arg(base.addedMb, 0, 'f', 1);
    const bool met = large.ms <= 2 * base.ms && large.addedMb <= 100;
    QTextStream(stdout) << "target: time ratio at most 2 and at most 100 MB added: " << (met ? "met" : "NOT met")
                        << "\n";
    return met ? 0 : 1;
}
