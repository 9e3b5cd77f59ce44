#include "vehiclesonsite.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/outcome.h"
#include "data/transaction.h"
#include "reports/reportoutput.h"
#include "weighing/weighingstate.h"

#include <QPageLayout>
#include <optional>

const QString VehiclesOnSite::ListSql
        = QStringLiteral("SELECT * FROM meres JOIN rendszam ON rendszam.rKod = meres.mRkod ORDER BY rRendszam");
const QString VehiclesOnSite::PrintSql = QStringLiteral(
        "SELECT * FROM meres JOIN rendszam ON rendszam.rKod = meres.mRkod JOIN termelo ON termelo.oKod = meres.mOkod "
        "JOIN termeny ON termeny.tKod = meres.mTkod1 WHERE IDm = :p1");

namespace {
const QString P0 = QStringLiteral("p0");
const QString P1 = QStringLiteral("p1");
const QString AssignFailedMessage = QStringLiteral("Hiba: KI-ben, REPLACE-edit a meres-ban ");
const QString LastRowMessage = QStringLiteral("Egy sornak maradni kell, nem törölhető ki.");
const QString DeleteFailedMessage = QStringLiteral("Hiba: mérés DELETE törlésekor");
const QString GoneMessage
        = QStringLiteral("A mérés nem található: egy másik munkaállomás már véglegesítette vagy törölte.");
const QString DeletedMessage = QStringLiteral("A mérés törlölve!");
}   // namespace

VehiclesOnSite::VehiclesOnSite(AppContext& ctx) : m_ctx(ctx)
{
}

Query& VehiclesOnSite::list() const
{
    return m_ctx.data.ZQ10;
}

bool VehiclesOnSite::refresh()
{
    try {
        list().openSql(ListSql);
        return true;
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return false;
    }
}

void VehiclesOnSite::positionOnNumber(const QString& number)
{
    Query& q = list();
    if (!q.isOpen())
        return;
    if (!q.locate(QStringLiteral("mBszam"), number, true))
        q.first();
}

void VehiclesOnSite::positionOnId(qint64 id)
{
    Query& q = list();
    if (!q.isOpen())
        return;
    const int c = q.columnIndex(QStringLiteral("IDm"));
    for (int r = 0; c >= 0 && r < q.rowCount(); ++r)
        if (q.valueAt(r, c).toLongLong() == id) {
            q.moveTo(r);
            return;
        }
    q.first();
}

bool VehiclesOnSite::refreshOnCurrentNumber()
{
    if (!refresh())
        return false;
    positionOnNumber(weighingState(m_ctx).weighingNumber);
    return true;
}

QString VehiclesOnSite::currentText(const QString& column) const
{
    try {
        return list().text(column);
    } catch (const DbError&) {
        return QString();
    }
}

QString VehiclesOnSite::cropName(const QString& code) const
{
    Query& q = m_ctx.data.ZQ53;
    q.openSql(QStringLiteral("SELECT * FROM termeny WHERE tKod = :p1"), {{P1, Query::notNull(code)}});
    return q.isEmpty() ? QString() : q.text(QStringLiteral("tMegnev"));
}

QString VehiclesOnSite::warehouseName(const QString& code) const
{
    Query& q = m_ctx.data.ZQ63;
    q.openSql(QStringLiteral("SELECT * FROM raktar WHERE kKod = :p1"), {{P1, Query::notNull(code)}});
    return q.isEmpty() ? QString() : q.text(QStringLiteral("kNev"));
}

Query& VehiclesOnSite::openProducer()
{
    Query& producers = m_ctx.data.ZQ40;
    producers.openSql(QStringLiteral("SELECT * FROM termelo WHERE oKod = :p1"),
            {{P1, Query::notNull(list().text(QStringLiteral("mOkod")))}});
    return producers;
}

int VehiclesOnSite::pendingOf(const QString& plateCode)
{
    try {
        Query& q = m_ctx.data.ZQ31;
        q.openSql(QStringLiteral("SELECT count(*) AS db FROM meres WHERE mRkod = :p0"),
                {{P0, Query::notNull(plateCode)}});
        return q.value(QStringLiteral("db")).toInt();
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return -1;
    }
}

double VehiclesOnSite::displayedNet(double be1, double be2, double ki1, double ki2, std::optional<Movement> movement)
{
    double net = (be1 + be2) - (ki1 + ki2);
    if (net < 0 && movement == Movement::Dispatch)
        net = -net;
    return net;
}

