#pragma once
#include "data/connectionsettings.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The test cluster that scripts/cluster starts (three Galera nodes on
// loopback), and a fresh database on it for one test case: created through
// node 1 with the program's tables and the alibi log beside it, dropped
// again at the end.
namespace Cluster {
QString dir();
QString socket(int node);   // node 1-3
// Root over the node's socket, on `database`.
ConnectionSettings rootSettings(int node, const QString& database = QString());
// An administrative connection to the node (made once per node and test
// executable). Its reads wait until the node has applied everything the
// cluster committed before them (wsrep_sync_wait), as a window that reads
// what another workstation wrote must.
QSqlDatabase admin(int node);
QVariant scalar(int node, const QString& sql, const QVariantList& binds = {});
bool exec(int node, const QString& sql, QString* error = nullptr);
}   // namespace Cluster

class ClusterDb {
public:
    explicit ClusterDb(bool withTables = true);
    ~ClusterDb();
    ClusterDb(const ClusterDb&) = delete;
    ClusterDb& operator=(const ClusterDb&) = delete;

    const QString& name() const { return m_name; }
    ConnectionSettings settings(int node) const { return Cluster::rootSettings(node, m_name); }
    // A statement inside this database on the node's administrative connection.
    QVariant scalar(int node, const QString& sql, const QVariantList& binds = {}) const;

private:
    QString m_name;
};
