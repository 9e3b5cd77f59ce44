#include "weighingwindows.h"

#include "context/appcontext.h"
#include "ui/windowhost.h"
#include "weighing/vehiclesonsitewindow.h"

void openVehiclesOnSite(AppContext& ctx)
{
    showWindow<VehiclesOnSiteWindow>(ctx);
}
