#include "preparedstatements.h"

#include "data/dberror.h"
#include "data/preparedbinds.h"

#include <QDateTime>
#include <QSqlField>

#include <errmsg.h>
#include <mysql.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace PreparedBinds;

// What the server says of a result column, kept with the statement: the
// value type the Qt driver gives it and how its value is fetched.
namespace {
enum class Fetch { Integer, Time, Text };

struct Column {
    enum_field_types type;
    unsigned int flags;
    unsigned long length;
    QMetaType meta;
    Fetch fetch;
};

bool isAlnum(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

DbError statementError(MYSQL_STMT* stmt, const QString& sql)
{
    return DbError(QString::fromUtf8(mysql_stmt_error(stmt)), int(mysql_stmt_errno(stmt)), sql);
}

}   // namespace

struct PreparedStatements::Entry {
    MYSQL_STMT* stmt = nullptr;
    QStringList names;   // the :name of each ?
    std::vector<Column> columns;
    QSqlRecord record;

    // The columns as the server describes them.
    void describe(const MYSQL_FIELD* fields, unsigned int count)
    {
        columns.clear();
        record = QSqlRecord();
        for (unsigned int i = 0; i < count; ++i) {
            const MYSQL_FIELD& f = fields[i];
            Column c {f.type, f.flags, f.length, decodeType(f.type, f.flags), Fetch::Text};
            if (f.type == MYSQL_TYPE_DATE || f.type == MYSQL_TYPE_DATETIME || f.type == MYSQL_TYPE_TIMESTAMP)
                c.fetch = Fetch::Time;
            else if (isInteger(c.meta.id()) && f.type != MYSQL_TYPE_BIT)
                c.fetch = Fetch::Integer;
            columns.push_back(c);
            QSqlField field(QString::fromUtf8(f.name), c.meta, QString::fromUtf8(f.table));
            field.setRequired(IS_NOT_NULL(f.flags));
            field.setLength(int(f.length));
            field.setPrecision(int(f.decimals));
            field.setAutoValue(f.flags & AUTO_INCREMENT_FLAG);
            record.append(field);
        }
    }
    // The same columns (their names, types and how they are fetched)?
    bool describes(const MYSQL_FIELD* fields, unsigned int count) const
    {
        if (count != columns.size())
            return false;
        for (unsigned int i = 0; i < count; ++i)
            if (fields[i].type != columns[i].type || decodeType(fields[i].type, fields[i].flags) != columns[i].meta
                    || record.fieldName(int(i)) != QString::fromUtf8(fields[i].name))
                return false;
        return true;
    }
};

PreparedStatements::~PreparedStatements()
{
    clear();
}

QString PreparedStatements::positional(const QString& sql, QStringList* names)
{
    // The Qt driver's reading of named placeholders: ":name" outside a
    // quoted part, not after a second colon.
    QString out;
    out.reserve(sql.size());
    bool inQuote = false;
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char(':') && !inQuote && (i == 0 || sql.at(i - 1) != QLatin1Char(':')) && i + 1 < n
                && isAlnum(sql.at(i + 1))) {
            int end = i + 2;
            while (end < n && isAlnum(sql.at(end)))
                ++end;
            if (names)
                *names << sql.mid(i + 1, end - i - 1);
            out += QLatin1Char('?');
            i = end;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
            inQuote = !inQuote;
        out += c;
        ++i;
    }
    return out;
}

void PreparedStatements::clear()
{
    for (Entry* e : std::as_const(m_entries)) {
        mysql_stmt_close(e->stmt);
        delete e;
    }
    m_entries.clear();
    m_mysql = nullptr;
}

void PreparedStatements::drop(const QString& sql)
{
    Entry* e = m_entries.take(sql);
    if (!e)
        return;
    mysql_stmt_close(e->stmt);
    delete e;
}

