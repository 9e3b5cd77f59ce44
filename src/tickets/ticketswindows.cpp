#include "ticketswindows.h"

#include "context/appcontext.h"
#include "tickets/stockwindow.h"
#include "tickets/ticketbrowserwindow.h"
#include "ui/windowhost.h"

void openTicketBrowser(AppContext& ctx)
{
    showWindow<TicketBrowserWindow>(ctx);
}

void openStock(AppContext& ctx)
{
    showWindow<StockWindow>(ctx);
}
