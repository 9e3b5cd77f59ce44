#include "weighingwindow.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/textconv.h"
#include "registers/registerwindows.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "ui/controls.h"
#include "ui/digitedit.h"
#include "ui/dialogkeys.h"
#include "weighing/measurementpanel.h"
#include "weighing/vehiclesonsite.h"
#include "weighing/weighingfieldtext.h"
#include "weighing/weighingstate.h"
#include "weighing/weighingstore.h"

#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The fields of tab "Adatok" and the hidden ones, by their Edit number.
enum DataEdit {
    SingleEdit = 13,   // "Egy mérés: "
    PlateEdit = 14,   // "Rendsz.kód"
    RowEdit = 15,   // Edit15 .. Edit23: the pending row's columns (RowColumns)
    IdEdit = 24,   // IDm
    NumberEdit = 25,   // "B.szám:"
    MovementEdit = 26,   // "Irány:"
    TrailerEdit = 27,   // "Pótos?:"
    DateEdit = 28,   // "Dátum:"
    InTimeEdit = 29,   // "Be idöpont:"
    OutTimeEdit = 30,   // "Ki idöpont:"
    RemarkEdit = 31,   // "Megjegy.: "
    PurityEdit = 32,   // "Tisztaság"
    MoistureEdit = 33,   // "Viztartalom"
    NewNumberEdit = 34,   // hidden: the number of the weighing stored
    StandardPurityEdit = 35,   // hidden: the picked crop's standard purity
    StandardMoistureEdit = 36,   // hidden: the picked crop's standard moisture
};

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
const char* const RowColumns[]
        = {"mBemerleg1", "mBemeres1", "mTkod1", "mKkod1", "mBemerleg2", "mBemeres2", "mTkod2", "mKkod2", "mBeido"};

const QString NoWeightMessage = QStringLiteral("Nincs érvényes súly a mérlegről.");
const QString ReconnectedMessage = QStringLiteral(
        "A mérleg kapcsolata (%1) újra megnyílt, de még nem érkezett érvényes súly. Nyomja meg újra a Mérés gombot.");

QString now()
{
    return TextConv::time(QTime::currentTime());
}

}   // namespace

