#pragma once
#include "registers/registermember.h"

struct AppContext;
class Query;

// Entry points of the register windows for the main menu and for the
// windows that pick a register row.

// How a list window was left: by "Kiválaszt", "Mégsem" or its close box, or
// by the Escape key.
enum class ListLeft { Closed, Escaped };

// Opens the member's list window modally ("Rendszám", "Termelő", "Termény",
// "Raktár" in the main menu; a caller picking a row). When it returns, the
// member's list data set (registerListQuery) stands on the row that was
// current when the window closed, whichever way it was closed; a caller for
// which Escape means "no row" reads the answer.
ListLeft openRegisterList(AppContext& ctx, RegisterKind kind);

// The member's list data set: ZQ30 plates, ZQ40 producers, ZQ50 crops, ZQ60 warehouses.
Query& registerListQuery(AppContext& ctx, RegisterKind kind);

// "Cégnév átírás": the company data window TForm22.
void openCompanyData(AppContext& ctx);
