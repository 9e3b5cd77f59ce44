#include "startup.h"

#include "app/aboutbox.h"
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "context/prompt.h"
#include "install/firststart.h"
#include "ui/windowhost.h"

namespace Startup {

QString failureMessage()
{
    return QStringLiteral("A MySQL adatbáziskezelöt nem találja.\r"
                          "A program müködéséhez szükséges.\r"
                          "Telepítés lépései:\r"
                          "1.MySQL telepítés (Pelmo1_MySQL.exe).\r"
                          "2.Mérlegjegy adatbázis létrehozása (Vello_Create.exe).\r"
                          "3. A mérlegjegy program futtatás (Vello.exe).");
}

bool run(AppContext& ctx, int* failureCode, QString* failureText)
{
    openWindow<AboutBox>(ctx.host, [](AboutBox&) {});
    try {
        ctx.data.open();
        return true;
    } catch (const DbError& e) {
        if (failureCode)
            *failureCode = e.code();
        if (failureText)
            *failureText = e.text();
        // Without its database the program is of no use: however the
        // message is closed, the program ends. After the start-up message,
        // what failed where, from the settings in use, and what to do.
        ctx.prompt.confirmYesOnly(failureMessage());
        ctx.prompt.message(FirstStart::guidance(ctx.data.settings(), e.code(), e.text()));
        return false;
    }
}

}   // namespace Startup
