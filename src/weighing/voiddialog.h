#pragma once
#include <QDialog>

struct AppContext;
class QLineEdit;

// "Sztornó" of the ticket browser: asks for the reason of voiding a ticket
// (checked like every field of the entry dialogs: required, at most 200
// characters of the database's character set), confirms and runs the void
// (TicketVoid). Closes when the ticket was voided, or when the void was
// refused for a reason the operator cannot change here (voided meanwhile by
// another workstation); stays open on a bad reason or a failed write.
class VoidDialog : public QDialog {
    Q_OBJECT
public:
    VoidDialog(AppContext& ctx, const QString& ticket, QWidget* parent = nullptr);
    bool voided() const { return m_voided; }

private:
    void onOk();

    AppContext& m_ctx;
    QString m_ticket;
    QLineEdit* m_reason;
    bool m_voided = false;
};
