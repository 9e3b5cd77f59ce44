#pragma once
#include <QDialog>

struct AppContext;
class DigitEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// "Soros port beállítása" (TForm16): shows the scale port this workstation
// uses and says whose it is (its own, or the site's default), and stores
// another one in this workstation's settings file; checked, "site default"
// stores it in the site row as well, for the workstations without a port of
// their own. "Mentés" also stores whether the indicator sends all the time
// and the scale's capacity ("Méréshatár (kg)"), this workstation's settings.
class PortSelectionWindow : public QDialog {
    Q_OBJECT
public:
    explicit PortSelectionWindow(AppContext& ctx, QWidget* parent = nullptr);

private:
    void showStored();
    void onSave();   // "Mentés"

    AppContext& m_ctx;
    QLabel* m_current;
    QLabel* m_source;
    QCheckBox* m_siteDefault;
    QComboBox* m_port;
    QCheckBox* m_continuous;
    DigitEdit* m_capacity;   // "Méréshatár (kg)", saved with the port
    QPushButton* m_save;
    QPushButton* m_cancel;
};
