#include "scalewindows.h"

#include "context/appcontext.h"
#include "scale/portselectionwindow.h"
#include "ui/windowhost.h"

void openPortSelection(AppContext& ctx)
{
    showWindow<PortSelectionWindow>(ctx);
}
