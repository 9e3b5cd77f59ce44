#pragma once
#include "weighing/vehiclesonsite.h"

#include <QDialog>

struct AppContext;
class QLineEdit;
class QueryGrid;
class WeighingDetailTabs;

// The vehicles-on-site window TForm4 "Bent lévő rendszámok , jármüvek": the
// pending weighings with their details, the start of an entry weighing, the
// exit weighing of a row, the producer pick, delete, print and the ticket
// finalisation.
//
// The list is read again whenever the window is shown, and again each time a
// window opened from it (a dialog, a list window, a preview, a message) has
// closed: it then stands on the current weighing number. This happens at the
// end of each button's action, never in a paint event; activating the window
// from another application reads nothing, as nothing else writes the data.
class VehiclesOnSiteWindow : public QDialog {
    Q_OBJECT
public:
    explicit VehiclesOnSiteWindow(AppContext& ctx, QWidget* parent = nullptr);

    // The row display of the list's current row (also asked for by the
    // weighing window after it has stored). False when it failed: the window
    // is then closing.
    bool showRow();
    // Row display and producer display.
    bool showFull();

    WeighingDetailTabs* details() const { return m_tabs; }

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void onNew();
    void onExit();
    void onProducer();
    void onDelete();
    void onPrint();
    void onFinalise();
    // The window is shown again: list re-read, positioned on the current
    // weighing number, full display.
    void shownAgain();
    void fail(const QString& message);

    AppContext& m_ctx;
    VehiclesOnSite m_ops;
    QueryGrid* m_grid;
    WeighingDetailTabs* m_tabs;
    QLineEdit* m_net;
    qint64 m_weighingId = 0;   // IDm of the row the last row display showed
    bool m_failed = false;   // a display failed; the window is closing
};
