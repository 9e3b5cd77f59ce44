#include "datamodule.h"

#include "data/dberror.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>

namespace {
QAtomicInt g_connectionSerial;

QString firstWord(const QString& sql)
{
    return sql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
}

bool bracketWord(const QString& word)
{
    return word == QLatin1String("START") || word == QLatin1String("BEGIN") || word == QLatin1String("COMMIT")
            || word == QLatin1String("ROLLBACK");
}

}   // namespace

DataModule::DataModule(const ConnectionSettings& settings, QObject* parent) : QObject(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("Data"));
    m_connectionName = QStringLiteral("ZCon1_%1").arg(g_connectionSerial.fetchAndAddRelaxed(1));
    registerAll();
}

DataModule::~DataModule()
{
    m_prepared.clear();
    for (Query* q : m_byName)
        q->close();
    m_plain.close();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QStringList DataModule::tableNames()
{
    return {QStringLiteral("meres"), QStringLiteral("vello"), QStringLiteral("rendszam"), QStringLiteral("termelo"),
            QStringLiteral("termeny"), QStringLiteral("raktar"), QStringLiteral("sorszam"), QStringLiteral("atvevo"),
            QStringLiteral("munka"), QStringLiteral("archiv")};
}

void DataModule::registerAll()
{
    Query* all[] = {&ZTable1, &ZTable2, &ZTable3, &ZTable4, &ZTable5, &ZTable6, &ZTable7, &ZTable8, &ZTable9, &ZTable10,
            &ZQ10, &ZQ12, &ZQ13, &ZQ20, &ZQ21, &ZQ22, &ZQ23, &ZQ30, &ZQ31, &ZQ32, &ZQ33, &ZQ40, &ZQ41, &ZQ42, &ZQ43,
            &ZQ50, &ZQ51, &ZQ52, &ZQ53, &ZQ60, &ZQ61, &ZQ62, &ZQ63, &ZQ70, &ZQ80, &ZQ91, &ZQ100};
    for (Query* q : all)
        m_byName.insert(q->name().toLower(), q);
    const std::pair<const char*, Query*> reportSets[] = {{"frdbdataset1", &ZQ33}, {"frdbdataset2", &ZQ43},
            {"frdbdataset3", &ZQ53}, {"frdbdataset4", &ZQ63}, {"frdbdataset5", &ZQ13}, {"frdbdataset6", &ZQ20},
            {"frdbdataset7", &ZQ100}, {"frdbdataset8", &ZQ21}};
    for (const auto& [n, q] : reportSets)
        m_byName.insert(QString::fromLatin1(n), q);

    Query* tables[]
            = {&ZTable1, &ZTable2, &ZTable3, &ZTable4, &ZTable5, &ZTable6, &ZTable7, &ZTable8, &ZTable9, &ZTable10};
    const QStringList names = tableNames();
    for (int i = 0; i < 10; ++i) {
        tables[i]->setSql(QStringLiteral("SELECT * FROM ") + names[i]);
        tables[i]->setOpenOnDemand(true);
    }
    ZQ100.setSql(QStringLiteral("select * from archiv"));
    ZQ100.setOpenOnDemand(true);
}

Query* DataModule::find(const QString& name) const
{
    return m_byName.value(name.trimmed().toLower(), nullptr);
}

QSqlDatabase DataModule::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool DataModule::isConnected() const
{
    QSqlDatabase db = database();
    return db.isValid() && db.isOpen() && !m_broken;
}

bool DataModule::connectTo(QSqlDatabase& db, const ConnectionSettings::Node& node, QString* notReady)
{
    if (db.isOpen())
        db.close();
    // The socket goes to the client library as before; it uses it for
    // "localhost" only.
    const bool local = node.host == QLatin1String("localhost") && !m_settings.socket.isEmpty();
    db.setHostName(node.host);
    db.setPort(node.port);
    db.setDatabaseName(m_settings.database);
    db.setUserName(m_settings.user);
    db.setPassword(m_settings.password);
    db.setConnectOptions(m_settings.connectOptions());   // socket, timeout, TLS
    if (!db.open())
        throw DbError::from(db.lastError());
    // Texts in statements are written in double quotes; keep the server's
    // strict mode but make sure double quotes stay string quotes.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SET SESSION sql_mode = REPLACE(@@SESSION.sql_mode, 'ANSI_QUOTES', '')")))
        throw DbError::from(q.lastError());
    // A Galera node takes work only when it is synced with the cluster and
    // in its primary component (wsrep_ready ON, wsrep_local_state 4): a
    // joining node, a donor or one cut off from the majority is passed by.
    // A plain server has no wsrep_on (or it is OFF) and is always ready.
    m_galera = q.exec(QStringLiteral("SELECT @@wsrep_on")) && q.next() && q.value(0).toInt() == 1;
    q.finish();
    if (m_galera) {
        QString ready, state;
        if (q.exec(QStringLiteral("SHOW STATUS WHERE Variable_name IN ('wsrep_ready', 'wsrep_local_state')"))) {
            while (q.next())
                (q.value(0).toString() == QLatin1String("wsrep_ready") ? ready : state) = q.value(1).toString();
        }
        q.finish();
        if (ready.compare(QLatin1String("ON"), Qt::CaseInsensitive) != 0 || state != QLatin1String("4")) {
            if (notReady)
                *notReady = QStringLiteral("%1 (wsrep_ready %2, wsrep_local_state %3)")
                                    .arg(local ? m_settings.socket : node.label(), ready, state);
            db.close();
            return false;
        }
        // Every read first waits until the node has applied what the
        // cluster committed before it, so a workstation reads at once what
        // another one wrote through another node.
        if (!q.exec(QStringLiteral("SET SESSION wsrep_sync_wait = 1")))
            throw DbError::from(q.lastError());
    }
    m_node = local ? m_settings.socket : node.label();
    return true;
}

void DataModule::connectDb()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), m_connectionName);
    // The nodes in the order of the setting, starting with the one in use
    // (after a lost connection: the one after it).
    const QList<ConnectionSettings::Node> nodes = m_settings.nodes();
    std::optional<DbError> failure;
    QStringList notReady;
    for (int i = 0; i < nodes.size(); ++i) {
        const int k = (m_nodeIndex + i) % nodes.size();
        QString why;
        try {
            if (!connectTo(db, nodes[k], &why)) {
                notReady << why;
                continue;
            }
        } catch (const DbError& e) {
            // An answer that refuses this user or database is the same on
            // every node: it is not a node to pass by.
            if (!e.connectionLost())
                throw;
            if (db.isOpen())
                db.close();
            failure = e;
            continue;
        }
        m_nodeIndex = k;
        if (m_node != m_shownNode) {
            m_shownNode = m_node;
            emit nodeChanged(m_node);
        }
        m_broken = false;
        m_inTransaction = false;
        ++m_generation;
        return;
    }
    if (!notReady.isEmpty())
        throw DbError(QStringLiteral("Az adatbázis nem érhető el: a fürt egyik kiszolgálója sem kész a munkára (%1).")
                              .arg(notReady.join(QLatin1String(", "))),
                DbError::NodeNotReady);
    throw *failure;
}

