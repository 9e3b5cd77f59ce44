#include "pagedreport.h"

namespace {

class LaidOut : public PageSource {
public:
    explicit LaidOut(const QList<LayoutPage>& pages) : m_pages(pages) { }
    int pageCount() const override { return int(m_pages.size()); }
    QSizeF pageSize(int index) const override { return m_pages.at(index).size; }
    QPageLayout::Orientation orientation(int index) const override { return m_pages.at(index).orientation; }
    LayoutPage page(int index) const override { return m_pages.at(index); }

private:
    QList<LayoutPage> m_pages;
};

}   // namespace

PagedReport::PagedReport() : m_source(std::make_shared<LaidOut>(QList<LayoutPage>()))
{
}

PagedReport::PagedReport(const ReportLayout& layout)
    : m_templateName(layout.templateName), m_title(layout.title), m_source(std::make_shared<LaidOut>(layout.pages))
{
}

PagedReport::PagedReport(const QString& templateName, const QString& title, std::shared_ptr<const PageSource> source)
    : m_templateName(templateName), m_title(title), m_source(std::move(source))
{
}

ReportLayout PagedReport::all() const
{
    ReportLayout out;
    out.templateName = m_templateName;
    out.title = m_title;
    const int n = pageCount();
    out.pages.reserve(n);
    for (int i = 0; i < n; ++i)
        out.pages.append(page(i));
    return out;
}
