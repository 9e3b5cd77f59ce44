#pragma once
// The command line of the tools (vello-alibi, vello-backup, vello-create,
// vello-report): one option set for reaching the server, a --help made
// from the options, and the tools' messages to the terminal.
//
// Every tool takes the connection options
//
//   --socket PATH   this machine's server, over this Unix socket
//   --host HOST     the server over TCP (the socket is not used)
//   --port PORT     its TCP port (the socket is not used)
//   --user NAME     the user to connect as
//   --database NAME the register database
//   -h, --help      the help text
//
// over the settings file's [database] section (ConnectionSettings): an
// option replaces the key it names; given more than once, or both a socket
// and a host, the last one on the command line wins. A tool that connects
// as the program's user takes the section's password, or MYSQL_PWD where it
// is set; an option that names another user or another server (--user,
// --host, --port, --socket with a value other than the section's) drops the
// section's password (only MYSQL_PWD is left). A
// tool that connects as an administrative user (vello-create) is root unless
// --user says otherwise, and its password comes from MYSQL_PWD only. No
// password is ever taken from the command line.
#include "data/connectionsettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QTextStream>

class ToolOptions {
public:
    enum class Account {
        Program,   // the program's user, as the settings file names it
        Administrative   // root unless given, password from MYSQL_PWD only
    };
    enum class Parsed {
        Run,   // go on
        Help,   // the help text was printed: exit 0
        Bad   // a message was printed: exit kBadArguments
    };
    static constexpr int kBadArguments = 2;

    ToolOptions(const QString& tool, Account account);

    // The help text's parts: the forms of the command line (without the
    // tool's name; a line break continues a long one), what the tool does, and what follows the options (exit
    // status, examples). Descriptions are wrapped to the terminal's width;
    // an empty line starts a new paragraph.
    void addUsage(const QString& form);
    void setDescription(const QString& text);
    void setEpilogue(const QString& text);

    // The tool's own options, listed after the connection options.
    void addOption(const QCommandLineOption& option);
    // Another description for a connection option ("user", "database").
    void describe(const QString& name, const QString& description);

    // Parses the command line (QCoreApplication::arguments()). Prints the
    // help, or a message and where the help is, itself.
    Parsed parse(const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList values(const QString& name) const { return m_parser.values(name); }
    bool isSet(const QCommandLineOption& o) const { return m_parser.isSet(o); }
    QString value(const QCommandLineOption& o) const { return m_parser.value(o); }
    QStringList values(const QCommandLineOption& o) const { return m_parser.values(o); }
    QStringList positional() const { return m_parser.positionalArguments(); }

    // Where to connect: the settings file's section overlaid with the
    // options, as the head of this file says. A problem with the section
    // (a port that is not a number) is printed here, once.
    ConnectionSettings connection();
    // The same over a given section (as ConnectionSettings reads it).
    ConnectionSettings connection(ConnectionSettings section) const;

    // The help text, made from the options.
    QString helpText() const;

    // "<tool>: <message>" on the standard error, then where the help is;
    // returns kBadArguments.
    int badArguments(const QString& message);
    // "<tool>: <message>" on the standard error.
    void fail(const QString& message);
    // "<tool>: <message>" on the standard output.
    void say(const QString& message);

    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }
    const QString& tool() const { return m_tool; }

private:
    const QCommandLineOption* find(const QString& name) const;

    QString m_tool;
    Account m_account;
    QStringList m_usage;
    QString m_description, m_epilogue;
    QList<QCommandLineOption> m_options;
    QCommandLineParser m_parser;
    bool m_parsed = false;
    bool m_settingsRead = false;
    QTextStream m_out;
    QTextStream m_err;
};
