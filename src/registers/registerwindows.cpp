#include "registerwindows.h"

#include "context/appcontext.h"
#include "registers/companydatawindow.h"
#include "registers/registerlistwindow.h"
#include "ui/windowhost.h"

void openRegisterList(AppContext& ctx, RegisterKind kind)
{
    RegisterListWindow w(ctx, kind);
    if (ctx.host)
        ctx.host->showModal(w);
}

Query& registerListQuery(AppContext& ctx, RegisterKind kind)
{
    return registerMember(kind).listQuery(ctx.data);
}

void openCompanyData(AppContext& ctx)
{
    CompanyDataWindow w(ctx);
    if (ctx.host)
        ctx.host->showModal(w);
}
