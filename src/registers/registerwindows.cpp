#include "registerwindows.h"

#include "context/appcontext.h"
#include "registers/companydatawindow.h"
#include "registers/registerlistwindow.h"
#include "ui/windowhost.h"

ListLeft openRegisterList(AppContext& ctx, RegisterKind kind)
{
    return showWindow<RegisterListWindow>(ctx, kind) == RegisterListWindow::EscapedResult ? ListLeft::Escaped
                                                                                          : ListLeft::Closed;
}

Query& registerListQuery(AppContext& ctx, RegisterKind kind)
{
    return registerMember(kind).listQuery(ctx.data);
}

void openCompanyData(AppContext& ctx)
{
    showWindow<CompanyDataWindow>(ctx);
}
