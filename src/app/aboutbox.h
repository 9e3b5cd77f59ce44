#pragma once
#include <QDialog>

class QTimer;

// The splash box "Betöltés...": shown for one second while the program starts.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    QTimer* timer() const { return m_timer; }

private:
    QTimer* m_timer;
};
