#include "preparedbinds.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstring>

namespace PreparedBinds {

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
            || id == QMetaType::Int || id == QMetaType::UInt || id == QMetaType::LongLong || id == QMetaType::ULongLong;
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

ParamBinds::ParamBinds(const QList<QVariant>& values)
    : m_binds(size_t(values.size())), m_nulls(size_t(values.size())), m_numbers(size_t(values.size())),
      m_times(size_t(values.size()))
{
    for (int i = 0; i < values.size(); ++i)
        set(size_t(i), values[i]);
}

void ParamBinds::set(size_t i, const QVariant& v)
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

}   // namespace PreparedBinds
