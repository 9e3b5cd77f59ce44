// Any bytes as a template file: the reader accepts or refuses them, and what
// it accepts is laid out (without data sets, so fields fail cleanly). Never a
// crash, a hang or an unbounded allocation.
#include "reports/reportbuilder.h"
#include "reports/templatereader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TemplateReader reader;
    const auto t = reader.read(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    if (!t)
        return 0;
    QVariantMap vars {{QStringLiteral("v_m1"), 12000.0}, {QStringLiteral("v_bszam"), QStringLiteral("42")}};
    ReportBuilder builder(nullptr, vars);
    try {
        builder.build(*t, QStringLiteral("fuzz.frf"));
    } catch (const ReportError&) {
    }
    return 0;
}
