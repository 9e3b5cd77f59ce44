// Any text as a template text with [expression] fields, evaluated against a
// scope that knows a few fields and variables.
#include "reports/reportexpression.h"

#include <cstddef>
#include <cstdint>

namespace {
class Scope : public ReportScope {
public:
    ReportValue field(const QString& set, const QString& column) override
    {
        if (set == QLatin1String("ZQ13") && column.startsWith(QLatin1Char('m')))
            return ReportValue::ofNumber(20000);
        if (set == QLatin1String("ZTable8"))
            return ReportValue::ofText(QStringLiteral("6400"));
        throw ReportError {QStringLiteral("unknown field")};
    }
    ReportValue name(const QString& n) override
    {
        if (n == QLatin1String("v_m1"))
            return ReportValue::ofNumber(12000);
        if (n == QLatin1String("v_mozgas"))
            return ReportValue::ofText(QStringLiteral("BE"));
        throw ReportError {QStringLiteral("unknown name")};
    }
};
}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Longer texts only repeat what short ones reach and slow every run down.
    if (size > 1024)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    Scope scope;
    for (const char* format : {"", "#,###.##", "#,###"}) {
        try {
            ReportText(text).evaluate(scope, QString::fromLatin1(format));
        } catch (const ReportError&) {
        }
    }
    return 0;
}
