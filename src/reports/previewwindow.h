#pragma once
#include "reports/reportlayout.h"

#include <QDialog>

class QLabel;
class QVBoxLayout;
class QComboBox;
class FileChoice;
class Prompt;

// The modal preview of a built report (objectName "ReportPreview"): the
// pages one below the other, a zoom choice and the close button. Ctrl+P
// opens the print dialog and prints on the chosen printer (when a printer is
// installed); Ctrl+S saves the report as PDF, proposing pdfName.
class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    // The save question and its failure go through `files` and `prompt`;
    // without them Ctrl+S saves nothing.
    PreviewWindow(const ReportLayout& layout, const QString& pdfName, Prompt* prompt = nullptr,
                  FileChoice* files = nullptr, QWidget* parent = nullptr);

    int zoomPercent() const { return m_zoom; }
    void setZoomPercent(int percent);

    // Print on a printer the user chose (Ctrl+P); false when cancelled.
    bool printReport();
    // Save as PDF (Ctrl+S); the file name is asked for.
    bool saveReport();

private:
    void renderPages();

    const ReportLayout& m_layout;
    QString m_pdfName;
    Prompt* m_prompt;
    FileChoice* m_files;
    int m_zoom = 100;
    QComboBox* m_zoomBox = nullptr;
    QVBoxLayout* m_pages = nullptr;
    QList<QLabel*> m_pageLabels;
};
