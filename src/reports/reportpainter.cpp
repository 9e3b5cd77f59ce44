#include "reportpainter.h"

#include "data/dberror.h"
#include "reports/reportexpression.h"
#include "reports/reporttemplate.h"

#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

// The painter works in hundredths of a millimetre so that font pixel sizes
// stay precise at any resolution.
constexpr double Unit = 100.0;

QRectF units(const QRectF& mm)
{
    return QRectF(mm.x() * Unit, mm.y() * Unit, mm.width() * Unit, mm.height() * Unit);
}

QPageLayout pageLayoutOf(const QSizeF& size, QPageLayout::Orientation orientation)
{
    const QSizeF portrait(qMin(size.width(), size.height()), qMax(size.width(), size.height()));
    return QPageLayout(
            QPageSize(portrait, QPageSize::Millimeter), orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
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
    // Letter for letter: no ligatures, so that a code on the paper (a chain
    // value's "ff", a plate) is the same text in a PDF's search and copy.
    font.setStyleStrategy(QFont::PreferNoShaping);
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

bool print(const PagedReport& report, QPagedPaintDevice& device, int fromPage, int toPage, QString* error)
{
    const int count = report.pageCount();
    const int first = qMax(1, fromPage) - 1;
    const int last = (toPage <= 0 ? count : qMin(toPage, count)) - 1;
    if (first > last)
        return false;
    device.setPageLayout(pageLayoutOf(report.pageSize(first), report.orientation(first)));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    try {
        for (int i = first; i <= last; ++i) {
            const LayoutPage p = report.page(i);
            if (i > first) {
                device.setPageLayout(pageLayoutOf(p.size, p.orientation));
                device.newPage();
            }
            const double pxPerMm = device.logicalDpiX() / 25.4;
            paintPage(painter, p, pxPerMm);
        }
    } catch (const ReportError& e) {
        painter.end();
        if (error)
            *error = e.text;
        return false;
    } catch (const DbError& e) {
        painter.end();
        if (error)
            *error = e.shownText();
        return false;
    }
    return painter.end();
}

bool writePdf(const PagedReport& report, const QString& fileName, QString* error)
{
    // Written beside the target and put in its place only when whole: a
    // failed save leaves an earlier file of that name as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file %1").arg(fileName);
        return false;
    }
    bool ok = false;
    QString why;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(600);
        pdf.setCreator(QStringLiteral("vello"));
        pdf.setTitle(report.title().isEmpty() ? report.templateName() : report.title());
        ok = print(report, pdf, 0, 0, &why);
    }
    if (!ok)
        file.cancelWriting();
    const bool committed = file.commit();
    if (!ok && error)
        *error = why.isEmpty() ? QStringLiteral("A PDF fájl nem írható: %1").arg(fileName)
                               : QStringLiteral("%1: %2").arg(report.templateName(), why);
    else if (!committed && error)
        *error = QStringLiteral("A PDF fájl nem írható: %1").arg(fileName);
    return ok && committed;
}

}   // namespace ReportPainter
