#include "reportexpression.h"

#include <cmath>

struct ReportExpression::Node {
    enum Kind { Num, Str, Field, Name, Neg, Add, Sub, Mul, Div, Abs, Round } kind = Num;
    double number = 0;
    QString a, b;   // text / data set + column / name
    std::unique_ptr<Node> left, right;
};

ReportExpression::~ReportExpression() = default;

namespace {

using Node = ReportExpression::Node;

class Parser {
public:
    explicit Parser(const QString& s) : m_s(s) { }

    std::unique_ptr<Node> parseAll()
    {
        auto n = expr(0);
        skipBlanks();
        if (!n)
            return nullptr;
        if (m_i < m_s.size())
            return fail(QStringLiteral("váratlan jel: %1").arg(m_s.mid(m_i, 10)));
        return n;
    }
    QString error;

private:
    std::unique_ptr<Node> fail(const QString& text)
    {
        if (error.isEmpty())
            error = text;
        return nullptr;
    }
    void skipBlanks()
    {
        while (m_i < m_s.size() && m_s[m_i].isSpace())
            ++m_i;
    }
    bool take(QChar c)
    {
        skipBlanks();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    static std::unique_ptr<Node> binary(Node::Kind k, std::unique_ptr<Node> l, std::unique_ptr<Node> r)
    {
        auto n = std::make_unique<Node>();
        n->kind = k;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }

    std::unique_ptr<Node> expr(int depth)
    {
        if (depth > ReportExpression::MaxDepth)
            return fail(QStringLiteral("túl mélyen egymásba ágyazott kifejezés"));
        auto l = term(depth + 1);
        while (l) {
            if (take(QLatin1Char('+')))
                l = combine(Node::Add, std::move(l), term(depth + 1));
            else if (take(QLatin1Char('-')))
                l = combine(Node::Sub, std::move(l), term(depth + 1));
            else
                break;
        }
        return l;
    }
    std::unique_ptr<Node> term(int depth)
    {
        auto l = unary(depth + 1);
        while (l) {
            if (take(QLatin1Char('*')))
                l = combine(Node::Mul, std::move(l), unary(depth + 1));
            else if (take(QLatin1Char('/')))
                l = combine(Node::Div, std::move(l), unary(depth + 1));
            else
                break;
        }
        return l;
    }
    std::unique_ptr<Node> combine(Node::Kind k, std::unique_ptr<Node> l, std::unique_ptr<Node> r)
    {
        if (!r)
            return nullptr;
        return binary(k, std::move(l), std::move(r));
    }
    std::unique_ptr<Node> unary(int depth)
    {
        if (depth > ReportExpression::MaxDepth)
            return fail(QStringLiteral("túl mélyen egymásba ágyazott kifejezés"));
        if (take(QLatin1Char('-'))) {
            auto inner = unary(depth + 1);
            if (!inner)
                return nullptr;
            auto n = std::make_unique<Node>();
            n->kind = Node::Neg;
            n->left = std::move(inner);
            return n;
        }
        if (take(QLatin1Char('+')))
            return unary(depth + 1);
        return primary(depth + 1);
    }
    bool quoted(QChar q, QString* out)
    {
        // m_s[m_i] is the opening quote; a doubled quote stands for one.
        ++m_i;
        while (m_i < m_s.size()) {
            if (m_s[m_i] == q) {
                if (m_i + 1 < m_s.size() && m_s[m_i + 1] == q) {
                    out->append(q);
                    m_i += 2;
                    continue;
                }
                ++m_i;
                return true;
            }
            out->append(m_s[m_i++]);
        }
        return false;
    }
    static bool nameChar(QChar c, bool first)
    {
        return c.isLetter() || c == QLatin1Char('_') || (!first && (c.isDigit() || c == QLatin1Char('#')));
    }
    std::unique_ptr<Node> primary(int depth)
    {
        skipBlanks();
        if (m_i >= m_s.size())
            return fail(QStringLiteral("hiányzó érték a kifejezés végén"));
        const QChar c = m_s[m_i];
        if (c == QLatin1Char('(')) {
            ++m_i;
            auto n = expr(depth + 1);
            if (!n)
                return nullptr;
            if (!take(QLatin1Char(')')))
                return fail(QStringLiteral("hiányzó záró zárójel"));
            return n;
        }
        if (c == QLatin1Char('\'')) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Str;
            if (!quoted(c, &n->a))
                return fail(QStringLiteral("lezáratlan szöveg"));
            return n;
        }
        if (c.isDigit() || c == QLatin1Char('.')) {
            const int start = m_i;
            while (m_i < m_s.size() && (m_s[m_i].isDigit() || m_s[m_i] == QLatin1Char('.')))
                ++m_i;
            bool ok = false;
            const double v = m_s.mid(start, m_i - start).toDouble(&ok);
            if (!ok || !std::isfinite(v))
                return fail(QStringLiteral("hibás szám: %1").arg(m_s.mid(start, m_i - start)));
            auto n = std::make_unique<Node>();
            n->kind = Node::Num;
            n->number = v;
            return n;
        }
        if (nameChar(c, true)) {
            const int start = m_i;
            while (m_i < m_s.size() && nameChar(m_s[m_i], false))
                ++m_i;
            auto n = std::make_unique<Node>();
            n->a = m_s.mid(start, m_i - start);
            n->kind = Node::Name;
            skipBlanks();
            if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('(')) {
                const QString f = n->a.toUpper();
                if (f == QLatin1String("ABS"))
                    n->kind = Node::Abs;
                else if (f == QLatin1String("ROUND"))
                    n->kind = Node::Round;
                else
                    return fail(QStringLiteral("ismeretlen függvény: %1").arg(n->a.left(40)));
                ++m_i;
                n->left = expr(depth + 1);
                if (!n->left)
                    return nullptr;
                if (!take(QLatin1Char(')')))
                    return fail(QStringLiteral("hiányzó záró zárójel"));
                return n;
            }
            if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('.')) {
                ++m_i;
                skipBlanks();
                n->kind = Node::Field;
                if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('"')) {
                    if (!quoted(QLatin1Char('"'), &n->b))
                        return fail(QStringLiteral("lezáratlan mezőnév"));
                } else {
                    const int cs = m_i;
                    while (m_i < m_s.size() && nameChar(m_s[m_i], m_i == cs))
                        ++m_i;
                    n->b = m_s.mid(cs, m_i - cs);
                }
                if (n->b.isEmpty())
                    return fail(QStringLiteral("hiányzó mezőnév: %1.").arg(n->a));
            }
            return n;
        }
        return fail(QStringLiteral("váratlan jel: %1").arg(m_s.mid(m_i, 10)));
    }

    const QString& m_s;
    int m_i = 0;
};

