#pragma once
#include "reports/reportexpression.h"

#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QString>

// A report template as read from an .frf file (docs/templates.md). All
// positions and sizes are millimetres; an object's position is relative to
// the top left corner of its band, a band's to the page's printable area.
struct ReportObject {
    enum Kind { Text, Line, Rect };
    enum Frame { FrameLeft = 1, FrameTop = 2, FrameRight = 4, FrameBottom = 8, FrameAll = 15 };
    Kind kind = Text;
    QRectF box;   // text and rectangle box; a line runs from topLeft to bottomRight
    ReportText text;
    QString format;   // display format of the numbers in the text
    double fontSize = 10;   // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool wrap = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    int frame = 0;
    double lineWidth = 0.2;   // mm, for lines, rectangles and frames
};

struct ReportBand {
    enum Type { Title, PageHeader, MasterData, Summary, PageFooter };
    Type type = Title;
    double height = 0;
    QString dataSet;   // master data: the data set iterated from its first row
    QList<ReportObject> objects;
};

struct ReportPage {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSizeF size {210, 297};   // portrait A4; swapped for landscape
    QMarginsF margins;   // left, top, right, bottom
    QList<ReportBand> bands;

    QSizeF orientedSize() const
    {
        const bool land = orientation == QPageLayout::Landscape;
        const double w = qMin(size.width(), size.height()), h = qMax(size.width(), size.height());
        return land ? QSizeF(h, w) : QSizeF(w, h);
    }
};

struct ReportTemplate {
    static constexpr int FormatVersion = 1;
    int version = FormatVersion;
    QString title;
    QList<ReportPage> pages;
};
