#include "periodclosewindows.h"

#include "context/appcontext.h"
#include "periodclose/archivingwindow.h"
#include "periodclose/exportwindow.h"
#include "ui/windowhost.h"

void openArchiving(AppContext& ctx)
{
    ArchivingWindow w(ctx);
    if (ctx.host)
        ctx.host->showModal(w);
}

void openExport(AppContext& ctx)
{
    ExportWindow w(ctx);
    if (ctx.host)
        ctx.host->showModal(w);
}
