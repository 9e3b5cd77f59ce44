#pragma once
#include "reports/reporttemplate.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Reads the XML template format of docs/templates.md. Anything that is not a
// template of this format, or of a newer version, or that breaks one of the
// limits below, is refused; detail() says why and where (for template
// authors: the program shows only "Unsupported FRF format").
class TemplateReader {
public:
    static constexpr qint64 MaxFileSize = 2 * 1024 * 1024;
    static constexpr int MaxDepth = 8;   // element nesting
    static constexpr int MaxPages = 16;
    static constexpr int MaxBands = 64;   // per page
    static constexpr int MaxObjects = 4000;   // in the whole template, parts expanded
    static constexpr int MaxTextLength = 4000;   // per text object
    static constexpr double MaxExtent = 2000;   // mm, any coordinate or size

    std::optional<ReportTemplate> read(const QByteArray& xml);
    const QString& detail() const { return m_detail; }

private:
    QString m_detail;
};
