// vello-create: the creation step. Creates the database `vello`, the user
// vello@localhost, the ten tables, the counter rows and the site row; with
// --allow-host also the user for another workstation; the alibi log
// `vello_alibi` beside it (--upgrade adds the log, the unique code keys and
// the table of voided tickets to an existing database).
//
//   vello-create [--demo] [--allow-host HOST --password-file FILE [--server-host NAME]] [connection options]
//   vello-create --upgrade [connection options]
//
// Runs as an administrative user (tooloptions.h: root unless --user says
// otherwise, over the settings file's server; its password only from
// MYSQL_PWD) and refuses to touch an existing `vello` database, except to
// add a workstation's user to it.
#include "alibi/alibilog.h"
#include "alibi/alibischema.h"
#include "data/adminconnection.h"
#include "data/connectionsettings.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "createaccounts.h"
#include "tooloptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

using namespace CreateAccounts;

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
        *error = QStringLiteral("a jelszófájl (%1) nem olvasható: %2").arg(file, f.errorString());
        return false;
    }
    QByteArray line = f.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    if (password->isEmpty()) {
        *error = QStringLiteral("a jelszófájl (%1) első sorában nincs jelszó").arg(file);
        return false;
    }
    return true;
}

bool schemaExists(QSqlDatabase& db, const QString& name)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?"));
    q.addBindValue(name);
    return q.exec() && q.next();
}

// The alibi log beside `database` (db/create.sql, ALIBI SCHEMA part): its
// database and tables where missing, its routines (replaced: an existing
// log keeps every entry and its chain goes on), and SELECT and EXECUTE on it
// for every program account (the local ones and each --allow-host one; an
// INSERT granted by an older version taken back). On a failure a log
// database made by this call is removed again. Throws DbError.
void addAlibiLog(QSqlDatabase& db, const QString& database)
{
    const bool existed = schemaExists(db, AlibiLog::databaseFor(database));
    try {
        AlibiSchema::create(db, database);
        AlibiSchema::grantProgramAccounts(db, database);
    } catch (const DbError&) {
        if (!existed) {
            QSqlQuery drop(db);
            drop.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(AlibiLog::databaseFor(database)));
        }
        throw;
    }
}

// What the accounts hold, to tell whether the upgrade changed it.
QStringList grantsOf(QSqlDatabase& db, const QStringList& hosts)
{
    QStringList out;
    for (const QString& host : hosts) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT Db, Select_priv, Insert_priv, Update_priv, Delete_priv, Create_priv, "
                                 "Drop_priv, Grant_priv, Alter_priv, Index_priv, Execute_priv FROM mysql.db "
                                 "WHERE User = 'vello' AND Host = ? ORDER BY Db"));
        q.addBindValue(host);
        if (q.exec())
            while (q.next())
                for (int i = 0; i < 11; ++i)
                    out << q.value(i).toString();
    }
    return out;
}

// --upgrade: an existing installation gains what later versions added.
int upgrade(QSqlDatabase& db, const QString& database, ToolOptions& tool)
{
    if (!schemaExists(db, database)) {
        tool.fail(QStringLiteral("a(z) `%1` adatbázis nem létezik; semmi sem változott.").arg(database));
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
            tool.fail(QStringLiteral("a(z) `%1` adatbázisban több sornak is ugyanaz a kódja:").arg(database));
            for (const QString& d : duplicates)
                tool.err() << "  " << d << "\n";
            tool.err() << "Egy nyilvántartási kód csak egy soré lehet, különben a frissítés nem adhat rá egyedi\n"
                          "kulcsot. Adjon a fenti soroknak saját kódot (és javítsa a rájuk hivatkozó mérlegjegyeket\n"
                          "és függő méréseket), majd futtassa újra a frissítést. Semmi sem változott.\n";
            return 4;
        }
        // Said only when something was added: an installation that has the
        // keys already hears about the log alone.
        const QStringList keys = Schema::addCodeKeys(db, database);
        if (!keys.isEmpty())
            tool.say(QStringLiteral("egyedi kulcsot kaptak a kódok: %1.").arg(keys.join(QLatin1String(", "))));
        if (Schema::addVoidTable(db, database))
            tool.say(QStringLiteral("a sztornózott mérlegjegyek táblája (sztorno) elkészült."));
        const QStringList widened = Schema::widenStockKeys(db, database);
        if (!widened.isEmpty())
            tool.say(QStringLiteral("a készlet kulcsai kiegészültek a mérlegjegy számával: %1.")
                             .arg(widened.join(QLatin1String(", "))));
        const QString log = AlibiLog::databaseFor(database);
        const bool had = schemaExists(db, log);
        addAlibiLog(db, database);
        // Every account of the program, this machine's and each
        // workstation's, gets the program's rights and no more, on the
        // register and on the log.
        const QStringList hosts = Schema::programAccountHosts(db, database, QStringLiteral("vello"));
        const QStringList before = grantsOf(db, hosts);
        for (const QString& host : hosts)
            Schema::grantProgramAccount(db, database, QStringLiteral("vello"), host);
        if (!hosts.isEmpty())
            AlibiSchema::grantProgramUser(db, database, QStringLiteral("vello"), hosts);
        if (grantsOf(db, hosts) != before)
            tool.say(QStringLiteral("a program felhasználói (vello@%1) csak a munkájukhoz kellő jogokat kapták meg.")
                             .arg(hosts.join(QLatin1String(", vello@"))));
        tool.say(had ? QStringLiteral("az alibi napló (`%1`) már megvan; a jogosultságai rendben.").arg(log)
                     : QStringLiteral("az alibi napló (`%1`) elkészült.").arg(log));
    } catch (const DbError& e) {
        tool.fail(e.text());
        return 1;
    }
    return 0;
}

