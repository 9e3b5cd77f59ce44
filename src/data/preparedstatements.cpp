#include "preparedstatements.h"

#include "data/dberror.h"

#include <QDateTime>
#include <QSqlField>

#include <mysql.h>

#include <cstring>
#include <list>
#include <memory>
#include <vector>

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

// The value type of a column, as the Qt driver decodes it.
QMetaType decodeType(enum_field_types type, unsigned int flags)
{
    const bool unsignedFlag = flags & UNSIGNED_FLAG;
    switch (type) {
    case MYSQL_TYPE_TINY:
        return QMetaType(unsignedFlag ? QMetaType::UChar : QMetaType::Char);
    case MYSQL_TYPE_SHORT:
        return QMetaType(unsignedFlag ? QMetaType::UShort : QMetaType::Short);
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
        return QMetaType(unsignedFlag ? QMetaType::UInt : QMetaType::Int);
    case MYSQL_TYPE_YEAR:
        return QMetaType(QMetaType::Int);
    case MYSQL_TYPE_BIT:
    case MYSQL_TYPE_LONGLONG:
        return QMetaType(unsignedFlag ? QMetaType::ULongLong : QMetaType::LongLong);
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return QMetaType(QMetaType::Double);
    case MYSQL_TYPE_DATE:
        return QMetaType(QMetaType::QDate);
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return QMetaType(QMetaType::QDateTime);
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_GEOMETRY:
        return QMetaType((flags & BINARY_FLAG) ? QMetaType::QByteArray : QMetaType::QString);
    default:   // TIME (its range is wider than QTime's), ENUM, SET, JSON and the rest: text
        return QMetaType(QMetaType::QString);
    }
}

bool isInteger(int id)
{
    return id == QMetaType::Char || id == QMetaType::UChar || id == QMetaType::Short || id == QMetaType::UShort
            || id == QMetaType::Int || id == QMetaType::UInt || id == QMetaType::LongLong
            || id == QMetaType::ULongLong;
}

bool isAlnum(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

// A bound value that counts as NULL, as the Qt driver tells it.
bool isNullValue(const QVariant& v)
{
    if (v.isNull())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString().isNull();
    case QMetaType::QByteArray:
        return v.toByteArray().isNull();
    case QMetaType::QDate:
        return v.toDate().isNull();
    case QMetaType::QTime:
        return v.toTime().isNull();
    case QMetaType::QDateTime:
        return !v.toDateTime().isValid();
    default:
        return false;
    }
}

DbError statementError(MYSQL_STMT* stmt, const QString& sql)
{
    return DbError(QString::fromUtf8(mysql_stmt_error(stmt)), int(mysql_stmt_errno(stmt)), sql);
}

