#pragma once
#include "reports/pagedreport.h"
#include "reports/reportlayout.h"

#include <QList>
#include <QString>

// Where ReportOutput hands a built report: the modal preview of the program
// (PreviewWindow through QtReportPreview) or, in tests and tools, a recorder.
class ReportPreview {
public:
    virtual ~ReportPreview() = default;
    // Whether the system has a default printer (the orientation step needs one).
    virtual bool hasDefaultPrinter() const = 0;
    // Shows the report modally; returns when the preview has closed.
    // pdfName is the file name proposed when the report is saved as PDF.
    virtual void show(const PagedReport& report, const QString& pdfName) = 0;
};

// A preview that keeps what it was given, every page laid out, instead of
// showing it (tests, headless runs). Its printer answer is set by the owner.
class RecordingPreview : public ReportPreview {
public:
    explicit RecordingPreview(bool defaultPrinter = true) : m_printer(defaultPrinter) { }
    void setDefaultPrinter(bool on) { m_printer = on; }
    bool hasDefaultPrinter() const override { return m_printer; }
    void show(const PagedReport& report, const QString& pdfName) override
    {
        m_shown.append(report.all());
        m_pdfNames.append(pdfName);
    }

    const QList<ReportLayout>& shown() const { return m_shown; }
    const QStringList& pdfNames() const { return m_pdfNames; }
    const ReportLayout& last() const { return m_shown.last(); }
    void clear()
    {
        m_shown.clear();
        m_pdfNames.clear();
    }

private:
    bool m_printer;
    QList<ReportLayout> m_shown;
    QStringList m_pdfNames;
};
