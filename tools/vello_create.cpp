// vello-create: the creation step. Creates the database `vello`, the user
// vello@localhost, the ten tables, the counter rows and the site row; with
// --allow-host also the user for another workstation; the alibi log
// `vello_alibi` beside it (--upgrade adds the log and the unique code keys
// to an existing database).
//
//   vello-create [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME] [--demo]
//                [--allow-host HOST --password-file FILE [--server-host NAME]]
//   vello-create --upgrade [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]
//
// Runs as an administrative user (default root over the default socket, or
// the server of the settings file's [database] section; its password only
// from MYSQL_PWD) and refuses to touch an existing `vello` database, except
// to add a workstation's user to it.
#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/connectionsettings.h"
#include "data/dberror.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTextStream>

namespace {

const char* kUsage
        = "usage: vello-create [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME] [--demo]\n"
          "                    [--allow-host HOST --password-file FILE [--server-host NAME]]\n"
          "       vello-create --upgrade [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]\n";

const char* kHelp = "Creates the database of the weighbridge ticket register once, before the\n"
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
                    "  --allow-host HOST   a second workstation: let the user vello connect from\n"
                    "                      HOST (a name, an address, or a pattern such as\n"
                    "                      192.168.1.%) with the password of --password-file,\n"
                    "                      with the same rights as on this machine, and print\n"
                    "                      the lines for that workstation's settings file; an\n"
                    "                      existing database is kept (run it again to change\n"
                    "                      the password)\n"
                    "  --password-file F   the first line of F is the password (- reads it from\n"
                    "                      the standard input); never give it on the command line\n"
                    "  --server-host NAME  the name the workstation reaches this server by, for\n"
                    "                      the printed lines (default: this machine's name)\n"
                    "  --upgrade           bring an existing installation up to date: add the\n"
                    "                      alibi log (database vello_alibi, INSERT and SELECT\n"
                    "                      only for the program's user) where it is missing,\n"
                    "                      and the unique keys on the register codes and the\n"
                    "                      counters (refused, with the codes listed, while two\n"
                    "                      rows share a code)\n"
                    "  --help              show this text and exit\n"
                    "\n"
                    "Without options the server of the settings file's [database] section\n"
                    "(~/.config/vello/vello.ini) is used when there is one; the administrative\n"
                    "user's password, where it needs one, is read from the environment variable\n"
                    "MYSQL_PWD.\n"
                    "\n"
                    "An existing database is never touched. Exit status: 0 created (or the\n"
                    "workstation's user added); 1 the server could not be reached or a\n"
                    "statement failed (nothing is left behind); 2 bad arguments; 3 the database\n"
                    "already exists (with --upgrade: it does not exist); 4 (--upgrade) two rows\n"
                    "share a register code: the codes are listed and nothing was changed.\n";

// A host as the server's account names take it: a name, an IPv4 or IPv6
// address, a netmask, or a pattern with % and _.
bool validHost(const QString& host)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9._%:/-]{1,255}$"));
    return re.match(host).hasMatch();
}

bool validDatabase(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_$]{1,64}$"));
    return re.match(name).hasMatch();
}

// The server's stored form of a password (mysql_native_password): the clear
// password never travels in a statement, so it cannot reach a server log.
QString passwordHash(const QString& password)
{
    const QByteArray once = QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha1);
    const QByteArray twice = QCryptographicHash::hash(once, QCryptographicHash::Sha1);
    return QStringLiteral("*") + QString::fromLatin1(twice.toHex().toUpper());
}

bool readPassword(const QString& file, QString* password, QString* error)
{
    QFile f;
    bool opened = false;
    if (file == QLatin1String("-"))
        opened = f.open(stdin, QIODevice::ReadOnly);
    else {
        f.setFileName(file);
        opened = f.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        *error = QStringLiteral("cannot read the password file ") + file + QStringLiteral(": ") + f.errorString();
        return false;
    }
    QByteArray line = f.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    if (password->isEmpty()) {
        *error = QStringLiteral("the password file ") + file + QStringLiteral(" holds no password on its first line");
        return false;
    }
    return true;
}

void run(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {})
{
    QSqlQuery q(db);
    bool ok = false;
    if (binds.isEmpty())
        ok = q.exec(sql);
    else {
        ok = q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        ok = ok && q.exec();
    }
    if (!ok) {
        const QSqlError e = q.lastError();
        throw DbError(e.databaseText().isEmpty() ? e.driverText() : e.databaseText(), e.nativeErrorCode().toInt(), sql);
    }
}

