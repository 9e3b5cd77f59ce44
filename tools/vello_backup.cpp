// vello-backup: a consistent, compressed dump of the database, and its way back.
//
//   vello-backup [--folder DIR] [connection]          writes DIR/vello-yyyy-MM-dd-hhmmss.sql.gz
//       and the alibi log's DIR/vello_alibi-yyyy-MM-dd-hhmmss.sql.gz beside it
//   vello-backup --restore FILE [--force] [connection]
//       puts such a dump in place of the database: loaded into a scratch
//       database first and checked, then swapped in with one RENAME TABLE;
//       the replaced tables stay in a dated database. A dump whose counters
//       are behind the live ones is refused unless --force is given. Needs a
//       user that may create databases (e.g. sudo vello-backup --restore F --user root).
//       The live alibi log stays as it is. A dump of the alibi log itself
//       goes back only where the live log loses nothing: every live entry
//       and link must be in it (a lost or cut log can be put back; a
//       growing log is never replaced by an older copy, not even with --force).
//
// connection: [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]
// (default: the program's own settings, user vello, database vello, or the
// settings file's [database] section). A password is taken from that section
// or from the environment variable MYSQL_PWD, never from the command line.
#include "data/connectionsettings.h"
#include "periodclose/databasebackup.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    QString settingsProblem;
    ConnectionSettings s = ConnectionSettings::configured(&settingsProblem);
    if (!settingsProblem.isEmpty())
        err << "vello-backup: " << settingsProblem.replace(QLatin1Char('\r'), QLatin1Char(' ')) << "\n";
    if (qEnvironmentVariableIsSet("MYSQL_PWD"))
        s.password = qEnvironmentVariable("MYSQL_PWD");
    QString folder = DatabaseBackup::defaultFolder(), restore;
    bool force = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                err << "vello-backup: " << a << " needs a value\n";
                std::exit(2);
            }
            return args[++i];
        };
        // A socket is this machine's server; a host or port given means TCP.
        if (a == QLatin1String("--socket")) {
            s.socket = value();
            s.host = QStringLiteral("localhost");
        } else if (a == QLatin1String("--host")) {
            s.host = value();
            s.socket.clear();
        } else if (a == QLatin1String("--port")) {
            s.port = value().toInt();
            s.socket.clear();
        } else if (a == QLatin1String("--user")) {
            // The section's password belongs to the section's user.
            s.user = value();
            s.password = qEnvironmentVariable("MYSQL_PWD");
        } else if (a == QLatin1String("--database"))
            s.database = value();
        else if (a == QLatin1String("--folder"))
            folder = value();
        else if (a == QLatin1String("--restore"))
            restore = value();
        else if (a == QLatin1String("--force"))
            force = true;
        else {
            err << "usage: vello-backup [--folder DIR | --restore FILE [--force]] [--socket PATH | --host HOST --port PORT] "
                   "[--user NAME] [--database NAME]\n";
            return 2;
        }
    }
    DatabaseBackup backup(s);
    if (!restore.isEmpty()) {
        if (!backup.restore(restore, force)) {
            err << "vello-backup: a visszaállítás nem történt meg: " << backup.error() << "\n";
            return 1;
        }
        for (const QString& line : backup.report())
            out << line << "\n";
        return 0;
    }
    const QString path = backup.dump(folder);
    if (path.isEmpty()) {
        err << "vello-backup: backup failed: " << backup.error() << "\n";
        return 1;
    }
    out << path << "\n";
    if (!backup.alibiFile().isEmpty())
        out << backup.alibiFile() << "\n";
    else
        err << "vello-backup: no alibi log beside " << s.database << "; only the register was saved\n";
    return 0;
}
