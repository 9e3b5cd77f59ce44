#pragma once
#include "tickets/ticketbrowser.h"
#include "tickets/ticketcorrections.h"
#include "tickets/ticketlist.h"

#include <QDialog>
#include <QHash>
#include <optional>

struct AppContext;
class QLineEdit;
class QTableView;
class QToolButton;
class TicketListModel;

// TForm17 "Mérlegjegy": the ticket list, the chosen ticket in detail, the
// ticket copy. Reads only.
class TicketBrowserWindow : public QDialog {
    Q_OBJECT
public:
    explicit TicketBrowserWindow(AppContext& ctx, QWidget* parent = nullptr);
    // With "Sztornó" and "Javítás" working (TicketCorrections).
    TicketBrowserWindow(AppContext& ctx, const TicketCorrections& corrections, QWidget* parent = nullptr);
    ~TicketBrowserWindow() override;
    TicketListModel* listModel() const { return m_model; }
    QTableView* grid() const { return m_grid; }
    // The ticket number of the list's current line ("" when the list is empty).
    QString currentTicket();
    // Search ("Keres"): the first matching ticket in list order becomes the
    // current line; "Következő" goes on after the current line. False when
    // nothing matched (the operator was told) or the criteria were refused.
    bool search(bool next = false);

protected:
    void showEvent(QShowEvent* e) override;

private:
    QWidget* buildMeasures();
    QWidget* buildColumns(const QStringList& columns, const QStringList& labels);
    void openList();
    void moveTo(int row);
    void showDetail();
    void onPrint();
    std::optional<TicketList::Search> criteria();
    void correct(const std::function<QString(const QString&)>& action);

    AppContext& m_ctx;
    TicketList m_list;
    TicketBrowser m_ops;
    TicketListModel* m_model;
    QTableView* m_grid;
    QHash<QString, QLineEdit*> m_fields;
    QLineEdit* m_findTicket;
    QLineEdit* m_findPlate;
    QLineEdit* m_findFrom;
    QLineEdit* m_findTo;
    bool m_shown = false;
    TicketCorrections m_corrections;
};
