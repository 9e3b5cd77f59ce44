#include "weighingwindow.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "registers/registerwindows.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "ui/digitedit.h"
#include "ui/dialogkeys.h"
#include "weighing/measurementpanel.h"
#include "weighing/vehiclesonsite.h"
#include "weighing/weighingstore.h"

#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct DataField {
    int edit;
    const char* label;
    bool editable;
    bool digits;
    const char* hint;
};

// Tab "Adatok", left column then right column.
const DataField LeftFields[] = {
    {32, "Tisztaság", true, true, "A mért tisztaság  értékre módosítani a termény kiválasztása után."},
    {33, "Viztartalom", true, true, "A mért viztartalomra módositani a termény kiválasztása után."},
    {31, "Megjegy.: ", true, false, nullptr},
    {24, "IDm", false, false, nullptr},
    {25, "B.szám:", false, false, nullptr},
    {26, "Irány:", false, false, nullptr},
    {27, "Pótos?:", false, false, nullptr},
    {13, "Egy mérés: ", false, false, nullptr},
    {28, "Dátum:", false, false, nullptr},
    {29, "Be idöpont:", false, false, nullptr},
    {30, "Ki idöpont:", false, false, nullptr},
    {14, "Rendsz.kód", false, false, nullptr},
};
// Edit15 .. Edit23: labelled, and in OUT mode filled, by their column.
const char* const RowColumns[] = {"mBemerleg1", "mBemeres1", "mTkod1", "mKkod1", "mBemerleg2",
                                  "mBemeres2",  "mTkod2",    "mKkod2", "mBeido"};

QString flag(bool on)
{
    return on ? QStringLiteral("I") : QString();
}

QString now()
{
    return TextConv::time(QTime::currentTime());
}

} // namespace

