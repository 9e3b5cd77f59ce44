#include "reportbuilder.h"

#include "data/datamodule.h"

#include <QHash>
#include <QSignalBlocker>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The names a template may read although nobody has set them yet: the
// report variables of the documents. They read empty until set.
bool isDocumentedVariable(const QString& n)
{
    static const char* names[] = {"v_bszam", "v_m1", "v_mozgas", "v_Bemeres2", "v_Kimeres2", "v_datum", "v_jel_be1",
            "v_jel_be2", "v_jel_ki1", "v_jel_ki2", "v_alibi_be1", "v_alibi_be2", "v_alibi_ki1", "v_alibi_ki2",
            "v_elsz_sor1", "v_elsz_sor2", "v_elsz_netto1", "v_elsz_netto2", "v_elsz_ossz", "v_elszamolt",
            "v_alibi_jegy", "v_alibi_lanc",
            // a voided ticket's copy, and a ticket issued in place of a voided one
            "v_sztorno", "v_sztorno_ok", "v_sztorno_ido", "v_helyette", "v_helyett"};
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
    Query* query() const { return m_q; }
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

// A band placed on a paper page: its top, and the row that the data set of
// a master-data band stands on meanwhile (the band's own row, or the row
// about to be placed when a page break puts a page footer and header there).
// A master-data band's rows that follow each other on a page are one slot:
// `count` rows from `row`, each band below the one before.
struct Slot {
    int band = 0;   // in its template page
    int master = -1;   // the master-data band whose data set stands on `row`; -1: none moved
    int row = -1;
    int count = 1;
    double y = 0;
};

struct PlannedPage {
    int templatePage = 0;
    int firstSlot = 0;
    QSizeF size;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// The pages of a report planned from the band heights and the data sets' row
// counts alone (a band never grows with its data), each laid out from the
// data sets when asked for.
class Plan : public PageSource {
public:
    Plan(DataModule* data, const QVariantMap& vars, const QDateTime& now, const ReportTemplate& t,
            std::optional<QPageLayout::Orientation> orientation)
        : m_template(t), m_vars(vars), m_scope(data, m_vars, now)
    {
        for (int tp = 0; tp < m_template.pages.size(); ++tp)
            planPage(tp, orientation);
        m_scope.totalPages = pageCount();
    }

    int pageCount() const override { return int(m_pages.size()); }
    QSizeF pageSize(int index) const override { return m_pages.at(index).size; }
    QPageLayout::Orientation orientation(int index) const override { return m_pages.at(index).orientation; }

    LayoutPage page(int index) const override
    {
        const PlannedPage& pp = m_pages.at(index);
        LayoutPage out;
        out.size = pp.size;
        out.orientation = pp.orientation;
        const int end = index + 1 < m_pages.size() ? m_pages[index + 1].firstSlot : int(m_slots.size());
        std::vector<std::unique_ptr<RowGuard>> moved;
        for (int s = pp.firstSlot; s < end; ++s)
            emitSlot(index, m_slots[s], m_slots[s].count, moved, out);
        m_scope.line = 0;
        return out;
    }

    // Every band evaluated once, on the first row it is placed on, so that a
    // template error shows before the preview does.
    void check() const
    {
        QList<QList<bool>> seen;
        for (const ReportPage& p : m_template.pages)
            seen.append(QList<bool>(p.bands.size(), false));
        LayoutPage scratch;
        for (int i = 0; i < m_pages.size(); ++i) {
            const int end = i + 1 < m_pages.size() ? m_pages[i + 1].firstSlot : int(m_slots.size());
            std::vector<std::unique_ptr<RowGuard>> moved;
            for (int s = m_pages[i].firstSlot; s < end; ++s) {
                bool& done = seen[m_pages[i].templatePage][m_slots[s].band];
                if (!done)
                    emitSlot(i, m_slots[s], 1, moved, scratch);
                done = true;
                scratch.items.clear();
            }
        }
        m_scope.line = 0;
    }

private:
    void planPage(int tp, std::optional<QPageLayout::Orientation> orientation)
    {
        const ReportPage& p = m_template.pages[tp];
        ReportPage oriented = p;
        if (orientation)
            oriented.orientation = *orientation;
        m_tp = tp;
        m_size = oriented.orientedSize();
        m_orientation = oriented.orientation;
        m_footer = 0;
        for (const ReportBand& b : p.bands)
            if (b.type == ReportBand::PageFooter)
                m_footer += b.height;
        m_bottom = m_size.height() - p.margins.bottom();
        startPage(-1, -1, true);
        for (int b = 0; b < p.bands.size(); ++b) {
            switch (p.bands[b].type) {
            case ReportBand::PageHeader:
            case ReportBand::PageFooter:
            case ReportBand::Title:
                break;
            case ReportBand::Summary:
                place(b, -1, -1);
                break;
            case ReportBand::MasterData: {
                const int rows = m_scope.dataSet(p.bands[b].dataSet)->rowCount();
                for (int i = 0; i < rows; ++i)
                    place(b, b, i);
                break;
            }
            }
        }
        finishPage(-1, -1);
    }

    const ReportPage& templatePage() const { return m_template.pages[m_tp]; }

    void add(int band, int master, int row, double y)
    {
        m_items += templatePage().bands[band].objects.size();
        if (m_items > ReportBuilder::MaxItems)
            throw ReportError {
                    QStringLiteral("a nyomtatvány túl nagy (több mint %1 elem)").arg(ReportBuilder::MaxItems)};
        if (master == band && !m_slots.empty() && int(m_slots.size()) > m_pages.last().firstSlot) {
            Slot& last = m_slots.back();
            if (last.band == band && last.master == band && last.row + last.count == row) {
                ++last.count;
                return;
            }
        }
        m_slots.push_back({band, master, row, 1, y});
    }

    // The title bands stand on the first paper page of a template page,
    // above its page header.
    void startPage(int master, int row, bool first = false)
    {
        if (m_pages.size() >= ReportBuilder::MaxPages)
            throw ReportError {QStringLiteral("a nyomtatvány több mint %1 oldalas").arg(ReportBuilder::MaxPages)};
        m_pages.append({m_tp, int(m_slots.size()), m_size, m_orientation});
        const QList<ReportBand>& bands = templatePage().bands;
        m_y = templatePage().margins.top();
        for (int b = 0; b < bands.size(); ++b)
            if (first && bands[b].type == ReportBand::Title) {
                add(b, master, row, m_y);
                m_y += bands[b].height;
            }
        for (int b = 0; b < bands.size(); ++b)
            if (bands[b].type == ReportBand::PageHeader) {
                add(b, master, row, m_y);
                m_y += bands[b].height;
            }
    }

    void finishPage(int master, int row)
    {
        const QList<ReportBand>& bands = templatePage().bands;
        double y = m_bottom - m_footer;
        for (int b = 0; b < bands.size(); ++b)
            if (bands[b].type == ReportBand::PageFooter) {
                add(b, master, row, y);
                y += bands[b].height;
            }
    }

    void place(int band, int master, int row)
    {
        const double height = templatePage().bands[band].height;
        if (m_y + height > m_bottom - m_footer + 0.001) {
            finishPage(master, row);
            startPage(master, row);
        }
        add(band, master, row, m_y);
        m_y += height;
    }

    // Lays out the first `count` bands of a slot of page `index`.
    void emitSlot(
            int index, const Slot& s, int count, std::vector<std::unique_ptr<RowGuard>>& moved, LayoutPage& out) const
    {
        double y = s.y;
        for (int k = 0; k < count; ++k) {
            emitBand(index, s, s.row + k, y, moved, out);
            y += m_template.pages[m_pages[index].templatePage].bands[s.band].height;
        }
    }

    // One band: the master data set on its row (the others moved back to
    // where they stood), then the band's objects.
    void emitBand(int index, const Slot& s, int row, double y, std::vector<std::unique_ptr<RowGuard>>& moved,
            LayoutPage& out) const
    {
        const ReportPage& p = m_template.pages[m_pages[index].templatePage];
        m_scope.page = index + 1;
        if (s.master >= 0) {
            Query* q = m_scope.dataSet(p.bands[s.master].dataSet);
            if (std::none_of(moved.begin(), moved.end(), [q](const auto& g) { return g->query() == q; }))
                moved.push_back(std::make_unique<RowGuard>(q));
            q->moveTo(row);
            m_scope.line = row + 1;
        } else {
            moved.clear();
            m_scope.line = 0;
        }
        const ReportBand& b = p.bands[s.band];
        const QPointF origin(p.margins.left(), y);
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
            out.items.append(it);
        }
    }

    const ReportTemplate m_template;
    const QVariantMap m_vars;
    mutable Scope m_scope;
    QList<PlannedPage> m_pages;
    std::vector<Slot> m_slots;
    // While planning: the template page, its paper and the height used.
    int m_tp = 0;
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

PagedReport ReportBuilder::plan(const ReportTemplate& t, const QString& templateName, bool checked)
{
    auto p = std::make_shared<Plan>(m_data, m_vars, m_now, t, m_orientation);
    if (checked)
        p->check();
    return PagedReport(templateName, t.title, std::move(p));
}

ReportLayout ReportBuilder::build(const ReportTemplate& t, const QString& templateName)
{
    return plan(t, templateName, false).all();
}
