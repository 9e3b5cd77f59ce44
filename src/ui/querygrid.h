#pragma once
#include <QTableView>
#include <QWidget>

class Query;
class QueryTableModel;
class QToolButton;

// A grid bound to a Query: the view's current row and the query's current
// row are kept the same both ways. headerClicked reports the column name of
// a clicked title (the register lists sort by it). Tab leaves the grid for
// the next control; Enter and a double click report rowActivated.
class QueryGrid : public QTableView {
    Q_OBJECT
public:
    explicit QueryGrid(Query& query, QWidget* parent = nullptr);
    QueryTableModel* queryModel() const { return m_model; }
    Query& query() const { return m_query; }

    // Columns as wide as their title and the texts of the rows in view,
    // each at most `widest` pixels; where they do not all fit the view, the
    // widest give way first, none below its title (`squeeze`; without it a
    // wide table keeps its texts whole and scrolls sideways). For any table
    // view.
    // At most as many rows as the view shows are measured (SampleRows
    // before it is shown), however long the list.
    static void fitColumns(QTableView* view, int widest = 320, bool squeeze = true);
    static constexpr int SampleRows = 40;

signals:
    void headerClicked(const QString& column);
    void rowActivated();   // double click or Enter on a row

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void followQuery(int row);
    void followView(const QModelIndex& current);

    Query& m_query;
    QueryTableModel* m_model;
    bool m_syncing = false;
};

// First, prior, next, last on a Query.
class QueryNavigator : public QWidget {
    Q_OBJECT
public:
    explicit QueryNavigator(Query& query, QWidget* parent = nullptr);
    QToolButton* firstButton() const { return m_first; }
    QToolButton* priorButton() const { return m_prior; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* lastButton() const { return m_last; }

private:
    Query& m_query;
    QToolButton *m_first, *m_prior, *m_next, *m_last;
};
