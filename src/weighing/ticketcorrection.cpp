#include "ticketcorrection.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/dberror.h"
#include "tickets/ticketbrowserwindow.h"
#include "tickets/ticketvoid.h"
#include "ui/windowhost.h"
#include "weighing/reissuedialog.h"
#include "weighing/voiddialog.h"

TicketCorrections ticketCorrections(AppContext& ctx)
{
    TicketCorrections c;
    c.voidTicket = [&ctx](const QString& ticket) -> QString {
        try {
            const QString refused = TicketVoid(ctx).refusal(ticket);
            if (!refused.isEmpty()) {
                ctx.prompt.message(refused);
                return QString();
            }
        } catch (const DbError& e) {
            ctx.prompt.message(QStringLiteral("Hiba: a(z) %1. mérlegjegy nem olvasható: %2").arg(ticket, e.text()));
            return QString();
        }
        bool voided = false;
        showWindowThen<VoidDialog>(
                ctx, [&](VoidDialog& d) { voided = d.voided(); }, ticket);
        return voided ? ticket : QString();
    };
    c.reissue = [&ctx](const QString& ticket) -> QString {
        TicketReissue op(ctx);
        const std::optional<ReissueSource> source = op.read(ticket);
        if (!source)
            return QString();
        QString issued;
        showWindowThen<ReissueDialog>(
                ctx, [&](ReissueDialog& d) { issued = d.newTicket(); }, op, *source);
        if (!issued.isEmpty())
            op.print(ticket);
        return issued;
    };
    return c;
}

void openTicketBrowserToCorrect(AppContext& ctx)
{
    showWindow<TicketBrowserWindow>(ctx, ticketCorrections(ctx));
}
