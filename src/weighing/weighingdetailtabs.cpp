#include "weighingdetailtabs.h"

#include "data/query.h"
#include "data/passes.h"
#include "weighing/vehiclesonsite.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* box(QWidget* parent, int number, const QString& hint = QString(), int width = 0)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QStringLiteral("Edit%1").arg(number));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);   // shown only: out of the Tab chain
    if (!hint.isEmpty())
        e->setToolTip(hint);
    if (width > 0)
        e->setMinimumWidth(width);
    return e;
}

QLabel* label(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

}   // namespace

WeighingDetailTabs::WeighingDetailTabs(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("PageControl1"));
    addTab(buildMeasurementTab(), QStringLiteral("Mérés"));
    widget(0)->setObjectName(QStringLiteral("TabSheet1"));

    QWidget* data = buildForm(
            {QStringLiteral("B.szám:"), QStringLiteral("Irány:"), QStringLiteral("Pótos?:"), QStringLiteral("Dátum:"),
                    QStringLiteral("Be idöpont:"), QStringLiteral("Ki idöpont:"), QStringLiteral("Megjegy.: "),
                    QStringLiteral("Tisztaság"), QStringLiteral("Viztartalom"), QStringLiteral("Egy mérés:")},
            25, m_data);
    data->setObjectName(QStringLiteral("TabSheet2"));
    addTab(data, QStringLiteral("Adat"));

    QWidget* producer = buildForm({QStringLiteral("Név"), QStringLiteral("Ir.szám"), QStringLiteral("Helységnév"),
                                          QStringLiteral("Utca"), QStringLiteral("Adószám"),
                                          QStringLiteral("Bank.szla"), QStringLiteral("Kód"), QStringLiteral("IDo")},
            36, m_producer);
    producer->setObjectName(QStringLiteral("TabSheet3"));
    addTab(producer, QStringLiteral("Termelö"));
}

QWidget* WeighingDetailTabs::buildMeasurementTab()
{
    auto* tab = new QWidget(this);
    auto* lay = new QVBoxLayout(tab);
    lay->addWidget(buildBlock(QStringLiteral("BE"), 1, QStringLiteral("Panel4"), QStringLiteral("Panel5"),
            {QStringLiteral("Belépéskori mértsúly"), QStringLiteral("Mérleg által mutatott adat"),
                    QStringLiteral("Belépéskori rakomány termény neve "),
                    QStringLiteral("Ezen raktárba, magtárba került letárolásra."),
                    QStringLiteral("Belépéskori pótkocsi mértsúlya")},
            m_in1, m_in2));
    lay->addWidget(buildBlock(QStringLiteral("KI"), 13, QStringLiteral("Panel7"), QStringLiteral("Panel8"),
            {QStringLiteral("Kilépéskori mértsúly"), QString(), QStringLiteral("Kilépéskori rakomány termény neve "),
                    QStringLiteral("Ezen raktárból került elszállításra."),
                    QStringLiteral("Kilépéskori pótkocsi mértsúlya")},
            m_out1, m_out2));
    lay->addStretch(1);
    return tab;
}

// hints: weight 1, scale 1, crop name 1, warehouse name 1, weight 2.
QWidget* WeighingDetailTabs::buildBlock(const QString& title, int firstEdit, const QString& panel1,
        const QString& panel2, const QStringList& hints, Panel& p1, Panel& p2)
{
    auto* block = new QGroupBox(title, this);
    block->setObjectName(title == QLatin1String("BE") ? QStringLiteral("GroupBox1") : QStringLiteral("GroupBox2"));
    auto* lay = new QVBoxLayout(block);
    lay->addWidget(buildPanel(panel1, QStringLiteral("1"), firstEdit, hints.mid(0, 4), p1));
    lay->addWidget(buildPanel(
            panel2, QStringLiteral("2"), firstEdit + 6, {hints.value(4), QString(), QString(), QString()}, p2));
    return block;
}

