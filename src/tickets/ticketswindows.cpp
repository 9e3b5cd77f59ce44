#include "ticketswindows.h"

#include "context/appcontext.h"
#include "tickets/stockwindow.h"
#include "tickets/ticketbrowserwindow.h"
#include "ui/windowhost.h"

void openTicketBrowser(AppContext& ctx)
{
    TicketBrowserWindow w(ctx);
    if (ctx.host)
        ctx.host->showModal(w);
}

void openStock(AppContext& ctx)
{
    StockWindow w(ctx);
    if (ctx.host)
        ctx.host->showModal(w);
}
