#include "indicatorreading.h"

#include "data/textconv.h"

#include <QRegularExpression>
#include <QStringList>

IndicatorReading IndicatorReading::parse(const QString& piece)
{
    IndicatorReading r;
    // The last line that holds anything.
    const QStringList lines = piece.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    QString line;
    for (auto it = lines.crbegin(); it != lines.crend() && line.isEmpty(); ++it)
        line = it->trimmed();
    if (line.isEmpty())
        return r;
    // An indicator sends printable text (framed by STX and ETX at most):
    // anything else in the line is noise on the wire or a wrong line
    // setting, and no weight.
    line.remove(QChar(0x02)).remove(QChar(0x03));
    for (const QChar c : line)
        if ((c < QLatin1Char(' ') && c != QLatin1Char('\t')) || c > QChar(0x7e))
            return r;
    line = line.trimmed();
    const QString head = line.left(2).toUpper();
    if (head == QLatin1String("OL")) {
        r.state = Overload;
        return r;
    }
    static const QRegularExpression number(QStringLiteral("([+-]?)\\s*(\\d+)"));
    const QRegularExpressionMatch m = number.match(line);
    if (!m.hasMatch())
        return r;   // no weight in it (noise)
    r.negative = m.captured(1) == QLatin1String("-");
    r.kg = m.captured(2).toDouble();
    r.state = head == QLatin1String("ST") ? Stable : head == QLatin1String("US") ? Motion : Unknown;
    return r;
}

QString IndicatorReading::text() const
{
    switch (state) {
    case NoData:
        return QStringLiteral("nincs adat");
    case Overload:
        return QStringLiteral("túlterhelés");
    default:
        break;
    }
    QString t
            = (negative && kg > 0 ? QStringLiteral("-") : QString()) + TextConv::groupedKg(kg) + QStringLiteral(" kg");
    if (state == Stable)
        t += QStringLiteral("  stabil");
    else if (state == Motion)
        t += QStringLiteral("  mozgásban");
    return t;
}
