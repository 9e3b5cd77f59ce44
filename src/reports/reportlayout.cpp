#include "reportlayout.h"

#include <algorithm>

QStringList LayoutPage::texts() const
{
    QList<const LayoutItem*> sorted;
    for (const LayoutItem& i : items)
        if (i.kind == LayoutItem::Text)
            sorted.append(&i);
    std::stable_sort(sorted.begin(), sorted.end(), [](const LayoutItem* a, const LayoutItem* b) {
        if (qAbs(a->box.top() - b->box.top()) > 0.01)
            return a->box.top() < b->box.top();
        return a->box.left() < b->box.left();
    });
    QStringList out;
    for (const LayoutItem* i : sorted)
        out.append(i->text);
    return out;
}

const LayoutItem* LayoutPage::find(const QString& text, bool contains) const
{
    for (const LayoutItem& i : items)
        if (i.kind == LayoutItem::Text && (contains ? i.text.contains(text) : i.text == text))
            return &i;
    return nullptr;
}

QStringList ReportLayout::texts() const
{
    QStringList out;
    for (const LayoutPage& p : pages)
        out += p.texts();
    return out;
}
