#include "periodclosewindows.h"

#include "context/appcontext.h"
#include "periodclose/archivingwindow.h"
#include "periodclose/exportwindow.h"
#include "ui/windowhost.h"

void openArchiving(AppContext& ctx)
{
    showWindow<ArchivingWindow>(ctx);
}

void openExport(AppContext& ctx)
{
    showWindow<ExportWindow>(ctx);
}
