#include "previewpages.h"

#include "data/dberror.h"
#include "reports/reportpainter.h"
#include "reports/reportvalue.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

PreviewPages::PreviewPages(const PagedReport& report, QWidget* parent) : QWidget(parent), m_report(report)
{
    setObjectName(QStringLiteral("pageView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    relayout();
}

double PreviewPages::pixelsPerMm(double zoomPercent) const
{
    return logicalDpiX() / 25.4 * zoomPercent / 100.0;
}

void PreviewPages::setZoom(double zoomPercent)
{
    m_zoom = qBound(10.0, zoomPercent, 400.0);
    // A widget cannot be taller than QWIDGETSIZE_MAX: a very long report
    // keeps a zoom at which all its pages fit.
    double paper = 0;
    for (int i = 0; i < pageCount(); ++i)
        paper += m_report.pageSize(i).height();
    const double room = QWIDGETSIZE_MAX - double(Margin) * (pageCount() + 2);
    if (paper > 0 && paper * pixelsPerMm(m_zoom) > room)
        m_zoom = qMax(1.0, room / (paper * pixelsPerMm(1.0)));
    relayout();
    update();
}

double PreviewPages::zoomForWidth(int width) const
{
    double widest = 0;
    for (int i = 0; i < pageCount(); ++i)
        widest = qMax(widest, m_report.pageSize(i).width());
    if (widest <= 0)
        return 100;
    const double perPercent = pixelsPerMm(1.0) * widest;
    // One pixel to spare for rounding, so that no horizontal scroll bar appears.
    return qBound(10.0, (width - 2 * Margin - 1) / perPercent, 400.0);
}

void PreviewPages::relayout()
{
    const double px = pixelsPerMm(m_zoom);
    m_top.clear();
    m_sizes.clear();
    const int count = pageCount();
    m_top.reserve(count);
    m_sizes.reserve(count);
    int y = Margin;
    int widest = 0;
    for (int i = 0; i < count; ++i) {
        const QSizeF paper = m_report.pageSize(i);
        const QSize s(qMax(1, qRound(paper.width() * px)), qMax(1, qRound(paper.height() * px)));
        m_top.append(y);
        m_sizes.append(s);
        y += s.height() + Margin;
        widest = qMax(widest, s.width());
    }
    m_size = QSize(widest + 2 * Margin, qMax(y, 2 * Margin));
    updateGeometry();
}

QRect PreviewPages::pageRect(int index) const
{
    if (index < 0 || index >= m_top.size())
        return QRect();
    const QSize s = m_sizes[index];
    return QRect(QPoint(qMax(Margin, (width() - s.width()) / 2), m_top[index]), s);
}

int PreviewPages::pageAt(int y) const
{
    if (m_top.isEmpty())
        return -1;
    const auto it = std::upper_bound(m_top.cbegin(), m_top.cend(), y);
    return qMax(0, int(it - m_top.cbegin()) - 1);
}

void PreviewPages::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    QPainter painter(this);
    painter.fillRect(area, palette().color(QPalette::Dark));
    m_lastPainted.clear();
    const double px = pixelsPerMm(m_zoom);
    for (int i = qMax(0, pageAt(area.top())); i < m_top.size() && m_top[i] <= area.bottom(); ++i) {
        const QRect r = pageRect(i);
        if (!r.intersects(area))
            continue;
        painter.fillRect(r, Qt::white);
        QString error;
        const LayoutPage* page = laidOut(i, &error);
        painter.save();
        painter.setClipRect(r & area);
        painter.translate(r.topLeft());
        if (page) {
            ReportPainter::paintPage(painter, *page, px);
        } else {
            painter.setPen(Qt::red);
            painter.drawText(QRect(QPoint(0, 0), r.size()).adjusted(Margin, Margin, -Margin, -Margin),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, error);
        }
        painter.restore();
        m_lastPainted.append(i);
        ++m_painted;
    }
}

const LayoutPage* PreviewPages::laidOut(int index, QString* error)
{
    for (int k = 0; k < m_kept.size(); ++k)
        if (m_kept[k].first == index) {
            m_kept.move(k, 0);
            return &m_kept.first().second;
        }
    try {
        LayoutPage page = m_report.page(index);
        ++m_laidOut;
        if (m_kept.size() >= KeptPages)
            m_kept.removeLast();
        m_kept.prepend({index, std::move(page)});
        return &m_kept.first().second;
    } catch (const ReportError& e) {
        *error = e.text;
    } catch (const DbError& e) {
        *error = e.shownText();
    }
    return nullptr;
}
