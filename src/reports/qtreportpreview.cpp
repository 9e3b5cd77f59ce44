#include "qtreportpreview.h"

#include "reports/previewwindow.h"
#include "ui/windowhost.h"

#include <QPrinterInfo>

bool QtReportPreview::hasDefaultPrinter() const
{
    return !QPrinterInfo::defaultPrinter().isNull();
}

void QtReportPreview::show(const ReportLayout& layout, const QString& pdfName)
{
    PreviewWindow window(layout, pdfName, m_prompt, m_files);
    if (m_host)
        m_host->showModal(window);
    else
        window.exec();
}
