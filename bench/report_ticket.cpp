// The weighing ticket's preview: what the operator waits for between "Yes"
// to "Mérlegjegy nyomtatása ?" and the preview window. Printed beside the
// time of the ticket's own data query (ZQ13), measured in the same run, and
// with the PDF of the ticket and a 2000-row register list for scale.
//
// Needs the test database server (VELLO_TEST_SOCKET) and the templates as the
// working folder, as scripts/bench provides.
#include "reportfixture.h"
#include "benchclock.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "reports/reportpreview.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <vector>


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
    ReportOutput out(app.ctx, &preview);
    ReportFixture::setTicketVariables(out);

    const int runs = 25;
    const double query = medianMs(runs, [&] { ReportFixture::prepareTicket(app, idm); });
    const double ticket = medianMs(runs, [&] {
        preview.clear();
        if (!out.output(QStringLiteral("vello.frf"), QPageLayout::Portrait))
            qFatal("the ticket was not built");
    });
    report(QStringLiteral("ticket preview layout (load + build, 2 pages)"), ticket,
          QStringLiteral("ZQ13 pending weighing query"), query);

    // The preview window then paints the pages in view at screen resolution;
    // both of the ticket's pages, painted at 100 %, stand for that here: the
    // whole wait from "Yes" to the visible preview.
    const ReportLayout layout = out.lastLayout();
    const double pxPerMm = 96 / 25.4;
    const double images = medianMs(runs, [&] {
        for (const LayoutPage& p : layout.pages) {
            QImage img(qRound(p.size.width() * pxPerMm), qRound(p.size.height() * pxPerMm), QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter painter(&img);
            ReportPainter::paintPage(painter, p, pxPerMm);
        }
    });
    report(QStringLiteral("ticket preview (layout + 2 page images at 100 %)"), ticket + images,
           QStringLiteral("ZQ13 pending weighing query"), query);

    QTemporaryDir dir;
    const double pdf = medianMs(5, [&] { ReportPainter::writePdf(layout, dir.filePath(QStringLiteral("t.pdf"))); });
    report(QStringLiteral("ticket PDF (paint 2 pages)"), pdf, QStringLiteral("ticket preview layout"), ticket);

    QStringList values;
    for (int i = 2; i <= 2000; ++i)
        values << QStringLiteral("('%1', 'P-%1', %2, 'Név %1', '06-1', 'Cég', 'Cím', 'Ügyintéző', '1')").arg(i).arg(i * 10);
    app.db.exec(QStringLiteral("INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES ") +
                values.join(QLatin1Char(',')));
    const QString sql = QStringLiteral("SELECT * FROM rendszam ORDER BY rRendszam");
    const double listQuery = medianMs(5, [&] { ReportFixture::openQuery(app.data.ZQ33, sql); });
    const double list = medianMs(5, [&] { out.output(QStringLiteral("rendszam.frf"), QPageLayout::Landscape); });
    report(QStringLiteral("plate list layout, 2000 rows (%1 pages)").arg(out.lastLayout().pages.size()), list,
          QStringLiteral("ZQ33 print query"), listQuery);
    return 0;
}
