#include "registerwindows.h"

#include "context/appcontext.h"
#include "registers/companydatawindow.h"
#include "registers/registerlistwindow.h"
#include "ui/windowhost.h"

void openRegisterList(AppContext& ctx, RegisterKind kind)
{
    showWindow<RegisterListWindow>(ctx, kind);
}

Query& registerListQuery(AppContext& ctx, RegisterKind kind)
{
    return registerMember(kind).listQuery(ctx.data);
}

void openCompanyData(AppContext& ctx)
{
    showWindow<CompanyDataWindow>(ctx);
}
