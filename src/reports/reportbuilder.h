#pragma once
#include "reports/pagedreport.h"
#include "reports/reportlayout.h"
#include "reports/reporttemplate.h"

#include <QDateTime>
#include <QVariantMap>
#include <optional>

class DataModule;

// Fills a template with the data module's data sets and the report
// variables and lays it out into pages:
// - each template page starts a new paper page; its bands are placed from
//   top to bottom in file order, the page header at the top and the page
//   footer at the bottom of every paper page;
// - a masterdata band is placed once per row of its data set, from the first
//   row; when a band does not fit, a new paper page begins. The data set's
//   current row is put back afterwards;
// - fields read the current row of the data set they name.
// A band is as tall as its template says, whatever its data: the paper pages
// follow from the band heights and the data sets' row counts alone, so
// plan() knows them at once and lays out each page when it is asked for.
// Throws ReportError for an expression that cannot be evaluated and DbError
// for a failing data set.
class ReportBuilder {
public:
    // Limits of one built report, so that a damaged template over a large
    // data set ends with an error instead of exhausting the memory.
    static constexpr int MaxPages = 5000;
    static constexpr qint64 MaxItems = 1000000;

    ReportBuilder(DataModule* data, const QVariantMap& variables);
    void setNow(const QDateTime& now) { m_now = now; }
    // The caller's orientation replaces the template pages' own.
    void setOrientation(std::optional<QPageLayout::Orientation> o) { m_orientation = o; }

    // Every page laid out now.
    ReportLayout build(const ReportTemplate& t, const QString& templateName);
    // The pages planned, each laid out when asked for. With `checked`, every
    // band is evaluated once now, on the first row it is placed on, so that
    // an error in the template throws here rather than at a later page.
    PagedReport plan(const ReportTemplate& t, const QString& templateName, bool checked = true);

    // Whether any text of the template names `name` (a variable, PAGE#, ...).
    static bool uses(const ReportTemplate& t, const QString& name);
    // The data sets that the template's fields and master-data bands address.
    static QStringList dataSets(const ReportTemplate& t);

private:
    DataModule* m_data;
    const QVariantMap& m_vars;
    QDateTime m_now = QDateTime::currentDateTime();
    std::optional<QPageLayout::Orientation> m_orientation;
};