WeighingWindow::WeighingWindow(AppContext& ctx, std::function<void()> showDetails, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_showDetails(std::move(showDetails))
{
    setObjectName(QStringLiteral("TForm14"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    auto* measure = new QWidget(m_tabs);
    measure->setObjectName(QStringLiteral("TabSheet1"));
    m_p1 = new MeasurementPanel(MeasurementPanel::First, measure);
    m_p2 = new MeasurementPanel(MeasurementPanel::Second, measure);
    auto* panels = new QHBoxLayout;
    panels->addWidget(m_p1, 1);
    panels->addWidget(m_p2, 1);
    m_indicator = new QLabel(measure);
    m_indicator->setObjectName(QStringLiteral("ScaleDisplay"));
    m_indicator->setToolTip(QStringLiteral("A mérleg kijelzője most"));
    QFont f = m_indicator->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    m_indicator->setFont(f);
    auto* indicatorLabel = new QLabel(QStringLiteral("Mérleg kijelző:"), measure);
    indicatorLabel->setBuddy(m_indicator);
    auto* indicatorRow = new QHBoxLayout;
    indicatorRow->addWidget(indicatorLabel);
    indicatorRow->addWidget(m_indicator, 1);
    auto* measureLay = new QVBoxLayout(measure);
    measureLay->addLayout(indicatorRow);
    measureLay->addLayout(panels);
    measureLay->addStretch(1);
    m_tabs->addTab(measure, QStringLiteral("Mérés"));
    m_tabs->addTab(buildDataTab(), QStringLiteral("Adatok"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setToolTip(QStringLiteral("Adatok letárolása"));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Mégsem"), this);
    cancel->setObjectName(QStringLiteral("Button5"));
    cancel->setToolTip(QStringLiteral("Kilépés letárolás nélkül"));
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(buttons);

    for (MeasurementPanel* p : {m_p1, m_p2}) {
        connect(p->readButton(), &QPushButton::clicked, this, [this, p] { onRead(p); });
        connect(p->cropButton(), &QPushButton::clicked, this, [this, p] { onCrop(p); });
        connect(p->storeButton(), &QPushButton::clicked, this, [this, p] { onStore(p); });
    }
    connect(ok, &QPushButton::clicked, this, &WeighingWindow::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter outside the number fields stores ("OK"), Escape is "Mégsem".
    DialogKeys::install(this, ok, cancel);

    // Opening, in order: the port, measurement 2, the pickers (by the state
    // as the opener set it), mode and caption with the "Adatok" fields, the
    // tare preset.
    WeighingState& st = m_ctx.weighing;
    m_link = ScaleRead::openLink(m_ctx, this);
    m_p2->setVisible(st.trailer);
    const bool pickers = WeighingStore::pickersShown(st);
    m_p1->setPickersVisible(pickers);
    m_p2->setPickersVisible(pickers);
    m_in = st.direction == QLatin1String("BE");
    st.modeText = m_in ? WeighingStore::InModeText : WeighingStore::OutModeText;
    setWindowTitle(st.modeText);
    if (m_in)
        fillIn();
    else
        fillOut();
    if (const std::optional<QString> tare = WeighingStore(m_ctx).tarePreset(field(14)->text()))
        m_p1->weight()->setText(*tare);

    resize(qMax(940, sizeHint().width()), sizeHint().height());

    refreshIndicator();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &WeighingWindow::refreshIndicator);
    timer->start(250);
}

WeighingWindow::~WeighingWindow() = default;

QWidget* WeighingWindow::buildDataTab()
{
    auto* tab = new QWidget(m_tabs);
    tab->setObjectName(QStringLiteral("TabSheet2"));
    auto* left = new QFormLayout;
    for (const DataField& f : LeftFields) {
        QLineEdit* e = f.digits ? new DigitEdit(tab) : new QLineEdit(tab);
        e->setObjectName(QStringLiteral("Edit%1").arg(f.edit));
        e->setReadOnly(!f.editable);
        if (f.hint)
            e->setToolTip(QString::fromUtf8(f.hint));
        auto* l = new QLabel(QString::fromUtf8(f.label), tab);
        l->setBuddy(e);
        left->addRow(l, e);
        m_fields.insert(f.edit, e);
    }
    auto* right = new QFormLayout;
    for (int i = 0; i < 9; ++i) {
        auto* e = new QLineEdit(tab);
        e->setObjectName(QStringLiteral("Edit%1").arg(15 + i));
        e->setReadOnly(15 + i != 23);
        auto* l = new QLabel(QLatin1String(RowColumns[i]), tab);
        l->setBuddy(e);
        right->addRow(l, e);
        m_fields.insert(15 + i, e);
    }
    // Hidden: the new weighing number, the crop standard values.
    for (int n : {34, 35, 36}) {
        auto* e = new QLineEdit(tab);
        e->setObjectName(QStringLiteral("Edit%1").arg(n));
        e->setVisible(false);
        m_fields.insert(n, e);
    }
    auto* lay = new QHBoxLayout(tab);
    lay->addLayout(left, 1);
    lay->addSpacing(24);
    lay->addLayout(right, 1);
    return tab;
}

void WeighingWindow::fillIn()
{
    const WeighingState& st = m_ctx.weighing;
    field(32)->setText(QStringLiteral("100"));
    field(33)->setText(QStringLiteral("0"));
    field(26)->setText(st.movement);
    field(27)->setText(flag(st.trailer));
    field(13)->setText(flag(st.singleWeighing));
    field(28)->setText(TextConv::date(QDate::currentDate()));
    field(29)->setText(now());
    field(14)->setText(st.plateCode);
}

void WeighingWindow::fillOut()
{
    const Query& row = m_ctx.data.ZQ10;
    auto text = [&row](const char* column) {
        try {
            return row.text(QLatin1String(column));
        } catch (const DbError&) {
            return QString();
        }
    };
    field(32)->setText(text("mTiszt"));
    field(33)->setText(text("mViztart"));
    field(31)->setText(text("mMegj"));
    field(24)->setText(text("IDm"));
    field(25)->setText(text("mBszam"));
    field(26)->setText(text("mMozgas"));
    field(27)->setText(text("mPot"));
    field(13)->setText(text("mEgymeres"));
    field(28)->setText(text("mDatum"));
    field(29)->setText(text("mBeido"));
    field(30)->setText(now());
    for (int i = 0; i < 9; ++i)
        field(15 + i)->setText(text(RowColumns[i]));
}

void WeighingWindow::refreshIndicator()
{
    m_indicator->setText(ScaleRead::displayText(m_link));
}

void WeighingWindow::onRead(MeasurementPanel* p)
{
    // A refused reading (port closed, moving, negative, database lost) has
    // shown its message: the fields keep what they hold.
    if (!ScaleRead::fillsFields(ScaleRead::read(m_ctx, *m_link)))
        return;
    const QString weight = m_ctx.scaleText.trimmed();
    p->weight()->setText(weight);
    p->scale()->setText(weight);
}

void WeighingWindow::onCrop(MeasurementPanel* p)
{
    openRegisterList(m_ctx, RegisterKind::Crops);
    const Query& crops = registerListQuery(m_ctx, RegisterKind::Crops);
    try {
        p->cropCode()->setText(crops.text(QStringLiteral("tKod")));
        p->cropName()->setText(crops.text(QStringLiteral("tMegnev")));
        if (p == m_p1) {
            const QString purity = crops.text(QStringLiteral("tSztiszt"));
            const QString moisture = crops.text(QStringLiteral("tSzviztart"));
            field(35)->setText(purity);
            field(36)->setText(moisture);
            field(32)->setText(purity);
            field(33)->setText(moisture);
        }
    } catch (const DbError&) {
        m_ctx.prompt.message(QStringLiteral("Hiba az termény feltöltés Edit-ben való megjelenitésekor!"));
        reject();
    }
}

void WeighingWindow::onStore(MeasurementPanel* p)
{
    openRegisterList(m_ctx, RegisterKind::Warehouses);
    const Query& stores = registerListQuery(m_ctx, RegisterKind::Warehouses);
    try {
        p->storeName()->setText(stores.text(QStringLiteral("kNev")));
        p->storeCode()->setText(stores.text(QStringLiteral("kKod")));
    } catch (const DbError&) {
        m_ctx.prompt.message(QStringLiteral("Hiba az raktár feltöltés Edit-ben való megjelenitésekor!"));
        reject();
    }
}

WeighingFields WeighingWindow::fields() const
{
    WeighingFields f;
    f.weight1 = m_p1->weight()->text();
    f.scale1 = m_p1->scale()->text();
    f.crop1 = m_p1->cropCode()->text();
    f.warehouse1 = m_p1->storeCode()->text();
    f.weight2 = m_p2->weight()->text();
    f.scale2 = m_p2->scale()->text();
    f.crop2 = m_p2->cropCode()->text();
    f.warehouse2 = m_p2->storeCode()->text();
    f.purity = field(32)->text();
    f.moisture = field(33)->text();
    f.remark = field(31)->text();
    f.inTime = field(29)->text();
    f.plateCode = field(14)->text();
    f.standardPurity = field(35)->text();
    f.standardMoisture = field(36)->text();
    return f;
}

void WeighingWindow::focusControl(const QString& name)
{
    QWidget* w = name.isEmpty() ? nullptr : findChild<QWidget*>(name);
    if (!w)
        return;
    for (int i = 0; i < m_tabs->count(); ++i)
        if (m_tabs->widget(i)->isAncestorOf(w))
            m_tabs->setCurrentIndex(i);
    w->setFocus();
}

void WeighingWindow::onOk()
{
    const WeighingOutcome out = WeighingStore(m_ctx).ok(fields());
    if (!out.closesWindow()) {
        focusControl(out.focus);
        return;
    }
    // After storing (also after a store that was rolled back): the list on
    // the current weighing number, its row shown, the window closed.
    if (m_in && out.result == WeighingOutcome::Stored)
        field(34)->setText(m_ctx.weighing.weighingNumber);
    VehiclesOnSite(m_ctx).refreshOnCurrentNumber();
    if (m_showDetails)
        m_showDetails();
    m_stored = true;
    accept();
}
