#pragma once
#include "reports/reportlayout.h"

#include <QPageLayout>
#include <QSizeF>
#include <QString>
#include <memory>

// Where the pages of a built report come from: laid out already, or laid out
// one at a time when asked for. The number of pages and their paper are
// known without laying any of them out.
class PageSource {
public:
    virtual ~PageSource() = default;
    virtual int pageCount() const = 0;
    virtual QSizeF pageSize(int index) const = 0;
    virtual QPageLayout::Orientation orientation(int index) const = 0;
    // Throws ReportError for an expression that cannot be evaluated and
    // DbError for a failing data set.
    virtual LayoutPage page(int index) const = 0;
};

// A built report as the preview, the printer and the PDF writer take it: a
// cheap handle (copies share the pages). Made from a ReportLayout it holds
// those pages; made by ReportBuilder::plan() it lays out each page from the
// data sets when asked for, so a list of a hundred thousand rows shows its
// first page without laying out the others. Such a report reads the data
// sets as they stand when a page is asked for: it is used while they stay
// as they were built from (the modal preview, printing, saving).
class PagedReport {
public:
    PagedReport();
    PagedReport(const ReportLayout& layout);   // NOLINT: a laid-out report is a paged one
    PagedReport(const QString& templateName, const QString& title, std::shared_ptr<const PageSource> source);

    const QString& templateName() const { return m_templateName; }
    const QString& title() const { return m_title; }

    int pageCount() const { return m_source->pageCount(); }
    QSizeF pageSize(int index) const { return m_source->pageSize(index); }
    QPageLayout::Orientation orientation(int index) const { return m_source->orientation(index); }
    // Page `index` (0-based), laid out now where it was not yet; throws as
    // PageSource::page() does.
    LayoutPage page(int index) const { return m_source->page(index); }

    // Every page laid out (tests, tools, the recording preview).
    ReportLayout all() const;

private:
    QString m_templateName;
    QString m_title;
    std::shared_ptr<const PageSource> m_source;
};
