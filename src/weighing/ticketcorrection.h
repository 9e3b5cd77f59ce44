#pragma once
#include "tickets/ticketcorrections.h"

struct AppContext;

// The ticket browser's "Sztornó" and "Javítás" for `ctx`: the void asks for
// the reason (VoidDialog), the reissue shows the ticket to correct
// (ReissueDialog) and, once stored, offers to print the new ticket. A ticket
// that cannot be voided is refused with its message before a dialog opens.
TicketCorrections ticketCorrections(AppContext& ctx);

// "Mérlegjegy" of the main menu: the ticket browser TForm17 with them.
void openTicketBrowserToCorrect(AppContext& ctx);
