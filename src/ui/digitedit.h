#pragma once
#include <QLineEdit>

// A number box that takes only the digits 0-9 and Backspace from the
// keyboard (editing and navigation keys still work); Enter is dropped. Pasted text is not
// filtered: the operation that converts it reports a bad number.
//
// A box for a decimal figure (purity, moisture) also takes one decimal
// comma: a typed comma or full stop puts a comma in the text when it holds
// none yet (outside the selection it replaces), else the key is dropped.
// Boxes for whole numbers (weights, tare) keep to digits.
class DigitEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DigitEdit(QWidget* parent = nullptr);

    void setDecimalComma(bool on) { m_decimalComma = on; }
    bool decimalComma() const { return m_decimalComma; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    // The text would hold a comma after the typed key replaced the selection.
    bool hasCommaOutsideSelection() const;

    bool m_decimalComma = false;
};
