#pragma once
#include "reports/reportvalue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// What an expression reads while it is evaluated: data-set fields by
// component name and names (report variables, DATE, TIME, PAGE#, ...).
// Both throw ReportError for what they do not know.
class ReportScope {
public:
    virtual ~ReportScope() = default;
    virtual ReportValue field(const QString& dataSet, const QString& column) = 0;
    virtual ReportValue name(const QString& name) = 0;
};

// A parsed expression of a template field, [ZQ13."mBemeres1" + ZQ13."mBemeres2"]:
//   expr    := term { ("+" | "-") term }
//   term    := unary { ("*" | "/") unary }
//   unary   := ("-" | "+") unary | primary
//   primary := number | 'text' | "(" expr ")" | NAME | NAME "." ( "column" | column )
//            | ("ABS" | "ROUND") "(" expr ")"
// Numbers are written with a decimal point or comma (12.5, 12,5 is not
// allowed inside an expression: 12.5 only). "+" joins texts when either side
// is a text that is not a number.
class ReportExpression {
public:
    static constexpr int MaxLength = 2000;
    static constexpr int MaxDepth = 48;

    // nullptr and *error set when the text is not an expression.
    static std::shared_ptr<const ReportExpression> parse(const QString& source, QString* error);

    ReportValue evaluate(ReportScope& scope) const;   // throws ReportError
    const QString& source() const { return m_source; }
    // True when the expression names TOTALPAGES# (the builder then lays out twice).
    bool usesName(const QString& name) const;
    // Adds the data set names that the expression's fields address.
    void collectDataSets(QStringList* names) const;

    struct Node;
    ~ReportExpression();

private:
    ReportExpression() = default;
    QString m_source;
    std::unique_ptr<Node> m_root;
};

// A text with embedded [expression] fields, split once when the template is read.
class ReportText {
public:
    // An unclosed "[" or a field that does not parse leaves an error that
    // evaluate() reports; the template itself still reads.
    explicit ReportText(const QString& source = QString());
    QString evaluate(ReportScope& scope, const QString& format) const;   // throws ReportError
    bool usesName(const QString& name) const;
    void collectDataSets(QStringList* names) const;
    bool isConstant() const
    {
        return m_error.isEmpty() && m_parts.size() <= 1 && (m_parts.isEmpty() || !m_parts[0].expr);
    }
    const QString& source() const { return m_source; }

private:
    struct Part {
        QString literal;
        std::shared_ptr<const ReportExpression> expr;
    };
    QString m_source;
    QList<Part> m_parts;
    QString m_error;
};
