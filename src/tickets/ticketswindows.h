#pragma once

struct AppContext;

// Entry points of the ticket browser and the stock window for the main menu.

// "Mérlegjegy": the ticket browser TForm17.
void openTicketBrowser(AppContext& ctx);
// "Készlet": the stock window TForm18.
void openStock(AppContext& ctx);