double numberOf(const ReportValue& v, const char* op)
{
    double d = 0;
    if (!v.toNumber(&d))
        throw ReportError {QStringLiteral("nem szám a(z) %1 művelethez: \"%2\"").arg(QLatin1String(op), v.toText())};
    return d;
}

ReportValue eval(const Node& n, ReportScope& scope)
{
    switch (n.kind) {
    case Node::Num:
        return ReportValue::ofNumber(n.number);
    case Node::Str:
        return ReportValue::ofText(n.a);
    case Node::Field:
        return scope.field(n.a, n.b);
    case Node::Name:
        return scope.name(n.a);
    case Node::Neg:
        return ReportValue::ofNumber(-numberOf(eval(*n.left, scope), "-"));
    case Node::Abs:
        return ReportValue::ofNumber(std::fabs(numberOf(eval(*n.left, scope), "ABS")));
    case Node::Round:
        return ReportValue::ofNumber(std::round(numberOf(eval(*n.left, scope), "ROUND")));
    case Node::Add: {
        const ReportValue l = eval(*n.left, scope);
        const ReportValue r = eval(*n.right, scope);
        double a = 0, b = 0;
        const bool textual = (l.type != ReportValue::Number && l.type != ReportValue::Null
                                     && !(l.type == ReportValue::Text && l.toNumber(&a)))
                || (r.type != ReportValue::Number && r.type != ReportValue::Null
                        && !(r.type == ReportValue::Text && r.toNumber(&b)));
        if (textual || (l.type == ReportValue::Text && r.type == ReportValue::Text))
            return ReportValue::ofText(l.toText() + r.toText());
        return ReportValue::ofNumber(numberOf(l, "+") + numberOf(r, "+"));
    }
    case Node::Sub:
        return ReportValue::ofNumber(numberOf(eval(*n.left, scope), "-") - numberOf(eval(*n.right, scope), "-"));
    case Node::Mul:
        return ReportValue::ofNumber(numberOf(eval(*n.left, scope), "*") * numberOf(eval(*n.right, scope), "*"));
    case Node::Div: {
        const double a = numberOf(eval(*n.left, scope), "/");
        const double b = numberOf(eval(*n.right, scope), "/");
        if (b == 0)
            throw ReportError {QStringLiteral("osztás nullával")};
        return ReportValue::ofNumber(a / b);
    }
    }
    return ReportValue();
}