bool isLocal(const QString& host)
{
    return host.isEmpty() || host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1")
            || host == QLatin1String("::1");
}

// What the command line asks for, checked before the server is reached.
struct Request {
    ConnectionSettings server;   // the administrative connection; `database` is the one to create
    bool demo = false;
    bool upgrading = false;
    bool requireSsl = false;
    QString allowedHost, password, serverHost;
    QString localPassword;   // --local-password-file
};

const QCommandLineOption kDemo(
        QStringLiteral("demo"), QStringLiteral("kis gyakorló adatkészlet is (törzsadatok, néhány mérlegjegy)"));
const QCommandLineOption kAllowHost(QStringLiteral("allow-host"),
        QStringLiteral("második munkaállomás: a vello felhasználó erről a gépről is kapcsolódhat (név, cím vagy "
                       "minta, például 192.168.1.%), a --password-file jelszavával, ugyanazokkal a jogokkal, mint "
                       "ezen a gépen; a parancs kiírja annak a gépnek a beállítófájljába való sorokat. A meglévő "
                       "adatbázis megmarad (új jelszóhoz futtassa újra)."),
        QStringLiteral("GÉP"));
const QCommandLineOption kPasswordFile(QStringLiteral("password-file"),
        QStringLiteral("a fájl első sora a jelszó (a - a szabványos bemenetről olvassa); a parancssorban soha ne "
                       "adja meg"),
        QStringLiteral("FÁJL"));
const QCommandLineOption kServerHost(QStringLiteral("server-host"),
        QStringLiteral("ezen a néven éri el a munkaállomás ezt a kiszolgálót, a kiírt sorokhoz (alapértelmezés: "
                       "ennek a gépnek a neve)"),
        QStringLiteral("NÉV"));
const QCommandLineOption kRequireSsl(QStringLiteral("require-ssl"),
        QStringLiteral("az --allow-host felhasználója csak titkosított (TLS) kapcsolattal léphet be; a kiszolgálónak "
                       "tanúsítvány kell (lásd a kezelési útmutatót), a munkaállomás beállítófájljába pedig ssl-ca"));
const QCommandLineOption kLocalPasswordFile(QStringLiteral("local-password-file"),
        QStringLiteral("ennek a gépnek a vello felhasználója (vello@localhost, vello@127.0.0.1) jelszót kap a fájl "
                       "első sorából; a parancs kiírja a beállítófájlba való sorokat, és kipróbálja őket. Ajánlott, "
                       "ahol a gépet több ember használja."),
        QStringLiteral("FÁJL"));
const QCommandLineOption kUpgrade(QStringLiteral("upgrade"),
        QStringLiteral("meglévő telepítés frissítése: az alibi napló (vello_alibi adatbázis; a program "
                       "minden felhasználója csak olvashatja, és csak a napló saját eljárásain át írhat bele), "
                       "ha hiányzik, vagy a meglévő napló eljárásai és jogai, bejegyzései és lánca változatlanul, "
                       "és az egyedi kulcsok a "
                       "nyilvántartási kódokon és a sorszámokon (amíg két sornak ugyanaz a kódja, a parancs "
                       "felsorolja a kódokat, és nem változtat semmit)"));

