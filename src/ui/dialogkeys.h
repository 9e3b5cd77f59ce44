#pragma once
#include <QObject>

class QAbstractButton;
class QDialog;
class QPushButton;
class QWidget;

// The keyboard of a dialog. Enter (or the keypad's Enter) that no control of
// the dialog took for itself presses the focused push button, or, when the
// focus is elsewhere, the dialog's default button (drawn as the default).
// Escape presses the cancel button ("Mégsem"), so that it does what the
// button does; without one it closes the dialog as its close box does.
// Controls that own Enter keep it: a search box that searches, a list whose
// Enter picks its row, a digits-only number field that drops it.
class DialogKeys : public QObject {
    Q_OBJECT
public:
    static DialogKeys* install(QDialog* dialog, QPushButton* defaultButton, QAbstractButton* cancelButton = nullptr);

    // Marks a control whose Enter is its own (a search box that searches on
    // Enter): the dialog does nothing more with that Enter.
    static void keepEnter(QWidget* control);

    // Whether the dialog was last left by the Escape key (rather than by a
    // button or its close box).
    bool leftByEscape() const { return m_escaped; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DialogKeys(QDialog* dialog, QPushButton* defaultButton, QAbstractButton* cancelButton);
    QDialog* m_dialog;
    QPushButton* m_default;
    QAbstractButton* m_cancel;
    bool m_escaped = false;
};
