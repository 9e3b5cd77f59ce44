// vello-report: renders a report template to PDF from the database, for
// template authors and tests.
//
//   vello-report [--socket PATH | --host HOST --port PORT] [--database NAME] [--user NAME]
//                --template FILE.frf --out FILE.pdf
//                [--query NAME SQL]... [--bind NAME.pN=VALUE]... [--var NAME=VALUE]...
//
// Connects like the program (its fixed settings, or the settings file's
// [database] section; an option given replaces what they say), opens each
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

#include <QGuiApplication>
#include <QList>
#include <QTextStream>

namespace {

QVariant valueOf(const QString& text)
{
    if (const auto n = TextConv::toNumber(text))
        return *n;
    return text;
}

int usage(QTextStream& err)
{
    err << "usage: vello-report [--socket PATH | --host HOST --port PORT] [--database NAME] [--user NAME]\n"
           "                    --template FILE.frf --out FILE.pdf [--query NAME SQL]...\n"
           "                    [--bind NAME.pN=VALUE]... [--var NAME=VALUE]...\n";
    return 2;
}

}   // namespace

int main(int argc, char** argv)
{
    // Painting text needs the GUI library's fonts, but no window system.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);

    QString settingsProblem;
    ConnectionSettings settings = ConnectionSettings::configured(&settingsProblem);
    if (!settingsProblem.isEmpty())
        err << "vello-report: " << settingsProblem.replace(QLatin1Char('\r'), QLatin1Char(' ')) << "\n";
    QString templateFile, outFile;
    QList<std::pair<QString, QString>> queries;   // name, SQL
    QList<std::tuple<QString, QString, QVariant>> binds;   // query, parameter, value
    QVariantMap vars;

    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                err << "vello-report: " << a << " needs a value\n";
                std::exit(2);
            }
            return args[++i];
        };
        // A socket is this machine's server; a host or port given means TCP.
        if (a == QLatin1String("--socket")) {
            settings.socket = value();
            settings.host = QStringLiteral("localhost");
        } else if (a == QLatin1String("--host")) {
            settings.host = value();
            settings.socket.clear();
        } else if (a == QLatin1String("--port")) {
            settings.port = value().toInt();
            settings.socket.clear();
        } else if (a == QLatin1String("--database"))
            settings.database = value();
        else if (a == QLatin1String("--user")) {
            // The section's password belongs to the section's user.
            settings.user = value();
            settings.password.clear();
        } else if (a == QLatin1String("--template"))
            templateFile = value();
        else if (a == QLatin1String("--out"))
            outFile = value();
        else if (a == QLatin1String("--query")) {
            const QString name = value();
            queries.append({name, value()});
        } else if (a == QLatin1String("--bind")) {
            const QString b = value();
            const int eq = b.indexOf(QLatin1Char('='));
            const int dot = b.lastIndexOf(QLatin1Char('.'), eq);
            if (eq < 0 || dot <= 0) {
                err << "vello-report: --bind takes NAME.pN=VALUE\n";
                return 2;
            }
            binds.append({b.left(dot), b.mid(dot + 1, eq - dot - 1), valueOf(b.mid(eq + 1))});
        } else if (a == QLatin1String("--var")) {
            const QString v = value();
            const int eq = v.indexOf(QLatin1Char('='));
            if (eq <= 0) {
                err << "vello-report: --var takes NAME=VALUE\n";
                return 2;
            }
            vars.insert(v.left(eq), valueOf(v.mid(eq + 1)));
        } else {
            return usage(err);
        }
    }
    if (templateFile.isEmpty() || outFile.isEmpty())
        return usage(err);

    DataModule data(settings);
    // A binding belongs to a query that the command line opens; any other
    // would be silently lost.
    for (const auto& [qn, param, v] : binds) {
        bool opened = false;
        for (const auto& q : queries)
            opened = opened || (data.find(qn) && data.find(qn) == data.find(q.first));
        if (!opened) {
            err << "vello-report: --bind " << qn << "." << param << ": no --query opens " << qn << "\n";
            return 2;
        }
    }
    try {
        data.open();
        for (const auto& [name, sql] : queries) {
            Query* q = data.find(name);
            if (!q) {
                err << "vello-report: the data module has no query " << name << "\n";
                return 2;
            }
            Query::Binds bound;
            for (const auto& [qn, param, v] : binds)
                if (data.find(qn) == q)
                    bound.append({param, v});
            q->openSql(sql, bound);
        }
    } catch (const DbError& e) {
        err << e.text() << "\n";
        return 1;
    }

    QString error, detail;
    bool openFailed = false;
    const auto t = readTemplateFile(templateFile, &error, &openFailed, &detail);
    if (!t) {
        err << error << "\n";
        if (!detail.isEmpty())
            err << templateFile << ": " << detail << "\n";
        return 1;
    }
    ReportLayout layout;
    try {
        ReportBuilder builder(&data, vars);
        layout = builder.build(*t, templateFile);
    } catch (const ReportError& e) {
        err << templateFile << ": " << e.text << "\n";
        return 1;
    } catch (const DbError& e) {
        err << e.text() << "\n";
        return 1;
    }
    if (!ReportPainter::writePdf(layout, outFile, &error)) {
        err << error << "\n";
        return 1;
    }
    QTextStream(stdout) << "vello-report: " << outFile << ": " << layout.pages.size() << " page(s)\n";
    return 0;
}