PreparedStatements::Entry* PreparedStatements::prepare(
        MYSQL* mysql, const QString& sql, const std::function<void()>& afterPrepare)
{
    // The SQL texts of the program are a fixed set; should a caller build
    // many texts of its own, the oldest go all at once.
    if (m_entries.size() >= 512)
        clear();
    m_mysql = mysql;
    auto e = std::make_unique<Entry>();
    e->stmt = mysql_stmt_init(mysql);
    if (!e->stmt)
        throw DbError(QString::fromUtf8(mysql_error(mysql)), int(mysql_errno(mysql)), sql);
    const QByteArray text = positional(sql, &e->names).toUtf8();
    ++m_prepares;
    if (mysql_stmt_prepare(e->stmt, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        const DbError error = statementError(e->stmt, sql);
        mysql_stmt_close(e->stmt);
        throw error;
    }
    // The longest value of each column is known after the rows are
    // stored, so that every text is fetched whole at once.
    const my_bool updateMaxLength = 1;
    mysql_stmt_attr_set(e->stmt, STMT_ATTR_UPDATE_MAX_LENGTH, &updateMaxLength);
    if (MYSQL_RES* meta = mysql_stmt_result_metadata(e->stmt)) {
        e->describe(mysql_fetch_fields(meta), mysql_num_fields(meta));
        mysql_free_result(meta);
    }
    Entry* entry = e.release();
    m_entries.insert(sql, entry);
    if (afterPrepare)
        afterPrepare();
    return entry;
}

PreparedResult PreparedStatements::run(MYSQL* mysql, const QString& sql, const QMap<QString, QVariant>& binds,
        const std::function<void()>& afterPrepare)
{
    try {
        return runOnce(mysql, sql, binds, afterPrepare);
    } catch (const DbError& e) {
        // The table changed under the kept statement (an upgrade on the
        // server added or altered columns, and the server prepared it
        // again on its own): the client library refuses the result whose
        // columns differ from the prepared ones. Only a statement with a
        // result meets it, and reading it again is safe: the statement is
        // prepared anew and run once more.
        if (e.code() != CR_NEW_STMT_METADATA)
            throw;
    }
    drop(sql);
    return runOnce(mysql, sql, binds, afterPrepare);
}

PreparedResult PreparedStatements::runOnce(MYSQL* mysql, const QString& sql, const QMap<QString, QVariant>& binds,
        const std::function<void()>& afterPrepare)
{
    if (mysql != m_mysql)
        clear();
    Entry* e = m_entries.value(sql, nullptr);
    if (!e)
        e = prepare(mysql, sql, afterPrepare);

    QList<QVariant> values;
    values.reserve(e->names.size());
    for (const QString& name : std::as_const(e->names))
        values << binds.value(QLatin1Char(':') + name);
    ParamBinds params(values);
    MYSQL_STMT* stmt = e->stmt;
    if (!values.isEmpty() && mysql_stmt_bind_param(stmt, params.data()) != 0) {
        const DbError error = statementError(stmt, sql);
        drop(sql);
        throw error;
    }
    if (mysql_stmt_execute(stmt) != 0) {
        const DbError error = statementError(stmt, sql);
        // The statement stays prepared after the server refused one run of
        // it; on a lost connection it goes with the connection.
        if (error.connectionLost())
            clear();
        throw error;
    }

    PreparedResult r;
    r.affected = qint64(mysql_stmt_affected_rows(stmt));
    if (const my_ulonglong id = mysql_stmt_insert_id(stmt))
        r.insertId = QVariant(quint64(id));
    if (mysql_stmt_field_count(stmt) == 0)
        return r;

    r.select = true;
    if (mysql_stmt_store_result(stmt) != 0) {
        const DbError error = statementError(stmt, sql);
        if (error.connectionLost())
            clear();
        throw error;
    }
    // The result's own metadata: the columns as they are now, and the
    // longest value of each. A table changed under the kept statement (an
    // upgrade on the server added or altered columns, and the server
    // prepared the statement again on its own) gives other columns than
    // the prepare did: the statement takes the new ones.
    std::vector<unsigned long> longest;
    if (MYSQL_RES* meta = mysql_stmt_result_metadata(stmt)) {
        const MYSQL_FIELD* fields = mysql_fetch_fields(meta);
        const unsigned int n = mysql_num_fields(meta);
        if (!e->describes(fields, n))
            e->describe(fields, n);
        for (unsigned int i = 0; i < n; ++i)
            longest.push_back(fields[i].max_length);
        mysql_free_result(meta);
    } else {
        mysql_stmt_free_result(stmt);
        throw DbError(QStringLiteral("%1: the result has no column description").arg(sql), 0, sql);
    }
    r.record = e->record;
    const size_t count = e->columns.size();
    std::vector<MYSQL_BIND> out(count);
    std::vector<my_bool> nulls(count, 0);
    std::vector<my_bool> errors(count, 0);
    std::vector<unsigned long> lengths(count, 0);
    std::vector<QByteArray> buffers(count);
    for (size_t i = 0; i < count; ++i) {
        const Column& c = e->columns[i];
        MYSQL_BIND& b = out[i];
        std::memset(&b, 0, sizeof b);
        switch (c.fetch) {
        case Fetch::Integer:
            buffers[i] = QByteArray(8, '\0');
            b.buffer_type = c.type;
            b.is_unsigned = (c.flags & UNSIGNED_FLAG) != 0;
            break;
        case Fetch::Time:
            buffers[i] = QByteArray(int(sizeof(MYSQL_TIME)), '\0');
            b.buffer_type = c.type;
            break;
        case Fetch::Text:
            buffers[i] = QByteArray(int(qMax(qMax(c.length, longest[i]), 64UL) + 1), '\0');
            b.buffer_type = MYSQL_TYPE_STRING;
            break;
        }
        b.buffer = buffers[i].data();
        b.buffer_length = static_cast<unsigned long>(buffers[i].size());
        b.is_null = &nulls[i];
        b.length = &lengths[i];
        b.error = &errors[i];
    }
    if (mysql_stmt_bind_result(stmt, out.data()) != 0) {
        const DbError error = statementError(stmt, sql);
        mysql_stmt_free_result(stmt);
        throw error;
    }
    r.rows.reserve(int(mysql_stmt_num_rows(stmt)));
    for (;;) {
        const int rc = mysql_stmt_fetch(stmt);
        if (rc == MYSQL_NO_DATA)
            break;
        if (rc == 1) {
            const DbError error = statementError(stmt, sql);
            mysql_stmt_free_result(stmt);
            throw error;
        }
        QList<QVariant> row;
        row.reserve(int(count));
        for (size_t i = 0; i < count; ++i) {
            const Column& c = e->columns[i];
            if (nulls[i]) {
                row << QVariant(c.meta);
                continue;
            }
            if (c.fetch == Fetch::Integer) {
                const QVariant v(c.meta, buffers[i].constData());
                if (c.meta.id() == QMetaType::UChar)
                    row << v.toUInt();
                else if (c.meta.id() == QMetaType::Char)
                    row << v.toInt();
                else
                    row << v;
                continue;
            }
            if (c.fetch == Fetch::Time) {
                const auto* t = reinterpret_cast<const MYSQL_TIME*>(buffers[i].constData());
                const QDate date(int(t->year), int(t->month), int(t->day));
                if (c.meta.id() == QMetaType::QDate) {
                    row << date;
                } else {
                    const QTime time(int(t->hour), int(t->minute), int(t->second), int(t->second_part / 1000));
                    row << QDateTime(date, time);
                }
                continue;
            }
            QByteArray bytes;
            if (lengths[i] > static_cast<unsigned long>(buffers[i].size())) {
                // Longer than its buffer (a value the metadata did not
                // foresee): fetched again whole.
                bytes = QByteArray(int(lengths[i]), '\0');
                MYSQL_BIND whole;
                std::memset(&whole, 0, sizeof whole);
                unsigned long got = 0;
                whole.buffer_type = MYSQL_TYPE_STRING;
                whole.buffer = bytes.data();
                whole.buffer_length = lengths[i];
                whole.length = &got;
                if (mysql_stmt_fetch_column(stmt, &whole, unsigned(i), 0) != 0) {
                    const DbError error = statementError(stmt, sql);
                    mysql_stmt_free_result(stmt);
                    throw error;
                }
            } else {
                bytes = QByteArray(buffers[i].constData(), int(lengths[i]));
            }
            switch (c.meta.id()) {
            case QMetaType::QByteArray:
                row << bytes;
                break;
            case QMetaType::Double: {
                bool ok = false;
                const double d = QString::fromUtf8(bytes).toDouble(&ok);
                row << (ok ? QVariant(d) : QVariant());
                break;
            }
            case QMetaType::LongLong:
                row << QVariant(QString::fromUtf8(bytes).toLongLong());
                break;
            case QMetaType::ULongLong:
                row << QVariant(QString::fromUtf8(bytes).toULongLong());
                break;
            default:
                row << QVariant(QString::fromUtf8(bytes));
                break;
            }
        }
        r.rows << row;
    }
    mysql_stmt_free_result(stmt);
    return r;
}
