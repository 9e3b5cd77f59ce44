#include "context/appcontext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/velloapplication.h"
#include "data/datamodule.h"
#include "help/helpkey.h"
#include "install/sitetemplates.h"
#include "reports/qtreportpreview.h"
#include "reports/reportoutput.h"
#include "ui/qtfilechoice.h"
#include "ui/qtprompt.h"
#include "ui/qtwindowhost.h"

#include <QDir>

int main(int argc, char** argv)
{
    VelloApplication app(argc, argv);
    VelloApplication::setupLocale();

    // The fixed connection settings, or the settings file's [database] section.
    QString settingsProblem;
    DataModule data(ConnectionSettings::configured(&settingsProblem));
    QtPrompt prompt;
    QtWindowHost host;
    QtFileChoice files;
    AppContext ctx(data, prompt, &host);
    ctx.files = &files;
    QtReportPreview preview(&host, &prompt, &files);
    ReportOutput report(ctx, &preview);   // the main report frNyomtat
    ctx.report = &report;
    app.setContext(&ctx);

    MainWindow window(ctx);
    prompt.setParent(&window);
    files.setParent(&window);
    HelpKey helpKey(ctx);   // F1 in every window

    // Installed, the program works from the user's own copy of the templates;
    // from a source checkout it stays in the folder it was started in.
    const QString installed = SiteTemplates::installedFolder(QCoreApplication::applicationDirPath());
    if (!installed.isEmpty()) {
        const SiteTemplates::Result r = SiteTemplates::prepare(installed, SiteTemplates::userFolder());
        if (!r.failure.isEmpty())
            prompt.message(SiteTemplates::failureMessage(r));
        QDir::setCurrent(r.folder);
    }

    if (!settingsProblem.isEmpty())
        prompt.message(settingsProblem);
    if (!Startup::run(ctx))
        return 1;
    window.show();
    return app.exec();
}
