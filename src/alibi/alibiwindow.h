#pragma once
#include "alibi/alibilog.h"

#include <QDialog>

#include <memory>

struct AppContext;
class AlibiEntryPanel;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

// "Alibi napló" (TFormAlibi): finds entries of the alibi log by number, by
// ticket number or by day, shows the chosen entry with its raw frame and the
// pending weighings and tickets it belongs to, and checks the whole chain a
// page at a time, showing the progress; the window keeps answering while a
// long log is checked, and "Megszakítás" stops the check. Reads only; every
// statement is the log's (AlibiLog).
class AlibiWindow : public QDialog {
    Q_OBJECT
public:
    explicit AlibiWindow(AppContext& ctx, QWidget* parent = nullptr);
    ~AlibiWindow() override;

    // Entries checked per step of the check (one page of the log).
    void setVerifyPageSize(int entries) { m_pageSize = entries; }
    bool verifying() const { return m_verifier != nullptr; }

    // The result texts of the check.
    static QString verdict(const AlibiLog::Verification& v);

signals:
    // The check ended: finished, stopped or failed.
    void verificationEnded();

private:
    void onFindNumber();   // "Keresés" by entry number
    void onFindTicket();   // "Keresés" by ticket number
    void onFindDay();   // "Keresés" by day
    void onVerify();   // "Napló ellenőrzése"
    void onStop();   // "Megszakítás"
    void verifyStep();
    void endVerification(const QString& status);
    void setBusy(bool busy);

    void listEntries(const QList<AlibiEntry>& entries);
    void showEntry(int row);
    void reportReadFailure(const QString& text);

    AppContext& m_ctx;
    AlibiLog m_log;
    QList<AlibiEntry> m_found;
    int m_pageSize = 5000;
    std::unique_ptr<AlibiLog::Verifier> m_verifier;
    QTimer* m_step;

    QLineEdit* m_number;
    QPushButton* m_findNumber;
    QLineEdit* m_ticket;
    QPushButton* m_findTicket;
    QDateEdit* m_day;
    QPushButton* m_findDay;
    QTableWidget* m_entries;
    AlibiEntryPanel* m_detail;
    QPushButton* m_verify;
    QPushButton* m_stop;
    QProgressBar* m_progress;
    QLabel* m_progressText;
    QPushButton* m_close;
    qint64 m_brokenByCheck = 0;   // the entry the last whole-log check found broken
};
