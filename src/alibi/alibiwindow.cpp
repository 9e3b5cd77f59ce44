#include "alibiwindow.h"

#include "alibi/alibientrypanel.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "ui/controls.h"
#include "ui/digitedit.h"

#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QSet>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Alibi napló");

QString grouped(qint64 n)
{
    return QLocale(QLocale::Hungarian).toString(n);
}

}   // namespace

AlibiWindow::AlibiWindow(AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_log(ctx.data), m_step(new QTimer(this))
{
    setObjectName(QStringLiteral("TFormAlibi"));
    setWindowTitle(kCaption);
    resize(1180, 700);
    m_step->setSingleShot(true);
    m_step->setInterval(0);
    connect(m_step, &QTimer::timeout, this, &AlibiWindow::verifyStep);

    // Finding: by entry number, by ticket number, by day.
    auto* find = new QGroupBox(QStringLiteral("Keresés"), this);
    find->setObjectName(QStringLiteral("GroupFind"));
    auto* findGrid = new QGridLayout(find);
    auto* numberLabel = new QLabel(QStringLiteral("Bejegyzés száma:"), find);
    m_number = new DigitEdit(find);
    m_number->setObjectName(QStringLiteral("EditNumber"));
    m_number->setToolTip(QStringLiteral("A napló bejegyzésének száma (a mérlegjegyen a súly mellett áll)."));
    numberLabel->setBuddy(m_number);
    m_findNumber = makeButton(find, QStringLiteral("ButtonFindNumber"), QStringLiteral("Keresés"),
            QStringLiteral("A megadott számú bejegyzés megjelenítése."));
    auto* ticketLabel = new QLabel(QStringLiteral("Mérlegjegy száma:"), find);
    m_ticket = new QLineEdit(find);
    m_ticket->setObjectName(QStringLiteral("EditTicket"));
    m_ticket->setToolTip(QStringLiteral("A mérlegjegy száma: a súlyai bejegyzései."));
    ticketLabel->setBuddy(m_ticket);
    m_findTicket = makeButton(find, QStringLiteral("ButtonFindTicket"), QStringLiteral("Keresés"),
            QStringLiteral("A mérlegjegy súlyainak bejegyzései."));
    auto* dayLabel = new QLabel(QStringLiteral("Nap:"), find);
    m_day = new QDateEdit(QDate::currentDate(), find);
    m_day->setObjectName(QStringLiteral("DateEditDay"));
    m_day->setDisplayFormat(QStringLiteral("yyyy.MM.dd"));
    m_day->setCalendarPopup(true);
    m_day->setToolTip(QStringLiteral("A nap, amelynek bejegyzései kellenek (a szerver ideje szerint)."));
    dayLabel->setBuddy(m_day);
    m_findDay = makeButton(find, QStringLiteral("ButtonFindDay"), QStringLiteral("Keresés"),
            QStringLiteral("A nap összes bejegyzése."));
    findGrid->addWidget(numberLabel, 0, 0);
    findGrid->addWidget(m_number, 0, 1);
    findGrid->addWidget(m_findNumber, 0, 2);
    findGrid->addWidget(ticketLabel, 1, 0);
    findGrid->addWidget(m_ticket, 1, 1);
    findGrid->addWidget(m_findTicket, 1, 2);
    findGrid->addWidget(dayLabel, 2, 0);
    findGrid->addWidget(m_day, 2, 1);
    findGrid->addWidget(m_findDay, 2, 2);
    findGrid->setColumnStretch(3, 1);

    // What was found, and the chosen entry.
    m_entries = AlibiGrid::make(this, QStringLiteral("GridEntries"),
            {QStringLiteral("Szám"), QStringLiteral("Idő"), QStringLiteral("Munkaállomás"), QStringLiteral("Forrás"),
                    QStringLiteral("Súly (kg)")});
    m_entries->setToolTip(QStringLiteral("A talált bejegyzések; a kijelölt részletei jobbra láthatók."));

    m_detail = new AlibiEntryPanel(this);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_entries, 1);
    middle->addWidget(m_detail, 1);

    // The check of the whole chain.
    m_verify = makeButton(this, QStringLiteral("ButtonVerify"), QStringLiteral("Napló ellenőrzése"),
            QStringLiteral("A teljes napló láncának ellenőrzése az első bejegyzéstől."));
    m_stop = makeButton(this, QStringLiteral("ButtonStop"), QStringLiteral("Megszakítás"),
            QStringLiteral("Az ellenőrzés leállítása."));
    m_stop->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressVerify"));
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("LabelProgress"));
    m_close = makeButton(
            this, QStringLiteral("ButtonClose"), QStringLiteral("Bezárás"), QStringLiteral("Kilépés, ablak bezárás"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_verify);
    bottom->addWidget(m_stop);
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(find);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    layout->addWidget(m_progressText);

    connect(m_findNumber, &QPushButton::clicked, this, &AlibiWindow::onFindNumber);
    connect(m_number, &QLineEdit::returnPressed, this, &AlibiWindow::onFindNumber);
    connect(m_findTicket, &QPushButton::clicked, this, &AlibiWindow::onFindTicket);
    connect(m_ticket, &QLineEdit::returnPressed, this, &AlibiWindow::onFindTicket);
    connect(m_findDay, &QPushButton::clicked, this, &AlibiWindow::onFindDay);
    connect(m_entries, &QTableWidget::currentCellChanged, this, [this](int row) { showEntry(row); });
    connect(m_verify, &QPushButton::clicked, this, &AlibiWindow::onVerify);
    connect(m_stop, &QPushButton::clicked, this, &AlibiWindow::onStop);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    // Closing the window ends a check in progress.
    connect(this, &QDialog::finished, this, [this] {
        if (m_verifier)
            endVerification(QStringLiteral("Az ellenőrzés megszakítva."));
    });
}

