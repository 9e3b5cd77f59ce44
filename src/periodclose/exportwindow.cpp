#include "exportwindow.h"

#include "context/appcontext.h"
#include "context/filechoice.h"
#include "context/prompt.h"
#include "periodclose/archiveexport.h"
#include "periodclose/desktopopen.h"
#include "periodclose/exportfolder.h"
#include "ui/controls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

ExportWindow::ExportWindow(AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_opener([](const QUrl& u) { return DesktopOpen::open(u.toLocalFile()); })
{
    setObjectName(QStringLiteral("TForm20"));
    setWindowTitle(QStringLiteral("Exportálása excel  táblába"));

    auto* text = new QLabel(QStringLiteral("Az archivált adatok kerülnek exportálásra."), this);
    text->setObjectName(QStringLiteral("Label1"));
    m_show = new QCheckBox(QStringLiteral(" excel táblát megjelenít"), this);
    m_show->setObjectName(QStringLiteral("CheckBox1"));
    m_show->setChecked(true);

    m_folder = new QLineEdit(ExportFolder::remembered(), this);
    m_folder->setObjectName(QStringLiteral("FolderEdit"));
    m_folder->setReadOnly(true);
    m_folder->setToolTip(QStringLiteral("Ebbe a mappába készül az archiv.xlsx"));
    auto* folderLabel = new QLabel(QStringLiteral("Mappa:"), this);
    folderLabel->setBuddy(m_folder);
    m_choose = makeButton(this, QStringLiteral("FolderButton"), QStringLiteral("Mappa..."),
            QStringLiteral("A mentés mappájának kiválasztása"));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    m_start = makeButton(this, QStringLiteral("Button6"), QStringLiteral("Exportálás inditása"));
    m_cancel = makeButton(
            this, QStringLiteral("Button4"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_choose);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(text);
    lay->addWidget(m_show);
    lay->addLayout(folderRow);
    lay->addWidget(m_progress);
    lay->addLayout(buttons);
    resize(560, 190);

    connect(m_start, &QPushButton::clicked, this, &ExportWindow::onStart);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_choose, &QPushButton::clicked, this, &ExportWindow::onFolder);
}

void ExportWindow::reject()
{
    if (m_running)
        return;
    QDialog::reject();
}

void ExportWindow::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ExportWindow::setRunning(bool on)
{
    m_running = on;
    m_start->setEnabled(!on);
    m_cancel->setEnabled(!on);
    m_choose->setEnabled(!on);
    m_show->setEnabled(!on);
}

void ExportWindow::onFolder()
{
    if (!m_ctx.files)
        return;
    const QString chosen = m_ctx.files->folder(QStringLiteral("Az export mappája"), m_folder->text());
    if (chosen.isEmpty())
        return;
    m_folder->setText(chosen);
    ExportFolder::remember(chosen);
}

void ExportWindow::onStart()
{
    if (m_running)
        return;
    setRunning(true);
    ArchiveExport exporter(m_ctx);
    QElapsedTimer shown;
    shown.start();
    exporter.setProgress([&](qint64 done, qint64 total) {
        if (done == 0) {
            m_progress->setRange(0, int(qMin<qint64>(total, INT_MAX)));
            m_progress->setValue(0);
        } else {
            m_progress->setValue(int(qMin<qint64>(done, m_progress->maximum())));
        }
        // Let the window repaint now and then; a long export stays alive.
        if (shown.elapsed() >= 50) {
            QCoreApplication::processEvents();
            shown.restart();
        }
    });
    const bool saved = exporter.run(m_folder->text());
    ExportFolder::remember(m_folder->text());
    setRunning(false);
    if (saved && m_show->isChecked() && m_opener && !m_opener(QUrl::fromLocalFile(exporter.path())))
        m_ctx.prompt.message(DesktopOpen::failedMessage(exporter.path()));
}
