#include "reissuedialog.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/textconv.h"
#include "registers/fieldcheck.h"
#include "tickets/ticketvoid.h"
#include "ui/controls.h"
#include "ui/dialogkeys.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

ReissueDialog::ReissueDialog(AppContext& ctx, TicketReissue& operation, const ReissueSource& source, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_op(operation), m_source(source)
{
    setObjectName(QStringLiteral("JavitasDialog"));
    setWindowTitle(QStringLiteral("Mérlegjegy javítása"));
    const ReissueSource& s = source;
    const bool delivery = s.movement == Movement::Delivery;
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel(
            QStringLiteral("A(z) %1. mérlegjegy sztornózva lesz, helyette új számon javított mérlegjegy készül. "
                           "A súlyok, az időpontok, a rendszám és az irány nem változnak.")
                    .arg(s.ticket),
            this));

    // What stays: shown only.
    auto* fixed = new QLabel(this);
    fixed->setObjectName(QStringLiteral("fixedData"));
    fixed->setText(QStringLiteral("Irány: %1   Dátum: %2   Be: %3   Ki: %4   Rendszám: %5\n"
                                  "Mérés1: be %6 kg, ki %7 kg   Mérés2 (pótkocsi): be %8 kg, ki %9 kg")
                           .arg(delivery ? QStringLiteral("BE") : QStringLiteral("KI"), TextConv::date(s.date),
                                   s.inTime, s.outTime, s.plate)
                           .arg(TextConv::number(s.in[0]), TextConv::number(s.out[0]), TextConv::number(s.in[1]),
                                   TextConv::number(s.out[1])));
    lay->addWidget(fixed);

    auto* box = new QGroupBox(QStringLiteral("Javítható adatok"), this);
    auto* form = new QFormLayout(box);
    auto row = [&](const QString& label, QLineEdit* e) {
        auto* l = new QLabel(label, box);
        l->setBuddy(e);
        form->addRow(l, e);
    };
    const ReissueFields& f = s.fields;
    row(QStringLiteral("Termelő kód:"),
            edit(QStringLiteral("producer"), f.producer, QStringLiteral("A termelő kódja")));
    row(QStringLiteral("Termény kód (mérés1):"),
            edit(QStringLiteral("Edit5"), f.crop[0], QStringLiteral("A termény kódja, 1. mérés")));
    row(QStringLiteral("Raktár kód (mérés1):"),
            edit(QStringLiteral("Edit6"), f.warehouse[0], QStringLiteral("A raktár kódja, 1. mérés")));
    row(QStringLiteral("Termény kód (pótkocsi):"),
            edit(QStringLiteral("Edit11"), f.crop[1], QStringLiteral("A termény kódja, 2. mérés (pótkocsi)")));
    row(QStringLiteral("Raktár kód (pótkocsi):"),
            edit(QStringLiteral("Edit12"), f.warehouse[1], QStringLiteral("A raktár kódja, 2. mérés (pótkocsi)")));
    row(QStringLiteral("Tisztaság (%):"), edit(QStringLiteral("Edit32"), f.purity, QStringLiteral("Tisztaság, %")));
    row(QStringLiteral("Viztartalom (%):"),
            edit(QStringLiteral("Edit33"), f.moisture, QStringLiteral("Víztartalom, %")));
    row(QStringLiteral("Megjegyzés:"), edit(QStringLiteral("Edit31"), f.remark, QStringLiteral("Megjegyzés")));
    row(QStringLiteral("Sztornó oka:"),
            edit(QStringLiteral("reason"), QString(),
                    QStringLiteral("Miért érvénytelen a régi mérlegjegy (kötelező, legfeljebb %1 karakter)")
                            .arg(TicketVoid::ReasonWidth)));
    // Measurement 2 has its own crop and warehouse only with a trailer.
    for (const char* name : {"Edit11", "Edit12"})
        m_edits.value(QLatin1String(name))->setEnabled(s.trailer);
    lay->addWidget(box);

    QPushButton* ok = makeButton(this, QStringLiteral("Button1"), QStringLiteral("Javítás"),
            QStringLiteral("A régi mérlegjegy sztornózása és a javított kiadása"));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &ReissueDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    DialogKeys::install(this, ok, cancel);
}

QLineEdit* ReissueDialog::edit(const QString& name, const QString& text, const QString& hint)
{
    auto* e = new QLineEdit(text, this);
    e->setObjectName(name);
    e->setToolTip(hint);
    m_edits.insert(name, e);
    return e;
}

void ReissueDialog::onOk()
{
    auto text = [this](const char* name) { return m_edits.value(QLatin1String(name))->text(); };
    // Length and characters first, as the entry dialogs check them.
    const struct {
        const char* name;
        const char* label;
        int width;
    } texts[] = {{"producer", "Termelő kód", 5}, {"Edit5", "Termény kód (mérés1)", 5},
            {"Edit6", "Raktár kód (mérés1)", 5}, {"Edit11", "Termény kód (pótkocsi)", 5},
            {"Edit12", "Raktár kód (pótkocsi)", 5}, {"Edit31", "Megjegyzés", 200},
            {"reason", "Sztornó oka", TicketVoid::ReasonWidth}};
    for (const auto& t : texts) {
        if (const std::optional<QString> bad
                = FieldCheck::check({QString::fromUtf8(t.label), t.width}, text(t.name).trimmed())) {
            m_ctx.prompt.message(*bad);
            m_edits.value(QLatin1String(t.name))->setFocus();
            return;
        }
    }
    ReissueFields f;
    f.producer = text("producer");
    f.crop[0] = text("Edit5");
    f.warehouse[0] = text("Edit6");
    f.crop[1] = text("Edit11");
    f.warehouse[1] = text("Edit12");
    f.purity = text("Edit32");
    f.moisture = text("Edit33");
    f.remark = text("Edit31");
    f.reason = text("reason");
    const QString badReason = TicketVoid::reasonRefusal(f.reason);
    if (!badReason.isEmpty()) {
        m_ctx.prompt.message(badReason);
        m_edits.value(QStringLiteral("reason"))->setFocus();
        return;
    }
    if (!m_ctx.prompt.confirm(TicketVoid::confirmQuestion(m_source.ticket)))
        return;
    const ReissueOutcome o = m_op.store(m_source, f);
    if (o.done()) {
        m_newTicket = o.ticketNumber;
        accept();
    } else if (o.result == Outcome::Refused && o.focus.isEmpty()) {
        reject();   // voided or archived meanwhile: nothing to correct here
    } else if (QLineEdit* e = m_edits.value(o.focus)) {
        e->setFocus();
        e->selectAll();
    }
}