void describe(ToolOptions& tool)
{
    for (const QCommandLineOption& o :
            {kDemo, kAllowHost, kPasswordFile, kServerHost, kRequireSsl, kLocalPasswordFile, kUpgrade})
        tool.addOption(o);
    tool.describe(QStringLiteral("database"),
            QStringLiteral("ezt az adatbázist hozza létre a vello helyett (csak teszteknek; a program mindig a "
                           "vello adatbázist használja)"));
    tool.addUsage(QStringLiteral("[--demo] [kapcsolók]"));
    tool.addUsage(
            QStringLiteral("--allow-host GÉP --password-file FÁJL\n[--require-ssl] [--server-host NÉV] [kapcsolók]"));
    tool.addUsage(QStringLiteral("--local-password-file FÁJL [kapcsolók]"));
    tool.addUsage(QStringLiteral("--upgrade [kapcsolók]"));
    tool.setDescription(QStringLiteral(
            "Egyszer, a program első indítása előtt létrehozza a mérlegjegy-nyilvántartás adatbázisát: a "
            "vello adatbázist, a jelszó nélküli vello@localhost felhasználót, a tíz táblát, a négy "
            "bizonylat-sorszámot, a telephely sorát és mellette az alibi naplót. Rendszergazdai felhasználóval "
            "kapcsolódik, alapértelmezés szerint root-ként az alapértelmezett socketen át; Debianon a "
            "mariadb-server telepítése után sudo-val futtassa:\n"
            "\n"
            "    sudo apt install mariadb-server\n"
            "    sudo vello-create"));
    tool.setEpilogue(QStringLiteral(
            "Meglévő adatbázishoz nem nyúl. Kilépési kód: 0 kész (vagy a munkaállomás felhasználója "
            "elkészült); 1 a kiszolgáló nem érhető el, vagy egy utasítás nem sikerült (nem marad utána "
            "semmi); 2 hibás paraméterek; 3 az adatbázis már létezik (--upgrade esetén: nem létezik); 4 "
            "(--upgrade) két sornak ugyanaz a nyilvántartási kódja: a parancs felsorolja a kódokat, és nem "
            "változtat semmit."));
}

// The command line as a request; a message and kBadArguments when it
// cannot be one.
int read(ToolOptions& tool, Request& r)
{
    if (!tool.positional().isEmpty())
        return tool.badArguments(QStringLiteral("fölösleges paraméter: „%1”").arg(tool.positional().first()));
    r.server = tool.connection();
    r.demo = tool.isSet(kDemo);
    r.upgrading = tool.isSet(kUpgrade);
    r.allowedHost = tool.value(kAllowHost);
    r.serverHost = tool.value(kServerHost);
    r.requireSsl = tool.isSet(kRequireSsl);
    const QString passwordFile = tool.value(kPasswordFile);
    if (!validDatabase(r.server.database))
        return tool.badArguments(QStringLiteral("a --database értékében csak betű, számjegy, _ és $ állhat"));
    QString error;
    if (tool.isSet(kLocalPasswordFile)) {
        if (!readPassword(tool.value(kLocalPasswordFile), &r.localPassword, &error)) {
            tool.fail(error);
            return ToolOptions::kBadArguments;
        }
    }
    if (r.requireSsl && r.allowedHost.isEmpty())
        return tool.badArguments(QStringLiteral("a --require-ssl csak az --allow-host mellett adható meg"));
    if (r.allowedHost.isEmpty() && passwordFile.isEmpty())
        return 0;
    if (r.allowedHost.isEmpty() || passwordFile.isEmpty())
        return tool.badArguments(QStringLiteral("az --allow-host és a --password-file csak együtt adható meg"));
    if (!validHost(r.allowedHost))
        return tool.badArguments(
                QStringLiteral("az --allow-host értéke gépnév, cím, vagy % és _ jeleket tartalmazó minta lehet"));
    if (isLoopback(r.allowedHost))
        return tool.badArguments(
                QStringLiteral("az --allow-host %1 ez a gép maga: innen mindig a helyi vello felhasználó (jelszó "
                               "nélküli vello@localhost, vello@127.0.0.1) lép be, a munkaállomás jelszavát senki sem "
                               "kérdezné. Ennek a gépnek a felhasználója a --local-password-file kapcsolóval kap "
                               "jelszót; az --allow-host egy másik gép neve, címe vagy mintája.")
                        .arg(r.allowedHost));
    if (!readPassword(passwordFile, &r.password, &error)) {
        tool.fail(error);
        return ToolOptions::kBadArguments;
    }
    return 0;
}