WeighingWindow::WeighingWindow(
        AppContext& ctx, const WeighingRequest& request, std::function<void()> showDetails, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_request(request), m_showDetails(std::move(showDetails))
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

    QPushButton* ok
            = makeButton(this, QStringLiteral("Button1"), QStringLiteral("OK"), QStringLiteral("Adatok letárolása"));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés letárolás nélkül"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    // Which vehicle is on the scale, above everything else.
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("VehicleHeader"));
    m_header->setToolTip(QStringLiteral("A mérlegen álló jármű"));
    QFont hf = m_header->font();
    hf.setPointSizeF(hf.pointSizeF() * 1.4);
    hf.setBold(true);
    m_header->setFont(hf);
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(m_header);
    lay->addWidget(m_tabs, 1);
    lay->addLayout(buttons);

    for (MeasurementPanel* p : {m_p1, m_p2}) {
        connect(p->readButton(), &QPushButton::clicked, this, [this, p] { onRead(p); });
        connect(p->cropButton(), &QPushButton::clicked, this, [this, p] { onCrop(p); });
        connect(p->storeButton(), &QPushButton::clicked, this, [this, p] { onStore(p); });
        connect(p->cropCode(), &QLineEdit::textEdited, this, [this, p] { onCropCodeTyped(p); });
        connect(p->storeCode(), &QLineEdit::textEdited, this, [this, p] { onStoreCodeTyped(p); });
    }
    // The tabs by keyboard: Ctrl+Tab / Ctrl+Shift+Tab from anywhere in the
    // window, Alt+M "Mérés", Alt+A "Adatok".
    const auto toTab = [this](int step) {
        const int n = m_tabs->count();
        m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + n) % n);
        if (QWidget* first = m_tabs->currentWidget()->nextInFocusChain();
                first && m_tabs->currentWidget()->isAncestorOf(first))
            first->setFocus(Qt::TabFocusReason);
    };
    const std::pair<QKeySequence, std::function<void()>> keys[]
            = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), [toTab] { toTab(1); }},
                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [toTab] { toTab(-1); }},
                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [toTab] { toTab(-1); }},
                    {QKeySequence(Qt::ALT | Qt::Key_M), [this, toTab] { toTab(0 - m_tabs->currentIndex()); }},
                    {QKeySequence(Qt::ALT | Qt::Key_A), [this, toTab] { toTab(1 - m_tabs->currentIndex()); }}};
    for (const auto& [seq, run] : keys) {
        auto* sc = new QShortcut(seq, this);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, run);
    }
    m_tabs->setTabToolTip(0, QStringLiteral("Alt+M, Ctrl+Tab"));
    m_tabs->setTabToolTip(1, QStringLiteral("Alt+A, Ctrl+Tab"));
    connect(ok, &QPushButton::clicked, this, &WeighingWindow::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter outside the number fields stores ("OK"), Escape is "Mégsem".
    DialogKeys::install(this, ok, cancel);

    // Opening, in order: the port, measurement 2, the pickers (on the loaded
    // pass), mode caption with the "Adatok" fields, the tare preset.
    m_link = ScaleRead::openLink(m_ctx, this);
    m_p2->setVisible(m_request.trailer);
    m_p1->setPickersVisible(m_request.loadedPass());
    m_p2->setPickersVisible(m_request.loadedPass());
    QString& caption = weighingState(m_ctx).caption;
    caption = m_request.in() ? WeighingCaption::InMode : WeighingCaption::OutMode;
    setWindowTitle(caption);
    if (m_request.in())
        fillIn();
    else
        fillOut();
    if (const std::optional<QString> tare = WeighingStore(m_ctx, m_request).tarePreset(field(PlateEdit)->text()))
        m_p1->weight()->setText(*tare);

    m_header->setText(WeighingStore(m_ctx, m_request).vehicleHeader());
    // Read-only fields are for the eye: Tab goes from input to input.
    for (QLineEdit* e : findChildren<QLineEdit*>())
        if (e->isReadOnly())
            e->setFocusPolicy(Qt::ClickFocus);

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
        if (f.digits)
            static_cast<DigitEdit*>(e)->setDecimalComma(true);   // purity and moisture: "16,2"
        e->setObjectName(QStringLiteral("Edit%1").arg(f.edit));
        e->setReadOnly(!f.editable);
        if (f.hint)
            e->setToolTip(QString::fromUtf8(f.hint));
        if (f.digits)   // purity and moisture: what the operator typed stays through a crop pick
            connect(e, &QLineEdit::textEdited, e, [e] { e->setProperty("typed", true); });
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
    const WeighingRequest& r = m_request;
    field(PurityEdit)->setText(QStringLiteral("100"));
    field(MoistureEdit)->setText(QStringLiteral("0"));
    field(MovementEdit)->setText(Passes::code(r.movement));
    field(TrailerEdit)->setText(WeighingRequest::flag(r.trailer));
    field(SingleEdit)->setText(WeighingRequest::flag(r.singleWeighing));
    field(DateEdit)->setText(TextConv::date(QDate::currentDate()));
    field(InTimeEdit)->setText(now());
    field(PlateEdit)->setText(r.plateCode);
}

void WeighingWindow::fillOut()
{
    // The pending weighing current in the vehicles-on-site list.
    const VehiclesOnSite pending(m_ctx);
    auto text = [&pending](const char* column) { return pending.currentText(QLatin1String(column)); };
    field(PurityEdit)->setText(text("mTiszt"));
    field(MoistureEdit)->setText(text("mViztart"));
    field(RemarkEdit)->setText(text("mMegj"));
    field(IdEdit)->setText(text("IDm"));
    field(NumberEdit)->setText(text("mBszam"));
    field(MovementEdit)->setText(text("mMozgas"));
    field(TrailerEdit)->setText(text("mPot"));
    field(SingleEdit)->setText(text("mEgymeres"));
    field(DateEdit)->setText(text("mDatum"));
    field(InTimeEdit)->setText(text("mBeido"));
    field(OutTimeEdit)->setText(now());
    for (int i = 0; i < 9; ++i)
        field(RowEdit + i)->setText(text(RowColumns[i]));
}

void WeighingWindow::refreshIndicator()
{
    m_indicator->setText(ScaleRead::displayText(m_link));
}

