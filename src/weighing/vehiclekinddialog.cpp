#include "vehiclekinddialog.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/query.h"
#include "registers/registerwindows.h"
#include "ui/controls.h"
#include "ui/windowhost.h"
#include "ui/dialogkeys.h"
#include "weighing/vehiclesonsite.h"
#include "weighing/weighingrequest.h"
#include "weighing/weighingstate.h"
#include "weighing/weighingwindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

const QString VehicleKindDialog::PendingPlateMessage = QStringLiteral("Hiba! Ez a rendszámkód a második mérésre vár.");

VehicleKindDialog::VehicleKindDialog(AppContext& ctx, std::function<void()> showDetails, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_showDetails(std::move(showDetails))
{
    setObjectName(QStringLiteral("TForm15"));
    setWindowTitle(QStringLiteral("Milyen jármü szerelvény  ?"));

    auto* frame = new QGroupBox(QStringLiteral("Belépéskor ?"), this);
    frame->setObjectName(QStringLiteral("RadioGroup3"));
    m_empty = new QRadioButton(QStringLiteral("üres"), frame);
    m_empty->setObjectName(QStringLiteral("RadioButton3"));
    m_empty->setToolTip(QStringLiteral("Belépéskor nincs rakománya. Kiszállítást végez."));
    m_loaded = new QRadioButton(QStringLiteral("rakott"), frame);
    m_loaded->setObjectName(QStringLiteral("RadioButton4"));
    m_loaded->setToolTip(QStringLiteral("Belépés rakománnyal. Beszállítást végez."));
    auto* group = new QButtonGroup(this);
    group->addButton(m_empty);
    group->addButton(m_loaded);
    auto* frameLay = new QVBoxLayout(frame);
    frameLay->addWidget(m_empty);
    frameLay->addWidget(m_loaded);

    m_trailer = new QCheckBox(QStringLiteral("Pótos szerelvény"), this);
    m_trailer->setObjectName(QStringLiteral("CheckBox3"));
    m_trailer->setToolTip(QStringLiteral("Két mérést kell végezni. "));
    m_single = new QCheckBox(QStringLiteral("Egy méréssel"), this);
    m_single->setObjectName(QStringLiteral("CheckBox1"));
    m_single->setToolTip(QStringLiteral("Egy mérésből és a törzsben szereplö TÁRA -ból kell számítani."));

    QPushButton* ok = makeButton(this, QStringLiteral("Button1"), QStringLiteral("OK"),
            QStringLiteral("Tovább az mérlegelési adatbevitelhez."));
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés letárolás nélkül"));

    auto* checks = new QVBoxLayout;
    checks->addWidget(m_trailer);
    checks->addWidget(m_single);
    checks->addStretch(1);
    auto* upper = new QHBoxLayout;
    upper->addWidget(frame);
    upper->addSpacing(16);
    upper->addLayout(checks);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(upper);
    lay->addLayout(buttons);

    // Room for the caption in the title bar.
    setMinimumWidth(380);

    // The arrow keys choose, as the guide says: up (left) "üres", down
    // (right) "rakott", also before either is chosen.
    m_empty->installEventFilter(this);
    m_loaded->installEventFilter(this);
    connect(ok, &QPushButton::clicked, this, &VehicleKindDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    DialogKeys::install(this, ok, cancel);
}

bool VehicleKindDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_empty || watched == m_loaded) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        QRadioButton* chosen = key == Qt::Key_Up || key == Qt::Key_Left ? m_empty
                : key == Qt::Key_Down || key == Qt::Key_Right           ? m_loaded
                                                                        : nullptr;
        if (chosen) {
            chosen->setChecked(true);
            chosen->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void VehicleKindDialog::onOk()
{
    if (!m_empty->isChecked() && !m_loaded->isChecked()) {
        m_ctx.prompt.message(QStringLiteral("Üres vagy rakott ?"));
        m_empty->setFocus();
        return;
    }
    WeighingRequest request;
    request.direction = Direction::In;
    request.movement = m_empty->isChecked() ? Movement::Dispatch : Movement::Delivery;
    request.trailer = m_trailer->isChecked();
    request.singleWeighing = m_single->isChecked();

    // Whatever row the plate list stands on when it closes.
    // Escape in the plate list starts no weighing: the operator is back here.
    if (openRegisterList(m_ctx, RegisterKind::Plates) == ListLeft::Escaped)
        return;
    const Query& plates = registerListQuery(m_ctx, RegisterKind::Plates);
    request.plateCode = plates.isOpen() && plates.currentRow() >= 0 ? plates.text(QStringLiteral("rKod")) : QString();

    const int pending = VehiclesOnSite(m_ctx).pendingOf(request.plateCode);
    if (pending < 0)
        return;
    if (pending >= 1) {
        m_ctx.prompt.message(PendingPlateMessage);
        return;
    }
    weighingState(m_ctx).caption = WeighingCaption::InMode;
    showWindowThen<WeighingWindow>(
            m_ctx,
            [this](WeighingWindow& w) {
                if (w.stored())
                    accept();
            },
            request, m_showDetails, this);
}
