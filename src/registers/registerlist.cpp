#include "registerlist.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "registers/registermember.h"
#include "registers/registerstate.h"
#include "reports/reportoutput.h"
#include "context/prompt.h"

RegisterList::RegisterList(AppContext& ctx, const RegisterMember& member)
    : m_ctx(ctx), m_member(member), m_list(member.listQuery(ctx.data))
{
    // Whatever replaces the list's result (a sort, a save in the entry
    // dialog, another window reusing the query) invalidates the name index.
    connect(&m_list, &Query::resultReplaced, this, [this] {
        m_namesValid = false;
        m_defaultResult = false;
    });
}

void RegisterList::reportFailure(const QString& text)
{
    Unhandled::report(m_ctx, text);
}

void RegisterList::runDefault(bool withNames)
{
    m_list.openSql(m_member.defaultOrderSql());
    m_defaultResult = true;
    // The name index is built with the result, so that no key press, the
    // first after opening included, waits for it.
    if (withNames)
        buildNames();
}

void RegisterList::buildNames()
{
    const int rows = m_list.rowCount();
    const int col = m_list.columnIndex(m_member.nameColumn);
    m_names.clear();
    m_names.reserve(rows);
    for (int r = 0; r < rows; ++r)
        m_names.append(col < 0 ? QString() : TextConv::toText(m_list.valueAt(r, col)).toCaseFolded());
    m_namesValid = true;
}

void RegisterList::create()
{
    registerState(m_ctx).orderCaption = m_member.initialCaption();
    try {
        // Showing reads the list again at once; the index waits for that.
        runDefault(false);
    } catch (const DbError& e) {
        reportFailure(e.shownText());
    }
}

QString RegisterList::show()
{
    try {
        // The creation ran the default order just before: its result, still
        // this window's own, is the list to show (nothing ran between the
        // two); read again otherwise.
        if (m_defaultResult && m_list.isOpen())
            buildNames();
        else
            runDefault();
        positionOnCode(registerState(m_ctx).lastSavedCode.value(m_member.table));
    } catch (const DbError& e) {
        reportFailure(e.shownText());
    }
    return registerState(m_ctx).orderCaption;
}

void RegisterList::positionOnCode(const QString& code)
{
    positionOn(m_list, m_member.codeColumn, code);
}

void RegisterList::positionOn(Query& list, const QString& codeColumn, const QString& code)
{
    if (!list.isOpen())
        return;
    // The row with exactly this code: after saving "1" the list must not
    // stand on "10", since a caller takes the current row.
    const int col = list.columnIndex(codeColumn);
    if (col >= 0 && !code.isEmpty()) {
        for (int r = 0; r < list.rowCount(); ++r) {
            if (TextConv::toText(list.valueAt(r, col)).compare(code, Qt::CaseInsensitive) == 0) {
                list.moveTo(r);
                return;
            }
        }
    }
    if (!list.locate(codeColumn, code, true))
        list.first();
}

std::optional<QString> RegisterList::sortBy(const QString& field)
{
    const RegisterColumn* c = m_member.columnByField(field);
    if (!c || c->orderColumn.isEmpty())
        return std::nullopt;
    try {
        // The order column comes from the member description, never from the user.
        m_list.openSql(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(m_member.table, c->orderColumn));
        m_list.first();
    } catch (const DbError& e) {
        reportFailure(e.shownText());
        return std::nullopt;
    }
    return m_member.caption(c->captionWord);
}

bool RegisterList::locateName(const QString& prefix)
{
    if (!m_list.isOpen())
        return false;
    if (!m_namesValid)
        buildNames();
    const QString p = prefix.toCaseFolded();
    for (int r = 0; r < m_names.size(); ++r) {
        if (m_names[r].startsWith(p)) {
            m_list.moveTo(r);
            return true;
        }
    }
    m_list.first();
    return false;
}

QString RegisterList::search(const QString& text, bool rerun)
{
    try {
        // A key press reuses the default-order result this window already
        // holds: the registers are written only through this program, and
        // every write re-runs or refreshes the list, which drops the reuse.
        if (rerun || !m_defaultResult || !m_list.isOpen())
            runDefault();
        locateName(text);
    } catch (const DbError& e) {
        reportFailure(e.shownText());
    }
    return m_member.searchCaption();
}

