#pragma once
#include <QDialog>
#include <functional>

struct AppContext;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QUrl;

// The export window TForm20 "Exportálása excel  táblába": writes the archive
// into archiv.xlsx in the folder shown, advancing the progress bar per row,
// and opens the file with the desktop's default application when
// " excel táblát megjelenít" is ticked; when nothing can open it, says so
// with the file's path.
class ExportWindow : public QDialog {
    Q_OBJECT
public:
    explicit ExportWindow(AppContext& ctx, QWidget* parent = nullptr);

    // How a written file is shown (the desktop's default application,
    // DesktopOpen); false when it could not be.
    using Opener = std::function<bool(const QUrl&)>;
    void setOpener(Opener opener) { m_opener = std::move(opener); }
    bool running() const { return m_running; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onStart();
    void onFolder();
    void setRunning(bool on);

    AppContext& m_ctx;
    QCheckBox* m_show;
    QLineEdit* m_folder;
    QPushButton* m_choose;
    QProgressBar* m_progress;
    QPushButton* m_start;
    QPushButton* m_cancel;
    Opener m_opener;
    bool m_running = false;
};
