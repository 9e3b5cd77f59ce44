#pragma once
#include <QDialog>
#include <functional>

struct AppContext;
class QCheckBox;
class QRadioButton;

// The vehicle kind dialog TForm15 "Milyen jármü szerelvény  ?": empty or
// loaded, trailer, single weighing; OK picks the plate from the plate list
// and, unless that vehicle is already on the site, opens the weighing window
// in IN mode. The dialog closes together with the weighing window once that
// has stored the weighing.
class VehicleKindDialog : public QDialog {
    Q_OBJECT
public:
    // showDetails: the vehicles-on-site window's row display, which the
    // weighing window asks for after storing.
    VehicleKindDialog(AppContext& ctx, std::function<void()> showDetails, QWidget* parent = nullptr);

    static const QString PendingPlateMessage;   // "Hiba! Ez a rendszámkód a második mérésre vár."

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onOk();

    AppContext& m_ctx;
    std::function<void()> m_showDetails;
    QRadioButton* m_empty;
    QRadioButton* m_loaded;
    QCheckBox* m_trailer;
    QCheckBox* m_single;
};
