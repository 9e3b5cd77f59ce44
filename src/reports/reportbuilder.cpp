#include "reportbuilder.h"

#include "data/datamodule.h"

#include <QHash>
#include <QSignalBlocker>

namespace {

// The names a template may read although nobody has set them yet: the
// report variables of the documents. They read empty until set.
bool isDocumentedVariable(const QString& n)
{
    static const char* names[] = {"v_bszam", "v_m1", "v_mozgas", "v_Bemeres2", "v_Kimeres2", "v_datum", "v_jel_be1",
            "v_jel_be2", "v_jel_ki1", "v_jel_ki2", "v_alibi_be1", "v_alibi_be2", "v_alibi_ki1", "v_alibi_ki2"};
    for (const char* v : names)
        if (n.compare(QLatin1String(v), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

class Scope : public ReportScope {
public:
    Scope(DataModule* data, const QVariantMap& vars, const QDateTime& now) : m_data(data), m_vars(vars), m_now(now) { }

    int page = 0;
    int totalPages = 0;
    int line = 0;

    Query* dataSet(const QString& name)
    {
        Query* q = m_data ? m_data->find(name) : nullptr;
        if (!q)
            throw ReportError {QStringLiteral("ismeretlen adathalmaz: %1").arg(name.left(60))};
        return q;
    }

    ReportValue field(const QString& set, const QString& column) override
    {
        const QString key = set.trimmed().toLower() + QLatin1Char('\x1f') + column.toLower();
        auto it = m_fields.find(key);
        if (it == m_fields.end()) {
            Query* q = dataSet(set);
            const int idx = q->columnIndex(column);   // opens a table data set on demand
            if (idx < 0 && q->isOpen())
                throw ReportError {
                        QStringLiteral("ismeretlen mező: %1.\"%2\"").arg(set.trimmed().left(60), column.left(60))};
            it = m_fields.insert(key, {q, idx});
        }
        Query* q = it->first;
        if (it->second < 0 || !q->isOpen())
            return ReportValue();   // a closed data set reads empty
        return ReportValue::fromVariant(q->value(it->second));
    }

    ReportValue name(const QString& n) override
    {
        const QString u = n.toUpper();
        if (u == QLatin1String("DATE"))
            return dateValue();
        if (u == QLatin1String("TIME")) {
            ReportValue v;
            v.type = ReportValue::Time;
            v.time = QTime(m_now.time().hour(), m_now.time().minute(), m_now.time().second());
            return v;
        }
        if (u == QLatin1String("PAGE#") || u == QLatin1String("PAGE"))
            return ReportValue::ofNumber(page);
        if (u == QLatin1String("TOTALPAGES#") || u == QLatin1String("TOTALPAGES"))
            return ReportValue::ofNumber(totalPages);
        if (u == QLatin1String("LINE#") || u == QLatin1String("LINE"))
            return ReportValue::ofNumber(line);
        auto it = m_vars.constFind(n);
        if (it != m_vars.constEnd())
            return ReportValue::fromVariant(*it);
        for (auto i = m_vars.constBegin(); i != m_vars.constEnd(); ++i)
            if (i.key().compare(n, Qt::CaseInsensitive) == 0)
                return ReportValue::fromVariant(*i);
        if (isDocumentedVariable(n))
            return ReportValue();
        throw ReportError {QStringLiteral("ismeretlen változó: %1").arg(n.left(60))};
    }

private:
    ReportValue dateValue() const
    {
        ReportValue v;
        v.type = ReportValue::Date;
        v.date = m_now.date();
        return v;
    }

    DataModule* m_data;
    const QVariantMap& m_vars;
    QDateTime m_now;
    QHash<QString, std::pair<Query*, int>> m_fields;
};

// Puts a data set back on the row it stood on. Grids that follow the data
// set hear nothing of the walk through its rows.
class RowGuard {
public:
    explicit RowGuard(Query* q) : m_q(q), m_row(q->currentRow()), m_blocker(q) { }
    ~RowGuard()
    {
        try {
            if (m_row >= 0 && m_q->currentRow() != m_row)
                m_q->moveTo(m_row);
        } catch (...) {
        }
    }

private:
    Query* m_q;
    int m_row;
    QSignalBlocker m_blocker;
};

class Layouter {
public:
    Layouter(Scope& scope, ReportLayout& out) : m_scope(scope), m_out(out) { }

    void page(const ReportPage& p, std::optional<QPageLayout::Orientation> orientation)
    {
        m_page = &p;
        ReportPage oriented = p;
        if (orientation)
            oriented.orientation = *orientation;
        m_size = oriented.orientedSize();
        m_orientation = oriented.orientation;
        m_footer = 0;
        for (const ReportBand& b : p.bands)
            if (b.type == ReportBand::PageFooter)
                m_footer += b.height;
        m_bottom = m_size.height() - p.margins.bottom();
        startPage(true);
        for (const ReportBand& b : p.bands) {
            switch (b.type) {
            case ReportBand::PageHeader:
            case ReportBand::PageFooter:
            case ReportBand::Title:
                break;
            case ReportBand::Summary:
                place(b);
                break;
            case ReportBand::MasterData: {
                Query* q = m_scope.dataSet(b.dataSet);
                RowGuard guard(q);
                const int rows = q->rowCount();
                for (int i = 0; i < rows; ++i) {
                    q->moveTo(i);
                    m_scope.line = i + 1;
                    place(b);
                }
                m_scope.line = 0;
                break;
            }
            }
        }
        finishPage();
    }

private:
    // The title bands stand on the first paper page of a template page,
    // above its page header.
    void startPage(bool first = false)
    {
        if (m_out.pages.size() >= ReportBuilder::MaxPages)
            throw ReportError {QStringLiteral("a nyomtatvány több mint %1 oldalas").arg(ReportBuilder::MaxPages)};
        LayoutPage lp;
        lp.size = m_size;
        lp.orientation = m_orientation;
        m_out.pages.append(lp);
        m_scope.page = m_out.pages.size();
        m_y = m_page->margins.top();
        for (const ReportBand& b : m_page->bands)
            if (first && b.type == ReportBand::Title) {
                emitBand(b, m_y);
                m_y += b.height;
            }
        for (const ReportBand& b : m_page->bands)
            if (b.type == ReportBand::PageHeader) {
                emitBand(b, m_y);
                m_y += b.height;
            }
    }

    void finishPage()
    {
        double y = m_bottom - m_footer;
        for (const ReportBand& b : m_page->bands)
            if (b.type == ReportBand::PageFooter) {
                emitBand(b, y);
                y += b.height;
            }
    }

    void place(const ReportBand& b)
    {
        if (m_y + b.height > m_bottom - m_footer + 0.001) {
            finishPage();
            startPage();
        }
        emitBand(b, m_y);
        m_y += b.height;
    }

    void emitBand(const ReportBand& b, double top)
    {
        LayoutPage& page = m_out.pages.last();
        m_items += b.objects.size();
        if (m_items > ReportBuilder::MaxItems)
            throw ReportError {
                    QStringLiteral("a nyomtatvány túl nagy (több mint %1 elem)").arg(ReportBuilder::MaxItems)};
        const QPointF origin(m_page->margins.left(), top);
        for (const ReportObject& o : b.objects) {
            LayoutItem it;
            it.kind = o.kind == ReportObject::Text ? LayoutItem::Text
                    : o.kind == ReportObject::Line ? LayoutItem::Line
                                                   : LayoutItem::Rect;
            it.box = o.box.translated(origin);
            it.lineWidth = o.lineWidth;
            if (o.kind == ReportObject::Text) {
                it.text = o.text.evaluate(m_scope, o.format);
                it.fontSize = o.fontSize;
                it.bold = o.bold;
                it.italic = o.italic;
                it.underline = o.underline;
                it.wrap = o.wrap;
                it.align = o.align;
                it.frame = o.frame;
            }
            page.items.append(it);
        }
    }

    Scope& m_scope;
    ReportLayout& m_out;
    const ReportPage* m_page = nullptr;
    QSizeF m_size;
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    double m_y = 0;
    double m_bottom = 0;
    double m_footer = 0;
    qint64 m_items = 0;
};

}   // namespace

bool ReportBuilder::uses(const ReportTemplate& t, const QString& name)
{
    for (const ReportPage& p : t.pages)
        for (const ReportBand& b : p.bands)
            for (const ReportObject& o : b.objects)
                if (o.kind == ReportObject::Text && o.text.usesName(name))
                    return true;
    return false;
}

QStringList ReportBuilder::dataSets(const ReportTemplate& t)
{
    QStringList names;
    for (const ReportPage& p : t.pages)
        for (const ReportBand& b : p.bands) {
            if (!b.dataSet.isEmpty() && !names.contains(b.dataSet, Qt::CaseInsensitive))
                names.append(b.dataSet);
            for (const ReportObject& o : b.objects)
                if (o.kind == ReportObject::Text)
                    o.text.collectDataSets(&names);
        }
    return names;
}

ReportBuilder::ReportBuilder(DataModule* data, const QVariantMap& variables) : m_data(data), m_vars(variables)
{
}

ReportLayout ReportBuilder::build(const ReportTemplate& t, const QString& templateName)
{
    const bool twoPasses = uses(t, QStringLiteral("TOTALPAGES#")) || uses(t, QStringLiteral("TOTALPAGES"));
    int total = 0;
    for (int pass = twoPasses ? 0 : 1; pass < 2; ++pass) {
        ReportLayout out;
        out.templateName = templateName;
        out.title = t.title;
        Scope scope(m_data, m_vars, m_now);
        scope.totalPages = total;
        Layouter l(scope, out);
        for (const ReportPage& p : t.pages)
            l.page(p, m_orientation);
        if (pass == 1)
            return out;
        total = out.pages.size();
    }
    return ReportLayout();
}
