#include "context/appcontext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/velloapplication.h"
#include "data/datamodule.h"
#include "reports/qtreportpreview.h"
#include "reports/reportoutput.h"
#include "ui/qtfilechoice.h"
#include "ui/qtprompt.h"
#include "ui/qtwindowhost.h"

int main(int argc, char** argv)
{
    VelloApplication app(argc, argv);
    VelloApplication::setupLocale();

    DataModule data;   // the fixed connection settings
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
    if (!Startup::run(ctx))
        return 1;
    window.show();
    return app.exec();
}
