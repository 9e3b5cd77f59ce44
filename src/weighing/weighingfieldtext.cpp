#include "weighingfieldtext.h"

#include "data/query.h"
#include "data/textconv.h"
#include "weighing/weighingstore.h"

#include <utility>

namespace WeighingFieldText {

QString chopTrailing(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

QString code(const QString& s)
{
    return Query::notNull(s.trimmed());
}

bool hasWeight(const QString& text)
{
    const auto v = TextConv::toNumber(text);
    return v && *v != 0;
}

bool picked(const QString& code)
{
    return !code.trimmed().isEmpty();
}

namespace {

    bool sameNumber(const QString& a, const QString& b)
    {
        const auto x = TextConv::toNumber(a);
        const auto y = TextConv::toNumber(b);
        return x && y ? *x == *y : a.trimmed() == b.trimmed();
    }

    void fillOne(QString& field, QString& standard, const QString& next, bool typed)
    {
        const bool takes = field.trimmed().isEmpty() || !typed || (!standard.isEmpty() && sameNumber(field, standard));
        if (takes && !next.isEmpty())
            field = next;
        standard = next;
    }

}   // namespace

void fillStandards(WeighingFields& f, const QString& standardPurity, const QString& standardMoisture, bool purityTyped,
        bool moistureTyped)
{
    fillOne(f.purity, f.standardPurity, standardPurity, purityTyped);
    fillOne(f.moisture, f.standardMoisture, standardMoisture, moistureTyped);
}

std::optional<Numbers> readNumbers(const WeighingFields& f, bool withPercentages)
{
    Numbers n;
    const std::pair<const QString*, double*> all[] = {{&f.weight1, &n.weight1}, {&f.scale1, &n.scale1},
            {&f.weight2, &n.weight2}, {&f.scale2, &n.scale2}, {&f.purity, &n.purity}, {&f.moisture, &n.moisture}};
    int i = 0;
    for (const auto& [text, value] : all) {
        if (i++ >= 4 && !withPercentages)
            break;
        const auto v = TextConv::toNumber(*text);
        if (!v)
            return std::nullopt;
        *value = *v;
    }
    return n;
}

}   // namespace WeighingFieldText
