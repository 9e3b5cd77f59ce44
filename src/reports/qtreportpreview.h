#pragma once
#include "reports/reportpreview.h"

class WindowHost;

// The program's preview: asks the printing system for its default printer
// and shows a PreviewWindow through the window host.
//   QtReportPreview preview(&host);
//   ReportOutput report(ctx, &preview);
//   ctx.report = &report;
class QtReportPreview : public ReportPreview {
public:
    explicit QtReportPreview(WindowHost* host) : m_host(host) {}
    bool hasDefaultPrinter() const override;
    void show(const ReportLayout& layout, const QString& pdfName) override;

private:
    WindowHost* m_host;
};
