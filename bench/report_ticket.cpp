// The weighing ticket's preview: what the operator waits for between "Yes"
// to "Mérlegjegy nyomtatása ?" and the first page of the preview on screen,
// from the print call (ReportOutput::output: default-printer check, template,
// layout, preview window, first page painted, offscreen platform). Taken
// warm (median of a run of tickets) and for the first ticket of a run (a
// fresh process each time, median of a few), each printed beside the time of
// the ticket's own data query (ZQ13) measured in the same run. The layout
// alone, the ticket's PDF and a 2000-row register list are printed for scale.
//
//   bench_report [--first | --first-idle]   (one first ticket, for the parent run)
//
// Needs the test database server (VELLO_TEST_SOCKET) and the templates as the
// working folder, as scripts/bench provides. A machine without a default
// printer still pays for the real question; the preview then opens as if the
// answer had been yes, so that the rest of the way is measured too.
#include "reportfixture.h"
#include "benchclock.h"
#include "reports/previewpages.h"
#include "reports/previewwindow.h"
#include "reports/qtreportpreview.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"
#include "ui/windowhost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

// The offscreen platform says so for every window shown; it tells nothing.
QtMessageHandler previousHandler = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        QTextStream(stderr) << qFormatLogMessage(type, context, message) << "\n";
}

// Shows the preview as the program's host does, but closes it as soon as its
// first page has been painted, and notes when that was.
class FirstPageHost : public WindowHost {
public:
    QElapsedTimer clock;
    double shownMs = -1;
    bool painted = false;

    int showModal(QDialog& window) override
    {
        auto* preview = qobject_cast<PreviewWindow*>(&window);
        if (!preview)
            qFatal("not a preview window: %s", qPrintable(window.objectName()));
        const qint64 before = preview->pages()->pagesPainted();
        window.show();
        QElapsedTimer guard;
        guard.start();
        while (preview->pages()->pagesPainted() == before && guard.elapsed() < 10000)
            QCoreApplication::processEvents();
        painted = preview->pages()->pagesPainted() > before;
        shownMs = clock.nsecsElapsed() / 1e6;
        window.hide();
        return QDialog::Accepted;
    }
};

// The program's preview; where the machine has no default printer, the real
// question is still asked (and paid for), and the preview opens regardless.
class BenchPreview : public QtReportPreview {
public:
    using QtReportPreview::QtReportPreview;
    mutable int asked = 0;
    mutable bool printer = false;
    bool hasDefaultPrinter() const override
    {
        ++asked;
        printer = QtReportPreview::hasDefaultPrinter();
        return true;
    }
};

// One ticket from the print call to its first page on screen, in ms.
double ticketToScreen(ReportOutput& out, FirstPageHost& host)
{
    host.shownMs = -1;
    host.painted = false;
    host.clock.start();
    if (!out.output(QStringLiteral("vello.frf"), QPageLayout::Portrait) || !host.painted)
        qFatal("the ticket preview was not shown");
    const double ms = host.shownMs;
    QCoreApplication::processEvents();   // the closed window goes
    return ms;
}

struct Setup {
    TestApp app;
    qint64 idm = ReportFixture::seed(app.db);
};

// idle: the program has been idle a while after starting, as it is before
// its first ticket (a vehicle weighed in and out); the preview made with the
// program prepares itself then.
int firstOnly(bool idle)
{
    Setup s;
    FirstPageHost host;
    BenchPreview preview(&host);
    if (idle) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < QtReportPreview::WarmUpDelayMs + 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ReportFixture::prepareTicket(s.app, s.idm);
    ReportOutput out(s.app.ctx, &preview);
    ReportFixture::setTicketVariables(out);
    const double first = ticketToScreen(out, host);
    QTextStream(stdout) << "first " << first << "\n";
    return 0;
}

