#pragma once
#include "registers/companydata.h"

#include <QDialog>

struct AppContext;
class QLineEdit;

// The company data window TForm22 "Cégnév átírása": rewrites the company's
// name, address and tax number in the site row. It starts with the stored
// values of the site row; a text that does not fit its column is refused
// before the write, naming the box.
class CompanyDataWindow : public QDialog {
    Q_OBJECT
public:
    explicit CompanyDataWindow(AppContext& ctx, QWidget* parent = nullptr);

private:
    void onWrite();

    AppContext& m_ctx;
    QLineEdit* m_edits[5];
    CompanyData m_opened;   // the site row as this window last showed it
};
