#pragma once
#include <QDialog>
#include <QHash>
#include <functional>

#include "weighing/alibistore.h"
#include "weighing/weighingrequest.h"

struct AppContext;
struct WeighingFields;
class DigitEdit;
class MeasurementPanel;
class QLabel;
class QLineEdit;
class QTabWidget;
class TSerialLink;

// The weighing window TForm14: the weights of a vehicle, read from the scale
// or typed, with the crop and warehouse of the loaded pass, stored as a new
// pending weighing (IN mode, "Új -  BE") or as the exit weighing of the
// pending weighing current in the vehicles-on-site list (OUT mode, "KI -
// választ"). The mode and the vehicle come from the opener's request. The
// checks and the stores are WeighingStore's.
class WeighingWindow : public QDialog {
    Q_OBJECT
public:
    // showDetails: the vehicles-on-site window's row display, run after storing.
    WeighingWindow(AppContext& ctx, const WeighingRequest& request, std::function<void()> showDetails,
            QWidget* parent = nullptr);
    ~WeighingWindow() override;

    // The window went through the steps after storing (stored, or a store
    // that failed and was rolled back): its opener closes as well.
    bool stored() const { return m_stored; }
    // The weighing its opener asked for.
    const WeighingRequest& request() const { return m_request; }

    MeasurementPanel* panel(int measurement) const { return measurement == 1 ? m_p1 : m_p2; }
    TSerialLink* link() const { return m_link; }
    // The fields as OK hands them to the store.
    WeighingFields fields() const;
    // The indicator's current reading above the panels, refreshed a few
    // times a second from the piece received last; it never takes a piece
    // off the queue, so "Mérés" reads what it would read without it.
    void refreshIndicator();

private:
    QWidget* buildDataTab();
    void fillIn();
    void fillOut();
    void onRead(MeasurementPanel* p);
    void onCrop(MeasurementPanel* p);
    void onStore(MeasurementPanel* p);
    // A crop or warehouse code typed: its name (and, for the crop of
    // measurement 1, its standards) as a pick of that code fills them.
    void onCropCodeTyped(MeasurementPanel* p);
    void onStoreCodeTyped(MeasurementPanel* p);
    void showCropStandards(const QString& purity, const QString& moisture);
    void onOk();
    void focusControl(const QString& name);
    QLineEdit* field(int edit) const { return m_fields.value(edit); }

    AppContext& m_ctx;
    WeighingRequest m_request;
    std::function<void()> m_showDetails;
    bool m_stored = false;
    TSerialLink* m_link = nullptr;
    QTabWidget* m_tabs;
    MeasurementPanel* m_p1;
    MeasurementPanel* m_p2;
    QHash<int, QLineEdit*> m_fields;   // tab "Adatok" and the hidden Edit34..Edit36, by Edit number
    QLabel* m_indicator;
    QLabel* m_header;   // the vehicle's plate (and producer) above the tabs
    AlibiReads m_alibi;   // the alibi log entries of the weights read with "Mérés"
};
