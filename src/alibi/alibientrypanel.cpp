#include "alibientrypanel.h"

#include "data/textconv.h"

#include "alibi/alibigrid.h"
#include "alibi/alibilog.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTableView>

#include <algorithm>

namespace {
QLabel* makeValue(QWidget* parent, const QString& name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}
}   // namespace

AlibiEntryPanel::AlibiEntryPanel(QWidget* parent) : QGroupBox(QStringLiteral("Bejegyzés"), parent)
{
    setObjectName(QStringLiteral("GroupEntry"));
    auto* form = new QFormLayout(this);
    m_entryNumber = makeValue(this, QStringLiteral("LabelNumber"));
    m_time = makeValue(this, QStringLiteral("LabelTime"));
    m_workstation = makeValue(this, QStringLiteral("LabelWorkstation"));
    m_source = makeValue(this, QStringLiteral("LabelSource"));
    m_weight = makeValue(this, QStringLiteral("LabelWeight"));
    m_digits = makeValue(this, QStringLiteral("LabelDigits"));
    m_status = makeValue(this, QStringLiteral("LabelStatus"));
    m_port = makeValue(this, QStringLiteral("LabelPort"));
    m_chain = makeValue(this, QStringLiteral("LabelChain"));
    m_chain->setWordWrap(true);
    m_frame = new QPlainTextEdit(this);
    m_frame->setObjectName(QStringLiteral("MemoFrame"));
    m_frame->setReadOnly(true);
    m_frame->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_frame->setMaximumHeight(64);
    m_frame->setToolTip(QStringLiteral("A mérlegtől érkezett szöveg, ahogy a napló őrzi: a nem nyomtatható "
                                       "karakterek \\xHH alakban."));
    // Each caption names its value and is its buddy.
    auto addRow = [this, form](const QString& caption, QWidget* value) {
        auto* l = new QLabel(caption, this);
        QString name = value->objectName();
        name.remove(QRegularExpression(QStringLiteral("^(Label|Memo)")));
        l->setObjectName(QStringLiteral("Caption") + name);
        l->setBuddy(value);
        form->addRow(l, value);
    };
    addRow(QStringLiteral("Szám:"), m_entryNumber);
    addRow(QStringLiteral("Idő:"), m_time);
    addRow(QStringLiteral("Munkaállomás:"), m_workstation);
    addRow(QStringLiteral("Forrás:"), m_source);
    addRow(QStringLiteral("Súly:"), m_weight);
    addRow(QStringLiteral("Átvett számjegyek:"), m_digits);
    addRow(QStringLiteral("Mérleg állapota:"), m_status);
    addRow(QStringLiteral("Port:"), m_port);
    addRow(QStringLiteral("Nyers keret:"), m_frame);
    addRow(QStringLiteral("Láncérték:"), m_chain);
    m_links = AlibiGrid::make(this, QStringLiteral("GridLinks"),
            {QStringLiteral("Mérlegjegy"), QStringLiteral("Függő mérés"), QStringLiteral("Mérés"),
                    QStringLiteral("Irány")});
    m_links->setToolTip(QStringLiteral("A mérések és mérlegjegyek, amelyek ezt a súlyt használják."));
    auto* linksLabel = new QLabel(QStringLiteral("Mérlegjegyek, mérések:"), this);
    linksLabel->setBuddy(m_links);
    form->addRow(linksLabel);
    form->addRow(m_links);
}

namespace {

// The ticket of a link, with its void: a voided ticket and the one issued in
// its place share the entries of their weights.
QString ticketText(const AlibiLog::Link& l)
{
    if (l.ticket.isEmpty())
        return QStringLiteral("(függőben)");
    QString t = l.ticket;
    if (l.voided)
        t += l.replacement.isEmpty() ? QStringLiteral(" (SZTORNÓ)")
                                     : QStringLiteral(" (SZTORNÓ, helyette: %1)").arg(l.replacement);
    if (!l.replaces.isEmpty())
        t += QStringLiteral(" (a(z) %1. helyett)").arg(l.replaces);
    return t;
}

}   // namespace

void AlibiEntryPanel::clear()
{
    for (QLabel* l : {m_entryNumber, m_time, m_workstation, m_source, m_weight, m_digits, m_status, m_port, m_chain})
        l->clear();
    m_chain->setStyleSheet(QString());
    m_frame->clear();
    AlibiGrid::setRows(m_links, {});
}

void AlibiEntryPanel::showEntry(const AlibiEntry& e, AlibiLog& log, bool brokenByCheck)
{
    m_entryNumber->setText(QString::number(e.number));
    m_time->setText(e.time);
    m_workstation->setText(e.workstation);
    m_source->setText(e.source);
    // The weight as the program shows weights (decimal comma, no trailing
    // zeros), not the log's stored form.
    bool isNumber = false;
    const double kg = e.weight.toDouble(&isNumber);
    m_weight->setText((isNumber ? TextConv::number(kg) : e.weight) + QStringLiteral(" kg"));
    m_digits->setText(e.digits);
    m_status->setText(e.status);
    m_port->setText(e.port);
    m_frame->setPlainText(e.frame);
    // The entry against the one before it: whether its own fields still
    // give its chain value (the whole chain: "Napló ellenőrzése").
    QByteArray previous = AlibiEntry::firstPrevious();
    if (e.number > 1) {
        const std::optional<AlibiEntry> p = log.entry(e.number - 1);
        previous = p ? p->chain : QByteArray();
    }
    const bool matches = !brokenByCheck && !previous.isEmpty() && e.computeChain(previous) == e.chain;
    m_chain->setText(QString::fromLatin1(e.chain)
            + (matches ? QStringLiteral("\n(egyezik)") : QStringLiteral("\n(NEM EGYEZIK!)")));
    // A broken entry stands out.
    m_chain->setStyleSheet(matches ? QString() : QStringLiteral("color: red; font-weight: bold;"));

    // A weight carried to its ticket is linked twice: pending, then with
    // the ticket number. The pending row is shown only while there is
    // no ticket row for the same measurement.
    const QList<AlibiLog::Link> links = log.links(e.number);
    QList<AlibiLog::Link> shown;
    for (const AlibiLog::Link& l : links) {
        if (l.ticket.isEmpty()) {
            const bool carried = std::any_of(links.begin(), links.end(), [&l](const AlibiLog::Link& t) {
                return !t.ticket.isEmpty() && t.pendingId == l.pendingId && t.slot == l.slot
                        && t.direction == l.direction;
            });
            if (carried)
                continue;
        }
        shown << l;
    }
    QList<QStringList> rows;
    for (const AlibiLog::Link& l : shown) {
        rows << QStringList {ticketText(l), QString::number(l.pendingId),
                l.slot == 2 ? QStringLiteral("2 (pót)") : QStringLiteral("1 (jármű)"),
                l.direction == AlibiLog::In ? QStringLiteral("bemérés") : QStringLiteral("kimérés")};
    }
    AlibiGrid::setRows(m_links, std::move(rows));
}
