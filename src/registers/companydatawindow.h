#pragma once
#include <QDialog>

struct AppContext;
class QLineEdit;

// The company data window TForm22 "Cégnév átírása": rewrites the company's
// name, address and tax number in the site row. It starts with its design
// texts every time, whatever the site row holds.
class CompanyDataWindow : public QDialog {
    Q_OBJECT
public:
    explicit CompanyDataWindow(AppContext& ctx, QWidget* parent = nullptr);

private:
    void onWrite();

    AppContext& m_ctx;
    QLineEdit* m_edits[5];
};
