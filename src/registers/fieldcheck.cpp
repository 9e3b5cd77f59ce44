#include "fieldcheck.h"

#include "data/textconv.h"

#include <QStringView>
#include <algorithm>

namespace FieldCheck {

namespace {

    // The characters of cp1250 above ASCII, in the order of their code bytes
    // 0x80..0xFF; 0 where the code page has no character.
    const char16_t kHigh[128] = {
            0x20AC,
            0,
            0x201A,
            0,
            0x201E,
            0x2026,
            0x2020,
            0x2021,
            0,
            0x2030,
            0x0160,
            0x2039,
            0x015A,
            0x0164,
            0x017D,
            0x0179,
            0,
            0x2018,
            0x2019,
            0x201C,
            0x201D,
            0x2022,
            0x2013,
            0x2014,
            0,
            0x2122,
            0x0161,
            0x203A,
            0x015B,
            0x0165,
            0x017E,
            0x017A,
            0x00A0,
            0x02C7,
            0x02D8,
            0x0141,
            0x00A4,
            0x0104,
            0x00A6,
            0x00A7,
            0x00A8,
            0x00A9,
            0x015E,
            0x00AB,
            0x00AC,
            0x00AD,
            0x00AE,
            0x017B,
            0x00B0,
            0x00B1,
            0x02DB,
            0x0142,
            0x00B4,
            0x00B5,
            0x00B6,
            0x00B7,
            0x00B8,
            0x0105,
            0x015F,
            0x00BB,
            0x013D,
            0x02DD,
            0x013E,
            0x017C,
            0x0154,
            0x00C1,
            0x00C2,
            0x0102,
            0x00C4,
            0x0139,
            0x0106,
            0x00C7,
            0x010C,
            0x00C9,
            0x0118,
            0x00CB,
            0x011A,
            0x00CD,
            0x00CE,
            0x010E,
            0x0110,
            0x0143,
            0x0147,
            0x00D3,
            0x00D4,
            0x0150,
            0x00D6,
            0x00D7,
            0x0158,
            0x016E,
            0x00DA,
            0x0170,
            0x00DC,
            0x00DD,
            0x0162,
            0x00DF,
            0x0155,
            0x00E1,
            0x00E2,
            0x0103,
            0x00E4,
            0x013A,
            0x0107,
            0x00E7,
            0x010D,
            0x00E9,
            0x0119,
            0x00EB,
            0x011B,
            0x00ED,
            0x00EE,
            0x010F,
            0x0111,
            0x0144,
            0x0148,
            0x00F3,
            0x00F4,
            0x0151,
            0x00F6,
            0x00F7,
            0x0159,
            0x016F,
            0x00FA,
            0x0171,
            0x00FC,
            0x00FD,
            0x0163,
            0x02D9,
    };

    QString label(const Column& c)
    {
        QString l = c.label.trimmed();
        while (l.endsWith(QLatin1Char(':')))
            l.chop(1);
        return l.trimmed();
    }

}   // namespace

bool inCp1250(char32_t c)
{
    if (c < 0x80)
        return true;
    if (c > 0xFFFF)
        return false;
    return std::find(std::begin(kHigh), std::end(kHigh), char16_t(c)) != std::end(kHigh);
}

QString firstUnstorable(const QString& text)
{
    const QStringView v(text);
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar ch = v.at(i);
        if (ch.isHighSurrogate() && i + 1 < v.size() && v.at(i + 1).isLowSurrogate())
            return v.mid(i, 2).toString();
        if (!inCp1250(ch.unicode()))
            return QString(ch);
    }
    return QString();
}

std::optional<QString> check(const Column& column, const QString& text)
{
    if (column.number) {
        if (text.trimmed().isEmpty() || TextConv::toNumber(text))
            return std::nullopt;
        return QStringLiteral("A(z) %1 csak szám lehet, tizedesvesszővel (például 12,5): \"%2\".")
                .arg(label(column), text);
    }
    const QString bad = firstUnstorable(text);
    if (!bad.isEmpty())
        return QStringLiteral("A(z) %1 olyan karaktert tartalmaz, amelyet az adatbázis nem tud tárolni: \"%2\".")
                .arg(label(column), bad);
    if (column.width > 0 && text.size() > column.width)
        return QStringLiteral("A(z) %1 legfeljebb %2 karakter lehet.").arg(label(column)).arg(column.width);
    return std::nullopt;
}

}   // namespace FieldCheck