AlibiWindow::~AlibiWindow() = default;

void AlibiWindow::reportReadFailure(const QString& text)
{
    m_ctx.prompt.error(QStringLiteral("Az alibi napló nem olvasható: ") + text, kCaption);
}

void AlibiWindow::onFindNumber()
{
    bool ok = false;
    const qint64 n = m_number->text().trimmed().toLongLong(&ok);
    if (!ok || n < 1) {
        m_ctx.prompt.message(QStringLiteral("Adja meg a bejegyzés számát (1, 2, ...)!"));
        return;
    }
    try {
        const std::optional<AlibiEntry> e = m_log.entry(n);
        if (!e) {
            listEntries({});
            m_ctx.prompt.message(QStringLiteral("Nincs %1. számú bejegyzés a naplóban.").arg(n));
            return;
        }
        listEntries({*e});
    } catch (const DbError& e) {
        reportReadFailure(e.shownText());
    }
}

void AlibiWindow::onFindTicket()
{
    const QString ticket = m_ticket->text().trimmed();
    if (ticket.isEmpty()) {
        m_ctx.prompt.message(QStringLiteral("Adja meg a mérlegjegy számát!"));
        return;
    }
    try {
        QList<AlibiEntry> entries;
        QSet<qint64> seen;
        for (const AlibiLog::Link& l : m_log.linksOfTicket(ticket)) {
            if (seen.contains(l.number))
                continue;
            seen.insert(l.number);
            if (const std::optional<AlibiEntry> e = m_log.entry(l.number))
                entries << *e;
        }
        listEntries(entries);
        if (entries.isEmpty())
            m_ctx.prompt.message(QStringLiteral("A(z) %1 számú mérlegjegyhez nincs bejegyzés a naplóban.").arg(ticket));
    } catch (const DbError& e) {
        reportReadFailure(e.shownText());
    }
}

void AlibiWindow::onFindDay()
{
    const QDate day = m_day->date();
    try {
        const QList<AlibiEntry> entries = m_log.entriesOfDay(day);
        listEntries(entries);
        if (entries.isEmpty())
            m_ctx.prompt.message(QStringLiteral("%1 napon nincs bejegyzés a naplóban.")
                                         .arg(day.toString(QStringLiteral("yyyy.MM.dd"))));
    } catch (const DbError& e) {
        reportReadFailure(e.shownText());
    }
}

