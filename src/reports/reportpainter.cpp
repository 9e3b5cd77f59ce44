#include "reportpainter.h"

#include "reports/reporttemplate.h"

#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {

// The painter works in hundredths of a millimetre so that font pixel sizes
// stay precise at any resolution.
constexpr double Unit = 100.0;

QRectF units(const QRectF& mm)
{
    return QRectF(mm.x() * Unit, mm.y() * Unit, mm.width() * Unit, mm.height() * Unit);
}

QPageLayout pageLayoutOf(const LayoutPage& p)
{
    const QSizeF portrait(qMin(p.size.width(), p.size.height()), qMax(p.size.width(), p.size.height()));
    return QPageLayout(
            QPageSize(portrait, QPageSize::Millimeter), p.orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

}   // namespace

namespace ReportPainter {

void paintPage(QPainter& painter, const LayoutPage& page, double pxPerMm)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.scale(pxPerMm / Unit, pxPerMm / Unit);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    for (const LayoutItem& it : page.items) {
        QPen pen(Qt::black);
        pen.setWidthF(it.lineWidth * Unit);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRectF r = units(it.box);
        switch (it.kind) {
        case LayoutItem::Line:
            painter.drawLine(r.topLeft(), r.bottomRight());
            break;
        case LayoutItem::Rect:
            painter.drawRect(r);
            break;
        case LayoutItem::Text: {
            font.setPixelSize(qMax(1, qRound(it.fontSize * 25.4 / 72.0 * Unit)));
            font.setBold(it.bold);
            font.setItalic(it.italic);
            font.setUnderline(it.underline);
            painter.setFont(font);
            if (it.frame & ReportObject::FrameLeft)
                painter.drawLine(r.topLeft(), r.bottomLeft());
            if (it.frame & ReportObject::FrameTop)
                painter.drawLine(r.topLeft(), r.topRight());
            if (it.frame & ReportObject::FrameRight)
                painter.drawLine(r.topRight(), r.bottomRight());
            if (it.frame & ReportObject::FrameBottom)
                painter.drawLine(r.bottomLeft(), r.bottomRight());
            const QRectF inner = it.frame ? r.adjusted(0.5 * Unit, 0, -0.5 * Unit, 0) : r;
            painter.save();
            painter.setClipRect(r.adjusted(-0.2 * Unit, -0.2 * Unit, 0.2 * Unit, 0.2 * Unit));
            painter.drawText(inner, int(it.align) | (it.wrap ? Qt::TextWordWrap : Qt::TextSingleLine), it.text);
            painter.restore();
            break;
        }
        }
    }
    painter.restore();
}

bool print(const ReportLayout& layout, QPagedPaintDevice& device, int fromPage, int toPage)
{
    const int first = qMax(1, fromPage) - 1;
    const int last = (toPage <= 0 ? int(layout.pages.size()) : qMin(toPage, int(layout.pages.size()))) - 1;
    if (first > last)
        return false;
    device.setPageLayout(pageLayoutOf(layout.pages[first]));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int i = first; i <= last; ++i) {
        const LayoutPage& p = layout.pages[i];
        if (i > first) {
            device.setPageLayout(pageLayoutOf(p));
            device.newPage();
        }
        const double pxPerMm = device.logicalDpiX() / 25.4;
        paintPage(painter, p, pxPerMm);
    }
    return painter.end();
}

bool writePdf(const ReportLayout& layout, const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("Cannot open file %1").arg(fileName);
        return false;
    }
    bool ok = false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(600);
        pdf.setCreator(QStringLiteral("vello"));
        pdf.setTitle(layout.title.isEmpty() ? layout.templateName : layout.title);
        ok = print(layout, pdf);
    }
    file.close();
    if (!ok && error)
        *error = QStringLiteral("A PDF fájl nem írható: %1").arg(fileName);
    return ok && file.error() == QFileDevice::NoError;
}

}   // namespace ReportPainter
