#include "archivingwindow.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "periodclose/archiving.h"
#include "periodclose/databasebackup.h"
#include "ui/controls.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// The cut-off date field. A date field mends a half-typed date when the
// focus leaves it or Enter is pressed (back to the last complete date, or a
// one-digit day padded); an archiving cannot be undone, so the field keeps
// the text as the operator last typed it or the calendar set it, and the run
// takes exactly that text.
class CutOffDateEdit : public QDateEdit {
public:
    explicit CutOffDateEdit(QWidget* parent) : QDateEdit(parent)
    {
        connect(this, &QDateTimeEdit::dateChanged, this, [this] {
            if (!m_mending)
                m_typed = text();
        });
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) { m_typed = t; });
    }
    QString typed() const { return m_typed.isNull() ? text() : m_typed; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        m_mending = enter;
        QDateEdit::keyPressEvent(event);
        m_mending = false;
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        m_mending = true;
        QDateEdit::focusOutEvent(event);
        m_mending = false;
    }

private:
    QString m_typed;
    bool m_mending = false;
};

}   // namespace

ArchivingWindow::ArchivingWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm19"));
    setWindowTitle(QStringLiteral("Mérlegjegy összesítés és archiválása"));

    auto* warn = new QLabel(
            QStringLiteral("Inditás előtt. Biztonsági mentés készítése a \"Mérlegjegy mentés\" ikonról."), this);
    warn->setObjectName(QStringLiteral("Label1"));
    warn->setStyleSheet(QStringLiteral("color: red;"));
    auto* noUndo = new QLabel(QStringLiteral("Archiválás után a tételes mérlegjegy adat nem állítható vissza."), this);
    noUndo->setObjectName(QStringLiteral("Label2"));
    auto* summed
            = new QLabel(QStringLiteral("Termény + raktár szerint összesítve  egy-egy sor kerül visszaírásra."), this);
    summed->setObjectName(QStringLiteral("Label3"));

    m_date = new CutOffDateEdit(this);
    m_date->setObjectName(QStringLiteral("DateTimePicker1"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy.MM.dd"));
    m_date->setDate(QDate::currentDate());
    auto* dateLabel = new QLabel(QStringLiteral("Archiválás eddig a dátumig:"), this);
    dateLabel->setObjectName(QStringLiteral("Label4"));
    dateLabel->setBuddy(m_date);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setPlainText(QStringLiteral("Üzenet helye."));

    m_backup = makeButton(this, QStringLiteral("BackupButton"), QStringLiteral("Biztonsági mentés"),
            QStringLiteral("Az adatbázis teljes mentése tömörített fájlba"));
    m_backupPath = new QLabel(this);
    m_backupPath->setObjectName(QStringLiteral("BackupPath"));
    m_backupPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_backupPath->setWordWrap(true);

    m_start = makeButton(this, QStringLiteral("Button7"), QStringLiteral("Archiválás inditása"));
    m_cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(dateLabel);
    dateRow->addWidget(m_date);
    dateRow->addStretch();
    auto* backupRow = new QHBoxLayout;
    backupRow->addWidget(m_backup);
    backupRow->addWidget(m_backupPath, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(warn);
    lay->addLayout(backupRow);
    lay->addWidget(noUndo);
    lay->addWidget(summed);
    lay->addSpacing(6);
    lay->addLayout(dateRow);
    lay->addWidget(m_memo, 1);
    lay->addLayout(buttons);
    resize(620, 460);

    connect(m_start, &QPushButton::clicked, this, &ArchivingWindow::onStart);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_backup, &QPushButton::clicked, this, &ArchivingWindow::onBackup);
}

void ArchivingWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_running && !event->spontaneous())
        m_date->setDate(QDate::currentDate());
}

void ArchivingWindow::reject()
{
    if (m_running)
        return;   // a run cannot be left half-way
    QDialog::reject();
}

void ArchivingWindow::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ArchivingWindow::setRunning(bool on)
{
    m_running = on;
    m_start->setEnabled(!on);
    m_cancel->setEnabled(!on);
    m_backup->setEnabled(!on);
    m_date->setEnabled(!on);
}

void ArchivingWindow::appendLine(const QString& line)
{
    m_memo->appendPlainText(line);
    m_memo->verticalScrollBar()->setValue(m_memo->verticalScrollBar()->maximum());
    // Show the line now: the next step may take a while.
    QCoreApplication::processEvents();
}

QString ArchivingWindow::badDateMessage(const QString& shown)
{
    return QStringLiteral("Hiányos vagy hibás dátum: \"%1\". Adja meg a napot teljesen, éééé.hh.nn alakban "
                          "(például %2); az archiválás nem indult el.")
            .arg(shown, QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyy.MM.dd")));
}

QString ArchivingWindow::futureDateMessage()
{
    return QStringLiteral("Az archiválás dátuma nem lehet későbbi a mai napnál; az archiválás nem indult el.");
}

QString ArchivingWindow::countFailedMessage()
{
    return QStringLiteral("Hiba: az archiválandó mérlegjegyek nem számolhatók meg; az archiválás nem indult el.");
}

void ArchivingWindow::onStart()
{
    if (m_running)
        return;
    // The date exactly as typed: an edit left half-way ("2026.12.") must not
    // turn into some other date, neither when the focus left the field nor
    // on Enter.
    const QString shown = static_cast<CutOffDateEdit*>(m_date)->typed().trimmed();
    const QString format = QStringLiteral("yyyy.MM.dd");
    const QDate cutOff = QDate::fromString(shown, format);
    if (!cutOff.isValid() || cutOff.toString(format) != shown) {
        m_ctx.prompt.message(badDateMessage(shown));
        m_date->setFocus();
        return;
    }
    if (cutOff > QDate::currentDate()) {
        m_ctx.prompt.message(futureDateMessage());
        m_date->setFocus();
        return;
    }
    Archiving run(m_ctx);
    const qint64 tickets = run.ticketsUpTo(cutOff);
    if (tickets < 0) {
        m_ctx.prompt.message(countFailedMessage());
        return;
    }
    if (!m_ctx.prompt.confirm(Archiving::confirmQuestion(cutOff, tickets)))
        return;
    setRunning(true);
    m_memo->clear();
    run.setLog([this](const QString& line) { appendLine(line); });
    run.run(cutOff);
    setRunning(false);
}

void ArchivingWindow::onBackup()
{
    if (m_running)
        return;
    setRunning(true);
    m_backupPath->setText(QStringLiteral("Mentés folyamatban ..."));
    QCoreApplication::processEvents();
    DatabaseBackup backup(m_ctx.data.settings());
    const QString path = backup.dump(DatabaseBackup::defaultFolder());
    setRunning(false);
    if (path.isEmpty()) {
        m_backupPath->clear();
        m_ctx.prompt.message(QStringLiteral("A biztonsági mentés nem sikerült: ") + backup.error());
        return;
    }
    // Both files belong to the backup: the register's dump and, beside it,
    // the alibi log's; a restore needs the two.
    QString files = path;
    if (!backup.alibiFile().isEmpty())
        files += QStringLiteral("\r") + backup.alibiFile() + QStringLiteral(" (alibi napló)");
    m_backupPath->setText(QStringLiteral("Mentés: ") + QString(files).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    m_ctx.prompt.message(QStringLiteral("A biztonsági mentés elkészült:\r") + files);
}