void AlibiWindow::listEntries(const QList<AlibiEntry>& entries)
{
    m_found = entries;
    const QSignalBlocker block(m_entries);
    m_entries->clearContents();
    m_entries->setRowCount(int(entries.size()));
    for (int r = 0; r < entries.size(); ++r) {
        const AlibiEntry& e = entries[r];
        bool isNumber = false;
        const double kg = e.weight.toDouble(&isNumber);
        AlibiGrid::setRow(m_entries, r,
                {QString::number(e.number), e.time, e.workstation, e.source,
                        isNumber ? TextConv::number(kg) : e.weight});
        m_entries->item(r, 0)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_entries->item(r, 4)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    m_entries->resizeColumnsToContents();
    if (entries.isEmpty()) {
        m_detail->clear();
        return;
    }
    m_entries->setCurrentCell(0, 0);
    showEntry(0);
}

void AlibiWindow::showEntry(int row)
{
    if (row < 0 || row >= m_found.size()) {
        m_detail->clear();
        return;
    }
    try {
        m_detail->showEntry(m_found[row], m_log, m_found[row].number == m_brokenByCheck);
    } catch (const DbError& err) {
        reportReadFailure(err.shownText());
    }
}

QString AlibiWindow::verdict(const AlibiLog::Verification& v)
{
    switch (v.problem) {
    case AlibiLog::Verification::None:
        return QStringLiteral("A napló ép: %1 bejegyzés ellenőrizve.").arg(v.verified);
    case AlibiLog::Verification::ChainMismatch:
        return QStringLiteral("A napló sérült: a(z) %1. bejegyzés nem egyezik!").arg(v.firstBroken);
    case AlibiLog::Verification::NumberGap:
        return QStringLiteral("A napló sérült: a(z) %1. bejegyzés hiányzik!").arg(v.expected);
    case AlibiLog::Verification::MissingEntry:
        return QStringLiteral("A napló sérült: a(z) %1. bejegyzés hiányzik, pedig mérés hivatkozik rá!")
                .arg(v.firstBroken);
    default:
        break;
    }
    const QString m = v.message();
    return m.left(1).toUpper() + m.mid(1);
}

void AlibiWindow::setBusy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*> {
                 m_findNumber, m_findTicket, m_findDay, m_number, m_ticket, m_day, m_verify, m_entries})
        w->setEnabled(!busy);
    m_stop->setEnabled(busy);
}

void AlibiWindow::onVerify()
{
    if (m_verifier)
        return;
    try {
        m_verifier = std::make_unique<AlibiLog::Verifier>(m_log, m_pageSize);
    } catch (const DbError& e) {
        reportReadFailure(e.shownText());
        return;
    }
    setBusy(true);
    m_progress->setValue(0);
    m_progressText->setText(QStringLiteral("Ellenőrzés: 0 / %1 bejegyzés").arg(grouped(m_verifier->total())));
    // One page per turn of the event loop: the window answers between pages.
    m_step->start();
}

void AlibiWindow::verifyStep()
{
    if (!m_verifier)
        return;
    bool more = false;
    try {
        more = m_verifier->step();
    } catch (const DbError& e) {
        endVerification(QStringLiteral("Az ellenőrzés nem fejeződött be."));
        reportReadFailure(e.shownText());
        return;
    }
    // Showing the progress lets events run (a click on "Megszakítás" may end
    // the check there): everything needed is read before.
    const qint64 checked = m_verifier->checked();
    const qint64 total = m_verifier->total();
    const AlibiLog::Verification v = m_verifier->result();
    if (!more)
        m_verifier.reset();
    // A check that has ended (whole, or at a broken entry) fills the bar.
    m_progress->setValue(!more ? 1000 : int(qMin<qint64>(1000, checked * 1000 / qMax<qint64>(1, total))));
    if (more) {
        if (!m_verifier)
            return;   // stopped while the progress was shown
        m_progressText->setText(QStringLiteral("Ellenőrzés: %1 / %2 bejegyzés").arg(grouped(checked), grouped(total)));
        m_step->start();
        return;
    }
    const QString text = verdict(v);
    m_brokenByCheck = v.ok() ? 0 : v.firstBroken;
    endVerification(text);
    showEntry(m_entries->currentRow());
    if (v.ok())
        m_ctx.prompt.information(text, kCaption);
    else
        m_ctx.prompt.error(text, kCaption);
}

void AlibiWindow::onStop()
{
    if (!m_verifier)
        return;
    endVerification(QStringLiteral("Az ellenőrzés megszakítva: %1 bejegyzés ép eddig.")
                            .arg(grouped(m_verifier->result().verified)));
}

void AlibiWindow::endVerification(const QString& status)
{
    m_step->stop();
    m_verifier.reset();
    m_progressText->setText(status);
    setBusy(false);
    emit verificationEnded();
}
