#pragma once
#include "reports/pagedreport.h"
#include "reports/reportlayout.h"

class QPainter;
class QPagedPaintDevice;

// Paints a built report: on any paged device (the preview's printer, a PDF
// writer), or one page on a painter (the preview's page images).
namespace ReportPainter {
// Paints one page; the painter's origin is the paper's top left corner and
// pxPerMm device pixels make one millimetre.
void paintPage(QPainter& painter, const LayoutPage& page, double pxPerMm);
// Every page on its own sheet, with the sheet's size and orientation; the
// device paints the full paper (a printer must be in full-page mode).
// fromPage and toPage (1-based, inclusive; 0 = from the first / to the last
// page) choose the pages, as the print dialog's page range does. Each page is
// laid out as it is printed and let go afterwards. False when the range holds
// no page of the report, or a page could not be laid out (*error says why).
bool print(const PagedReport& report, QPagedPaintDevice& device, int fromPage = 0, int toPage = 0,
        QString* error = nullptr);
// Writes the report as a PDF file. False (and *error) when the file cannot be written.
bool writePdf(const PagedReport& report, const QString& fileName, QString* error = nullptr);
}