void WeighingWindow::onRead(MeasurementPanel* p)
{
    // A refused reading (port closed, moving, negative, database lost) has
    // shown its message: the fields keep what they hold.
    ScaleRead::Taken taken;
    const bool wasOpen = m_link->active();
    const ScaleRead::ReadResult read = ScaleRead::read(m_ctx, *m_link, &taken);
    if (!ScaleRead::fillsFields(read))
        return;
    if (read == ScaleRead::ReadResult::NoWeight) {
        // Nothing usable came (garbage, nothing yet after reconnecting): the
        // weight already taken stays, and the operator is told why.
        m_ctx.prompt.message(
                wasOpen || !m_link->active() ? NoWeightMessage : ReconnectedMessage.arg(m_link->commPort()));
        return;
    }
    const QString weight = m_ctx.scaleText.trimmed();
    // A weight read is recorded in the alibi log before it is taken; one
    // that cannot be recorded is not taken (the message has been shown).
    const int i = p == m_p1 ? 0 : 1;
    std::optional<qint64> entry = 0;
    if (read == ScaleRead::ReadResult::Weight)
        entry = AlibiStore::recordRead(m_ctx, taken, weight);
    if (!entry)
        return;
    m_alibi.number[i] = *entry;
    m_alibi.kg[i] = TextConv::toNumber(weight).value_or(0);
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
        if (p == m_p1)
            showCropStandards(crops.text(QStringLiteral("tSztiszt")), crops.text(QStringLiteral("tSzviztart")));
        p->cropCode()->setProperty("shownCode", p->cropCode()->text().trimmed());
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
        p->storeCode()->setProperty("shownCode", p->storeCode()->text().trimmed());
    } catch (const DbError&) {
        m_ctx.prompt.message(QStringLiteral("Hiba az raktár feltöltés Edit-ben való megjelenitésekor!"));
        reject();
    }
}

void WeighingWindow::showCropStandards(const QString& purity, const QString& moisture)
{
    // A figure the operator typed stays; the window's own (the start value,
    // the previous crop's standard) gives way to the new standard.
    WeighingFields f = fields();
    QLineEdit* boxes[] = {field(PurityEdit), field(MoistureEdit)};
    WeighingFieldText::fillStandards(
            f, purity, moisture, boxes[0]->property("typed").toBool(), boxes[1]->property("typed").toBool());
    field(StandardPurityEdit)->setText(f.standardPurity);
    field(StandardMoistureEdit)->setText(f.standardMoisture);
    for (QLineEdit* box : boxes) {
        const QString& value = box == boxes[0] ? f.purity : f.moisture;
        if (box->text() != value) {
            box->setText(value);
            box->setProperty("typed", false);
        }
    }
}

// A code typed (or pasted) into its box: a code that differs from the one
// whose name is shown is looked up, as the operator types it; an unknown code
// empties the name, OK refuses it.
void WeighingWindow::onCropCodeTyped(MeasurementPanel* p)
{
    QLineEdit* box = p->cropCode();
    const QString code = box->text().trimmed();
    if (code == box->property("shownCode").toString())
        return;
    box->setProperty("shownCode", code);
    std::optional<WeighingStore::Crop> crop;
    try {
        if (!code.isEmpty())
            crop = WeighingStore(m_ctx, m_request).crop(code);
    } catch (const DbError&) {
        box->setProperty("shownCode", QString());   // looked up again on OK
    }
    p->cropName()->setText(crop ? crop->name : QString());
    if (p != m_p1)
        return;
    if (crop)
        showCropStandards(TextConv::number(crop->standardPurity), TextConv::number(crop->standardMoisture));
    else
        showCropStandards(QString(), QString());
}

void WeighingWindow::onStoreCodeTyped(MeasurementPanel* p)
{
    QLineEdit* box = p->storeCode();
    const QString code = box->text().trimmed();
    if (code == box->property("shownCode").toString())
        return;
    box->setProperty("shownCode", code);
    std::optional<QString> name;
    try {
        if (!code.isEmpty())
            name = WeighingStore(m_ctx, m_request).warehouse(code);
    } catch (const DbError&) {
        box->setProperty("shownCode", QString());
    }
    p->storeName()->setText(name.value_or(QString()));
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
    f.purity = field(PurityEdit)->text();
    f.moisture = field(MoistureEdit)->text();
    f.remark = field(RemarkEdit)->text();
    f.inTime = field(InTimeEdit)->text();
    f.plateCode = field(PlateEdit)->text();
    f.standardPurity = field(StandardPurityEdit)->text();
    f.standardMoisture = field(StandardMoistureEdit)->text();
    f.alibi = m_alibi;
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
    const WeighingOutcome out = WeighingStore(m_ctx, m_request).ok(fields());
    if (!out.closesWindow()) {
        focusControl(out.focus);
        return;
    }
    // A refusal or a failed store keeps the window open with everything
    // typed (the message has been shown); after storing: the list on the
    // current weighing number, its row shown, the window closed.
    if (out.done()) {
        weighingState(m_ctx).weighingNumber = out.weighingNumber;
        if (m_request.in())
            field(NewNumberEdit)->setText(out.weighingNumber);
    }
    VehiclesOnSite(m_ctx).refreshOnCurrentNumber();
    if (m_showDetails)
        m_showDetails();
    m_stored = true;
    accept();
}
