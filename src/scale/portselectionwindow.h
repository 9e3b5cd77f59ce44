#pragma once
#include <QDialog>

struct AppContext;
class DigitEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// "Soros port beállítása" (TForm16): shows the stored scale port and stores
// another one; "Mentés" also stores whether the indicator sends all the time
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
    QComboBox* m_port;
    QCheckBox* m_continuous;
    DigitEdit* m_capacity;   // "Méréshatár (kg)", saved with the port
    QPushButton* m_save;
    QPushButton* m_cancel;
};
