#include "alibiwindows.h"

#include "alibi/alibiwindow.h"
#include "context/appcontext.h"
#include "ui/windowhost.h"

void openAlibiLog(AppContext& ctx)
{
    showWindow<AlibiWindow>(ctx);
}