// --local-password-file: the local accounts' password, the settings line
// for this machine, and a connection with exactly what was printed.
bool printLocal(QSqlDatabase& db, const Request& r, ToolOptions& tool)
{
    setLocalPassword(db, r.server.database, r.localPassword);
    ConnectionSettings w;
    w.host = QStringLiteral("localhost");
    w.socket = r.server.socket;
    QSqlQuery p(db);
    w.port = p.exec(QStringLiteral("SELECT @@port")) && p.next() ? p.value(0).toInt() : r.server.port;
    w.password = r.localPassword;
    const QString section = w.settingsSection();
    const QString why = tryPrinted(section, r.server.database);
    if (!why.isEmpty()) {
        tool.fail(QStringLiteral("a helyi vello felhasználó jelszót kapott, de a kiírt beállításokkal nem sikerült "
                                 "kapcsolódni: ")
                + why);
        return false;
    }
    tool.say(QStringLiteral("ennek a gépnek a vello felhasználója jelszót kapott (kipróbálva)."));
    tool.out() << "Ezeket a sorokat tegye a programot ezen a gépen futtató felhasználó\n"
                  "~/.config/vello/vello.ini fájljába (a fájl módja 600 legyen):\n\n"
               << section;
    return true;
}

// A new database, or a workstation's user for an existing one.
int create(QSqlDatabase& db, const Request& r, ToolOptions& tool)
{
    const QString& database = r.server.database;
    const bool exists = schemaExists(db, database);
    if (exists && r.allowedHost.isEmpty() && r.localPassword.isEmpty()) {
        tool.fail(QStringLiteral("a(z) `%1` adatbázis már létezik; semmi sem változott.").arg(database));
        return 3;
    }
    try {
        if (!exists) {
            Schema::createDatabase(db, database, true, r.demo);
            addAlibiLog(db, database);
            tool.say(r.demo ? QStringLiteral("a(z) `%1` adatbázis elkészült, gyakorló adatokkal.").arg(database)
                            : QStringLiteral("a(z) `%1` adatbázis elkészült.").arg(database));
        } else
            tool.say(QStringLiteral("a(z) `%1` adatbázis már létezik; megmarad.").arg(database));
        if (!r.localPassword.isEmpty() && !printLocal(db, r, tool))
            return 1;
        if (!r.allowedHost.isEmpty()) {
            allowHost(db, database, r.allowedHost, r.password, r.requireSsl);
            ConnectionSettings w;
            w.host = !r.serverHost.isEmpty() ? r.serverHost
                    : isLocal(r.server.host) ? QSysInfo::machineHostName()
                                             : r.server.host;
            QSqlQuery p(db);
            w.port = p.exec(QStringLiteral("SELECT @@port")) && p.next() ? p.value(0).toInt() : r.server.port;
            w.user = QStringLiteral("vello");
            w.password = r.password;
            tool.say(QStringLiteral("a vello felhasználó a(z) %1 gépről is kapcsolódhat a(z) `%2` adatbázishoz.")
                             .arg(r.allowedHost, database));
            tool.out() << "Ezeket a sorokat tegye annak a gépnek a beállítófájljába (annak a felhasználónak a\n"
                          "~/.config/vello/vello.ini fájljába, aki ott a programot futtatja):\n\n"
                       << w.settingsSection();
            if (r.requireSsl)
                tool.out() << "\nA felhasználó csak titkosított kapcsolattal léphet be: a fenti részbe kerüljön még\n"
                              "egy sor a kiszolgáló tanúsítványát aláíró CA fájljával azon a gépen, például\n"
                              "ssl-ca=/etc/vello/ca.pem\n";
        }
    } catch (const DbError& e) {
        tool.fail(e.text());
        if (!exists) {
            QSqlQuery drop(db);
            drop.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(database));
        }
        return 1;
    }
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ToolOptions tool(QStringLiteral("vello-create"), ToolOptions::Account::Administrative);
    describe(tool);
    if (const std::optional<int> stop = tool.stopAfterParsing(app.arguments()))
        return *stop;
    Request r;
    if (const int bad = read(tool, r))
        return bad;

    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("admin"));
        db.setHostName(r.server.host);
        db.setPort(r.server.port);
        db.setUserName(r.server.user);
        db.setPassword(r.server.password);
        if (!r.server.socket.isEmpty())
            db.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + r.server.socket);
        if (!db.open()) {
            tool.fail(QStringLiteral("nem sikerült kapcsolódni az adatbázis-szerverhez: ") + db.lastError().text());
            rc = 1;
        } else
            rc = r.upgrading ? upgrade(db, r.server.database, tool) : create(db, r, tool);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return rc;
}
