#include "qtreportpreview.h"

#include "reports/previewwindow.h"
#include "ui/windowhost.h"

#include <QPrinterInfo>

bool QtReportPreview::hasDefaultPrinter() const
{
    // The name alone: asking for the printer itself would also load its
    // driver description, which the orientation step does not need.
    return !QPrinterInfo::defaultPrinterName().isEmpty();
}

void QtReportPreview::show(const ReportLayout& layout, const QString& pdfName)
{
    PreviewWindow window(layout, pdfName, m_prompt, m_files);
    if (m_host)
        m_host->showModal(window);
    else
        window.exec();
}
