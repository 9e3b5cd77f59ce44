#pragma once
// The values of a kept prepared statement going out and the types of its
// columns coming back, as the Qt driver sends and decodes them (so that a
// statement reads and writes the same either way).
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QVariant>

#include <mysql.h>

#include <list>
#include <vector>

namespace PreparedBinds {

// The value type of a column, as the Qt driver decodes it.
QMetaType decodeType(enum_field_types type, unsigned int flags);
bool isInteger(int typeId);
// A bound value that counts as NULL, as the Qt driver tells it.
bool isNullValue(const QVariant& v);

// The parameters of one execute, with the storage their binds point to.
class ParamBinds {
public:
    explicit ParamBinds(const QList<QVariant>& values);
    MYSQL_BIND* data() { return m_binds.empty() ? nullptr : m_binds.data(); }

private:
    void set(size_t i, const QVariant& v);

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

}   // namespace PreparedBinds
