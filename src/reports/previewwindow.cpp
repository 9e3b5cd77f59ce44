#include "previewwindow.h"

#include "context/filechoice.h"
#include "context/prompt.h"
#include "reports/previewpages.h"
#include "reports/reportpainter.h"
#include "ui/controls.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
const QString NoPrinterText = QStringLiteral("Nincs beállított nyomtató, a nyomtatás nem lehetséges. "
                                             "A lap PDF-be menthető (Ctrl+S).");
const QString PrintFailedText = QStringLiteral("A nyomtatás nem sikerült: a nyomtató nem fogadta a lapot.");
const QString Keys = QStringLiteral("Nyomtatás: Ctrl+P    Mentés PDF-be: Ctrl+S");
// The folder of the last PDF saved, in the program's settings file.
const QString PdfFolderKey = QStringLiteral("pdf/folder");

QSettings settingsFile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vello"), QStringLiteral("vello"));
}
}   // namespace

QString PreviewWindow::pdfFolder()
{
    const QString remembered = settingsFile().value(PdfFolderKey).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

PreviewWindow::PreviewWindow(
        const PagedReport& report, const QString& pdfName, Prompt* prompt, FileChoice* files, QWidget* parent)
    : QDialog(parent), m_report(report), m_pdfName(pdfName), m_prompt(prompt), m_files(files)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Nyomtatási kép - %1")
                           .arg(report.title().isEmpty() ? report.templateName() : report.title()));

    auto* top = new QHBoxLayout;
    auto* zoomLabel = new QLabel(QStringLiteral("Nagyítás:"));
    m_zoomBox = new QComboBox;
    m_zoomBox->setObjectName(QStringLiteral("zoom"));
    m_zoomBox->addItem(QStringLiteral("Oldalszélesség"), 0);
    for (int z : {50, 75, 100, 125, 150, 200})
        m_zoomBox->addItem(QStringLiteral("%1%").arg(z), z);
    m_zoomBox->setCurrentIndex(0);
    zoomLabel->setBuddy(m_zoomBox);
    QPushButton* close = makeButton(this, QStringLiteral("closeButton"), QStringLiteral("Bezár"), Keys);
    top->addWidget(zoomLabel);
    top->addWidget(m_zoomBox);
    top->addStretch();
    top->addWidget(close);

    m_canvas = new PreviewPages(report);
    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("pages"));
    m_scroll->setWidget(m_canvas);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Always there, so that fitting the page width never makes it come and go.
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->viewport()->installEventFilter(this);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("statusLine"));

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(m_scroll, 1);
    main->addWidget(m_status);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_zoomBox, &QComboBox::activated, this, [this](int i) {
        const int z = m_zoomBox->itemData(i).toInt();
        if (z == 0)
            setPageWidth();
        else
            setZoomPercent(z);
    });
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewWindow::showPosition);
    auto* print = new QShortcut(QKeySequence::Print, this);
    connect(print, &QShortcut::activated, this, &PreviewWindow::printReport);
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, &PreviewWindow::saveReport);

    // Most of the screen, so that a page can be read at page width.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(avail.width() * 85 / 100, avail.height() * 9 / 10);
    move(avail.center() - rect().center());
    setPageWidth();
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->setFocus(Qt::OtherFocusReason);
}

int PreviewWindow::zoomPercent() const
{
    return qRound(m_canvas->zoom());
}

void PreviewWindow::setZoomPercent(int percent)
{
    m_fitWidth = false;
    const int i = m_zoomBox->findData(percent);
    m_zoomBox->setCurrentIndex(i);
    if (i < 0)
        m_zoomBox->setEditText(QStringLiteral("%1%").arg(percent));
    applyZoom(percent);
}

void PreviewWindow::setPageWidth()
{
    m_fitWidth = true;
    m_zoomBox->setCurrentIndex(0);
    int width = m_scroll->viewport()->width();
    // Before the window is laid out the view has no width yet: the window's
    // own width less the frame and the scroll bar stands for it.
    if (!m_scroll->isVisible())
        width = this->width() - 2 * layout()->contentsMargins().left() - 2 * m_scroll->frameWidth()
                - m_scroll->verticalScrollBar()->sizeHint().width();
    applyZoom(m_canvas->zoomForWidth(width));
}

void PreviewWindow::applyZoom(double percent)
{
    // The page in view stays in view.
    QScrollBar* bar = m_scroll->verticalScrollBar();
    const double at = m_canvas->height() > 0 ? double(bar->value()) / m_canvas->height() : 0;
    m_canvas->setZoom(percent);
    fitCanvas();
    bar->setValue(qRound(at * m_canvas->height()));
    showPosition();
}

void PreviewWindow::fitCanvas()
{
    const QSize want = m_canvas->sizeHint();
    m_canvas->resize(qMax(want.width(), m_scroll->viewport()->width()), want.height());
}

void PreviewWindow::showPosition()
{
    const int page = m_canvas->pageAt(m_scroll->verticalScrollBar()->value() + m_scroll->viewport()->height() / 3);
    m_status->setText(QStringLiteral("%1. oldal / %2        %3").arg(page + 1).arg(m_canvas->pageCount()).arg(Keys));
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        if (m_fitWidth)
            applyZoom(m_canvas->zoomForWidth(m_scroll->viewport()->width()));
        else
            fitCanvas();
    }
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::takeKeyboard()
{
    raise();
    activateWindow();
    m_scroll->setFocus(Qt::OtherFocusReason);
}

bool PreviewWindow::printReport()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // Said, not swallowed: the operator pressed the key and waits.
        if (m_prompt)
            m_prompt->message(NoPrinterText);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(m_report.templateName());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, m_report.pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog offers a page range; printing must keep to it.
    const bool printed = printer.printRange() == QPrinter::PageRange
            ? ReportPainter::print(m_report, printer, printer.fromPage(), printer.toPage())
            : ReportPainter::print(m_report, printer);
    if (!printed && m_prompt)
        m_prompt->error(PrintFailedText, windowTitle());
    return printed;
}

bool PreviewWindow::saveReport()
{
    if (!m_files)
        return false;
    // Offered in the documents folder (or where the last PDF went), never in
    // the working folder of the templates.
    const QString proposed = QDir(pdfFolder()).filePath(QFileInfo(m_pdfName).fileName());
    const QString file = m_files->saveFile(QStringLiteral("Mentés PDF-be"), proposed, QStringLiteral("PDF (*.pdf)"));
    // The keyboard comes back to the pages, so Ctrl+P works at once.
    takeKeyboard();
    if (file.isEmpty())
        return false;
    {
        QSettings s = settingsFile();
        s.setValue(PdfFolderKey, QFileInfo(file).absolutePath());
    }
    QString error;
    if (!ReportPainter::writePdf(m_report, file, &error)) {
        if (m_prompt)
            m_prompt->error(error, windowTitle());
        return false;
    }
    return true;
}
