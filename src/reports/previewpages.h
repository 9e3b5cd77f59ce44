#pragma once
#include "reports/reportlayout.h"

#include <QList>
#include <QWidget>

// The pages of a built report one below the other, as the preview's
// scrolled canvas. Only the pages that a paint event exposes are painted,
// straight from the layout and without keeping page images, so a report of
// thousands of pages costs no more to show than one of three.
class PreviewPages : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPages(const ReportLayout& layout, QWidget* parent = nullptr);

    // The canvas is as tall as all pages (sizeHint()); its owner gives it the
    // width of the view or more, and the pages are centred in it.
    // Screen pixels per millimetre of paper at the given zoom (100 = natural size).
    double pixelsPerMm(double zoomPercent) const;
    void setZoom(double zoomPercent);
    double zoom() const { return m_zoom; }
    // The zoom at which the widest page fills `width` pixels, margins included.
    double zoomForWidth(int width) const;

    int pageCount() const { return int(m_layout.pages.size()); }
    // Where page `index` (0-based) stands on the canvas.
    QRect pageRect(int index) const;
    // The page under the canvas line y (the nearest one in a gap).
    int pageAt(int y) const;

    // Pages painted since the canvas was made, and those of the last paint.
    qint64 pagesPainted() const { return m_painted; }
    const QList<int>& lastPainted() const { return m_lastPainted; }

    QSize sizeHint() const override { return m_size; }

    static constexpr int Margin = 12;   // pixels around and between the pages

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    const ReportLayout& m_layout;
    double m_zoom = 100;
    QList<int> m_top;   // top of each page on the canvas
    QList<QSize> m_sizes;   // each page in pixels
    QSize m_size;
    qint64 m_painted = 0;
    QList<int> m_lastPainted;
};
