#pragma once
#include "context/appcontext.h"

#include <QHash>
#include <QString>

// The register window state, shared by the list windows and the entry
// dialogs for the whole run; all empty at start.
struct RegisterWindowState {
    // Written by a list window when it is created (its initial caption) and
    // by an entry dialog after a save; shown in the list's order label.
    QString orderCaption;
    // "Új" / "Módosít": the member's new-mode or modify-mode text. Exactly
    // the new-mode text makes the entry dialog add a row.
    QString dialogMode;
    // Per register table ("rendszam", ...): the code of the row saved last;
    // the list window opens positioned on it.
    QHash<QString, QString> lastSavedCode;
};

// The run's register window state.
inline RegisterWindowState& registerState(AppContext& ctx)
{
    return ctx.states.get<RegisterWindowState>();
}
