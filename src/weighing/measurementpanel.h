#pragma once
#include <QFrame>
#include <QList>

class DigitEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// One measurement of the weighing window: measurement 1 (Panel2, the tractor
// or single vehicle) or measurement 2 (Panel3, the trailer). The weight is
// read from the scale with "Mérés" or typed; crop and warehouse are picked
// from their register lists.
class MeasurementPanel : public QFrame {
    Q_OBJECT
public:
    struct Names {
        QString panel, caption;
        int weight, scale, cropName, cropCode, storeName, storeCode;   // Edit numbers
        int read, crop, store;   // Button numbers
        QString weightHint;
    };
    static const Names First;   // Panel2 "1": Edit1, Edit2, Edit3, Edit5, Edit4, Edit6; Button2, Button3, Button4
    static const Names Second;   // Panel3 "2": Edit7, Edit8, Edit9, Edit11, Edit10, Edit12; Button6, Button7, Button8

    MeasurementPanel(const Names& names, QWidget* parent = nullptr);

    // The crop and warehouse pickers: buttons, names, codes and their labels.
    void setPickersVisible(bool on);
    bool pickersVisible() const;

    DigitEdit* weight() const { return m_weight; }
    QLineEdit* scale() const { return m_scale; }
    QLineEdit* cropName() const { return m_cropName; }
    QLineEdit* cropCode() const { return m_cropCode; }
    QLineEdit* storeName() const { return m_storeName; }
    QLineEdit* storeCode() const { return m_storeCode; }
    QPushButton* readButton() const { return m_read; }
    QPushButton* cropButton() const { return m_crop; }
    QPushButton* storeButton() const { return m_store; }

private:
    DigitEdit* m_weight;
    QLineEdit *m_scale, *m_cropName, *m_cropCode, *m_storeName, *m_storeCode;
    QPushButton *m_read, *m_crop, *m_store;
    QList<QWidget*> m_picks;
};