// The parameters of one execute, with the storage their binds point to.
class ParamBinds {
public:
    explicit ParamBinds(const QList<QVariant>& values)
        : m_binds(size_t(values.size())), m_nulls(size_t(values.size())), m_numbers(size_t(values.size())),
          m_times(size_t(values.size()))
    {
        for (int i = 0; i < values.size(); ++i)
            set(size_t(i), values[i]);
    }
    MYSQL_BIND* data() { return m_binds.empty() ? nullptr : m_binds.data(); }

private:
    void set(size_t i, const QVariant& v)
    {
        MYSQL_BIND& b = m_binds[i];
        std::memset(&b, 0, sizeof b);
        m_nulls[i] = isNullValue(v) ? 1 : 0;
        b.is_null = &m_nulls[i];
        Number& n = m_numbers[i];
        switch (v.typeId()) {
        case QMetaType::QByteArray:
            m_texts.push_back(v.toByteArray());
            b.buffer_type = MYSQL_TYPE_BLOB;
            b.buffer = const_cast<char*>(m_texts.back().constData());
            b.buffer_length = static_cast<unsigned long>(m_texts.back().size());
            break;
        case QMetaType::QTime:
        case QMetaType::QDate:
        case QMetaType::QDateTime: {
            MYSQL_TIME& t = m_times[i];
            std::memset(&t, 0, sizeof t);
            QDate date;
            QTime time;
            if (v.typeId() == QMetaType::QTime) {
                time = v.toTime();
                b.buffer_type = MYSQL_TYPE_TIME;
                t.time_type = MYSQL_TIMESTAMP_TIME;
            } else if (v.typeId() == QMetaType::QDate) {
                date = v.toDate();
                b.buffer_type = MYSQL_TYPE_DATE;
                t.time_type = MYSQL_TIMESTAMP_DATE;
            } else {
                const QDateTime dt = v.toDateTime();
                date = dt.date();
                time = dt.time();
                b.buffer_type = MYSQL_TYPE_DATETIME;
                t.time_type = MYSQL_TIMESTAMP_DATETIME;
            }
            if (time.isValid()) {
                t.hour = unsigned(time.hour());
                t.minute = unsigned(time.minute());
                t.second = unsigned(time.second());
                t.second_part = static_cast<unsigned long>(time.msec()) * 1000;
            }
            if (date.isValid()) {
                t.year = unsigned(date.year());
                t.month = unsigned(date.month());
                t.day = unsigned(date.day());
            }
            b.buffer = &t;
            b.buffer_length = sizeof t;
            break;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
            n.i32 = v.typeId() == QMetaType::Int ? v.toInt() : int(v.toUInt());
            b.buffer_type = MYSQL_TYPE_LONG;
            b.buffer = &n.i32;
            b.buffer_length = sizeof n.i32;
            b.is_unsigned = v.typeId() != QMetaType::Int;
            break;
        case QMetaType::Bool:
            n.flag = v.toBool() ? 1 : 0;
            b.buffer_type = MYSQL_TYPE_TINY;
            b.buffer = &n.flag;
            b.buffer_length = sizeof n.flag;
            break;
        case QMetaType::Double:
            n.real = v.toDouble();
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = &n.real;
            b.buffer_length = sizeof n.real;
            break;
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            n.i64 = v.typeId() == QMetaType::LongLong ? v.toLongLong() : qint64(v.toULongLong());
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = &n.i64;
            b.buffer_length = sizeof n.i64;
            b.is_unsigned = v.typeId() == QMetaType::ULongLong;
            break;
        default:
            m_texts.push_back(v.toString().toUtf8());
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = const_cast<char*>(m_texts.back().constData());
            b.buffer_length = static_cast<unsigned long>(m_texts.back().size());
            break;
        }
    }

    union Number {
        int i32;
        qint64 i64;
        double real;
        signed char flag;
    };
    std::vector<MYSQL_BIND> m_binds;
    std::vector<my_bool> m_nulls;
    std::vector<Number> m_numbers;
    std::vector<MYSQL_TIME> m_times;
    std::list<QByteArray> m_texts;   // stable addresses
};
}   // namespace

struct PreparedStatements::Entry {
    MYSQL_STMT* stmt = nullptr;
    QStringList names;   // the :name of each ?
    std::vector<Column> columns;
    QSqlRecord record;
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
        const unsigned int count = mysql_num_fields(meta);
        const MYSQL_FIELD* fields = mysql_fetch_fields(meta);
        for (unsigned int i = 0; i < count; ++i) {
            const MYSQL_FIELD& f = fields[i];
            Column c {f.type, f.flags, f.length, decodeType(f.type, f.flags), Fetch::Text};
            if (f.type == MYSQL_TYPE_DATE || f.type == MYSQL_TYPE_DATETIME || f.type == MYSQL_TYPE_TIMESTAMP)
                c.fetch = Fetch::Time;
            else if (isInteger(c.meta.id()) && f.type != MYSQL_TYPE_BIT)
                c.fetch = Fetch::Integer;
            e->columns.push_back(c);
            QSqlField field(QString::fromUtf8(f.name), c.meta, QString::fromUtf8(f.table));
            field.setRequired(IS_NOT_NULL(f.flags));
            field.setLength(int(f.length));
            field.setPrecision(int(f.decimals));
            field.setAutoValue(f.flags & AUTO_INCREMENT_FLAG);
            e->record.append(field);
        }
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
    if (e->columns.empty())
        return r;

    r.select = true;
    r.record = e->record;
    if (mysql_stmt_store_result(stmt) != 0) {
        const DbError error = statementError(stmt, sql);
        if (error.connectionLost())
            clear();
        throw error;
    }
    // The result's own metadata carries the longest value of each column.
    std::vector<unsigned long> longest(e->columns.size(), 0);
    if (MYSQL_RES* meta = mysql_stmt_result_metadata(stmt)) {
        const MYSQL_FIELD* fields = mysql_fetch_fields(meta);
        for (size_t i = 0; i < e->columns.size() && i < mysql_num_fields(meta); ++i)
            longest[i] = fields[i].max_length;
        mysql_free_result(meta);
    }
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
