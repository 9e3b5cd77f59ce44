#include "textconv.h"

#include <QRegularExpression>
#include <cmath>

namespace TextConv {

QString number(double v)
{
    if (std::isnan(v) || std::isinf(v))
        return QStringLiteral("0");
    if (v == 0)
        return QStringLiteral("0");
    QString s = QString::number(v, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

std::optional<double> toNumber(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^[+-]?([0-9]+(,[0-9]*)?|,[0-9]+)$"));
    const QString t = text.trimmed();
    if (!re.match(t).hasMatch())
        return std::nullopt;
    QString c = t;
    c.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || std::isinf(v))
        return std::nullopt;
    return v;
}

std::optional<qint64> toInteger(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9]{1,18}$"));
    const QString t = text.trimmed();
    if (!re.match(t).hasMatch())
        return std::nullopt;
    return t.toLongLong();
}

static QString groupDigits(const QString& digits)
{
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += groupSeparator();
        out += digits[i];
    }
    return out;
}

QString grouped(double v)
{
    if (std::isnan(v) || std::isinf(v))
        v = 0;
    const bool neg = v < 0;
    // at most two decimals, trailing zeros dropped
    QString s = QString::number(std::fabs(v), 'f', 2);
    QString intPart = s.section(QLatin1Char('.'), 0, 0);
    QString frac = s.section(QLatin1Char('.'), 1, 1);
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    QString out = groupDigits(intPart);
    if (!frac.isEmpty())
        out += QLatin1Char(',') + frac;
    if (neg && out != QLatin1String("0"))
        out.prepend(QLatin1Char('-'));
    return out;
}

QString groupedKg(double v)
{
    if (std::isnan(v) || std::isinf(v))
        v = 0;
    const double r = std::round(v);
    const bool neg = r < 0;
    QString out = groupDigits(QString::number(std::fabs(r), 'f', 0));
    if (neg && out != QLatin1String("0"))
        out.prepend(QLatin1Char('-'));
    return out;
}

QString date(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("yyyy.MM.dd")) : QString();
}
QString time(const QTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("hh:mm:ss")) : QString();
}

std::optional<QDate> toDate(const QString& text)
{
    const QString t = text.trimmed();
    for (const char* f : {"yyyy.MM.dd", "yyyy.M.d", "yyyy.MM.dd."}) {
        const QDate d = QDate::fromString(t, QString::fromLatin1(f));
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

std::optional<QTime> toTime(const QString& text)
{
    const QString t = text.trimmed();
    for (const char* f : {"hh:mm:ss", "h:mm:ss", "hh:mm", "h:mm"}) {
        const QTime v = QTime::fromString(t, QString::fromLatin1(f));
        if (v.isValid())
            return v;
    }
    return std::nullopt;
}

QString toText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return number(v.toDouble());
    case QMetaType::QDate:
        return date(v.toDate());
    case QMetaType::QTime:
        return time(v.toTime());
    case QMetaType::QDateTime:
        return date(v.toDateTime().date()) + QLatin1Char(' ') + time(v.toDateTime().time());
    default:
        return v.toString();
    }
}

}   // namespace TextConv
