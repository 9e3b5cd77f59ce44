#pragma once
#include "data/connectionsettings.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// A fresh database with the program's tables on the test server, dropped
// again at the end. Every test case makes its own, so test executables may
// run side by side.
class TestDb {
public:
    explicit TestDb(bool withTables = true);
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    const QString& name() const { return m_name; }
    // Settings for a DataModule on this database (root over the test socket).
    ConnectionSettings settings() const;
    static ConnectionSettings serverSettings(const QString& database = QString());
    static QString socket();

    // Statements on an administrative connection inside this database.
    void exec(const QString& sql) const;
    QVariant scalar(const QString& sql) const;
    int count(const QString& table, const QString& where = QString()) const;
    QSqlDatabase admin() const;

private:
    QString m_name;
    QString m_conn;
};
