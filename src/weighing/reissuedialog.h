#pragma once
#include <QDialog>
#include <QHash>

#include "weighing/ticketreissue.h"

struct AppContext;
class QLineEdit;

// "Javítás" of the ticket browser: the ticket's data, what may change
// (producer, crop and warehouse of each measurement, purity, moisture,
// remark) and the reason of the void, then the reissue (TicketReissue). The
// weights, times, plate and movement are shown, not edited. The fields carry
// the weighing window's names (Edit5, Edit6, Edit11, Edit12, Edit32, Edit33,
// Edit31) and "producer", "reason", so that a refusal focuses its field.
// Closes when the new ticket is stored (newTicket()), or when the ticket can
// no longer be reissued (voided meanwhile); stays open otherwise.
class ReissueDialog : public QDialog {
    Q_OBJECT
public:
    ReissueDialog(AppContext& ctx, TicketReissue& operation, const ReissueSource& source, QWidget* parent = nullptr);
    const QString& newTicket() const { return m_newTicket; }

private:
    QLineEdit* edit(const QString& name, const QString& text, const QString& hint);
    void onOk();

    AppContext& m_ctx;
    TicketReissue& m_op;
    ReissueSource m_source;
    QHash<QString, QLineEdit*> m_edits;
    QString m_newTicket;
};
