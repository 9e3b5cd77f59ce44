// Any text typed into a number, date or time field: the conversions accept
// or refuse it, never crash, and what they accept survives the way back.
#include "data/textconv.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 256)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));

    if (const auto n = TextConv::toNumber(text)) {
        if (!std::isfinite(*n))
            std::abort();   // an accepted number is a finite number
        // The text form keeps 15 significant digits and turns to an exponent
        // outside 1e-4 .. 1e15 (far beyond any weight or percentage): within
        // that, it reads back as the same number.
        int digits = 0;
        for (const QChar c : text)
            digits += c.isDigit() ? 1 : 0;
        const double a = std::fabs(*n);
        if (digits <= 15 && (a == 0 || (a >= 1e-4 && a < 1e15))) {
            const QString back = TextConv::number(*n);
            const auto again = TextConv::toNumber(back);
            if (!again || *again != *n)
                std::abort();
        }
        TextConv::grouped(*n);
        TextConv::groupedKg(*n);
    }
    if (const auto i = TextConv::toInteger(text)) {
        if (*i < 0)
            std::abort();
    }
    if (const auto d = TextConv::toDate(text)) {
        if (!d->isValid() || TextConv::toDate(TextConv::date(*d)) != d)
            std::abort();
    }
    if (const auto t = TextConv::toTime(text)) {
        if (!t->isValid() || TextConv::toTime(TextConv::time(*t)) != t)
            std::abort();
    }
    return 0;
}
