#include "tooloptions.h"

#include <QHash>

#include <cstdio>

namespace {

const int kWidth = 79;   // the help text's lines
const int kColumn = 26;   // where an option's description starts

const QString kSocket = QStringLiteral("socket");
const QString kHost = QStringLiteral("host");
const QString kPort = QStringLiteral("port");
const QString kUser = QStringLiteral("user");
const QString kDatabase = QStringLiteral("database");
const QString kHelp = QStringLiteral("help");

// Each line of `text` wrapped to `width`; an indented line (a command to
// type) and an empty line are kept as they are.
QStringList wrap(const QString& text, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.isEmpty() || paragraph.startsWith(QLatin1Char(' '))) {
            lines << paragraph;
            continue;
        }
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines;
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// "--socket ÚTVONAL", "-h, --help"
QString synopsis(const QCommandLineOption& o)
{
    QStringList names;
    for (const QString& n : o.names())
        names << dashed(n);
    QString s = names.join(QLatin1String(", "));
    if (!o.valueName().isEmpty())
        s += QLatin1Char(' ') + o.valueName();
    return s;
}

void list(QTextStream& h, const QList<QCommandLineOption>& options)
{
    for (const QCommandLineOption& o : options) {
        QString left = QStringLiteral("  ") + synopsis(o);
        const QStringList text = wrap(o.description(), kWidth - kColumn);
        if (left.size() + 2 > kColumn) {
            h << left << '\n';
            left.clear();
        }
        for (int i = 0; i < text.size(); ++i) {
            h << (i == 0 ? left.leftJustified(kColumn) : QString(kColumn, QLatin1Char(' '))) << text[i] << '\n';
        }
    }
}

}   // namespace

ToolOptions::ToolOptions(const QString& tool, Account account)
    : m_tool(tool), m_account(account), m_out(stdout), m_err(stderr)
{
    const bool admin = account == Account::Administrative;
    m_options = {
            QCommandLineOption(
                    kSocket, QStringLiteral("a helyi kiszolgáló, ezen a Unix socketen át"), QStringLiteral("ÚTVONAL")),
            QCommandLineOption(kHost, QStringLiteral("a kiszolgáló gépe, TCP-n (alapértelmezés: localhost)"),
                    QStringLiteral("GÉP")),
            QCommandLineOption(
                    kPort, QStringLiteral("a kiszolgáló TCP-portja (alapértelmezés: 3306)"), QStringLiteral("PORT")),
            QCommandLineOption(kUser,
                    admin ? QStringLiteral("a rendszergazdai felhasználó (alapértelmezés: root)")
                          : QStringLiteral("az adatbázis felhasználója (alapértelmezés: vello); a beállítófájl "
                                           "jelszava ekkor nem érvényes, jelszót csak a MYSQL_PWD ad"),
                    QStringLiteral("NÉV")),
            QCommandLineOption(kDatabase, QStringLiteral("a nyilvántartás adatbázisa (alapértelmezés: vello)"),
                    QStringLiteral("NÉV")),
    };
}

void ToolOptions::addUsage(const QString& form)
{
    m_usage << form;
}

void ToolOptions::setDescription(const QString& text)
{
    m_description = text;
}

void ToolOptions::setEpilogue(const QString& text)
{
    m_epilogue = text;
}

void ToolOptions::addOption(const QCommandLineOption& option)
{
    m_options << option;
}

void ToolOptions::describe(const QString& name, const QString& description)
{
    for (QCommandLineOption& o : m_options)
        if (o.names().contains(name))
            o.setDescription(description);
}

const QCommandLineOption* ToolOptions::find(const QString& name) const
{
    for (const QCommandLineOption& o : m_options)
        if (o.names().contains(name))
            return &o;
    return nullptr;
}

ToolOptions::Parsed ToolOptions::parse(const QStringList& arguments)
{
    if (!m_parsed) {
        m_options << QCommandLineOption({QStringLiteral("h"), kHelp}, QStringLiteral("ez a leírás, majd kilépés"));
        for (const QCommandLineOption& o : m_options)
            m_parser.addOption(o);
        m_parsed = true;
    }
    if (!m_parser.parse(arguments)) {
        const QStringList unknown = m_parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            badArguments(QStringLiteral("ismeretlen kapcsoló: ") + dashed(unknown.first()));
            return Parsed::Bad;
        }
        // A value missing after an option, or one given to an option that
        // takes none: the parser names the option in quotes.
        const QString text = m_parser.errorText();
        const int from = text.indexOf(QLatin1Char('\'')), to = text.lastIndexOf(QLatin1Char('\''));
        QString name = from >= 0 && to > from ? text.mid(from + 1, to - from - 1) : QString();
        name = name.section(QLatin1Char('='), 0, 0);
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        const QCommandLineOption* o = find(name);
        if (!o)
            badArguments(text);
        else if (o->valueName().isEmpty())
            badArguments(QStringLiteral("a %1 kapcsoló nem kap értéket").arg(dashed(name)));
        else
            badArguments(QStringLiteral("a %1 kapcsoló után hiányzik az érték (%2)").arg(dashed(name), o->valueName()));
        return Parsed::Bad;
    }
    if (m_parser.isSet(kHelp)) {
        m_out << helpText();
        m_out.flush();
        return Parsed::Help;
    }
    for (const QString& p : m_parser.values(kPort)) {
        bool ok = false;
        const int n = p.toInt(&ok);
        if (!ok || n < 1 || n > 65535) {
            badArguments(QStringLiteral("a --port értéke 1 és 65535 közötti szám, nem „%1”").arg(p));
            return Parsed::Bad;
        }
    }
    return Parsed::Run;
}

