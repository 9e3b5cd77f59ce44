#pragma once
#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class Query;

// Shows a Query in a QTableView. The rows are read from the query's result
// as the view asks for them. Columns are given as (column, title) pairs; a
// column the query lacks shows empty. With no columns given, every column of
// the query is shown under its own name.
class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString name;
        QString title;
    };

    explicit QueryTableModel(Query& query, QObject* parent = nullptr);
    void setColumns(const QList<Column>& columns);
    const QList<Column>& columns() const { return m_columns; }
    Query& query() const { return m_query; }
    QString columnName(int section) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private slots:
    void reset();

private:
    void resolve();

    Query& m_query;
    QList<Column> m_columns;
    QList<Column> m_effective;
    QList<int> m_index;   // query column per model column, -1 when missing
    int m_rows = 0;
};