// Edits firstEdit .. firstEdit + 5: weight, scale, crop name, warehouse name,
// crop code, warehouse code.
QWidget* WeighingDetailTabs::buildPanel(
        const QString& name, const QString& text, int firstEdit, const QStringList& hints, Panel& p)
{
    auto* frame = new QFrame(this);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    p.frame = frame;
    p.weight = box(frame, firstEdit, hints.value(0), 90);
    p.scale = box(frame, firstEdit + 1, hints.value(1), 90);
    p.cropName = box(frame, firstEdit + 2, hints.value(2), 180);
    p.storeName = box(frame, firstEdit + 3, hints.value(3), 180);
    p.cropCode = box(frame, firstEdit + 4, QString(), 60);
    p.storeCode = box(frame, firstEdit + 5, QString(), 60);
    for (QLineEdit* e : {p.weight, p.scale})
        e->setMaximumWidth(110);
    for (QLineEdit* e : {p.cropCode, p.storeCode})
        e->setMaximumWidth(70);

    auto* grid = new QGridLayout(frame);
    auto* number = new QLabel(text, frame);
    QFont f = number->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    number->setFont(f);
    grid->addWidget(number, 0, 0, 2, 1);
    struct Cell {
        QString caption;
        QLineEdit* edit;
        bool pick;
    };
    const QList<Cell> cells = {{QStringLiteral("Mérés"), p.weight, false}, {QStringLiteral("Mérleg"), p.scale, false},
            {QStringLiteral("Termény"), p.cropName, true}, {QStringLiteral("Kód"), p.cropCode, true},
            {QStringLiteral("Raktár"), p.storeName, true}, {QStringLiteral("Kód"), p.storeCode, true}};
    int col = 1;
    for (const Cell& c : cells) {
        QLabel* l = label(frame, c.caption, c.edit);
        grid->addWidget(l, 0, col);
        grid->addWidget(c.edit, 1, col);
        if (c.pick)
            p.picks << l << c.edit;
        ++col;
    }
    // Names take the room; with the pickers hidden the weights stay left.
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
    grid->setColumnStretch(7, 1);
    return frame;
}

QWidget* WeighingDetailTabs::buildForm(const QStringList& labels, int firstEdit, QList<QLineEdit*>& edits)
{
    auto* tab = new QWidget(this);
    auto* form = new QFormLayout(tab);
    for (int i = 0; i < labels.size(); ++i) {
        QLineEdit* e = box(tab, firstEdit + i, QString(), 260);
        edits.append(e);
        form->addRow(label(tab, labels[i], e), e);
    }
    return tab;
}

void WeighingDetailTabs::fillPanel(
        const VehiclesOnSite& ops, Panel& p, const char* weight, const char* scale, const char* crop, const char* store)
{
    const Query& row = ops.list();
    p.weight->setText(row.text(QLatin1String(weight)));
    p.scale->setText(row.text(QLatin1String(scale)));
    const QString cropCode = row.text(QLatin1String(crop));
    const QString storeCode = row.text(QLatin1String(store));
    p.cropCode->setText(cropCode);
    p.storeCode->setText(storeCode);
    p.cropName->setText(ops.cropName(cropCode));
    p.storeName->setText(ops.warehouseName(storeCode));
}

void WeighingDetailTabs::showRow(const VehiclesOnSite& ops)
{
    const Query& row = ops.list();
    fillPanel(ops, m_in1, "mBemeres1", "mBemerleg1", "mTkod1", "mKkod1");
    fillPanel(ops, m_in2, "mBemeres2", "mBemerleg2", "mTkod2", "mKkod2");
    fillPanel(ops, m_out1, "mKimeres1", "mKimerleg1", "mTkod1", "mKkod1");
    fillPanel(ops, m_out2, "mKimeres2", "mKimerleg2", "mTkod2", "mKkod2");

    const bool trailer = row.text(QStringLiteral("mPot")) == QLatin1String("I");
    m_in2.frame->setVisible(trailer);
    m_out2.frame->setVisible(trailer);

    const bool loadedIn = Passes::movementOf(row.text(QStringLiteral("mMozgas"))) == Movement::Delivery;
    for (Panel* p : {&m_in1, &m_in2})
        for (QWidget* w : p->picks)
            w->setVisible(loadedIn);
    for (Panel* p : {&m_out1, &m_out2})
        for (QWidget* w : p->picks)
            w->setVisible(!loadedIn);

    static const char* const columns[]
            = {"mBszam", "mMozgas", "mPot", "mDatum", "mBeido", "mKiido", "mMegj", "mTiszt", "mViztart", "mEgymeres"};
    for (int i = 0; i < m_data.size(); ++i)
        m_data[i]->setText(row.text(QLatin1String(columns[i])));
}

void WeighingDetailTabs::showProducer(const Query& producers)
{
    static const char* const columns[]
            = {"oNev", "oIrszam", "oHelysegnev", "oUtca", "oAdoszam", "oBankszla", "oKod", "IDo"};
    const bool any = producers.isOpen() && producers.currentRow() >= 0;
    for (int i = 0; i < m_producer.size(); ++i)
        m_producer[i]->setText(any ? producers.text(QLatin1String(columns[i])) : QString());
}

void WeighingDetailTabs::clearProducer()
{
    for (QLineEdit* e : m_producer)
        e->clear();
}

QString WeighingDetailTabs::producerCode() const
{
    return m_producer.value(6) ? m_producer[6]->text() : QString();
}

bool WeighingDetailTabs::trailerShown() const
{
    return !m_in2.frame->isHidden();
}

bool WeighingDetailTabs::entryPicksShown() const
{
    return !m_in1.cropName->isHidden();
}
