// vello-create: the creation step. Creates the database `vello`, the user
// vello@localhost, the ten tables, the counter rows and the site row.
//
//   vello-create [--socket PATH | --host HOST --port PORT] [--user NAME] [--demo]
//
// Runs as an administrative user (default root over the default socket) and
// refuses to touch an existing `vello` database.
#include "data/dberror.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    QString socket, host = QStringLiteral("localhost"), user = QStringLiteral("root"),
                    database = QStringLiteral("vello");
    int port = 3306;
    bool demo = false;
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
        else {
            err << "usage: vello-create [--socket PATH | --host HOST --port PORT] [--user NAME] [--demo]\n";
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
