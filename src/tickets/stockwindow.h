#pragma once
#include "tickets/stockreport.h"

#include <QDialog>

struct AppContext;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QueryGrid;

// TForm18 "Készlet": stock totals per grouping and the itemised rows behind
// one totals line, with their prints. Reads only.
class StockWindow : public QDialog {
    Q_OBJECT
public:
    explicit StockWindow(AppContext& ctx, QWidget* parent = nullptr);
    StockGrouping grouping() const;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildTab(bool itemised);
    void showTab(int index);   // from the window itself: not an operator's tab change
    void computeTotals();
    void computeItems();
    void onTabChanged(int index);
    void onDate();
    void onPrint();
    void onChart();

    AppContext& m_ctx;
    StockReport m_ops;
    QRadioButton* m_radio[4];
    QDateEdit* m_date;
    QTabWidget* m_tabs;
    QLineEdit* m_totals[4];   // weighed, stored in, shipped out, stock
    QLineEdit* m_items[4];
    QueryGrid* m_totalsGrid = nullptr;
    QueryGrid* m_itemsGrid = nullptr;
    bool m_switching = false;
};
