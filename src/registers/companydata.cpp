#include "companydata.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "context/prompt.h"
#include "registers/fieldcheck.h"

namespace {
QString text(const QString& s)
{
    return s.isNull() ? QString(QLatin1String("")) : s;
}
}   // namespace

Outcome CompanyData::write(AppContext& ctx) const
{
    const QString failedMessage = QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben ");
    Query& q = ctx.data.ZQ80;
    Outcome o;
    try {
        retryLockConflicts(ctx.data, [&] {
            std::optional<Transaction> t;
            begin(t, ctx.data, failedMessage);
            // Only the five company columns: the port name of the row stays.
            step(failedMessage, [&] {
                q.run(QStringLiteral("INSERT INTO atvevo ( IDa, aNeve, aIrszam, aHelyseg, aUtca, aAdoszam ) "
                                     "VALUES ( :p0, :p1, :p2, :p3, :p4, :p5 ) "
                                     "ON DUPLICATE KEY UPDATE aNeve = VALUES(aNeve), aIrszam = VALUES(aIrszam), "
                                     "aHelyseg = VALUES(aHelyseg), aUtca = VALUES(aUtca), aAdoszam = VALUES(aAdoszam)"),
                        {{QStringLiteral("p0"), QStringLiteral("1")}, {QStringLiteral("p1"), text(name)},
                                {QStringLiteral("p2"), text(postcode)}, {QStringLiteral("p3"), text(town)},
                                {QStringLiteral("p4"), text(street)}, {QStringLiteral("p5"), text(taxNumber)}});
            });
            step(failedMessage, [&] { t->commit(); });
        });
    } catch (const StepFailed& f) {
        o.end(ctx.prompt, Outcome::Failed, f.message);
        // The bracket rolled back on its way out; a ROLLBACK the server
        // refused left it open.
        QString error;
        if (ctx.data.inTransaction() && !ctx.data.rollback(&error))
            Unhandled::report(ctx, error);
    }
    try {
        ctx.data.ZTable8.refresh();
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.text());
    }
    return o;
}

CompanyData CompanyData::read(AppContext& ctx)
{
    CompanyData d;
    Query& q = ctx.data.ZQ80;
    try {
        q.openSql(QStringLiteral("SELECT aNeve, aIrszam, aHelyseg, aUtca, aAdoszam FROM atvevo WHERE IDa = :p0"),
                {{QStringLiteral("p0"), 1}});
        if (!q.isEmpty()) {
            d.name = q.text(QStringLiteral("aNeve"));
            d.postcode = q.text(QStringLiteral("aIrszam"));
            d.town = q.text(QStringLiteral("aHelyseg"));
            d.street = q.text(QStringLiteral("aUtca"));
            d.taxNumber = q.text(QStringLiteral("aAdoszam"));
        }
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.text());
    }
    return d;
}

std::optional<CompanyData::Refusal> CompanyData::check() const
{
    // The widths of the columns of atvevo (db/create.sql).
    const FieldCheck::Column columns[5] = {{QStringLiteral("Név"), 100}, {QStringLiteral("Irányítószám"), 10},
            {QStringLiteral("Helység"), 100}, {QStringLiteral("Utca"), 100}, {QStringLiteral("Adószám"), 20}};
    const QString* texts[5] = {&name, &postcode, &town, &street, &taxNumber};
    for (int i = 0; i < 5; ++i)
        if (const std::optional<QString> m = FieldCheck::check(columns[i], *texts[i]))
            return Refusal {i, *m};
    return std::nullopt;
}
