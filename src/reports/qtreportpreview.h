#pragma once
#include "reports/reportpreview.h"

class FileChoice;
class Prompt;
class WindowHost;

// The program's preview: asks the printing system for its default printer
// and shows a PreviewWindow through the window host.
//   QtReportPreview preview(&host, &prompt, &files);
//   ReportOutput report(ctx, &preview);
//   ctx.report = &report;
class QtReportPreview : public ReportPreview {
public:
    explicit QtReportPreview(WindowHost* host, Prompt* prompt = nullptr, FileChoice* files = nullptr)
        : m_host(host), m_prompt(prompt), m_files(files) {}
    bool hasDefaultPrinter() const override;
    void show(const ReportLayout& layout, const QString& pdfName) override;

private:
    WindowHost* m_host;
    Prompt* m_prompt;
    FileChoice* m_files;
};
