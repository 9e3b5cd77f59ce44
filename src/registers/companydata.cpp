#include "companydata.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "context/prompt.h"
#include "registers/fieldcheck.h"

#include <QStringList>

namespace {
QString text(const QString& s)
{
    return s.isNull() ? QString(QLatin1String("")) : s;
}

const QString ChangedMessage = QStringLiteral(
        "A cégadatokat a megnyitás óta egy másik munkaállomás módosította, ezért a mentés nem történt meg.\r"
        "A tárolt értékek: %1.\r"
        "Ellenőrizze az adatokat, majd a „Felülírás” gombbal mentse őket.");
const char* const FieldNames[5] = {"Név", "Irányítószám", "Helység", "Utca", "Adószám"};

const QString SelectSql
        = QStringLiteral("SELECT aNeve, aIrszam, aHelyseg, aUtca, aAdoszam FROM atvevo WHERE IDa = :p0");

CompanyData fromRow(const Query& q)
{
    CompanyData d;
    if (!q.isEmpty()) {
        d.name = q.text(QStringLiteral("aNeve"));
        d.postcode = q.text(QStringLiteral("aIrszam"));
        d.town = q.text(QStringLiteral("aHelyseg"));
        d.street = q.text(QStringLiteral("aUtca"));
        d.taxNumber = q.text(QStringLiteral("aAdoszam"));
    }
    return d;
}
}   // namespace

const QString& CompanyData::field(int i) const
{
    const QString* all[5] = {&name, &postcode, &town, &street, &taxNumber};
    return *all[qBound(0, i, 4)];
}

Outcome CompanyData::write(AppContext& ctx, const std::optional<CompanyData>& opened, CompanyData* storedNow) const
{
    const QString failedMessage = QStringLiteral("Hiba: átvevő átírásban, REPLACE-edit a atvevo-ben ");
    Query& q = ctx.data.ZQ80;
    Outcome o;
    try {
        retryLockConflicts(ctx.data, [&] {
            std::optional<Transaction> t;
            begin(t, ctx.data, failedMessage);
            if (opened) {
                // The row as it is now, locked until the write commits: a
                // text changed elsewhere since the window opened is not
                // written over unseen.
                step(failedMessage, [&] {
                    q.openSql(SelectSql + QStringLiteral(" FOR UPDATE"), {{QStringLiteral("p0"), 1}});
                });
                const CompanyData now = step(failedMessage, [&] { return fromRow(q); });
                QStringList changed;
                int first = -1;
                for (int i = 0; i < 5; ++i) {
                    if (text(now.field(i)) != text(opened->field(i)) && text(field(i)) != text(now.field(i))) {
                        changed << QStringLiteral("%1: „%2”").arg(QString::fromUtf8(FieldNames[i]), now.field(i));
                        if (first < 0)
                            first = i;
                    }
                }
                if (!changed.isEmpty()) {
                    if (storedNow)
                        *storedNow = now;
                    t->rollback();
                    o.end(ctx.prompt, Outcome::Refused, ChangedMessage.arg(changed.join(QStringLiteral(", "))),
                            QStringLiteral("Edit%1").arg(first + 1));
                    return;
                }
            }
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
            if (storedNow)
                *storedNow = *this;
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
        Unhandled::report(ctx, e.shownText());
    }
    return o;
}

CompanyData CompanyData::read(AppContext& ctx)
{
    CompanyData d;
    Query& q = ctx.data.ZQ80;
    try {
        q.openSql(SelectSql, {{QStringLiteral("p0"), 1}});
        d = fromRow(q);
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.shownText());
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
