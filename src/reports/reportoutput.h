#pragma once
#include <QPageLayout>
#include <QString>
#include <QVariant>

struct AppContext;

// The main report frNyomtat: every printed document goes through it. The
// caller prepares its queries, sets the document's variables and calls
// output(), which loads the template by bare file name from the working
// folder, sets the orientation, builds the report and shows it in the modal
// preview; it returns when the preview has closed.
class ReportOutput {
public:
    explicit ReportOutput(AppContext& ctx);
    virtual ~ReportOutput();

    // Report variables ([v_bszam] in a template); they stay for the run.
    void setVariable(const QString& name, const QVariant& value);
    QVariant variable(const QString& name) const;

    // Load, orientation, build, modal preview. Failures are reported (the
    // default error handler's text, or "Unsupported FRF format" and expression
    // errors under the caption "Error") and no preview opens. True when the
    // preview was shown.
    bool output(const QString& templateFile, QPageLayout::Orientation orientation);

protected:
    AppContext& m_ctx;
};
