#pragma once
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

// A built report: pages of positioned items, in millimetres from the top
// left corner of the paper. Tests read it directly; ReportPainter paints it.
struct LayoutItem {
    enum Kind { Text, Line, Rect };
    Kind kind = Text;
    QRectF box;   // a line runs from box.topLeft() to box.bottomRight()
    QString text;
    double fontSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool wrap = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    int frame = 0;   // ReportObject::Frame bits
    double lineWidth = 0.2;
};

struct LayoutPage {
    QSizeF size {210, 297};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QList<LayoutItem> items;

    // The texts of the page from top to bottom, left to right, one per line.
    QStringList texts() const;
    // The first text item whose text equals (or, with contains, holds) the text.
    const LayoutItem* find(const QString& text, bool contains = false) const;
};

struct ReportLayout {
    QString templateName;   // "vello.frf"
    QString title;
    QList<LayoutPage> pages;

    QStringList texts() const;   // all pages
};
