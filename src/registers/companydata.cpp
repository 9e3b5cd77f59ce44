#include "companydata.h"

#include "app/appcontext.h"
#include "app/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "ui/prompt.h"

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
        q.close();
        q.setSql(QStringLiteral(
            "INSERT INTO atvevo ( IDa, aNeve, aIrszam, aHelyseg, aUtca, aAdoszam ) "
            "VALUES ( :p0, :p1, :p2, :p3, :p4, :p5 ) "
            "ON DUPLICATE KEY UPDATE aNeve = VALUES(aNeve), aIrszam = VALUES(aIrszam), "
            "aHelyseg = VALUES(aHelyseg), aUtca = VALUES(aUtca), aAdoszam = VALUES(aAdoszam)"));
        q.bind(QStringLiteral("p0"), QStringLiteral("1"));
        q.bind(QStringLiteral("p1"), text(name));
        q.bind(QStringLiteral("p2"), text(postcode));
        q.bind(QStringLiteral("p3"), text(town));
        q.bind(QStringLiteral("p4"), text(street));
        q.bind(QStringLiteral("p5"), text(taxNumber));
        q.exec();
        q.close();
        q.setSql(QStringLiteral("COMMIT"));
        q.exec();
    } catch (const DbError&) {
        ok = false;
        ctx.prompt.message(QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben "));
        try {
            q.close();
            q.setSql(QStringLiteral("ROLLBACK"));
            q.exec();
        } catch (const DbError& e) {
            Unhandled::report(ctx, e.text());
        }
    }
    try {
        ctx.data.ZTable8.refresh();
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.text());
    }
    return ok;
}