void DataModule::open()
{
    connectDb();
    QSqlDatabase db = database();
    Query* tables[]
            = {&ZTable1, &ZTable2, &ZTable3, &ZTable4, &ZTable5, &ZTable6, &ZTable7, &ZTable8, &ZTable9, &ZTable10};
    for (Query* t : tables)
        t->close();
    // Opening a table data set checks that its table is there; its rows are
    // read when someone asks for them, so start-up does not grow with the data.
    for (const QString& table : tableNames()) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table)))
            throw DbError::from(q.lastError());
    }
}

void DataModule::statement(const QString& sql)
{
    m_plain.run(sql);
    m_plain.close();
}

void DataModule::begin()
{
    statement(QStringLiteral("START TRANSACTION"));
}

void DataModule::commit()
{
    statement(QStringLiteral("COMMIT"));
}

bool DataModule::rollback(QString* error)
{
    try {
        statement(QStringLiteral("ROLLBACK"));
    } catch (const DbError& e) {
        qWarning("ROLLBACK failed: %s", qPrintable(e.text()));
        if (error)
            *error = e.text();
        return false;
    }
    return true;
}

void DataModule::failStatement(int n, int code, const QString& text)
{
    m_failIn = n;
    m_failCode = code;
    m_failText = text.isEmpty() ? QStringLiteral("Injected failure (%1)").arg(code) : text;
}

