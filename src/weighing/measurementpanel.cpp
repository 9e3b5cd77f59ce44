#include "measurementpanel.h"

#include "ui/controls.h"
#include "ui/digitedit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const MeasurementPanel::Names MeasurementPanel::First = {QStringLiteral("Panel2"), QStringLiteral("1"), 1, 2, 3, 5, 4,
        6, 2, 3, 4, QStringLiteral("Elsö mérési adat. Ezen adattal számol a program")};
const MeasurementPanel::Names MeasurementPanel::Second = {QStringLiteral("Panel3"), QStringLiteral("2"), 7, 8, 9, 11,
        10, 12, 6, 7, 8, QStringLiteral("Második (pótkocsi) mérési adat. Ezen adattal számol a program")};

namespace {

QString edit(int n)
{
    return QStringLiteral("Edit%1").arg(n);
}

QLineEdit* box(QWidget* parent, int n, const QString& hint, bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(edit(n));
    e->setToolTip(hint);
    e->setReadOnly(readOnly);
    return e;
}

QPushButton* button(QWidget* parent, int n, const QString& text, const QString& hint)
{
    return makeButton(parent, QStringLiteral("Button%1").arg(n), text, hint);
}

}   // namespace

MeasurementPanel::MeasurementPanel(const Names& n, QWidget* parent) : QFrame(parent)
{
    setObjectName(n.panel);
    setFrameShape(QFrame::StyledPanel);

    auto* caption = new QLabel(n.caption, this);
    QFont f = caption->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.6);
    caption->setFont(f);

    m_weight = new DigitEdit(this);
    m_weight->setObjectName(edit(n.weight));
    m_weight->setToolTip(n.weightHint);
    m_weight->setText(QStringLiteral("0"));
    m_weight->setAlignment(Qt::AlignRight);
    QFont big = m_weight->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    m_weight->setFont(big);
    m_weight->setMinimumWidth(140);
    auto* weightLabel = new QLabel(QStringLiteral("Mértsúly"), this);
    weightLabel->setBuddy(m_weight);
    auto* unit = new QLabel(QStringLiteral("kg"), this);

    m_scale = box(this, n.scale, QStringLiteral("Mérleg által mért adat"), true);
    m_scale->setText(QStringLiteral("0"));
    m_scale->setAlignment(Qt::AlignRight);
    auto* scaleLabel = new QLabel(QStringLiteral("Mérleg"), this);
    scaleLabel->setBuddy(m_scale);
    m_read = button(this, n.read, QStringLiteral("Mérés"), QStringLiteral("Mérleg lekérdezése"));

    m_crop = button(this, n.crop, QStringLiteral("Termény"), QStringLiteral("Milyen terményt szállít?"));
    m_cropName = box(this, n.cropName, QStringLiteral("Termény megnevezése"), true);
    m_cropCode = box(this, n.cropCode, QStringLiteral("Terménykód"), false);
    m_cropCode->setMaximumWidth(70);
    auto* cropLabel = new QLabel(QStringLiteral("tKod"), this);
    cropLabel->setBuddy(m_cropCode);

    m_store = button(this, n.store, QStringLiteral("Raktár"), QStringLiteral("Melyik raktár?"));
    m_storeName = box(this, n.storeName, QStringLiteral("Raktár neve"), true);
    m_storeCode = box(this, n.storeCode, QStringLiteral("Raktárkód"), false);
    m_storeCode->setMaximumWidth(70);
    auto* storeLabel = new QLabel(QStringLiteral("kKod"), this);
    storeLabel->setBuddy(m_storeCode);

    auto* grid = new QGridLayout(this);
    grid->addWidget(caption, 0, 0, 1, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(weightLabel, 1, 0);
    grid->addWidget(m_weight, 1, 1, 1, 2);
    grid->addWidget(unit, 1, 3);
    grid->addWidget(scaleLabel, 2, 0);
    grid->addWidget(m_scale, 2, 1, 1, 2);
    grid->addWidget(m_read, 2, 3);
    grid->addWidget(m_crop, 3, 0);
    grid->addWidget(m_cropName, 3, 1);
    grid->addWidget(cropLabel, 3, 2, Qt::AlignRight);
    grid->addWidget(m_cropCode, 3, 3);
    grid->addWidget(m_store, 4, 0);
    grid->addWidget(m_storeName, 4, 1);
    grid->addWidget(storeLabel, 4, 2, Qt::AlignRight);
    grid->addWidget(m_storeCode, 4, 3);
    grid->setColumnStretch(1, 1);

    m_picks = {m_crop, m_cropName, cropLabel, m_cropCode, m_store, m_storeName, storeLabel, m_storeCode};
}

void MeasurementPanel::setPickersVisible(bool on)
{
    for (QWidget* w : m_picks)
        w->setVisible(on);
}

bool MeasurementPanel::pickersVisible() const
{
    return !m_crop->isHidden();
}
