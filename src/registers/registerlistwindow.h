#pragma once
#include "registers/registerlist.h"
#include "registers/registermember.h"

#include <QDialog>

struct AppContext;
class QLabel;
class QLineEdit;
class QueryGrid;
class DialogKeys;

// A register list window (TForm5, TForm8, TForm10, TForm12): browse, search,
// sort, add, modify, delete and print one register. Closing it by any way
// leaves the member's list data set on the current row for the caller.
// Enter or a double click in the list is "Kiválaszt", Escape is "Mégsem"; a
// window left by Escape ends with EscapedResult.
class RegisterListWindow : public QDialog {
    Q_OBJECT
public:
    RegisterListWindow(AppContext& ctx, RegisterKind kind, QWidget* parent = nullptr);

    static constexpr int EscapedResult = 2;

    const RegisterMember& member() const { return m_member; }
    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSearch();
    void onSort(const QString& field);
    void onNew();
    void onModify();
    void onDelete();
    void onPrint();
    void openDialog();
    void fitColumns();

    AppContext& m_ctx;
    const RegisterMember& m_member;
    RegisterList m_ops;
    QLineEdit* m_search;
    QLabel* m_order;
    QueryGrid* m_grid;
    DialogKeys* m_keys;
    bool m_shown = false;
};