void DataModule::dropAfterStatement(int n)
{
    m_dropIn = n;
    m_dropNow = false;
}

void DataModule::beforeStatementRuns(int n, std::function<void()> action)
{
    m_actionIn = n;
    m_action = std::move(action);
}

void DataModule::beforeStatement(const QString& sql)
{
    ++m_statements;
    if (m_actionIn > 0 && --m_actionIn == 0) {
        const std::function<void()> action = std::move(m_action);
        m_action = nullptr;
        if (action)
            action();
    }
    m_dropNow = m_dropIn > 0 && --m_dropIn == 0;
    if (m_failIn > 0 && --m_failIn == 0) {
        m_dropNow = false;   // refused before it went out: nothing to drop after
        if (DbError::lostConnection(m_failCode)) {
            // As a lost server: the connection goes, and with it whatever
            // transaction was open on it.
            QSqlDatabase db = database();
            if (db.isValid())
                db.close();
        }
        afterStatement(sql, m_failCode);
        throw DbError(m_failText, m_failCode, sql);
    }
    const QString word = firstWord(sql);
    QSqlDatabase db = database();
    const bool usable = db.isValid() && db.isOpen() && !m_broken;
    if (!usable) {
        if (m_inTransaction && word != QLatin1String("ROLLBACK")) {
            throw DbError(QStringLiteral("Az adatbázis-kapcsolat megszakadt egy tranzakció közben; "
                                         "a tranzakció elveszett."),
                    2013, sql);
        }
        if (m_inTransaction && word == QLatin1String("ROLLBACK")) {
            // The server already rolled the lost transaction back.
            m_inTransaction = false;
        }
        connectDb();
        return;
    }
    if (m_inTransaction && word != QLatin1String("ROLLBACK"))
        requireOpenTransaction(sql);
}

void DataModule::afterStatement(const QString& sql, int errorCode)
{
    if (m_dropNow) {
        m_dropNow = false;
        if (errorCode == 0) {
            // The drop hook: the server has applied the statement; the reply
            // is lost with the connection.
            QSqlDatabase db = database();
            if (db.isValid())
                db.close();
            afterStatement(sql, 2013);
            throw DbError(QStringLiteral("Lost connection to server during query"), 2013, sql);
        }
    }
    if (DbError::lostConnection(errorCode)) {
        // The next connection starts with the node after this one (the
        // same server when there is one).
        if (!m_broken)
            m_nodeIndex = (m_nodeIndex + 1) % int(m_settings.nodes().size());
        m_broken = true;
        // A ROLLBACK that found the server gone: the server dropped the
        // transaction with the connection, so the bracket is over and the
        // next statement reconnects (otherwise every later statement would
        // be refused as "inside a lost transaction").
        if (firstWord(sql) == QLatin1String("ROLLBACK"))
            m_inTransaction = false;
        return;
    }
    if (errorCode != 0)
        return;
    const QString word = firstWord(sql);
    // The reply of a statement inside the bracket must still say "in
    // transaction"; one that does not ran after the server ended it.
    if (m_inTransaction && !bracketWord(word))
        requireOpenTransaction(sql);
    if (word == QLatin1String("START") || word == QLatin1String("BEGIN"))
        m_inTransaction = true;
    else if (word == QLatin1String("COMMIT") || word == QLatin1String("ROLLBACK"))
        m_inTransaction = false;
}
