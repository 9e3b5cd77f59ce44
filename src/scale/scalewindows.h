#pragma once

struct AppContext;

// Entry points of the scale windows for the main menu.

// "Soros port beállítás": the port selection window TForm16.
void openPortSelection(AppContext& ctx);
