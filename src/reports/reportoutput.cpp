#include "reportoutput.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "reports/reportbuilder.h"
#include "reports/reportpreview.h"
#include "reports/templatereader.h"
#include "context/prompt.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString ErrorCaption = QStringLiteral("Error");
}

std::optional<ReportTemplate> readTemplateFile(
        const QString& fileName, QString* error, bool* openFailed, QString* detail)
{
    *openFailed = false;
    QFile f(fileName);
    if (QFileInfo(fileName).isDir() || !f.open(QIODevice::ReadOnly)) {
        *openFailed = true;
        *error = QStringLiteral("Cannot open file %1").arg(fileName);
        return std::nullopt;
    }
    TemplateReader reader;
    std::optional<ReportTemplate> t;
    if (f.size() > TemplateReader::MaxFileSize) {
        if (detail)
            *detail = QStringLiteral("the file is larger than %1 bytes").arg(TemplateReader::MaxFileSize);
    } else {
        t = reader.read(f.read(TemplateReader::MaxFileSize + 1));
        if (!t && detail)
            *detail = reader.detail();
    }
    if (!t)
        *error = QStringLiteral("Unsupported FRF format");
    return t;
}

ReportOutput::ReportOutput(AppContext& ctx, ReportPreview* preview) : m_ctx(ctx), m_preview(preview)
{
}
ReportOutput::~ReportOutput() = default;

void ReportOutput::setVariable(const QString& name, const QVariant& value)
{
    m_vars[name] = value;
}
QVariant ReportOutput::variable(const QString& name) const
{
    return m_vars.value(name);
}

bool ReportOutput::setOrientation(QPageLayout::Orientation orientation)
{
    if (!m_preview || !m_preview->hasDefaultPrinter()) {
        m_orientationFailed = true;
        Unhandled::report(m_ctx,
                QStringLiteral("There is no default printer currently selected\n"
                               "Nincs alapértelmezett nyomtató: állítson be egyet, vagy telepítsen "
                               "PDF-nyomtatót (printer-driver-cups-pdf csomag, lásd README)."));
        return false;
    }
    m_orientationFailed = false;
    m_orientation = orientation;
    return true;
}

bool ReportOutput::loadFromFile(const QString& templateFile)
{
    // Loading replaces what the report held, also when it fails.
    m_template.reset();
    m_templateName = templateFile;
    QString error;
    bool openFailed = false;
    m_template = readTemplateFile(templateFile, &error, &openFailed);
    if (m_template)
        return true;
    // Nothing is loaded now, so the next showReport() shows nothing.
    if (openFailed)
        Unhandled::report(m_ctx, error);
    else
        m_ctx.prompt.error(error, ErrorCaption);
    return false;
}

bool ReportOutput::showReport()
{
    m_report = PagedReport();
    m_last.reset();
    const bool failed = m_orientationFailed;
    m_orientationFailed = false;
    if (failed || !m_template || !m_preview)
        return false;
    try {
        // A table data set (the site row ZTable8) is read again, so that a
        // change saved earlier in the run is printed.
        for (const QString& name : ReportBuilder::dataSets(*m_template)) {
            Query* q = m_ctx.data.find(name);
            if (q && q->isOpen() && name.trimmed().startsWith(QLatin1String("ZTable"), Qt::CaseInsensitive))
                q->refresh();
        }
        ReportBuilder builder(&m_ctx.data, m_vars);
        builder.setOrientation(m_orientation);
        // Only the pages that are looked at are laid out: a long list shows
        // its first page at once.
        m_report = builder.plan(*m_template, m_templateName);
    } catch (const ReportError& e) {
        m_ctx.prompt.error(QStringLiteral("%1: %2").arg(m_templateName, e.text), ErrorCaption);
        return false;
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return false;
    }
    // The PDF name proposed by the preview: the template's name and, for a
    // numbered document, its number.
    QString base = QFileInfo(m_templateName).completeBaseName();
    const QString number = m_vars.value(QStringLiteral("v_bszam")).toString().trimmed();
    if (!number.isEmpty() && ReportBuilder::uses(*m_template, QStringLiteral("v_bszam")))
        base += QLatin1Char('_') + number;
    try {
        m_preview->show(m_report, base + QStringLiteral(".pdf"));
    } catch (const ReportError& e) {
        // A recording preview lays out every page here.
        m_ctx.prompt.error(QStringLiteral("%1: %2").arg(m_templateName, e.text), ErrorCaption);
        return false;
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return false;
    }
    return true;
}

const ReportLayout& ReportOutput::lastLayout() const
{
    if (!m_last) {
        try {
            m_last = m_report.all();
        } catch (const ReportError&) {
            m_last = ReportLayout();
        } catch (const DbError&) {
            m_last = ReportLayout();
        }
    }
    return *m_last;
}

bool ReportOutput::output(const QString& templateFile, QPageLayout::Orientation orientation)
{
    if (!setOrientation(orientation)) {
        m_orientationFailed = false;
        return false;
    }
    if (!loadFromFile(templateFile))
        return false;
    return showReport();
}
