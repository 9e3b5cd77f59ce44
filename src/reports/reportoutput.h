#pragma once
#include "reports/pagedreport.h"
#include "reports/reportlayout.h"
#include "reports/reporttemplate.h"

#include <QPageLayout>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

struct AppContext;
class ReportPreview;

// The main report frNyomtat: every printed document goes through it. The
// caller prepares its queries, then
//   setVariable(...)          the document's report variables (kept for the run)
//   setOrientation(o)         needs a default printer
//   loadFromFile("x.frf")     bare file name, from the working folder
//   showReport()              builds the report and shows the modal preview
// (the first three in any order, showReport last), or does the last three at
// once with output(). Failures are reported where they happen: "Cannot open
// file x.frf" and "There is no default printer currently selected" (with a
// Hungarian line on how to add a printer) through the default error handler,
// "Unsupported FRF format" and expression errors under the caption "Error";
// showReport() then shows nothing and returns false.
class ReportOutput {
public:
    explicit ReportOutput(AppContext& ctx, ReportPreview* preview = nullptr);
    virtual ~ReportOutput();

    ReportPreview* preview() const { return m_preview; }

    // Report variables ([v_bszam] in a template); they stay for the run.
    void setVariable(const QString& name, const QVariant& value);
    QVariant variable(const QString& name) const;
    const QVariantMap& variables() const { return m_vars; }

    bool setOrientation(QPageLayout::Orientation orientation);
    bool loadFromFile(const QString& templateFile);
    bool showReport();

    // Orientation, load, build, modal preview. True when the preview was shown.
    bool output(const QString& templateFile, QPageLayout::Orientation orientation);

    // The report built by the last showReport() (empty when it failed), as
    // the preview got it: its pages are laid out when asked for.
    const PagedReport& lastReport() const { return m_report; }
    // The same with every page laid out (read while the data sets still
    // stand as they were printed from).
    const ReportLayout& lastLayout() const;

protected:
    AppContext& m_ctx;

private:
    ReportPreview* m_preview;
    QVariantMap m_vars;
    std::optional<ReportTemplate> m_template;
    QString m_templateName;
    std::optional<QPageLayout::Orientation> m_orientation;
    // The last setOrientation() failed: the next showReport() shows nothing.
    // A later successful setOrientation() clears it, so that a caller that
    // stopped after the failure does not silence the next document.
    bool m_orientationFailed = false;
    PagedReport m_report;
    mutable std::optional<ReportLayout> m_last;
};

// Reads a template file by name. On failure returns nullopt and sets *error
// to the text the program shows ("Cannot open file x.frf" or "Unsupported
// FRF format") and *openFailed to whether the file could not be read at all;
// *detail says what is wrong inside the file.
std::optional<ReportTemplate> readTemplateFile(
        const QString& fileName, QString* error, bool* openFailed, QString* detail = nullptr);