ConnectionSettings ToolOptions::connection()
{
    QString problem;
    const ConnectionSettings section = ConnectionSettings::configured(&problem);
    if (!problem.isEmpty() && !m_settingsRead)
        fail(problem.replace(QLatin1Char('\r'), QLatin1Char(' ')));
    m_settingsRead = true;
    return connection(section);
}

ConnectionSettings ToolOptions::connection(ConnectionSettings s) const
{
    const ConnectionSettings section = s;
    const bool program = m_account == Account::Program;
    const QString environment = qEnvironmentVariable("MYSQL_PWD");
    if (!program) {
        s.user = QStringLiteral("root");
        s.password = environment;
    } else if (qEnvironmentVariableIsSet("MYSQL_PWD"))
        s.password = environment;
    // In the order given, so that the last of the socket and the host wins.
    QHash<QString, int> seen;
    for (const QString& name : m_parser.optionNames()) {
        const QString v = m_parser.values(name).value(seen[name]++);
        if (name == kSocket) {
            s.socket = v;
            s.host = QStringLiteral("localhost");
        } else if (name == kHost) {
            s.host = v;
            s.socket.clear();
        } else if (name == kPort) {
            s.port = v.toInt();
            s.socket.clear();
        } else if (name == kUser) {
            s.user = v;
            if (program)   // the section's password belongs to the section's user
                s.password = environment;
        } else if (name == kDatabase)
            s.database = v;
    }
    // The section's password belongs to the section's user on the section's
    // server: another server or account never hears it (only MYSQL_PWD).
    auto server = [](const ConnectionSettings& c) {
        return c.socket.isEmpty() ? c.host + QLatin1Char(':') + QString::number(c.port) : c.socket;
    };
    const bool elsewhere = server(s) != server(section) || s.user != section.user;
    if (program && elsewhere)
        s.password = environment;
    return s;
}

QString ToolOptions::helpText() const
{
    QString text;
    QTextStream h(&text);
    const QString lead = QStringLiteral("Használat: ");
    // A form too long for one line goes on under its own start.
    const QString under(lead.size() + m_tool.size() + 1, QLatin1Char(' '));
    for (int i = 0; i < m_usage.size(); ++i)
        h << (i == 0 ? lead : QString(lead.size(), QLatin1Char(' '))) << m_tool << ' '
          << QString(m_usage[i]).replace(QLatin1String("\n"), QLatin1Char('\n') + under) << '\n';
    if (!m_description.isEmpty()) {
        h << '\n';
        for (const QString& line : wrap(m_description, kWidth))
            h << line << '\n';
    }
    QList<QCommandLineOption> own, connection;
    for (const QCommandLineOption& o : m_options) {
        const QString& n = o.names().constLast();
        const bool shared = n == kSocket || n == kHost || n == kPort || n == kUser || n == kDatabase;
        (shared ? connection : own) << o;
    }
    h << "\nKapcsolók:\n";
    list(h, own);
    h << "\nKapcsolódás az adatbázishoz:\n";
    list(h, connection);
    h << '\n';
    const QString settings = m_account == Account::Program
            ? QStringLiteral("Kapcsolók nélkül a beállítófájl (~/.config/vello/vello.ini) [database] részében "
                             "megadott kiszolgálóhoz és felhasználóval kapcsolódik, ha van ilyen rész; egy kapcsoló "
                             "a rész azonos nevű beállítását váltja fel (a --socket ezt a gépet, a --host és a "
                             "--port TCP-t jelent). A jelszót a rész adja, vagy a MYSQL_PWD környezeti változó, "
                             "ha meg van adva; a parancssorban soha.")
            : QStringLiteral("Kapcsolók nélkül a beállítófájl (~/.config/vello/vello.ini) [database] részében "
                             "megadott kiszolgálóhoz kapcsolódik, ha van ilyen rész, root felhasználóként; egy "
                             "kapcsoló a rész azonos nevű beállítását váltja fel (a --socket ezt a gépet, a --host "
                             "és a --port TCP-t jelent). A rendszergazdai jelszót, ha kell, csak a MYSQL_PWD "
                             "környezeti változóból veszi; a parancssorból soha.");
    for (const QString& line : wrap(settings, kWidth))
        h << line << '\n';
    if (!m_epilogue.isEmpty()) {
        h << '\n';
        for (const QString& line : wrap(m_epilogue, kWidth))
            h << line << '\n';
    }
    h.flush();
    return text;
}

int ToolOptions::badArguments(const QString& message)
{
    fail(message);
    m_err << "A használat leírása: " << m_tool << " --help\n";
    m_err.flush();
    return kBadArguments;
}

void ToolOptions::fail(const QString& message)
{
    m_err << m_tool << ": " << message << '\n';
    m_err.flush();
}

void ToolOptions::say(const QString& message)
{
    m_out << m_tool << ": " << message << '\n';
    m_out.flush();
}