int RegisterList::inUse(const QString& code)
{
    Query& side = m_member.sideQuery(m_ctx.data);
    try {
        side.openSql(QStringLiteral("SELECT %1, count(%1) as db FROM vello WHERE (%1 = :p1) GROUP BY %1")
                             .arg(m_member.ticketColumn),
                {{QStringLiteral("p1"), code}});
        qint64 n = side.isEmpty() ? 0 : side.value(QStringLiteral("db")).toLongLong();

        // A vehicle still on the site refers to the row as well.
        QStringList conds;
        for (const QString& c : m_member.pendingColumns)
            conds << QStringLiteral("%1 = :p1").arg(c);
        Query& write = m_member.writeQuery(m_ctx.data);
        write.openSql(
                QStringLiteral("SELECT count(*) AS db FROM meres WHERE (%1)").arg(conds.join(QStringLiteral(" OR "))),
                {{QStringLiteral("p1"), code}});
        n += write.isEmpty() ? 0 : write.value(QStringLiteral("db")).toLongLong();
        return int(qMin<qint64>(n, INT_MAX));
    } catch (const DbError& e) {
        reportFailure(e.shownText());
        return -1;
    }
}

void RegisterList::prepareNew()
{
    registerState(m_ctx).dialogMode = m_member.newModeText;
}

bool RegisterList::prepareModify()
{
    const int n = inUse(m_list.isOpen() ? m_list.text(m_member.codeColumn) : QString());
    if (n < 0)
        return false;
    if (n > 0)
        m_ctx.prompt.confirmYesOnly(m_member.inUseQuestion);
    registerState(m_ctx).dialogMode = m_member.modifyModeText;
    return true;
}

bool RegisterList::deleteCurrent()
{
    const bool hasRow = m_list.isOpen() && m_list.currentRow() >= 0;
    const QString code = hasRow ? m_list.text(m_member.codeColumn) : QString();
    const int n = inUse(code);
    if (n < 0)
        return false;
    if (n > 0) {
        m_ctx.prompt.confirmYesOnly(m_member.inUseNotice);
        return false;
    }
    Query& write = m_member.writeQuery(m_ctx.data);
    if (m_member.kind == RegisterKind::Producers && hasRow) {
        // A plate that names the producer would print a producer that no
        // longer exists, and its dialog has no box to repair it.
        const std::optional<QStringList> plates = platesOfProducer(code);
        if (!plates)
            return false;
        if (!plates->isEmpty()) {
            m_ctx.prompt.confirmYesOnly(QStringLiteral("A termelőt rendszám használja, nem törölhető: %1")
                                                .arg(plates->join(QStringLiteral(", "))));
            return false;
        }
    }
    try {
        write.openSql(QStringLiteral("SELECT count(*) AS db FROM %1").arg(m_member.table));
        const qint64 rows = write.isEmpty() ? 0 : write.value(QStringLiteral("db")).toLongLong();
        if (rows < 2 || !hasRow) {
            m_ctx.prompt.message(QStringLiteral("Egy sornak maradni kell, nem törölhető ki."));
            return false;
        }
    } catch (const DbError& e) {
        reportFailure(e.shownText());
        return false;
    }
    // One click never deletes: the operator confirms the row by its name.
    const QString name = m_list.text(m_member.nameColumn).trimmed();
    if (!m_ctx.prompt.confirm(QStringLiteral("Biztosan törli: %1?").arg(name.isEmpty() ? code : name)))
        return false;
    Query& side = m_member.sideQuery(m_ctx.data);
    int deleted = 0;
    try {
        deleted = side.run(
                QStringLiteral("DELETE FROM %1 WHERE %2 = :p1").arg(m_member.table, m_member.codeColumn.toLower()),
                {{QStringLiteral("p1"), code}});
    } catch (const DbError&) {
        m_ctx.prompt.message(m_member.deleteErrorMessage);
        return false;
    }
    // No row went: the row has no usable code or is already gone. Say so
    // and show what the table holds now.
    m_ctx.prompt.message(deleted > 0 ? m_member.deletedMessage : m_member.deleteErrorMessage);
    try {
        m_list.refresh();
    } catch (const DbError& e) {
        reportFailure(e.shownText());
    }
    return deleted > 0;
}

std::optional<QStringList> RegisterList::platesOfProducer(const QString& code)
{
    constexpr int kShown = 10;
    Query& write = m_member.writeQuery(m_ctx.data);
    try {
        write.openSql(QStringLiteral("SELECT rRendszam FROM rendszam WHERE rOkod = :p1 ORDER BY rRendszam"),
                {{QStringLiteral("p1"), code}});
        QStringList plates;
        const int rows = write.rowCount();
        for (int r = 0; r < rows && r < kShown; ++r)
            plates << TextConv::toText(write.valueAt(r, 0)).trimmed();
        if (rows > kShown)
            plates << QStringLiteral("… (összesen %1)").arg(rows);
        return plates;
    } catch (const DbError& e) {
        reportFailure(e.shownText());
        return std::nullopt;
    }
}

void RegisterList::print()
{
    Query& side = m_member.sideQuery(m_ctx.data);
    try {
        side.openSql(m_member.defaultOrderSql());
    } catch (const DbError& e) {
        reportFailure(e.shownText());
        return;
    }
    if (m_ctx.report)
        m_ctx.report->output(m_member.printTemplate, m_member.orientation);
}
