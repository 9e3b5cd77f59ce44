#include "reportvalue.h"

#include "data/textconv.h"

#include <cmath>

ReportValue ReportValue::ofNumber(double v)
{
    ReportValue r;
    r.type = Number;
    r.number = v;
    return r;
}

ReportValue ReportValue::ofText(const QString& s)
{
    ReportValue r;
    r.type = Text;
    r.text = s;
    return r;
}

ReportValue ReportValue::fromVariant(const QVariant& v)
{
    ReportValue r;
    if (!v.isValid() || v.isNull())
        return r;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Bool:
        return ofNumber(v.toDouble());
    case QMetaType::QDate:
        r.type = Date;
        r.date = v.toDate();
        return r;
    case QMetaType::QTime:
        r.type = Time;
        r.time = v.toTime();
        return r;
    default:
        return ofText(TextConv::toText(v));
    }
}

bool ReportValue::toNumber(double* out) const
{
    switch (type) {
    case Null:
        *out = 0;
        return true;
    case Number:
        *out = number;
        return true;
    case Text: {
        if (text.trimmed().isEmpty()) {
            *out = 0;
            return true;
        }
        const auto n = TextConv::toNumber(text);
        if (!n)
            return false;
        *out = *n;
        return true;
    }
    default:
        return false;
    }
}

QString ReportValue::toText(const QString& format) const
{
    switch (type) {
    case Null:
        return QString();
    case Number:
        return ReportFormat::number(number, format);
    case Text:
        return text;
    case Date:
        return TextConv::date(date);
    case Time:
        return TextConv::time(time);
    }
    return QString();
}

namespace ReportFormat {

bool isKnown(const QString& format)
{
    return format.isEmpty() || format == QLatin1String("#,###.##") || format == QLatin1String("#,###")
            || format == QLatin1String("0") || format == QLatin1String("0.00");
}

QString number(double v, const QString& format)
{
    if (std::isnan(v) || std::isinf(v))
        v = 0;
    if (format == QLatin1String("#,###.##"))
        return TextConv::grouped(v);
    if (format == QLatin1String("#,###"))
        return TextConv::groupedKg(v);
    if (format == QLatin1String("0")) {
        const double r = std::round(v);
        return QString::number(r == 0 ? 0.0 : r, 'f', 0);
    }
    if (format == QLatin1String("0.00")) {
        QString s = QString::number(v, 'f', 2);
        s.replace(QLatin1Char('.'), QLatin1Char(','));
        return s;
    }
    return TextConv::number(v);
}

}   // namespace ReportFormat