bool uses(const Node* n, const QString& name)
{
    if (!n)
        return false;
    if (n->kind == Node::Name && n->a.compare(name, Qt::CaseInsensitive) == 0)
        return true;
    return uses(n->left.get(), name) || uses(n->right.get(), name);
}

void collect(const Node* n, QStringList* names)
{
    if (!n)
        return;
    if (n->kind == Node::Field && !names->contains(n->a, Qt::CaseInsensitive))
        names->append(n->a);
    collect(n->left.get(), names);
    collect(n->right.get(), names);
}

}   // namespace

std::shared_ptr<const ReportExpression> ReportExpression::parse(const QString& source, QString* error)
{
    if (source.size() > MaxLength) {
        *error = QStringLiteral("túl hosszú kifejezés (%1 jel)").arg(source.size());
        return nullptr;
    }
    Parser p(source);
    auto root = p.parseAll();
    if (!root) {
        *error = p.error.isEmpty() ? QStringLiteral("hibás kifejezés") : p.error;
        return nullptr;
    }
    std::shared_ptr<ReportExpression> e(new ReportExpression);
    e->m_source = source;
    e->m_root = std::move(root);
    return e;
}

ReportValue ReportExpression::evaluate(ReportScope& scope) const
{
    return eval(*m_root, scope);
}

bool ReportExpression::usesName(const QString& name) const
{
    return uses(m_root.get(), name);
}

void ReportExpression::collectDataSets(QStringList* names) const
{
    collect(m_root.get(), names);
}

ReportText::ReportText(const QString& source) : m_source(source)
{
    int i = 0;
    QString literal;
    while (i < source.size()) {
        const QChar c = source[i];
        if (c != QLatin1Char('[')) {
            literal.append(c);
            ++i;
            continue;
        }
        // Find the closing bracket outside quotes.
        int j = i + 1;
        QChar quote;
        while (j < source.size()) {
            const QChar d = source[j];
            if (!quote.isNull()) {
                if (d == quote)
                    quote = QChar();
            } else if (d == QLatin1Char('"') || d == QLatin1Char('\'')) {
                quote = d;
            } else if (d == QLatin1Char(']')) {
                break;
            }
            ++j;
        }
        if (j >= source.size()) {
            m_error = QStringLiteral("lezáratlan [ mező: %1").arg(source.mid(i, 40));
            return;
        }
        const QString inner = source.mid(i + 1, j - i - 1);
        QString err;
        auto expr = ReportExpression::parse(inner, &err);
        if (!expr) {
            m_error = QStringLiteral("[%1]: %2").arg(inner.left(80), err);
            return;
        }
        if (!literal.isEmpty())
            m_parts.append({literal, nullptr});
        literal.clear();
        m_parts.append({QString(), expr});
        i = j + 1;
    }
    if (!literal.isEmpty())
        m_parts.append({literal, nullptr});
}

QString ReportText::evaluate(ReportScope& scope, const QString& format) const
{
    if (!m_error.isEmpty())
        throw ReportError {m_error};
    QString out;
    for (const Part& p : m_parts) {
        if (!p.expr) {
            out += p.literal;
            continue;
        }
        try {
            out += p.expr->evaluate(scope).toText(format);
        } catch (const ReportError& e) {
            throw ReportError {QStringLiteral("[%1]: %2").arg(p.expr->source().left(80), e.text)};
        }
    }
    return out;
}

bool ReportText::usesName(const QString& name) const
{
    for (const Part& p : m_parts)
        if (p.expr && p.expr->usesName(name))
            return true;
    return false;
}

void ReportText::collectDataSets(QStringList* names) const
{
    for (const Part& p : m_parts)
        if (p.expr)
            p.expr->collectDataSets(names);
}
