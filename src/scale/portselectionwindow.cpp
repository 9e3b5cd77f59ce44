#include "portselectionwindow.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "scale/portsetting.h"
#include "ui/windowhost.h"

#include "context/prompt.h"
#include "ui/controls.h"
#include "ui/dialogkeys.h"
#include "ui/digitedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PortSelectionWindow::PortSelectionWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm16"));
    setWindowTitle(QStringLiteral("Soros port beállítása"));

    m_current = new QLabel(this);
    m_current->setObjectName(QStringLiteral("Label2"));
    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("PortSource"));
    auto* caption = new QLabel(QStringLiteral("Soros port száma:"), this);
    caption->setObjectName(QStringLiteral("Label1"));

    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("ComboBox1"));
    m_port->setEditable(true);
    for (int i = 1; i <= 16; ++i)
        m_port->addItem(QStringLiteral("Com%1").arg(i));
    for (int i = 0; i < 3; ++i)
        m_port->addItem(QString());
    // Adapters actually plugged in, so the operator can pick the USB one.
    m_port->addItems(PortSetting::presentDevices());
    m_port->setCurrentIndex(-1);
    m_port->setEditText(QString());
    caption->setBuddy(m_port);

    // An indicator that sends all the time: "Mérés" takes its newest weight.
    m_continuous = new QCheckBox(QStringLiteral("a mérleg folyamatosan küld"), this);
    m_continuous->setObjectName(QStringLiteral("CheckBox1"));
    m_continuous->setChecked(PortSetting::continuous());
    // The port belongs to this workstation; the site row only holds the
    // default of the workstations that have none.
    m_siteDefault = new QCheckBox(QStringLiteral("a telephely alapértéke is legyen (a saját porttal nem "
                                                 "rendelkező munkaállomásoknak)"),
            this);
    m_siteDefault->setObjectName(QStringLiteral("SiteDefault"));

    // The scale's capacity, this workstation's: a typed weight above it is refused.
    m_capacity = new DigitEdit(this);
    m_capacity->setObjectName(QStringLiteral("CapacityEdit"));
    m_capacity->setToolTip(QStringLiteral("A mérleg méréshatára kilogrammban; ennél nagyobb súly nem vihető be."));
    m_capacity->setText(QString::number(PortSetting::capacityKg()));
    auto* capacityLabel = new QLabel(QStringLiteral("Méréshatár (kg)"), this);
    capacityLabel->setBuddy(m_capacity);
    auto* capacityRow = new QHBoxLayout;
    capacityRow->addWidget(capacityLabel);
    capacityRow->addWidget(m_capacity, 1);

    m_save = makeButton(this, QStringLiteral("Button7"), QStringLiteral("Mentés"), QStringLiteral("Nyomtatás."));
    m_cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_current);
    layout->addWidget(m_source);
    layout->addWidget(caption);
    layout->addWidget(m_port);
    layout->addWidget(m_continuous);
    layout->addWidget(m_siteDefault);
    layout->addLayout(capacityRow);
    layout->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, &PortSelectionWindow::onSave);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter presses the focused button, Escape is "Mégsem".
    DialogKeys::install(this, nullptr, m_cancel);
    // The site row as it is now, not as the data set read it at some
    // earlier moment (the first start, another workstation).
    try {
        m_ctx.data.ZTable8.refresh();
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
    }
    showStored();
}

void PortSelectionWindow::showStored()
{
    QString name;
    bool own = false;
    try {
        name = PortSetting::stored(m_ctx, &own);
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
    }
    m_current->setText(QStringLiteral("Jelenlegi port: ") + name);
    m_source->setText(own ? QStringLiteral("(ennek a munkaállomásnak a saját beállítása)")
                          : QStringLiteral("(a telephely alapértéke; ennek a munkaállomásnak nincs saját portja)"));
}

void PortSelectionWindow::onSave()
{
    const QString name = m_port->currentText();
    if (m_siteDefault->isChecked())
        PortSetting::save(m_ctx, name);
    if (!PortSetting::setWorkstationPort(name))
        m_ctx.prompt.message(QStringLiteral("Hiba: a mérleg portja nem menthető a beállítások fájljába."));
    if (!PortSetting::setContinuous(m_continuous->isChecked()))
        m_ctx.prompt.message(QStringLiteral("Hiba: a mérleg küldési módja nem menthető a beállítások fájljába."));
    const int capacity = m_capacity->text().toInt();
    if (capacity <= 0)
        m_ctx.prompt.message(QStringLiteral("A méréshatár pozitív egész szám (kg)!"));
    else if (!PortSetting::setCapacityKg(capacity))
        m_ctx.prompt.message(QStringLiteral("Hiba: a méréshatár nem menthető a beállítások fájljába."));
    m_capacity->setText(QString::number(PortSetting::capacityKg()));
    showStored();
}
