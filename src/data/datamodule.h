#pragma once
#include "data/connectionsettings.h"
#include "data/lockretry.h"
#include "data/preparedstatements.h"
#include "data/query.h"

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>

#include <functional>

// The data module: the one database connection of the run (ZCon1), the ten
// table data sets and the shared queries. It lives for the whole run; every
// window works through its queries.
class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(const ConnectionSettings& settings = ConnectionSettings::fixed(), QObject* parent = nullptr);
    ~DataModule() override;

    // Connects and opens ZTable1..ZTable10 in order (each checks that its
    // table exists; rows are read on demand). Throws DbError on any failure.
    void open();
    bool isConnected() const;
    // The server is a node of a Galera cluster (wsrep_on): the connection
    // then waits for the cluster's earlier commits before each read
    // (wsrep_sync_wait = 1).
    bool onCluster() const { return m_galera; }
    // The node in use ("host:port", or the socket's path), empty before
    // the first connection. `[database] host` may list several nodes: the
    // connection goes to the first that answers and is ready (a Galera node
    // synced and in the primary component; a plain server always is); after
    // a lost connection the next one starts with the node after the lost one.
    QString node() const { return m_node; }

    QSqlDatabase database() const;
    const ConnectionSettings& settings() const { return m_settings; }

    // Any query or table data set by component name ("ZQ13", "ZTable8") or
    // report data set name ("frDBDataSet5" -> ZQ13). nullptr when unknown.
    Query* find(const QString& name) const;
    static QStringList tableNames();   // meres, vello, ... in ZTable1..ZTable10 order

    // Statement bookkeeping for Query: reconnects after a lost connection,
    // but never inside an open "START TRANSACTION" bracket.
    void beforeStatement(const QString& sql);
    void afterStatement(const QString& sql, int errorCode);
    bool inTransaction() const { return m_inTransaction; }
    // The server's own word, read from the client library's connection
    // handle (the status flags of the latest reply; no round trip): a
    // transaction is open on the connection. False when not connected.
    bool serverInTransaction() const;
    // While a bracket is open every reply must still say "in transaction":
    // a node may end the transaction under a command (another node's write
    // won the certification) and still answer OK, and every later statement
    // would then run on its own. Throws DbError 1213 (a lock conflict: the
    // write runs again as a whole) when the bracket is open here and the
    // server says it is gone. Query calls it between a prepare and its execute.
    void requireOpenTransaction(const QString& sql);
    // Transactions found gone by the check above since the data module was
    // made (each ended its attempt as a lock conflict).
    qint64 transactionsFoundGone() const { return m_foundGone; }
    // How lock conflicts are tried again (retryLockConflicts).
    LockRetry& lockRetry() { return m_lockRetry; }

    // A statement with values inside a transaction bracket runs through the
    // connection's kept prepared statements (PreparedStatements): one round
    // trip each after its first run on the connection. Query decides.
    bool keepsPrepared() const;
    // Off: every statement prepared anew, as the Qt driver does (a
    // benchmark's baseline).
    void setKeepPrepared(bool on) { m_keepPrepared = on; }
    // Runs `sql` with `binds` through the kept statements; the checks of
    // the bracket run as for any statement. Throws DbError.
    PreparedResult runPrepared(const QString& sql, const QMap<QString, QVariant>& binds, bool* checkFailed);
    // Prepares sent through the kept statements since the data module was made.
    qint64 preparesSent() const { return m_prepared.prepares(); }

    // A plain statement on the connection outside every shared query
    // ("START TRANSACTION", "COMMIT", "ROLLBACK" of the transaction bracket).
    void statement(const QString& sql);
    // The plain bracket statements; Transaction is the usual way to use them.
    void begin();   // "START TRANSACTION"
    void commit();   // "COMMIT"
    // "ROLLBACK" that never throws: false (and the server's text in
    // `error`) when it failed.
    bool rollback(QString* error = nullptr);

    // Failure hook for tests: the n-th statement from now (1 = the next one)
    // fails with the server error `code` as if the server had refused it; with
    // a lost-connection code (DbError::lostConnection) the connection is
    // dropped as well, as a lost server would.
    // The statement itself is not sent.
    void failStatement(int n, int code = 1205, const QString& text = QString());
    void clearStatementFailure() { m_failIn = 0; }
    bool statementFailurePending() const { return m_failIn > 0; }
    // Failure hook for tests: the n-th statement from now (1 = the next one)
    // is sent and applied by the server as usual (a COMMIT commits), then the
    // connection drops before its reply arrives: the caller gets error 2013,
    // the connection is closed as after a real drop (the server rolls back a
    // transaction still open on it) and the next statement outside a
    // transaction reconnects.
    void dropAfterStatement(int n);
    void clearStatementDrop()
    {
        m_dropIn = 0;
        m_dropNow = false;
    }
    bool statementDropPending() const { return m_dropIn > 0; }
    // Hook for tests: `action` runs just before the n-th statement from now
    // (1 = the next one) goes out, for instance to restart the server between
    // two statements of an operation; the statement is then sent as usual.
    void beforeStatementRuns(int n, std::function<void()> action);
    bool statementActionPending() const { return m_actionIn > 0; }
    void clearStatementAction()
    {
        m_actionIn = 0;
        m_action = nullptr;
    }
    // Statements sent (or failed by the hook) since the data module was made.
    qint64 statementCount() const { return m_statements; }
    int generation() const { return m_generation; }

signals:
    // The connection went to another node (node() names it).
    void nodeChanged(const QString& node);

