#include "companydatawindow.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "registers/companydata.h"
#include "ui/controls.h"

#include "ui/dialogkeys.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CompanyDataWindow::CompanyDataWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm22"));
    setWindowTitle(QStringLiteral("Cégnév átírása"));

    // The stored values of the site row: the operator corrects what is
    // there, and a write never replaces the real data with sample texts.
    const CompanyData stored = CompanyData::read(m_ctx);
    m_opened = stored;
    const QString initial[5] = {stored.name, stored.postcode, stored.town, stored.street, stored.taxNumber};
    for (int i = 0; i < 5; ++i) {
        m_edits[i] = new QLineEdit(initial[i], this);
        m_edits[i]->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
    }
    m_edits[1]->setMaximumWidth(70);
    m_edits[1]->setToolTip(QStringLiteral("Irányítószám"));
    m_edits[2]->setToolTip(QStringLiteral("Helység"));
    m_edits[3]->setToolTip(QStringLiteral("Utca, házszám"));

    auto* nameLabel = new QLabel(QStringLiteral("Név:"), this);
    nameLabel->setBuddy(m_edits[0]);
    auto* addressLabel = new QLabel(QStringLiteral("Cim:"), this);
    addressLabel->setBuddy(m_edits[1]);
    auto* taxLabel = new QLabel(QStringLiteral("Adószám::"), this);
    taxLabel->setBuddy(m_edits[4]);

    auto* grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_edits[0], 0, 1);
    auto* address = new QHBoxLayout;
    address->addWidget(m_edits[1]);
    address->addWidget(m_edits[2], 1);
    address->addWidget(m_edits[3], 2);
    grid->addWidget(addressLabel, 1, 0);
    grid->addLayout(address, 1, 1);
    grid->addWidget(taxLabel, 2, 0);
    grid->addWidget(m_edits[4], 2, 1);

    QPushButton* write = makeButton(this, QStringLiteral("Button1"), QStringLiteral("Felülírás"),
            QStringLiteral("Tovább az mérlegelési adatbevitelhez."));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés letárolás nélkül"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write);
    buttons->addWidget(cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);
    resize(560, 160);

    connect(write, &QPushButton::clicked, this, &CompanyDataWindow::onWrite);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    DialogKeys::install(this, write, cancel);
}

void CompanyDataWindow::onWrite()
{
    CompanyData d {m_edits[0]->text(), m_edits[1]->text(), m_edits[2]->text(), m_edits[3]->text(), m_edits[4]->text()};
    if (const std::optional<CompanyData::Refusal> r = d.check()) {
        m_ctx.prompt.message(r->message);
        m_edits[r->field]->setFocus();
        m_edits[r->field]->selectAll();
        return;
    }
    // Written over what this window showed: a change made elsewhere since
    // is told and shown, never lost unseen.
    CompanyData now;
    const Outcome o = d.write(m_ctx, m_opened, &now);
    if (o.result == Outcome::Refused) {
        // The stored values come into the boxes this operator left as they
        // were; a box changed here keeps what was typed.
        for (int i = 0; i < 5; ++i)
            if (m_edits[i]->text() == m_opened.field(i))
                m_edits[i]->setText(now.field(i));
        m_opened = now;
        if (QWidget* w = findChild<QWidget*>(o.focus))
            w->setFocus();
    } else if (o.done()) {
        m_opened = now;
    }
}
