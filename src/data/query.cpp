#include "query.h"

#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"

#include <QSqlError>
#include <QSqlQuery>

Query::Query(DataModule& dm, const QString& name) : QObject(nullptr), m_dm(dm), m_name(name)
{
    setObjectName(name);
}

Query::~Query() = default;

void Query::close()
{
    const bool wasOpen = m_open;
    m_q.reset();
    m_kept = false;
    m_values.clear();
    m_affected = 0;
    m_insertId = QVariant();
    m_open = false;
    m_rows = 0;
    m_cur = -1;
    m_pos = -2;
    m_eof = m_bof = true;
    m_rec = QSqlRecord();
    if (wasOpen)
        emit resultReplaced();
}

void Query::setSql(const QString& sql)
{
    m_sql = sql;
    m_binds.clear();
}

void Query::bind(const QString& name, const QVariant& value)
{
    m_binds.insert(name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name, value);
}

QString Query::notNull(const QString& text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

void Query::clearBindings()
{
    m_binds.clear();
}

int Query::run(const QString& sql, const Binds& binds)
{
    close();
    setSql(sql);
    for (const auto& b : binds)
        bind(b.first, b.second);
    return exec();
}

void Query::openSql(const QString& sql, const Binds& binds)
{
    close();
    setSql(sql);
    for (const auto& b : binds)
        bind(b.first, b.second);
    open();
}

void Query::open()
{
    execute(true);
}

int Query::exec()
{
    execute(false);
    if (m_kept)
        return int(m_affected);
    return m_q ? m_q->numRowsAffected() : 0;
}

namespace {
bool isRead(const QString& sql)
{
    const QString word = sql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    return word == QLatin1String("SELECT") || word == QLatin1String("SHOW");
}
}   // namespace

// The read rule: a read outside a transaction whose connection was found
// lost is sent once more, which reconnects first (a read changes nothing, so
// sending it again is safe). Inside a transaction the read is a step of that
// transaction and fails with it; a write is never sent twice.
void Query::execute(bool select)
{
    try {
        executeOnce(select);
    } catch (const DbError& e) {
        if (!e.connectionLost() || m_dm.inTransaction() || !(select || isRead(m_sql)))
            throw;
        executeOnce(select);
    }
}

void Query::executeOnce(bool select)
{
    m_q.reset();
    m_kept = false;
    m_values.clear();
    m_affected = 0;
    m_insertId = QVariant();
    m_open = false;
    m_rows = 0;
    m_cur = -1;
    m_pos = -2;
    m_rec = QSqlRecord();

    try {
        m_dm.beforeStatement(m_sql);
    } catch (const DbError&) {
        emit resultReplaced();
        throw;
    }
    if (runKept(select))
        return;
    auto q = std::make_unique<QSqlQuery>(m_dm.database());
    q->setForwardOnly(false);
    bool ok;
    if (m_binds.isEmpty()) {
        ok = q->exec(m_sql);
    } else {
        ok = q->prepare(m_sql);
        if (ok) {
            // The prepare is a reply of its own: inside a bracket it must
            // still say "in transaction" before the execute goes out.
            try {
                m_dm.requireOpenTransaction(m_sql);
            } catch (const DbError&) {
                emit resultReplaced();
                throw;
            }
            for (auto it = m_binds.cbegin(); it != m_binds.cend(); ++it)
                q->bindValue(it.key(), it.value());
            ok = q->exec();
        }
    }
    if (!ok) {
        const DbError e = DbError::from(q->lastError(), m_sql);
        m_dm.afterStatement(m_sql, e.code());
        emit resultReplaced();
        throw e;
    }
    try {
        m_dm.afterStatement(m_sql, 0);   // throws only for the test hook's drop after the statement
    } catch (const DbError&) {
        emit resultReplaced();
        throw;
    }
    m_generation = m_dm.generation();

    if (q->isSelect()) {
        m_rec = q->record();
        m_rows = q->size();
        if (m_rows < 0) {   // driver without a size: count once
            m_rows = 0;
            while (q->next())
                ++m_rows;
        }
        m_open = true;
        m_q = std::move(q);
        m_cur = m_rows > 0 ? 0 : -1;
        m_bof = true;
        m_eof = m_rows == 0;
    } else {
        m_q = std::move(q);
        if (select)
            m_open = true;
    }
    emit resultReplaced();
    emit currentRowChanged(m_cur);
}

// A statement with values inside a transaction: the write path of the
// program (the weighing stores, the finalisation, the registers' writes)
// runs through the connection's kept prepared statements, one round trip
// each. Its result is small and held as values. Reads outside a
// transaction (the long lists) keep the driver's result, read on demand.
bool Query::runKept(bool select)
{
    if (m_binds.isEmpty() || !m_dm.inTransaction() || !m_dm.keepsPrepared())
        return false;
    PreparedResult r;
    bool checkFailed = false;
    try {
        r = m_dm.runPrepared(m_sql, m_binds, &checkFailed);
    } catch (const DbError& e) {
        // The bracket's check between prepare and execute reports itself;
        // a refused statement goes through the bookkeeping as any other.
        if (!checkFailed)
            m_dm.afterStatement(m_sql, e.code());
        emit resultReplaced();
        throw;
    }
    try {
        m_dm.afterStatement(m_sql, 0);
    } catch (const DbError&) {
        emit resultReplaced();
        throw;
    }
    m_generation = m_dm.generation();
    m_kept = true;
    m_affected = r.affected;
    m_insertId = r.insertId;
    if (r.select) {
        m_rec = r.record;
        m_values = std::move(r.rows);
        m_rows = int(m_values.size());
        m_open = true;
        m_cur = m_rows > 0 ? 0 : -1;
        m_bof = true;
        m_eof = m_rows == 0;
    } else if (select) {
        m_open = true;
    }
    emit resultReplaced();
    emit currentRowChanged(m_cur);
    return true;
}

QVariant Query::lastInsertId() const
{
    if (m_kept)
        return m_insertId;
    return m_q ? m_q->lastInsertId() : QVariant();
}

void Query::refresh()
{
    const int keep = m_cur;
    execute(true);
    if (keep > 0 && m_rows > 0)
        setCurrent(qMin(keep, m_rows - 1));
}

bool Query::isOpen() const
{
    return m_open;
}

bool Query::isStale() const
{
    return m_open && m_generation != m_dm.generation();
}

void Query::ensureOpen() const
{
    if (!m_open && m_openOnDemand && !m_sql.isEmpty())
        const_cast<Query*>(this)->execute(true);
}

int Query::rowCount() const
{
    ensureOpen();
    return m_rows;
}

int Query::currentRow() const
{
    ensureOpen();
    return m_cur;
}

void Query::setCurrent(int row)
{
    if (row == m_cur)
        return;
    m_cur = row;
    emit currentRowChanged(row);
}

bool Query::first()
{
    ensureOpen();
    m_bof = true;
    m_eof = m_rows == 0;
    if (m_rows == 0)
        return false;
    setCurrent(0);
    return true;
}

bool Query::last()
{
    ensureOpen();
    m_eof = true;
    m_bof = m_rows == 0;
    if (m_rows == 0)
        return false;
    setCurrent(m_rows - 1);
    return true;
}

bool Query::next()
{
    ensureOpen();
    m_bof = false;
    if (m_cur + 1 >= m_rows) {
        m_eof = true;
        return false;
    }
    setCurrent(m_cur + 1);
    m_eof = false;
    return true;
}

bool Query::prior()
{
    ensureOpen();
    m_eof = false;
    if (m_cur <= 0) {
        m_bof = true;
        return false;
    }
    setCurrent(m_cur - 1);
    m_bof = false;
    return true;
}

bool Query::moveTo(int row)
{
    ensureOpen();
    if (row < 0 || row >= m_rows)
        return false;
    m_bof = m_eof = false;
    setCurrent(row);
    return true;
}

int Query::columnCount() const
{
    ensureOpen();
    return m_rec.count();
}

QString Query::columnName(int column) const
{
    ensureOpen();
    return m_rec.fieldName(column);
}

int Query::columnIndex(const QString& column) const
{
    ensureOpen();
    for (int i = 0; i < m_rec.count(); ++i)
        if (m_rec.fieldName(i).compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool Query::seekTo(int row) const
{
    if (!m_q || row < 0 || row >= m_rows)
        return false;
    if (m_generation != m_dm.generation())
        return false;   // the connection was reopened: the old result is gone
    if (m_pos == row)
        return true;
    bool ok;
    if (m_pos >= 0 && row == m_pos + 1)
        ok = m_q->next();
    else
        ok = m_q->seek(row);
    m_pos = ok ? row : -2;
    return ok;
}

QVariant Query::cell(int row, int column) const
{
    if (column < 0 || column >= m_rec.count())
        return QVariant();
    if (m_kept)
        return row >= 0 && row < m_values.size() ? m_values[row].value(column) : QVariant();
    if (!seekTo(row))
        return QVariant();
    return m_q->value(column);
}

QVariant Query::valueAt(int row, int column) const
{
    ensureOpen();
    return cell(row, column);
}

QVariant Query::value(int column) const
{
    ensureOpen();
    if (m_cur < 0)
        return QVariant();
    return valueAt(m_cur, column);
}

QVariant Query::value(const QString& column) const
{
    ensureOpen();
    const int i = columnIndex(column);
    if (i < 0) {
        if (!m_open)
            return QVariant();
        throw DbError(QStringLiteral("%1: Field '%2' not found").arg(m_name, column));
    }
    return value(i);
}

QString Query::text(const QString& column) const
{
    return TextConv::toText(value(column));
}

bool Query::locate(const QString& column, const QString& prefix, bool caseInsensitive)
{
    ensureOpen();
    const int c = columnIndex(column);
    if (c < 0)
        return false;
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int r = 0; r < m_rows; ++r) {
        if (!m_kept && !seekTo(r))
            break;
        if (TextConv::toText(cell(r, c)).startsWith(prefix, cs)) {
            m_bof = m_eof = false;
            setCurrent(r);
            return true;
        }
    }
    return false;
}
