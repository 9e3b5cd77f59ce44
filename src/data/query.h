#pragma once
#include <QList>
#include <QMap>
#include <QPair>
#include <QObject>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <memory>

class DataModule;
class QSqlQuery;

// A shared, long-lived query of the data module. A user closes it, sets its
// SQL, binds :p0, :p1, ... and opens it (SELECT) or executes it (anything
// else). The result and the current row stay after the window that ran it has
// gone, so a list window hands its picked row to the caller through it.
//
// Rows are read from the client-side result on demand (seek + read); nothing
// is copied into QVariants as a whole. Failures throw DbError.
class Query : public QObject {
    Q_OBJECT
public:
    Query(DataModule& dm, const QString& name);
    ~Query() override;

    const QString& name() const { return m_name; }

    void close();
    void setSql(const QString& sql);
    const QString& sql() const { return m_sql; }
    // Binds :name (given with or without the colon). Numbers reach the server
    // as numbers, texts as strings; a null QString (or QVariant()) binds NULL,
    // which equals nothing: a code read from no row matches no row.
    void bind(const QString& name, const QVariant& value);
    // A text to be stored or compared as a text: the empty text for a null
    // one (an unset field of a window is stored as '', never NULL).
    static QString notNull(const QString& text);
    void clearBindings();

    using Binds = QList<QPair<QString, QVariant>>;
    // One statement in one call: close, set the SQL, bind, execute. Returns
    // the rows affected.
    //   q.run("UPDATE meres SET mNetto = :p0 WHERE IDm = :p1", {{"p0", net}, {"p1", id}});
    int run(const QString& sql, const Binds& binds = {});
    // The same for a SELECT: close, set the SQL, bind, open.
    void openSql(const QString& sql, const Binds& binds = {});

    void open();   // runs a SELECT; stands on the first row
    int exec();   // runs any other statement; rows affected
    // The id the last INSERT run through this query generated (the client
    // library's, no statement sent); invalid when there is none.
    QVariant lastInsertId() const;
    void refresh();   // runs the current SQL again, keeps the row position where possible
    bool isOpen() const;
    // Open, but its result belongs to a connection that has been reopened
    // since (the server restarted): the rows are gone until it is run again.
    bool isStale() const;

    // A table data set is opened on demand: reading it opens it.
    void setOpenOnDemand(bool on) { m_openOnDemand = on; }

    int rowCount() const;
    bool isEmpty() const { return rowCount() == 0; }
    int currentRow() const;   // -1 when closed or empty
    bool first();
    bool prior();
    bool next();
    bool last();
    bool moveTo(int row);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }

    int columnCount() const;
    QString columnName(int column) const;
    int columnIndex(const QString& column) const;   // -1 when missing; case-insensitive
    bool hasColumn(const QString& column) const { return columnIndex(column) >= 0; }

    QVariant value(const QString& column) const;   // current row; throws DbError on a missing column
    QVariant value(int column) const;
    QString text(const QString& column) const;   // value in the run's text form
    QVariant valueAt(int row, int column) const;   // any row, for grids

    // Moves to the first row (from the top) whose column starts with prefix.
    bool locate(const QString& column, const QString& prefix, bool caseInsensitive = true);

signals:
    void resultReplaced();   // opened, refreshed or closed
    void currentRowChanged(int row);

private:
    void execute(bool select);
    void executeOnce(bool select);
    bool runKept(bool select);   // through the data module's kept statements; false when not for them
    QVariant cell(int row, int column) const;
    void ensureOpen() const;
    bool seekTo(int row) const;
    void setCurrent(int row);

    DataModule& m_dm;
    QString m_name;
    QString m_sql;
    QMap<QString, QVariant> m_binds;
    mutable std::unique_ptr<QSqlQuery> m_q;
    // A result of the kept statements, held as values (no QSqlQuery).
    bool m_kept = false;
    QList<QList<QVariant>> m_values;
    qint64 m_affected = 0;
    QVariant m_insertId;
    QSqlRecord m_rec;
    int m_rows = 0;
    int m_cur = -1;
    mutable int m_pos = -2;
    bool m_open = false;
    bool m_openOnDemand = false;
    bool m_eof = true;
    bool m_bof = true;
    int m_generation = -1;   // connection generation the result belongs to
};
