#pragma once
#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>

// One value inside the report engine: what a data-set field, a report
// variable, a literal or an operation yields.
struct ReportValue {
    enum Type { Null, Number, Text, Date, Time };
    Type type = Null;
    double number = 0;
    QString text;
    QDate date;
    QTime time;

    static ReportValue ofNumber(double v);
    static ReportValue ofText(const QString& s);
    static ReportValue fromVariant(const QVariant& v);

    bool isNumeric() const { return type == Number || type == Null; }
    // The value as a number: no value reads 0, a text must read as a number
    // (decimal comma, see TextConv::toNumber). False when it does not.
    bool toNumber(double* out) const;
    // The printed form. Numbers follow the display format (see
    // ReportFormat), dates and times the run's forms.
    QString toText(const QString& format = QString()) const;
};

// The display formats a text object may name in its format attribute.
namespace ReportFormat {
// "" (shortest form, decimal comma), "#,###.##" (grouped, at most two
// decimals), "#,###" (whole units, grouped), "0" (rounded, no grouping),
// "0.00" (two decimals, decimal comma).
bool isKnown(const QString& format);
QString number(double v, const QString& format);
}

// A failure while a report is built (an expression that cannot be
// evaluated). Its text is shown under the caption "Error".
struct ReportError {
    QString text;
};
