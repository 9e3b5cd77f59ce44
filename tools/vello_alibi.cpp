// vello-alibi: checks and shows the alibi log of the weighbridge register.
//
//   vello-alibi verify [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]
//   vello-alibi show N [same options]
//
// Connects as the program's user (default vello, or the settings file's
// [database] section) to the register database and reads its alibi log
// `<database>_alibi`; the password, where there is one, comes from that
// section or from the environment variable MYSQL_PWD, never from the
// command line.
#include "alibi/alibilog.h"
#include "data/datamodule.h"
#include "data/dberror.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char* kUsage
        = "usage: vello-alibi verify [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]\n"
          "       vello-alibi show N [--socket PATH | --host HOST --port PORT] [--user NAME] [--database NAME]\n";

const char* kHelp = "Checks the alibi log, the append-only record of every weight taken by the\n"
                    "weighing, each entry chained to the one before it by a SHA-256 value.\n"
                    "\n"
                    "  verify    walks the whole chain; prints the number of verified entries,\n"
                    "            or the first entry that does not match (exit status 1)\n"
                    "  show N    prints entry N with its pending weighing and tickets\n"
                    "\n"
                    "Options:\n"
                    "  --socket PATH       connect over this Unix socket\n"
                    "  --host HOST         connect over TCP to HOST (default localhost)\n"
                    "  --port PORT         TCP port (default 3306)\n"
                    "  --user NAME         database user (default vello); a password is read\n"
                    "                      from the environment variable MYSQL_PWD\n"
                    "  --database NAME     the register database (default vello); the log is\n"
                    "                      NAME_alibi\n"
                    "  --help              show this text and exit\n"
                    "\n"
                    "Without options the server of the settings file's [database] section\n"
                    "(~/.config/vello/vello.ini) is used when there is one.\n"
                    "\n"
                    "Exit status: 0 done (the chain is intact; the entry shown); 1 the chain is\n"
                    "broken, or no such entry; 2 bad arguments; 3 the log could not be read.\n";

QString direction(AlibiLog::Direction d)
{
    return d == AlibiLog::In ? QStringLiteral("entry (B)") : QStringLiteral("exit (K)");
}

int verify(AlibiLog& log, QTextStream& out)
{
    const AlibiLog::Verification v = log.verify();
    switch (v.problem) {
    case AlibiLog::Verification::None:
        out << "vello-alibi: " << v.verified << " entries verified; the chain is intact.\n";
        return 0;
    case AlibiLog::Verification::ChainMismatch:
        out << "vello-alibi: entry " << v.firstBroken << ": the chain value does not match (" << v.verified
            << " entries before it verified).\n";
        return 1;
    case AlibiLog::Verification::NumberGap:
        out << "vello-alibi: entry " << v.firstBroken << ": follows a missing entry " << v.expected << " ("
            << v.verified << " entries before it verified).\n";
        return 1;
    case AlibiLog::Verification::MissingEntry:
        out << "vello-alibi: entry " << v.firstBroken << ": named by a link but missing from the log (" << v.verified
            << " entries verified).\n";
        return 1;
    }
    return 1;
}

int show(AlibiLog& log, qint64 number, QTextStream& out, QTextStream& err)
{
    const std::optional<AlibiEntry> e = log.entry(number);
    if (!e) {
        err << "vello-alibi: there is no entry " << number << " in `" << log.database() << "`.\n";
        return 1;
    }
    QByteArray previous = AlibiEntry::firstPrevious();
    if (number > 1) {
        const std::optional<AlibiEntry> p = log.entry(number - 1);
        previous = p ? p->chain : QByteArray();
    }
    const bool matches = !previous.isEmpty() && e->computeChain(previous) == e->chain;
    out << "Entry " << e->number << "\n"
        << "  time:         " << e->time << "\n"
        << "  workstation:  " << e->workstation << "\n"
        << "  source:       " << e->source << "\n"
        << "  weight:       " << e->weight << "\n"
        << "  digits taken: " << e->digits << "\n"
        << "  status:       " << e->status << "\n"
        << "  port:         " << e->port << "\n"
        << "  raw frame:    " << e->frame << "\n"
        << "  chain value:  " << e->chain << (matches ? " (matches)" : " (DOES NOT MATCH)") << "\n";
    const QList<AlibiLog::Link> links = log.links(number);
    if (links.isEmpty())
        out << "Not linked to a weighing.\n";
    for (const AlibiLog::Link& l : links) {
        if (l.ticket.isEmpty())
            out << "Pending weighing " << l.pendingId;
        else
            out << "Ticket " << l.ticket << " (pending weighing " << l.pendingId << ")";
        out << ", measurement " << l.slot << ", " << direction(l.direction) << "\n";
    }
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    QString settingsProblem;
    ConnectionSettings s = ConnectionSettings::configured(&settingsProblem);
    if (!settingsProblem.isEmpty())
        err << "vello-alibi: " << settingsProblem.replace(QLatin1Char('\r'), QLatin1Char(' ')) << "\n";
    if (qEnvironmentVariableIsSet("MYSQL_PWD"))
        s.password = qEnvironmentVariable("MYSQL_PWD");
    QString command;
    qint64 number = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                err << "vello-alibi: " << a << " needs a value\n";
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
        } else if (a == QLatin1String("--user"))
            s.user = value();
        else if (a == QLatin1String("--database"))
            s.database = value();
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << kUsage << "\n" << kHelp;
            return 0;
        } else if (command.isEmpty() && (a == QLatin1String("verify") || a == QLatin1String("show"))) {
            command = a;
            if (a == QLatin1String("show")) {
                bool ok = false;
                number = i + 1 < args.size() ? args[++i].toLongLong(&ok) : 0;
                if (!ok || number < 1) {
                    err << "vello-alibi: show needs an entry number (1, 2, ...)\n";
                    return 2;
                }
            }
        } else {
            err << kUsage << "Try 'vello-alibi --help' for more information.\n";
            return 2;
        }
    }
    if (command.isEmpty()) {
        err << kUsage << "Try 'vello-alibi --help' for more information.\n";
        return 2;
    }
    try {
        // The first statement connects; the register's own tables are not
        // needed for the log.
        DataModule data(s);
        AlibiLog log(data);
        return command == QLatin1String("verify") ? verify(log, out) : show(log, number, out, err);
    } catch (const DbError& e) {
        err << "vello-alibi: cannot read the alibi log: " << e.text() << "\n";
        return 3;
    }
}
