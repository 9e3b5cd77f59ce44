#pragma once
#include <QString>

struct AppContext;

// The operator's guide in a modal help window: from the main menu at its
// beginning, or at the section about a window.
void openHelp(AppContext& ctx);
void openHelpAt(AppContext& ctx, const QString& section);
