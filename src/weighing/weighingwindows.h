#pragma once

struct AppContext;

// Entry points of the weighing windows for the main menu.

// "Mérlegelés": the vehicles-on-site window TForm4.
void openVehiclesOnSite(AppContext& ctx);
