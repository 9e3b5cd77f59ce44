#include "companydata.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "context/prompt.h"

namespace {
QString text(const QString& s)
{
    return s.isNull() ? QString(QLatin1String("")) : s;
}
} // namespace

bool CompanyData::write(AppContext& ctx) const
{
    Query& q = ctx.data.ZQ80;
    bool ok = true;
    try {
        // Only the five company columns: the port name of the row stays.
        q.run(QStringLiteral(
            "INSERT INTO atvevo ( IDa, aNeve, aIrszam, aHelyseg, aUtca, aAdoszam ) "
            "VALUES ( :p0, :p1, :p2, :p3, :p4, :p5 ) "
            "ON DUPLICATE KEY UPDATE aNeve = VALUES(aNeve), aIrszam = VALUES(aIrszam), "
            "aHelyseg = VALUES(aHelyseg), aUtca = VALUES(aUtca), aAdoszam = VALUES(aAdoszam)"),
              {{QStringLiteral("p0"), QStringLiteral("1")},
               {QStringLiteral("p1"), text(name)},
               {QStringLiteral("p2"), text(postcode)},
               {QStringLiteral("p3"), text(town)},
               {QStringLiteral("p4"), text(street)},
               {QStringLiteral("p5"), text(taxNumber)}});
        ctx.data.commit();
    } catch (const DbError&) {
        ok = false;
        ctx.prompt.message(QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben "));
        QString error;
        if (!ctx.data.rollback(&error))
            Unhandled::report(ctx, error);
    }
    try {
        ctx.data.ZTable8.refresh();
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.text());
    }
    return ok;
}
