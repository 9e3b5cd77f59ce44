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

// The one opener of modal windows: creates window W from `args`, shows it
// modally through `host`, runs `afterClose(window)` once it has closed and
// destroys it. Without a host nothing is shown (the result is Rejected) and
// afterClose still runs. No window runs exec() itself.
template <class W, class AfterClose, class... Args>
int openWindow(WindowHost* host, AfterClose&& afterClose, Args&&... args)
{
    W window(std::forward<Args>(args)...);
    const int result = host ? host->showModal(window) : int(QDialog::Rejected);
    afterClose(window);
    return result;
}

// The same for a window that reads its data before it can be shown:
// `prepare(window)` runs first; when it returns false the window is not
// shown (it has said why), afterClose does not run, and the result is
// Rejected.
template <class W, class Prepare, class AfterClose, class... Args>
int openPreparedWindow(WindowHost* host, Prepare&& prepare, AfterClose&& afterClose, Args&&... args)
{
    W window(std::forward<Args>(args)...);
    if (!prepare(window))
        return int(QDialog::Rejected);
    const int result = host ? host->showModal(window) : int(QDialog::Rejected);
    afterClose(window);
    return result;
}

// The openers of the menu and of the windows, for a window made from the
// context: W(ctx, args...).
template <class W, class... Args> int showWindow(AppContext& ctx, Args&&... args)
{
    return openWindow<W>(
            ctx.host, [](W&) {}, ctx, std::forward<Args>(args)...);
}

// The same for a caller that reads the window's choice after it has closed:
//   showWindowThen<WeighingWindow>(ctx, [&](WeighingWindow& w) { if (w.stored()) accept(); }, request, this);
template <class W, class AfterClose, class... Args>
int showWindowThen(AppContext& ctx, AfterClose&& afterClose, Args&&... args)
{
    return openWindow<W>(ctx.host, std::forward<AfterClose>(afterClose), ctx, std::forward<Args>(args)...);
}