// The first ticket of a run, each in a process of its own.
Spread firstOfRun(const QString& self, int runs, bool idle)
{
    int failed = 0;
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(self, {idle ? QStringLiteral("--first-idle") : QStringLiteral("--first")});
        p.waitForFinished(120000);
        const QString line = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
        if (p.exitCode() != 0 || !line.startsWith(QLatin1String("first "))) {
            ++failed;
            continue;
        }
        t.push_back(line.mid(6).toDouble());
    }
    if (t.empty())
        qFatal("no first ticket was measured (%d failed)", failed);
    std::sort(t.begin(), t.end());
    return {t.front(), t[t.size() / 2], t.back()};
}

}   // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietOffscreen);
    QApplication qapp(argc, argv);
    if (!QFile::exists(QStringLiteral("vello.frf")) && !qEnvironmentVariableIsEmpty("VELLO_SOURCE_DIR"))
        QDir::setCurrent(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/templates"));
    if (qapp.arguments().contains(QStringLiteral("--first")))
        return firstOnly(false);
    if (qapp.arguments().contains(QStringLiteral("--first-idle")))
        return firstOnly(true);

    const int firstRuns = 5;
    const Spread first = firstOfRun(QCoreApplication::applicationFilePath(), firstRuns, true);
    const Spread cold = firstOfRun(QCoreApplication::applicationFilePath(), firstRuns, false);

    Setup s;
    TestApp& app = s.app;
    const int runs = 25;
    const double query = medianMs(runs, [&] { ReportFixture::prepareTicket(app, s.idm); });

    FirstPageHost host;
    BenchPreview shown(&host);
    ReportOutput out(app.ctx, &shown);
    ReportFixture::setTicketVariables(out);
    QtReportPreview::warmUp();   // done long before in the program
    ticketToScreen(out, host);   // the first of this run, taken apart above
    const int askedBefore = shown.asked;
    const Spread warm = measure(runs, [&](int) { ticketToScreen(out, host); });
    const double asksPerTicket = double(shown.asked - askedBefore) / runs;

    const double printerCheck = medianMs(runs, [&] { (void)shown.QtReportPreview::hasDefaultPrinter(); });

    RecordingPreview recorder;
    ReportOutput layoutOnly(app.ctx, &recorder);
    ReportFixture::setTicketVariables(layoutOnly);
    const double ticket = medianMs(runs, [&] {
        recorder.clear();
        if (!layoutOnly.output(QStringLiteral("vello.frf"), QPageLayout::Portrait))
            qFatal("the ticket was not built");
    });

    QTextStream(stdout) << "default printer: " << (shown.printer ? "present" : "none (the preview opened regardless)")
                        << "; asked " << asksPerTicket << " time(s) per ticket\n";
    report(QStringLiteral("ticket to first page on screen, warm, median of %1 (max %2 ms)")
                    .arg(runs)
                    .arg(warm.max, 0, 'f', 2),
            warm.median, QStringLiteral("ZQ13 pending weighing query"), query);
    report(QStringLiteral("first ticket of a run to first page on screen, program idle %1 s after start, median of %2 "
                          "processes (min %3, max %4 ms)")
                    .arg((QtReportPreview::WarmUpDelayMs + 500) / 1000.0)
                    .arg(firstRuns)
                    .arg(first.min, 0, 'f', 2)
                    .arg(first.max, 0, 'f', 2),
            first.median, QStringLiteral("ZQ13 pending weighing query"), query);
    report(QStringLiteral(
                   "first ticket of a run, printed at once after start, median of %1 processes (min %2, max %3 ms)")
                    .arg(firstRuns)
                    .arg(cold.min, 0, 'f', 2)
                    .arg(cold.max, 0, 'f', 2),
            cold.median, QStringLiteral("ZQ13 pending weighing query"), query);
    report(QStringLiteral("  of which: default-printer check"), printerCheck,
            QStringLiteral("ZQ13 pending weighing query"), query);
    report(QStringLiteral("  of which: ticket layout (load + build, 2 pages)"), ticket,
            QStringLiteral("ZQ13 pending weighing query"), query);

    QTemporaryDir dir;
    const ReportLayout layout = layoutOnly.lastLayout();
    const double pdf = medianMs(5, [&] { ReportPainter::writePdf(layout, dir.filePath(QStringLiteral("t.pdf"))); });
    report(QStringLiteral("ticket PDF (paint 2 pages)"), pdf, QStringLiteral("ticket preview layout"), ticket);

    QStringList values;
    for (int i = 2; i <= 2000; ++i)
        values << QStringLiteral("('%1', 'P-%1', %2, 'Név %1', '06-1', 'Cég', 'Cím', 'Ügyintéző', '1')")
                          .arg(i)
                          .arg(i * 10);
    app.db.exec(
            QStringLiteral(
                    "INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES ")
            + values.join(QLatin1Char(',')));
    const QString sql = QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam");
    const double listQuery = medianMs(5, [&] { ReportFixture::openQuery(app.data.ZQ33, sql); });
    const double list = medianMs(5, [&] { layoutOnly.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape); });
    report(QStringLiteral("plate list layout, 2000 rows (%1 pages)").arg(layoutOnly.lastLayout().pages.size()), list,
            QStringLiteral("ZQ33 print query"), listQuery);

    const bool met = warm.median <= 30 && first.median <= 60;
    QTextStream(stdout) << "target: warm within 30 ms, first of a run within 60 ms: " << (met ? "met" : "NOT met")
                        << "\n";
    return 0;
}
