#include "voiddialog.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "registers/fieldcheck.h"
#include "tickets/ticketvoid.h"
#include "ui/controls.h"
#include "ui/dialogkeys.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

VoidDialog::VoidDialog(AppContext& ctx, const QString& ticket, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_ticket(ticket)
{
    setObjectName(QStringLiteral("SztornoDialog"));
    setWindowTitle(QStringLiteral("Mérlegjegy sztornózása"));
    auto* lay = new QGridLayout(this);
    lay->addWidget(new QLabel(QStringLiteral("A(z) %1. mérlegjegy sztornózása. A mérlegjegy megmarad, de sehol "
                                             "sem számít: a készletből és az archiválásból kimarad.")
                                      .arg(ticket),
                           this),
            0, 0, 1, 2);
    auto* label = new QLabel(QStringLiteral("Sztornó oka:"), this);
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("reason"));
    m_reason->setToolTip(QStringLiteral("Miért érvénytelen a mérlegjegy (kötelező, legfeljebb %1 karakter)")
                                 .arg(TicketVoid::ReasonWidth));
    m_reason->setMinimumWidth(420);
    label->setBuddy(m_reason);
    lay->addWidget(label, 1, 0);
    lay->addWidget(m_reason, 1, 1);
    QPushButton* ok = makeButton(
            this, QStringLiteral("Button1"), QStringLiteral("Sztornó"), QStringLiteral("A mérlegjegy sztornózása"));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addLayout(buttons, 2, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, &VoidDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    DialogKeys::install(this, ok, cancel);
}

void VoidDialog::onOk()
{
    const QString reason = m_reason->text();
    std::optional<QString> bad = FieldCheck::check({QStringLiteral("Sztornó oka"), TicketVoid::ReasonWidth}, reason);
    if (!bad && !TicketVoid::reasonRefusal(reason).isEmpty())
        bad = TicketVoid::reasonRefusal(reason);
    if (bad) {
        m_ctx.prompt.message(*bad);
        m_reason->setFocus();
        return;
    }
    if (!m_ctx.prompt.confirm(TicketVoid::confirmQuestion(m_ticket)))
        return;
    const Outcome o = TicketVoid(m_ctx).run(m_ticket, reason);
    if (o.done()) {
        m_voided = true;
        accept();
    } else if (o.result == Outcome::Refused && o.focus.isEmpty()) {
        reject();   // nothing left to do here: voided meanwhile, or gone
    } else {
        m_reason->setFocus();
    }
}
