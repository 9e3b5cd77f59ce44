#pragma once

struct AppContext;

// Entry points of the alibi log's windows for the main menu.

// "Alibi napló": finding entries of the log, their tickets, and the check of
// the whole chain (TFormAlibi).
void openAlibiLog(AppContext& ctx);
