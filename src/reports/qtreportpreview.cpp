#include "qtreportpreview.h"

#include "reports/previewwindow.h"
#include "ui/windowhost.h"

#include <QApplication>
#include <QPixmap>
#include <QPrinterInfo>
#include <QTimer>

namespace {

// A page with the texts a ticket has: plain and bold, the usual sizes,
// digits and the accented letters.
ReportLayout warmUpLayout()
{
    LayoutPage page;
    double y = 10;
    for (double size : {8.0, 10.0, 12.0, 14.0}) {
        for (bool bold : {false, true}) {
            LayoutItem item;
            item.box = QRectF(10, y, 180, 8);
            item.text = QStringLiteral("Mérlegjegy 0123456789 kg ÁÉÍÓÖŐÚÜŰ áéíóöőúüű");
            item.fontSize = size;
            item.bold = bold;
            page.items.append(item);
            y += 10;
        }
    }
    LayoutItem line;
    line.kind = LayoutItem::Line;
    line.box = QRectF(10, y, 180, 0);
    page.items.append(line);
    ReportLayout layout;
    layout.pages.append(page);
    return layout;
}

}   // namespace

QtReportPreview::QtReportPreview(WindowHost* host, Prompt* prompt, FileChoice* files)
    : m_host(host), m_prompt(prompt), m_files(files)
{
    // The first question to the printing system loads its support, and the
    // first preview of a run loads the window's style and the page fonts:
    // together some tens of milliseconds. Done once while the program idles
    // after starting, so that the first ticket does not wait for them. Every
    // output still asks for the default printer itself.
    if (QCoreApplication::instance())
        QTimer::singleShot(WarmUpDelayMs, QCoreApplication::instance(), [] { warmUp(); });
}

void QtReportPreview::warmUp()
{
    // Windows need the widget application (a tool may run without one).
    static bool done = false;
    if (done || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    done = true;
    (void)QPrinterInfo::defaultPrinterName();
    const ReportLayout layout = warmUpLayout();
    PreviewWindow window(layout, QString());
    (void)window.grab();   // laid out and painted off screen, never shown
}

bool QtReportPreview::hasDefaultPrinter() const
{
    // The name alone: asking for the printer itself would also load its
    // driver description, which the orientation step does not need.
    return !QPrinterInfo::defaultPrinterName().isEmpty();
}

void QtReportPreview::show(const PagedReport& report, const QString& pdfName)
{
    openWindow<PreviewWindow>(
            m_host, [](PreviewWindow&) {}, report, pdfName, m_prompt, m_files);
}