// vello@host with the password and the rights vello@localhost has. The host
// and the database name reach the account statements only through the
// server's own quoting (QUOTE, bound values), never pasted in.
void allowHost(QSqlDatabase& db, const QString& database, const QString& host, const QString& password)
{
    run(db, QStringLiteral("SET @vello_host = ?, @vello_db = ?, @vello_hash = ?"),
            {host, database, passwordHash(password)});
    run(db, QStringLiteral("EXECUTE IMMEDIATE CONCAT('CREATE USER IF NOT EXISTS ''vello''@', QUOTE(@vello_host))"));
    run(db,
            QStringLiteral("EXECUTE IMMEDIATE CONCAT('ALTER USER ''vello''@', QUOTE(@vello_host), "
                           "' IDENTIFIED BY PASSWORD ', QUOTE(@vello_hash))"));
    run(db,
            QStringLiteral("EXECUTE IMMEDIATE CONCAT('GRANT ALL PRIVILEGES ON `', REPLACE(@vello_db, '`', '``'), "
                           "'`.* TO ''vello''@', QUOTE(@vello_host))"));
    run(db, QStringLiteral("SET @vello_host = NULL, @vello_db = NULL, @vello_hash = NULL"));
}

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
        // Codes held twice would stop the unique keys: the site first gives
        // those rows codes of their own; until then nothing is changed.
        const QStringList duplicates = Schema::duplicateCodes(db, database);
        if (!duplicates.isEmpty()) {
            err << "vello-create: the database `" << database << "` holds codes that more than one row has:\n";
            for (const QString& d : duplicates)
                err << "  " << d << "\n";
            err << "Each register code must belong to one row only before the upgrade can add its unique key.\n"
                   "Give the rows above codes of their own (and change the tickets and pending weighings that\n"
                   "refer to them), then run the upgrade again. Nothing was changed.\n";
            return 4;
        }
        // Said only when something was added: an installation that has the
        // keys already hears about the log alone.
        const QStringList keys = Schema::addCodeKeys(db, database);
        if (!keys.isEmpty())
            out << "vello-create: unique code keys added: " << keys.join(QLatin1String(", ")) << ".\n";
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

bool isLocal(const QString& host)
{
    return host.isEmpty() || host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1")
            || host == QLatin1String("::1");
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    // The server of the settings file, when it names one; the administrative
    // user is root unless given.
    QString settingsProblem;
    const ConnectionSettings configured = ConnectionSettings::configured(&settingsProblem);
    if (!settingsProblem.isEmpty())
        err << "vello-create: " << settingsProblem.replace(QLatin1Char('\r'), QLatin1Char(' ')) << "\n";
    QString socket = configured.socket, host = configured.host, user = QStringLiteral("root"),
            database = QStringLiteral("vello"), allowedHost, passwordFile, serverHost;
    int port = configured.port;
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
        // A socket is this machine's server; a host or port given means TCP.
        if (a == QLatin1String("--socket")) {
            socket = value();
            host = QStringLiteral("localhost");
        } else if (a == QLatin1String("--host")) {
            host = value();
            socket.clear();
        } else if (a == QLatin1String("--port")) {
            port = value().toInt();
            socket.clear();
        } else if (a == QLatin1String("--user"))
            user = value();
        else if (a == QLatin1String("--database"))
            database = value();
        else if (a == QLatin1String("--demo"))
            demo = true;
        else if (a == QLatin1String("--upgrade"))
            upgrading = true;
        else if (a == QLatin1String("--allow-host"))
            allowedHost = value();
        else if (a == QLatin1String("--password-file"))
            passwordFile = value();
        else if (a == QLatin1String("--server-host"))
            serverHost = value();
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << kUsage << "\n" << kHelp;
            return 0;
        } else {
            err << kUsage << "Try 'vello-create --help' for more information.\n";
            return 2;
        }
    }
    if (!validDatabase(database)) {
        err << "vello-create: --database takes letters, digits, _ and $ only\n";
        return 2;
    }
    QString password;
    if (!allowedHost.isEmpty() || !passwordFile.isEmpty()) {
        if (allowedHost.isEmpty() || passwordFile.isEmpty()) {
            err << "vello-create: --allow-host and --password-file go together\n";
            return 2;
        }
        if (!validHost(allowedHost)) {
            err << "vello-create: --allow-host takes a host name, an address or a pattern with % and _\n";
            return 2;
        }
        QString error;
        if (!readPassword(passwordFile, &password, &error)) {
            err << "vello-create: " << error << "\n";
            return 2;
        }
    }

    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("admin"));
        db.setHostName(host);
        db.setPort(port);
        db.setUserName(user);
        db.setPassword(qEnvironmentVariable("MYSQL_PWD"));
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
            const bool exists = q.exec() && q.next();
            if (exists && allowedHost.isEmpty()) {
                err << "vello-create: the database `" << database << "` already exists; nothing was changed.\n";
                rc = 3;
            } else {
                try {
                    if (!exists) {
                        Schema::createDatabase(db, database, true, demo);
                        addAlibiLog(db, database);
                        out << "vello-create: database `" << database << "` created"
                            << (demo ? " with demonstration data" : "") << ".\n";
                    } else {
                        out << "vello-create: the database `" << database << "` already exists; it is kept.\n";
                    }
                    if (!allowedHost.isEmpty()) {
                        allowHost(db, database, allowedHost, password);
                        AlibiSchema::grantProgramUser(db, database, QStringLiteral("vello"), {allowedHost});
                        ConnectionSettings w;
                        w.host = !serverHost.isEmpty() ? serverHost
                                : isLocal(host)        ? QSysInfo::machineHostName()
                                                       : host;
                        QSqlQuery p(db);
                        w.port = p.exec(QStringLiteral("SELECT @@port")) && p.next() ? p.value(0).toInt() : port;
                        w.user = QStringLiteral("vello");
                        w.password = password;
                        out << "vello-create: the user vello may connect from " << allowedHost << " to `" << database
                            << "`.\n"
                            << "Put these lines in the settings file of that workstation\n"
                            << "(~/.config/vello/vello.ini of the user who runs the program there):\n\n"
                            << w.settingsSection();
                    }
                } catch (const DbError& e) {
                    err << "vello-create: " << e.text() << "\n";
                    if (!exists) {
                        QSqlQuery drop(db);
                        drop.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(database));
                    }
                    rc = 1;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return rc;
}
