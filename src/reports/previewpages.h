#pragma once
#include "reports/pagedreport.h"

#include <QList>
#include <QWidget>
#include <utility>

// The pages of a built report one below the other, as the preview's
// scrolled canvas. Only the pages that a paint event exposes are laid out
// and painted, without keeping page images (the last few laid out pages are
// kept for the next paint), so a report of thousands of pages costs no more
// to show than one of three.
class PreviewPages : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPages(const PagedReport& report, QWidget* parent = nullptr);

    // The canvas is as tall as all pages (sizeHint()); its owner gives it the
    // width of the view or more, and the pages are centred in it.
    // Screen pixels per millimetre of paper at the given zoom (100 = natural size).
    double pixelsPerMm(double zoomPercent) const;
    void setZoom(double zoomPercent);
    double zoom() const { return m_zoom; }
    // The zoom at which the widest page fills `width` pixels, margins included.
    double zoomForWidth(int width) const;

    int pageCount() const { return m_report.pageCount(); }
    // Where page `index` (0-based) stands on the canvas.
    QRect pageRect(int index) const;
    // The page under the canvas line y (the nearest one in a gap).
    int pageAt(int y) const;

    // Pages painted since the canvas was made, and those of the last paint.
    qint64 pagesPainted() const { return m_painted; }
    const QList<int>& lastPainted() const { return m_lastPainted; }
    // Pages laid out since the canvas was made.
    qint64 pagesLaidOut() const { return m_laidOut; }

    static constexpr int KeptPages = 8;   // laid out pages kept for the next paints

    QSize sizeHint() const override { return m_size; }

    static constexpr int Margin = 12;   // pixels around and between the pages

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();
    // Page `index` laid out, or the text of why it could not be.
    const LayoutPage* laidOut(int index, QString* error);

    PagedReport m_report;
    QList<std::pair<int, LayoutPage>> m_kept;   // most recently used first
    qint64 m_laidOut = 0;
    double m_zoom = 100;
    QList<int> m_top;   // top of each page on the canvas
    QList<QSize> m_sizes;   // each page in pixels
    QSize m_size;
    qint64 m_painted = 0;
    QList<int> m_lastPainted;
};
