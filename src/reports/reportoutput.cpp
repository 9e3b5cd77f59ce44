#include "reportoutput.h"

#include "app/appcontext.h"
#include "app/unhandled.h"

#include <QHash>

// Placeholder until the report engine lands: variables are kept, output
// reports that the template cannot be opened.
namespace {
QHash<const ReportOutput*, QVariantMap>& vars()
{
    static QHash<const ReportOutput*, QVariantMap> v;
    return v;
}
} // namespace

ReportOutput::ReportOutput(AppContext& ctx) : m_ctx(ctx) {}
ReportOutput::~ReportOutput() { vars().remove(this); }

void ReportOutput::setVariable(const QString& name, const QVariant& value) { vars()[this][name] = value; }
QVariant ReportOutput::variable(const QString& name) const { return vars().value(this).value(name); }

bool ReportOutput::output(const QString& templateFile, QPageLayout::Orientation)
{
    Unhandled::report(m_ctx, QStringLiteral("Cannot open file %1").arg(templateFile));
    return false;
}
