#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

class QTableView;
class QWidget;

// The read-only grids of the alibi log window: a table view on a list of
// text rows. A long list (a busy day's entries) is given to the view at
// once; only the rows in view are measured for the column widths.
namespace AlibiGrid {

// The rows behind a grid: texts only, some columns aligned to the right.
class Rows : public QAbstractTableModel {
public:
    Rows(const QStringList& headers, QObject* parent);

    // Replaces every row; `rightAligned` columns (numbers) to the right.
    void setRows(QList<QStringList> rows);
    void setRightAligned(const QList<int>& columns) { m_right = columns; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    QList<QStringList> m_rows;
    QList<int> m_right;
};

// A grid of whole rows, one selectable at a time, with `headers`.
QTableView* make(QWidget* parent, const QString& name, const QStringList& headers);
// The rows of `grid` (made by make) become `rows`; the columns fit the
// rows in view.
void setRows(QTableView* grid, QList<QStringList> rows);
// The model of a grid made by make.
Rows* rowsOf(QTableView* grid);

}   // namespace AlibiGrid
