#pragma once
#include "context/appcontext.h"

#include <QDialog>
#include <utility>

// Opens every modal window. QtWindowHost runs exec(); tests use ScriptedHost,
// which runs the script registered for the window's objectName.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Shows the window modally and returns its result when it has closed.
    virtual int showModal(QDialog& window) = 0;
};

// The openers of the menu and of the windows: creates window W for the
// context, shows it modally through the context's host and destroys it when
// it has closed. Without a host nothing is shown.
template <class W, class... Args>
int showWindow(AppContext& ctx, Args&&... args)
{
    W window(ctx, std::forward<Args>(args)...);
    return ctx.host ? ctx.host->showModal(window) : int(QDialog::Rejected);
}
