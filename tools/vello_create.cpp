// vello-create: the creation step. Creates the database `vello`, the user
// vello@localhost, the ten tables, the counter rows and the site row, and
// the alibi log `vello_alibi` (--upgrade adds the log to an existing one).
//
//   vello-create [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME] [--demo]
//
// Runs as an administrative user (default root over the default socket) and
// refuses to touch an existing `vello` database.
#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/dberror.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {

const char* kUsage =
    "usage: vello-create [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME] [--demo]\n"
    "       vello-create --upgrade [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]\n";

const char* kHelp =
    "Creates the database of the weighbridge ticket register once, before the\n"
    "program's first start: the database `vello`, the user vello@localhost\n"
    "without password, the ten tables, the four document counters and the site\n"
    "row. Connects as an administrative user, by default root over the default\n"
    "socket; on Debian run it with sudo after installing mariadb-server:\n"
    "\n"
    "    sudo apt install mariadb-server\n"
    "    sudo vello-create\n"
    "\n"
    "Options:\n"
    "  --socket PATH       connect over this Unix socket\n"
    "  --host HOST         connect over TCP to HOST (default localhost)\n"
    "  --port PORT         TCP port (default 3306)\n"
    "  --user NAME         administrative user (default root)\n"
    "  --database NAME     create this database instead of vello (tests only;\n"
    "                      the program always uses vello)\n"
    "  --demo              add a small demonstration data set, for training\n"
    "  --upgrade           bring an existing installation up to date: add the\n"
    "                      alibi log (database vello_alibi, INSERT and SELECT\n"
    "                      only for the program's user) where it is missing\n"
    "  --help              show this text and exit\n"
    "\n"
    "An existing database is never touched. Exit status: 0 created; 1 the\n"
    "server could not be reached or a statement failed (nothing is left behind);\n"
    "2 bad arguments; 3 the database already exists (with --upgrade: it does\n"
    "not exist).\n";

bool schemaExists(QSqlDatabase& db, const QString& name)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?"));
    q.addBindValue(name);
    return q.exec() && q.next();
}

// The alibi log beside `database` (db/create.sql, ALIBI SCHEMA part): its
// database and tables where missing, and the program's user's INSERT and
// SELECT on it. An existing log is kept as it is. On a failure a log
// database made by this call is removed again. Throws DbError.
void addAlibiLog(QSqlDatabase& db, const QString& database)
{
    const bool existed = schemaExists(db, AlibiLog::databaseFor(database));
    try {
        AlibiSchema::create(db, database);
        AlibiSchema::grantProgramUser(db, database);
    } catch (const DbError&) {
        if (!existed) {
            QSqlQuery drop(db);
            drop.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(AlibiLog::databaseFor(database)));
        }
        throw;
    }
}

// --upgrade: an existing installation gains what later versions added.
int upgrade(QSqlDatabase& db, const QString& database, QTextStream& out, QTextStream& err)
{
    if (!schemaExists(db, database)) {
        err << "vello-create: the database `" << database << "` does not exist; nothing was changed.\n";
        return 3;
    }
    try {
        QSqlQuery use(db);
        if (!use.exec(QStringLiteral("USE `%1`").arg(database)))
            throw DbError::from(use.lastError());
        const bool had = schemaExists(db, AlibiLog::databaseFor(database));
        addAlibiLog(db, database);
        out << "vello-create: alibi log `" << AlibiLog::databaseFor(database) << "` "
            << (had ? "already present; grants checked" : "added") << ".\n";
    } catch (const DbError& e) {
        err << "vello-create: " << e.text() << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    QString socket, host = QStringLiteral("localhost"), user = QStringLiteral("root"),
                    database = QStringLiteral("vello");
    int port = 3306;
    bool demo = false;
    bool upgrading = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                err << "vello-create: " << a << " needs a value\n";
                std::exit(2);
            }
            return args[++i];
        };
        if (a == QLatin1String("--socket"))
            socket = value();
        else if (a == QLatin1String("--host"))
            host = value();
        else if (a == QLatin1String("--port"))
            port = value().toInt();
        else if (a == QLatin1String("--user"))
            user = value();
        else if (a == QLatin1String("--database"))
            database = value();
        else if (a == QLatin1String("--demo"))
            demo = true;
        else if (a == QLatin1String("--upgrade"))
            upgrading = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << kUsage << "\n" << kHelp;
            return 0;
        } else {
            err << kUsage << "Try 'vello-create --help' for more information.\n";
            return 2;
        }
    }

    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("admin"));
        db.setHostName(host);
        db.setPort(port);
        db.setUserName(user);
        if (!socket.isEmpty())
            db.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + socket);
        if (!db.open()) {
            err << "vello-create: cannot connect: " << db.lastError().text() << "\n";
            rc = 1;
        } else if (upgrading) {
            rc = upgrade(db, database, out, err);
        } else {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?"));
            q.addBindValue(database);
            if (q.exec() && q.next()) {
                err << "vello-create: the database `" << database << "` already exists; nothing was changed.\n";
                rc = 3;
            } else {
                try {
                    Schema::createDatabase(db, database, true, demo);
                    addAlibiLog(db, database);
                    out << "vello-create: database `" << database << "` created"
                        << (demo ? " with demonstration data" : "") << ".\n";
                } catch (const DbError& e) {
                    err << "vello-create: " << e.text() << "\n";
                    QSqlQuery drop(db);
                    drop.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(database));
                    rc = 1;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return rc;
}
