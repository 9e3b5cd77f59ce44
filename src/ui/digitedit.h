#pragma once
#include <QLineEdit>

// A number box that takes only the digits 0-9 and Backspace from the
// keyboard (editing and navigation keys still work); Enter is dropped. Pasted text is not
// filtered: the operation that converts it reports a bad number.
class DigitEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DigitEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};
