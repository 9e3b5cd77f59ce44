#pragma once
#include "registers/registerentry.h"

#include <QDialog>
#include <QHash>

struct AppContext;
struct RegisterMember;
class QLineEdit;

// A register entry dialog (TForm7, TForm9, TForm11, TForm13): adds a row or
// modifies the current row of the member's list data set.
class RegisterDialog : public QDialog {
    Q_OBJECT
public:
    RegisterDialog(AppContext& ctx, const RegisterMember& member, QWidget* parent = nullptr);

    // Fills the boxes for the dialog mode. In modify mode a row that cannot
    // be read shows the member's message and gives false: the dialog is not
    // to be shown.
    bool prepare();
    // The dialog closed after a save attempt that re-ran the list.
    bool listRerun() const { return m_listRerun; }

private:
    void onOk();
    RegisterEntry::Values values() const;

    AppContext& m_ctx;
    const RegisterMember& m_member;
    RegisterEntry m_entry;
    QHash<QString, QLineEdit*> m_edits;
    bool m_listRerun = false;
};
