#pragma once

struct AppContext;

// Entry points of the period close windows for the main menu.

// "Archiválás": the archiving window TForm19.
void openArchiving(AppContext& ctx);
// "Exportálás ": the spreadsheet export window TForm20.
void openExport(AppContext& ctx);
