// vello-report: renders a report template to PDF from the database, for
// template authors and tests.
//
//   vello-report --template FILE.frf --out FILE.pdf
//                [--query NAME SQL]... [--bind NAME.pN=VALUE]... [--var NAME=VALUE]... [connection options]
//   vello-report --ticket N [--copy] --out FILE.pdf [connection options]
//
// The second form prints stored ticket N as the program prints it: the
// ticket document's rows (ZQ13 for the ticket, ZQ23 for the copy) and
// variables, with vello.frf or, with --copy, vello_masolat.frf (--template
// names another file).
// Connects as the program's user (tooloptions.h), opens each
// named data-module query with its SQL and bindings, sets the report
// variables (a value that reads as a number is a number), reads the
// template from the working folder and writes the PDF. Exit status 0 on
// success; otherwise the error text the program would show is printed.
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "reports/reportbuilder.h"
#include "reports/reportoutput.h"
#include "reports/reportpainter.h"
#include "tickets/ticketdocument.h"
#include "tooloptions.h"

#include <QGuiApplication>
#include <QList>

namespace {

QVariant valueOf(const QString& text)
{
    if (const auto n = TextConv::toNumber(text))
        return *n;
    return text;
}

const QCommandLineOption kTemplate(QStringLiteral("template"),
        QStringLiteral("a nyomtatványsablon, fájlnévvel a munkamappában"), QStringLiteral("FÁJL.frf"));
const QCommandLineOption kOut(QStringLiteral("out"), QStringLiteral("ide írja a PDF-et"), QStringLiteral("FÁJL.pdf"));
const QCommandLineOption kQuery(QStringLiteral("query"),
        QStringLiteral("a NÉV lekérdezés megnyitása ezzel az SQL-szöveggel (ismételhető)"), QStringLiteral("NÉV SQL"));
const QCommandLineOption kBind(QStringLiteral("bind"),
        QStringLiteral("a NÉV lekérdezés pN paraméterének értéke, a megnyitása előtt (ismételhető)"),
        QStringLiteral("NÉV.pN=ÉRTÉK"));
const QCommandLineOption kTicket(QStringLiteral("ticket"),
        QStringLiteral("egy tárolt mérlegjegy a számával, ahogy a program nyomtatja"), QStringLiteral("SZÁM"));
const QCommandLineOption kCopy(
        QStringLiteral("copy"), QStringLiteral("a --ticket mérlegjegy másolata (vello_masolat.frf)"));
const QCommandLineOption kVar(QStringLiteral("var"),
        QStringLiteral("a nyomtatvány egy változója, például v_bszam (ismételhető)"), QStringLiteral("NÉV=ÉRTÉK"));

void describe(ToolOptions& tool)
{
    for (const QCommandLineOption& o : {kTemplate, kOut, kQuery, kBind, kVar, kTicket, kCopy})
        tool.addOption(o);
    tool.addUsage(QStringLiteral("--template FÁJL.frf --out FÁJL.pdf [--query NÉV SQL]...\n"
                                 "[--bind NÉV.pN=ÉRTÉK]... [--var NÉV=ÉRTÉK]...\n"
                                 "[kapcsolók]\n"
                                 "--ticket SZÁM [--copy] --out FÁJL.pdf [kapcsolók]"));
    tool.setDescription(QStringLiteral(
            "Nyomtatványsablon PDF-be, a program nélkül, a sablonok készítőinek. Megnyitja a megnevezett "
            "adatmodul-lekérdezéseket (ZQ13, ZQ33, ...) az SQL-szövegükkel és a paramétereikkel, beállítja a "
            "nyomtatvány változóit (a számnak látszó érték szám), a munkamappából olvassa a sablont, mint a "
            "program, és PDF-fájlba írja az oldalakat. A --ticket egy tárolt mérlegjegyet (--copy: a másolatát) "
            "nyomtat úgy, ahogy a program: ugyanazokkal a sorokkal, változókkal és sablonnal. Hiba esetén azt az "
            "üzenetet írja ki, amelyet a program mutatna."));
    tool.setEpilogue(QStringLiteral("Kilépési kód: 0 kész; 1 a lekérdezés, a sablon vagy a PDF hibája; 2 hibás "
                                    "paraméterek."));
}

struct Request {
    QString templateFile, outFile;
    QString ticket;   // --ticket: a stored ticket's number
    bool copy = false;
    QList<std::pair<QString, QString>> queries;   // name, SQL
    QList<std::tuple<QString, QString, QVariant>> binds;   // query, parameter, value
    QVariantMap vars;
};

// The command line as a request; a message and kBadArguments when it
// cannot be one. A --query takes two values: its name, and the SQL text
// that follows it on the command line.
int read(ToolOptions& tool, Request& r)
{
    const QStringList names = tool.values(kQuery);
    const QStringList texts = tool.positional();
    if (texts.size() > names.size())
        return tool.badArguments(QStringLiteral("fölösleges paraméter: „%1”").arg(texts.value(names.size())));
    if (texts.size() < names.size())
        return tool.badArguments(
                QStringLiteral("a --query %1 után hiányzik az SQL-szöveg").arg(names.value(texts.size())));
    for (int i = 0; i < names.size(); ++i)
        r.queries.append({names[i], texts[i]});
    for (const QString& b : tool.values(kBind)) {
        const int eq = b.indexOf(QLatin1Char('='));
        const int dot = b.lastIndexOf(QLatin1Char('.'), eq);
        if (eq < 0 || dot <= 0)
            return tool.badArguments(QStringLiteral("a --bind értéke NÉV.pN=ÉRTÉK alakú, nem „%1”").arg(b));
        r.binds.append({b.left(dot), b.mid(dot + 1, eq - dot - 1), valueOf(b.mid(eq + 1))});
    }
    for (const QString& v : tool.values(kVar)) {
        const int eq = v.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return tool.badArguments(QStringLiteral("a --var értéke NÉV=ÉRTÉK alakú, nem „%1”").arg(v));
        r.vars.insert(v.left(eq), valueOf(v.mid(eq + 1)));
    }
    r.templateFile = tool.value(kTemplate);
    r.outFile = tool.value(kOut);
    r.ticket = tool.value(kTicket).trimmed();
    r.copy = tool.isSet(kCopy);
    if (r.copy && r.ticket.isEmpty())
        return tool.badArguments(QStringLiteral("a --copy csak a --ticket mellett használható"));
    if (!r.ticket.isEmpty()) {
        if (!r.queries.isEmpty())
            return tool.badArguments(QStringLiteral("a --ticket mellett nincs --query: a mérlegjegy sorait olvassa"));
        if (r.templateFile.isEmpty())
            r.templateFile = r.copy ? QStringLiteral("vello_masolat.frf") : QStringLiteral("vello.frf");
    }
    if (r.templateFile.isEmpty() || r.outFile.isEmpty())
        return tool.badArguments(QStringLiteral("a --template és az --out megadása kötelező"));
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    // Painting text needs the GUI library's fonts, but no window system.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ToolOptions tool(QStringLiteral("vello-report"), ToolOptions::Account::Program);
    describe(tool);
    switch (tool.parse(app.arguments())) {
    case ToolOptions::Parsed::Help:
        return 0;
    case ToolOptions::Parsed::Bad:
        return ToolOptions::kBadArguments;
    case ToolOptions::Parsed::Run:
        break;
    }
    Request r;
    if (const int bad = read(tool, r))
        return bad;
    QTextStream& err = tool.err();

    DataModule data(tool.connection());
    // A binding belongs to a query that the command line opens; any other
    // would be silently lost.
    for (const auto& [qn, param, v] : r.binds) {
        bool opened = false;
        for (const auto& q : r.queries)
            opened = opened || (data.find(qn) && data.find(qn) == data.find(q.first));
        if (!opened)
            return tool.badArguments(
                    QStringLiteral("--bind %1.%2: egyik --query sem nyitja meg a(z) %1 lekérdezést").arg(qn, param));
    }
    try {
        data.open();
        for (const auto& [name, sql] : r.queries) {
            Query* q = data.find(name);
            if (!q)
                return tool.badArguments(QStringLiteral("az adatmodulban nincs %1 nevű lekérdezés").arg(name));
            Query::Binds bound;
            for (const auto& [qn, param, v] : r.binds)
                if (data.find(qn) == q)
                    bound.append({param, v});
            q->openSql(sql, bound);
        }
        if (!r.ticket.isEmpty()) {
            // The rows and variables of the program's print of this ticket.
            Query& rows = r.copy ? data.ZQ23 : data.ZQ13;
            TicketDocument::openRows(rows, r.ticket);
            if (rows.isEmpty()) {
                err << QStringLiteral("Nincs %1 számú mérlegjegy (vagy hiányzik a rendszáma, termelője, terménye "
                                      "vagy raktára a törzsekből).")
                                .arg(r.ticket)
                    << "\n";
                return 1;
            }
            bool alibiUnreadable = false;
            QVariantMap vars = TicketDocument::documentVariables(data, rows, r.ticket, r.copy, &alibiUnreadable);
            if (alibiUnreadable)
                err << QStringLiteral("Az alibi napló nem olvasható: a súlyok napló-sorszámai nélkül.") << "\n";
            vars.insert(r.vars);   // a --var replaces the program's value
            r.vars = vars;
        }
    } catch (const DbError& e) {
        err << e.text() << "\n";
        return 1;
    }

    QString error, detail;
    bool openFailed = false;
    const auto t = readTemplateFile(r.templateFile, &error, &openFailed, &detail);
    if (!t) {
        err << error << "\n";
        if (!detail.isEmpty())
            err << r.templateFile << ": " << detail << "\n";
        return 1;
    }
    ReportLayout layout;
    try {
        ReportBuilder builder(&data, r.vars);
        layout = builder.build(*t, r.templateFile);
    } catch (const ReportError& e) {
        err << r.templateFile << ": " << e.text << "\n";
        return 1;
    } catch (const DbError& e) {
        err << e.text() << "\n";
        return 1;
    }
    if (!ReportPainter::writePdf(layout, r.outFile, &error)) {
        err << error << "\n";
        return 1;
    }
    tool.say(QStringLiteral("%1: %2 oldal").arg(r.outFile).arg(layout.pages.size()));
    return 0;
}
