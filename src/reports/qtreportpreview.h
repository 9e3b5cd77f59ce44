#pragma once
#include "reports/reportpreview.h"

class FileChoice;
class Prompt;
class WindowHost;

// The program's preview: asks the printing system for its default printer
// and shows a PreviewWindow through the window host. Made with the program,
// it prepares the first preview of the run ahead, while the program idles.
//   QtReportPreview preview(&host, &prompt, &files);
//   ReportOutput report(ctx, &preview);
//   ctx.report = &report;
class QtReportPreview : public ReportPreview {
public:
    explicit QtReportPreview(WindowHost* host, Prompt* prompt = nullptr, FileChoice* files = nullptr);
    bool hasDefaultPrinter() const override;
    void show(const PagedReport& report, const QString& pdfName) override;

    // Loads the printing support, the preview's style and the page fonts
    // once per run; the constructor has it done WarmUpDelayMs after the
    // event loop starts.
    static void warmUp();
    static constexpr int WarmUpDelayMs = 1500;

private:
    WindowHost* m_host;
    Prompt* m_prompt;
    FileChoice* m_files;
};
