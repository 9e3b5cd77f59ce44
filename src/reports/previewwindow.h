#pragma once
#include "reports/pagedreport.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QScrollArea;
class FileChoice;
class Prompt;
class PreviewPages;

// The modal preview of a built report (objectName "ReportPreview"): the
// pages one below the other, a zoom choice, a status line and the close
// button "Bezár". It opens over most of the screen at page-width zoom.
// Ctrl+P opens the print dialog and prints on the chosen printer (when a
// printer is installed); Ctrl+S saves the report as PDF, proposing pdfName.
class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    // The save question and its failure go through `files` and `prompt`;
    // without them Ctrl+S saves nothing.
    PreviewWindow(const PagedReport& report, const QString& pdfName, Prompt* prompt = nullptr,
            FileChoice* files = nullptr, QWidget* parent = nullptr);

    // The zoom in effect (rounded percent), whether chosen or fitted.
    int zoomPercent() const;
    // A fixed zoom; the page width no longer follows the window.
    void setZoomPercent(int percent);
    // The widest page fills the view's width, also after a resize.
    void setPageWidth();
    bool pageWidth() const { return m_fitWidth; }

    PreviewPages* pages() const { return m_canvas; }
    QScrollArea* view() const { return m_scroll; }

    // Print on a printer the user chose (Ctrl+P); false when cancelled.
    bool printReport();
    // Save as PDF (Ctrl+S); the file name is asked for, offered in the
    // documents folder or the folder of the last PDF saved (remembered in the
    // settings file). Afterwards the preview has the keyboard again.
    bool saveReport();
    // Where the save question starts.
    static QString pdfFolder();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyZoom(double percent);
    void fitCanvas();
    void showPosition();
    void takeKeyboard();

    PagedReport m_report;
    QString m_pdfName;
    Prompt* m_prompt;
    FileChoice* m_files;
    bool m_fitWidth = true;
    QComboBox* m_zoomBox = nullptr;
    QScrollArea* m_scroll = nullptr;
    PreviewPages* m_canvas = nullptr;
    QLabel* m_status = nullptr;
};
