#pragma once
#include <QDialog>

struct AppContext;
class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The archiving window TForm19 "Mérlegjegy összesítés és archiválása": the
// cut-off date, the log of the run and the start button. While a run is going
// both buttons are disabled and the window cannot be closed; each log line
// appears as its step ends. A run starts only on a complete, valid date not
// later than today, after one question that says how many tickets it takes.
class ArchivingWindow : public QDialog {
    Q_OBJECT
public:
    explicit ArchivingWindow(AppContext& ctx, QWidget* parent = nullptr);

    bool running() const { return m_running; }

    // Messages of "Archiválás inditása" when nothing runs.
    static QString badDateMessage(const QString& shown);
    static QString futureDateMessage();
    static QString countFailedMessage();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onStart();
    void onBackup();
    void appendLine(const QString& line);
    void setRunning(bool on);

    AppContext& m_ctx;
    QDateEdit* m_date;
    QPlainTextEdit* m_memo;
    QPushButton* m_start;
    QPushButton* m_cancel;
    QPushButton* m_backup;
    QLabel* m_backupPath;
    bool m_running = false;
};
