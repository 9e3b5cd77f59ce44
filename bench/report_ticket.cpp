// The weighing ticket's preview: what the operator waits for between "Yes"
// to "Mérlegjegy nyomtatása ?" and the preview window. Printed beside the
// time of the ticket's own data query (ZQ13), measured in the same run, and
// with the PDF of the ticket and a 2000-row register list for scale.
//
// Needs the test database server (VELLO_TEST_SOCKET) and the templates as the
// working folder, as scripts/bench provides.
#include "../tests/reports/reportfixture.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()>& f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer c;
        c.start();
        f();
        t.push_back(c.nsecsElapsed() / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void print(const QString& name, double ms, const QString& baseName, double baseMs)
{
    QTextStream(stdout) << QStringLiteral("%1: %2 ms | baseline %3: %4 ms | ratio %5\n")
                               .arg(name)
                               .arg(ms, 0, 'f', 2)
                               .arg(baseName)
                               .arg(baseMs, 0, 'f', 2)
                               .arg(baseMs > 0 ? ms / baseMs : 0.0, 0, 'f', 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication qapp(argc, argv);
    if (!QFile::exists(QStringLiteral("vello.frf")) && !qEnvironmentVariableIsEmpty("VELLO_SOURCE_DIR"))
        QDir::setCurrent(qEnvironmentVariable("VELLO_SOURCE_DIR") + QStringLiteral("/templates"));

    TestApp app;
    const qint64 idm = ReportFixture::seed(app.db);
    RecordingPreview preview;
    ReportOutput report(app.ctx, &preview);
    report.setVariable(QStringLiteral("v_bszam"), QStringLiteral("42"));
    report.setVariable(QStringLiteral("v_m1"), 12000.0);
    report.setVariable(QStringLiteral("v_mozgas"), QStringLiteral("BE"));

    const int runs = 25;
    const double query = medianMs(runs, [&] { ReportFixture::prepareTicket(app, idm); });
    const double ticket = medianMs(runs, [&] {
        preview.clear();
        if (!report.output(QStringLiteral("vello.frf"), QPageLayout::Portrait))
            qFatal("the ticket was not built");
    });
    print(QStringLiteral("ticket preview layout (load + build, 2 pages)"), ticket,
          QStringLiteral("ZQ13 pending weighing query"), query);

    QTemporaryDir dir;
    const ReportLayout layout = report.lastLayout();
    const double pdf = medianMs(5, [&] { ReportPainter::writePdf(layout, dir.filePath(QStringLiteral("t.pdf"))); });
    print(QStringLiteral("ticket PDF (paint 2 pages)"), pdf, QStringLiteral("ticket preview layout"), ticket);

    QStringList values;
    for (int i = 2; i <= 2000; ++i)
        values << QStringLiteral("('%1', 'P-%1', %2, 'Név %1', '06-1', 'Cég', 'Cím', 'Ügyintéző', '1')").arg(i).arg(i * 10);
    app.db.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES ") +
                values.join(QLatin1Char(',')));
    const QString sql = QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam");
    const double listQuery = medianMs(5, [&] { ReportFixture::openQuery(app.data.ZQ33, sql); });
    const double list = medianMs(5, [&] { report.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape); });
    print(QStringLiteral("plate list layout, 2000 rows (%1 pages)").arg(report.lastLayout().pages.size()), list,
          QStringLiteral("ZQ33 print query"), listQuery);
    return 0;
}
