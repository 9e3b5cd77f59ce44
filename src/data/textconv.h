#pragma once
#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>
#include <optional>

// Every conversion between numbers, dates and their text in the run: the
// decimal separator is the comma, the date separator the full stop.
namespace TextConv {

// Shortest general form with a decimal comma: 12340 -> "12340", 1234.5 -> "1234,5".
QString number(double v);
// Text to number: digits with an optional sign and one decimal comma. A full
// stop is not a decimal separator, so "12.5" is not a number. Blanks around
// the text are ignored; an empty text is not a number.
std::optional<double> toNumber(const QString& text);
// "#,###.##": digit grouping, at most two decimals, decimal comma ("12 000", "1 234,5").
QString grouped(double v);
// Whole kilograms with digit grouping ("12 000").
QString groupedKg(double v);
// Integer text ("42", "0041") to a number; digits only.
std::optional<qint64> toInteger(const QString& text);

QString date(const QDate& d);   // yyyy.MM.dd
QString time(const QTime& t);   // hh:mm:ss
std::optional<QDate> toDate(const QString& text);
std::optional<QTime> toTime(const QString& text);

// Any value read from the database in the run's text form; no value -> "".
QString toText(const QVariant& v);

// The digit group separator of the grouped formats.
inline QChar groupSeparator()
{
    return QLatin1Char(' ');
}

}   // namespace TextConv
