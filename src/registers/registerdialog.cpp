#include "registerdialog.h"

#include "context/appcontext.h"
#include "registers/registermember.h"
#include "registers/registerstate.h"
#include "ui/controls.h"
#include "ui/digitedit.h"
#include "ui/dialogkeys.h"
#include "ui/enterfocus.h"
#include "context/prompt.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

RegisterDialog::RegisterDialog(AppContext& ctx, const RegisterMember& member, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_member(member), m_entry(ctx, member)
{
    setObjectName(m_member.dialogWindow);
    setWindowTitle(m_member.dialogTitle);

    auto* grid = new QGridLayout;
    int row = 0;
    for (const RegisterField& f : m_member.fields) {
        QLineEdit* edit = f.has(RegisterField::Digits) ? new DigitEdit(this) : new QLineEdit(this);
        edit->setObjectName(f.control);
        edit->setReadOnly(f.has(RegisterField::ReadOnly));
        m_edits.insert(f.control, edit);
        if (f.has(RegisterField::Hidden)) {
            edit->hide();
            continue;
        }
        auto* label = new QLabel(f.label, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        if (!f.suffix.isEmpty())
            grid->addWidget(new QLabel(f.suffix, this), row, 2);
        ++row;
    }
    // Room for a name of the register's widest column (45 characters).
    grid->setColumnMinimumWidth(1, 300);

    QPushButton* ok
            = makeButton(this, QStringLiteral("Button2"), QStringLiteral("OK"), QStringLiteral("Adatok letárolása"));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button3"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés letárolás nélkül"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &RegisterDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    EnterFocus::install(this);
    DialogKeys::install(this, ok, cancel);
}

bool RegisterDialog::prepare()
{
    RegisterEntry::Values v;
    if (m_entry.isNewMode()) {
        v = m_entry.initialValues();
    } else {
        setWindowTitle(registerState(m_ctx).dialogMode);
        const std::optional<RegisterEntry::Values> row = m_entry.readCurrent();
        if (!row) {
            m_ctx.prompt.message(m_member.notReadable);
            return false;
        }
        v = *row;
    }
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it)
        it.value()->setText(v.value(it.key()));
    return true;
}

RegisterEntry::Values RegisterDialog::values() const
{
    RegisterEntry::Values v;
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it)
        v.insert(it.key(), it.value()->text());
    return v;
}

void RegisterDialog::onOk()
{
    const RegisterEntry::SaveOutcome r = m_entry.save(values());
    // A refused statement re-ran the list too: the operator keeps what was typed.
    if (r.listRerun)
        m_listRerun = true;
    switch (r.result) {
    case Outcome::Refused:
        if (QLineEdit* e = m_edits.value(r.focus)) {
            e->setFocus();
            e->selectAll();
        }
        break;
    case Outcome::Done:
        accept();
        break;
    case Outcome::NotStarted:
    case Outcome::Failed:
        break;
    }
}