public:
    // Table data sets.
    Query ZTable1 {*this, QStringLiteral("ZTable1")};
    Query ZTable2 {*this, QStringLiteral("ZTable2")};
    Query ZTable3 {*this, QStringLiteral("ZTable3")};
    Query ZTable4 {*this, QStringLiteral("ZTable4")};
    Query ZTable5 {*this, QStringLiteral("ZTable5")};
    Query ZTable6 {*this, QStringLiteral("ZTable6")};
    Query ZTable7 {*this, QStringLiteral("ZTable7")};
    Query ZTable8 {*this, QStringLiteral("ZTable8")};
    Query ZTable9 {*this, QStringLiteral("ZTable9")};
    Query ZTable10 {*this, QStringLiteral("ZTable10")};

    // Shared queries.
    Query ZQ10 {*this, QStringLiteral("ZQ10")};   // the pending weighings of the vehicles-on-site list (TForm4)
    Query ZQ12 {*this,
            QStringLiteral(
                    "ZQ12")};   // the pending weighing written: IN insert, OUT update, producer, finalisation read
    Query ZQ13 {*this, QStringLiteral("ZQ13")};   // the print data of a pending weighing or a finalised ticket
                                                  // (meres.frf, vello.frf, szallito.frf); its delete
    Query ZQ20 {*this, QStringLiteral("ZQ20")};   // stock totals list (keszlet_*.frf); the ticket browser's joined rows
    Query ZQ21 {*this, QStringLiteral("ZQ21")};   // stock itemised list (keszlet_t_*.frf)
    Query ZQ22 {
            *this, QStringLiteral("ZQ22")};   // stock itemised sums; ticket rows written by finalisation and archiving
    Query ZQ23 {*this, QStringLiteral("ZQ23")};   // stock and ticket sums; the ticket copy rows (vello_masolat.frf);
                                                  // ticket row 2 of finalisation
    Query ZQ30 {*this, QStringLiteral("ZQ30")};   // plate register list (TForm5)
    Query ZQ31 {*this, QStringLiteral("ZQ31")};   // pending weighings of a plate, counted by the vehicle kind dialog
    Query ZQ32 {*this, QStringLiteral("ZQ32")};   // plate register writes
    Query ZQ33 {*this,
            QStringLiteral("ZQ33")};   // plate register side reads (in use, print rendszam.frf); the tare of a plate
    Query ZQ40 {*this,
            QStringLiteral("ZQ40")};   // producer register list (TForm8); the producer shown for a pending weighing
    Query ZQ41 {*this,
            QStringLiteral("ZQ41")};   // producer register, kept for the report data sets; no statement of its own
    Query ZQ42 {*this, QStringLiteral("ZQ42")};   // producer register writes
    Query ZQ43 {*this, QStringLiteral("ZQ43")};   // producer register side reads (in use, print termelo.frf)
    Query ZQ50 {*this,
            QStringLiteral("ZQ50")};   // crop register list (TForm10); the crop standards of the finalisation nets
    Query ZQ51 {
            *this, QStringLiteral("ZQ51")};   // crop register, kept for the report data sets; no statement of its own
    Query ZQ52 {*this, QStringLiteral("ZQ52")};   // crop register writes
    Query ZQ53 {*this,
            QStringLiteral(
                    "ZQ53")};   // crop register side reads (in use, print termeny.frf); crop names of the row display
    Query ZQ60 {*this, QStringLiteral("ZQ60")};   // warehouse register list (TForm12)
    Query ZQ61 {*this,
            QStringLiteral("ZQ61")};   // warehouse register, kept for the report data sets; no statement of its own
    Query ZQ62 {*this, QStringLiteral("ZQ62")};   // warehouse register writes
    Query ZQ63 {*this, QStringLiteral("ZQ63")};   // warehouse register side reads (in use, print raktar.frf); warehouse
                                                  // names of the row display
    Query ZQ70 {*this, QStringLiteral("ZQ70")};   // the document counters (sorszam) of Counters
    Query ZQ80 {*this, QStringLiteral("ZQ80")};   // the site row (ceg): company data and port setting
    Query ZQ91 {*this, QStringLiteral("ZQ91")};   // archiving: the work table (munka) and the archive inserts
    Query ZQ100 {*this, QStringLiteral("ZQ100")};   // kept for the report data sets; no statement of its own

private:
    void connectDb();
    // The client library's connection handle behind the driver; nullptr
    // when not connected or the driver does not give it.
    struct st_mysql* nativeHandle() const;
    bool connectTo(QSqlDatabase& db, const ConnectionSettings::Node& node, QString* notReady);
    void registerAll();

    ConnectionSettings m_settings;
    QString m_connectionName;
    QHash<QString, Query*> m_byName;   // lower-case name
    bool m_inTransaction = false;
    int m_failIn = 0;
    int m_dropIn = 0;
    bool m_dropNow = false;   // the statement going out is the one to drop after
    int m_failCode = 0;
    QString m_failText;
    qint64 m_statements = 0;
    int m_actionIn = 0;
    std::function<void()> m_action;
    Query m_plain {*this, QStringLiteral("plain")};
    bool m_broken = false;
    bool m_galera = false;
    int m_generation = 0;
    qint64 m_foundGone = 0;
    LockRetry m_lockRetry;
    PreparedStatements m_prepared;
    int m_preparedGeneration = -1;   // the connection generation m_prepared belongs to
    bool m_keepPrepared = true;
    QString m_node;
    QString m_shownNode;   // the node last announced by nodeChanged
    int m_nodeIndex = 0;   // in m_settings.nodes(): the one in use, or to try first
};
