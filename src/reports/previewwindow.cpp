#include "previewwindow.h"

#include "context/filechoice.h"
#include "context/prompt.h"
#include "reports/reportpainter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

PreviewWindow::PreviewWindow(const ReportLayout& layout, const QString& pdfName, Prompt* prompt,
                             FileChoice* files, QWidget* parent)
    : QDialog(parent), m_layout(layout), m_pdfName(pdfName), m_prompt(prompt), m_files(files)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Nyomtatási kép - %1").arg(layout.title.isEmpty() ? layout.templateName : layout.title));
    resize(900, 1000);

    auto* top = new QHBoxLayout;
    auto* zoomLabel = new QLabel(QStringLiteral("Nagyítás:"));
    m_zoomBox = new QComboBox;
    m_zoomBox->setObjectName(QStringLiteral("zoom"));
    for (int z : {50, 75, 100, 125, 150, 200})
        m_zoomBox->addItem(QStringLiteral("%1%").arg(z), z);
    m_zoomBox->setCurrentIndex(2);
    zoomLabel->setBuddy(m_zoomBox);
    auto* close = new QPushButton(QStringLiteral("Bezár"));
    close->setObjectName(QStringLiteral("closeButton"));
    close->setToolTip(QStringLiteral("Nyomtatás: Ctrl+P, mentés PDF-be: Ctrl+S"));
    top->addWidget(zoomLabel);
    top->addWidget(m_zoomBox);
    top->addStretch();
    top->addWidget(close);

    auto* holder = new QWidget;
    m_pages = new QVBoxLayout(holder);
    m_pages->setAlignment(Qt::AlignHCenter);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("pages"));
    scroll->setWidget(holder);
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Dark);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(scroll);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_zoomBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { setZoomPercent(m_zoomBox->itemData(i).toInt()); });
    auto* print = new QShortcut(QKeySequence::Print, this);
    connect(print, &QShortcut::activated, this, &PreviewWindow::printReport);
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, &PreviewWindow::saveReport);

    for (int i = 0; i < m_layout.pages.size(); ++i) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("page%1").arg(i + 1));
        m_pages->addWidget(label);
        m_pageLabels.append(label);
    }
    renderPages();
}

void PreviewWindow::setZoomPercent(int percent)
{
    m_zoom = qBound(10, percent, 400);
    renderPages();
}

void PreviewWindow::renderPages()
{
    const double pxPerMm = logicalDpiX() / 25.4 * m_zoom / 100.0;
    for (int i = 0; i < m_layout.pages.size(); ++i) {
        const LayoutPage& p = m_layout.pages[i];
        QImage img(qRound(p.size.width() * pxPerMm), qRound(p.size.height() * pxPerMm), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        ReportPainter::paintPage(painter, p, pxPerMm);
        painter.end();
        m_pageLabels[i]->setPixmap(QPixmap::fromImage(img));
    }
}

bool PreviewWindow::printReport()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(m_layout.templateName);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, int(m_layout.pages.size()));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog offers a page range; printing must keep to it.
    if (printer.printRange() == QPrinter::PageRange)
        return ReportPainter::print(m_layout, printer, printer.fromPage(), printer.toPage());
    return ReportPainter::print(m_layout, printer);
}

bool PreviewWindow::saveReport()
{
    if (!m_files)
        return false;
    const QString file = m_files->saveFile(QStringLiteral("Mentés PDF-be"), m_pdfName, QStringLiteral("PDF (*.pdf)"));
    if (file.isEmpty())
        return false;
    QString error;
    if (!ReportPainter::writePdf(m_layout, file, &error)) {
        if (m_prompt)
            m_prompt->error(error, windowTitle());
        return false;
    }
    return true;
}