double VehiclesOnSite::displayedNet() const
{
    const Query& q = list();
    if (!q.isOpen() || q.currentRow() < 0)
        return 0;
    auto num = [&q](const char* column) { return q.value(QLatin1String(column)).toDouble(); };
    return displayedNet(num("mBemeres1"), num("mBemeres2"), num("mKimeres1"), num("mKimeres2"),
            Passes::movementOf(q.text(QStringLiteral("mMozgas"))));
}

Outcome VehiclesOnSite::assignProducer(qint64 id, const QString& producerCode)
{
    Outcome o;
    try {
        retryLockConflicts(m_ctx.data, [&] {
            std::optional<Transaction> t;
            begin(t, m_ctx.data, AssignFailedMessage);
            step(AssignFailedMessage, [&] {
                m_ctx.data.ZQ12.run(QStringLiteral("UPDATE meres SET mOkod = :p1 WHERE IDm = :p0"),
                        {{P0, id}, {P1, Query::notNull(producerCode)}});
            });
            step(AssignFailedMessage, [&] { t->commit(); });
        });
    } catch (const StepFailed& f) {
        // The bracket has rolled back on its way out; a rollback the server
        // refused is reported by the default handler when the connection is
        // used next.
        o.end(m_ctx.prompt, Outcome::Failed, f.message);
    }
    return o;
}

VehiclesOnSite::DeleteResult VehiclesOnSite::deleteWeighing(qint64 id, const QString& plate)
{
    Outcome o;
    try {
        Query& count = m_ctx.data.ZQ12;
        count.openSql(QStringLiteral("SELECT count(*) AS db FROM meres"));
        if (count.value(QStringLiteral("db")).toLongLong() < 2) {
            o.end(m_ctx.prompt, Outcome::Refused, LastRowMessage);
            return DeleteResult::LastRow;
        }
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return DeleteResult::Failed;
    }
    if (!m_ctx.prompt.confirm(QStringLiteral("Biztosan törli: %1?").arg(plate)))
        return DeleteResult::Kept;
    int deleted = 0;
    bool lastRow = false;
    try {
        retryLockConflicts(m_ctx.data, [&] {
            std::optional<Transaction> t;
            begin(t, m_ctx.data, DeleteFailedMessage);
            // A finalisation of the same weighing at another workstation
            // holds its row until it commits; the DELETE waits for it and
            // then finds nothing to delete.
            deleted = step(DeleteFailedMessage, [&] {
                return m_ctx.data.ZQ13.run(QStringLiteral("DELETE FROM meres WHERE IDm = :p1"), {{P1, id}});
            });
            if (deleted == 0)
                return;   // nothing to write: the bracket rolls back
            // The last-row rule again, on what is left, under a lock: two
            // workstations deleting the last two at once cannot both pass it
            // (the second waits for the first's COMMIT, then finds none left).
            lastRow = step(DeleteFailedMessage, [&] {
                Query& count = m_ctx.data.ZQ12;
                count.openSql(QStringLiteral("SELECT count(*) AS db FROM meres FOR UPDATE"));
                return count.value(QStringLiteral("db")).toLongLong() < 1;
            });
            if (lastRow)
                return;   // the bracket rolls the DELETE back
            step(DeleteFailedMessage, [&] { t->commit(); });
        });
    } catch (const StepFailed& f) {
        o.end(m_ctx.prompt, Outcome::Failed, f.message);
        return DeleteResult::Failed;
    }
    if (lastRow) {
        o.end(m_ctx.prompt, Outcome::Refused, LastRowMessage);
        refresh();
        return DeleteResult::LastRow;
    }
    if (deleted == 0) {
        o.end(m_ctx.prompt, Outcome::Failed, GoneMessage);
        refresh();
        return DeleteResult::Gone;
    }
    o.end(m_ctx.prompt, Outcome::Done, DeletedMessage);
    refresh();
    return DeleteResult::Deleted;
}

bool VehiclesOnSite::print(qint64 id)
{
    try {
        m_ctx.data.ZQ13.openSql(PrintSql, {{P1, id}});
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
        return false;
    }
    if (!m_ctx.report)
        return false;
    return m_ctx.report->output(QStringLiteral("meres.frf"), QPageLayout::Portrait);
}
