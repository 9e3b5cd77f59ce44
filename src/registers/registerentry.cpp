#include "registerentry.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "data/transaction.h"
#include "registers/fieldcheck.h"
#include "registers/registerlist.h"
#include "registers/registermember.h"

#include <QStringList>
#include "registers/registerstate.h"
#include "context/prompt.h"

namespace {

QString withoutTrailingBlanks(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    return s.left(n);
}

// The code just read was taken in between (duplicate key on the code): a
// workstation on another node of a cluster, whose lock this one's read did
// not wait for, committed a row with it. The insert is tried again with a
// fresh code.
bool codeTaken(int code)
{
    return code == 1062;
}

}   // namespace

RegisterEntry::RegisterEntry(AppContext& ctx, const RegisterMember& member) : m_ctx(ctx), m_member(member)
{
}

bool RegisterEntry::isNewMode() const
{
    return registerState(m_ctx).dialogMode == m_member.newModeText;
}

RegisterEntry::Values RegisterEntry::initialValues() const
{
    Values v;
    for (const RegisterField& f : m_member.fields)
        v.insert(f.control, f.initial);
    return v;
}

std::optional<RegisterEntry::Values> RegisterEntry::readCurrent() const
{
    Query& list = m_member.listQuery(m_ctx.data);
    try {
        if (!list.isOpen() || list.currentRow() < 0)
            return std::nullopt;
        Values v;
        for (const RegisterField& f : m_member.fields)
            v.insert(f.control, list.text(f.column));
        return v;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

std::optional<QString> RegisterEntry::codeAfter(const QString& highest)
{
    const std::optional<qint64> n = TextConv::toInteger(highest);
    if (!n)
        return std::nullopt;
    const QString code = QString::number(*n + 1);
    if (code.size() > 5)
        return std::nullopt;
    return code;
}

std::optional<QString> RegisterEntry::highestCode()
{
    // Codes compared by their value as whole numbers, so 10 comes after 9.
    Query& side = m_member.sideQuery(m_ctx.data);
    side.openSql(QStringLiteral("SELECT %1 FROM %2 ORDER BY CAST(%1 AS UNSIGNED) DESC, %1 DESC LIMIT 1 FOR UPDATE")
                         .arg(m_member.codeColumn, m_member.table));
    // A register's first row gets the code 1: a freshly created database
    // starts with empty registers, which must be fillable from the program.
    if (side.isEmpty())
        return QStringLiteral("0");
    return side.text(m_member.codeColumn);
}

std::optional<QVariantList> RegisterEntry::parameters(const QStringList& controls, const Values& values) const
{
    QVariantList out;
    for (const QString& c : controls) {
        QString text = values.value(c);
        if (text.isNull())
            text = QLatin1String("");   // an empty text, not "no value"
        const RegisterField* f = m_member.field(c);
        if (f && f->has(RegisterField::Number)) {
            // Numbers go to the server as numbers; a blank box is 0.
            if (text.trimmed().isEmpty()) {
                out << QVariant(0.0);
                continue;
            }
            const std::optional<double> v = TextConv::toNumber(text);
            if (!v)
                return std::nullopt;
            out << QVariant(*v);
        } else {
            out << QVariant(text);
        }
    }
    return out;
}

void RegisterEntry::rerunList()
{
    Query& list = m_member.listQuery(m_ctx.data);
    try {
        list.openSql(m_member.defaultOrderSql());
        RegisterList::positionOn(list, m_member.codeColumn, registerState(m_ctx).lastSavedCode.value(m_member.table));
    } catch (const DbError& e) {
        Unhandled::report(m_ctx, e.shownText());
    }
    registerState(m_ctx).orderCaption = m_member.afterSaveCaption;
}

RegisterEntry::SaveOutcome& RegisterEntry::unhandled(SaveOutcome& o)
{
    // Never leave a transaction open on the connection.
    if (m_ctx.data.inTransaction())
        m_ctx.data.rollback();
    o.end(m_ctx.prompt, Outcome::Failed, m_member.unhandledFailed);
    return o;
}

RegisterEntry::SaveOutcome& RegisterEntry::failed(SaveOutcome& o, const QString& message)
{
    o.end(m_ctx.prompt, Outcome::Failed, message);
    // The bracket rolled back on its way out; a ROLLBACK the server refused
    // left it open.
    if (m_ctx.data.inTransaction())
        return unhandled(o);
    rerunList();
    o.listRerun = true;
    return o;
}

RegisterEntry::SaveOutcome& RegisterEntry::insertNew(SaveOutcome& o, const QVariantList& params, QString* saved)
{
    constexpr int kCodeTries = 5;
    Query& write = m_member.writeQuery(m_ctx.data);
    // One attempt: the locked read of the highest code, the INSERT, the
    // COMMIT. A deadlock or lock-wait timeout runs it again from "START
    // TRANSACTION"; so does a code taken in between (another cluster node's
    // row), with a fresh code. A refused INSERT (or no code after the
    // highest) is the operator's message; any other step (no message of its
    // own) is unhandled.
    const QString unhandledStep;
    QString code;
    for (int taken = 1;; ++taken) {
        try {
            retryLockConflicts(m_ctx.data, [&] {
                std::optional<Transaction> t;
                begin(t, m_ctx.data, unhandledStep);
                const std::optional<QString> highest = step(unhandledStep, [&] { return highestCode(); });
                const std::optional<QString> next = highest ? codeAfter(*highest) : std::nullopt;
                require(next.has_value(), m_member.insertFailed);
                code = *next;
                Query::Binds binds {{QStringLiteral("p0"), code}};
                for (int i = 0; i < params.size(); ++i)
                    binds.append({QStringLiteral("p%1").arg(i + 1), params.at(i)});
                step(m_member.insertFailed, [&] { write.run(m_member.insertSql, binds); });
                step(unhandledStep, [&] { t->commit(); });
            });
            break;
        } catch (const StepFailed& f) {
            if (f.message.isEmpty())
                return unhandled(o);
            if (codeTaken(f.code) && taken < kCodeTries)
                continue;
            return failed(o, f.message);
        }
    }
    *saved = code;
    return o;
}

QString RegisterEntry::updateSql(const QStringList& tableColumns) const
{
    // The columns of the modify boxes after the id, in box order: p1 ... pn;
    // the row is the one with the id (p0). As a whole-row replacement
    // would, every other column of the table takes its default.
    QStringList sets;
    QStringList named {m_member.idColumn.toLower()};
    for (int i = 1; i < m_member.replaceControls.size(); ++i) {
        for (const RegisterField& f : m_member.fields)
            if (f.control == m_member.replaceControls.at(i)) {
                sets << QStringLiteral("%1 = :p%2").arg(f.column).arg(i);
                named << f.column.toLower();
            }
    }
    for (const QString& c : tableColumns)
        if (!named.contains(c.toLower()))
            sets << QStringLiteral("%1 = DEFAULT(%1)").arg(c);
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = :p0")
            .arg(m_member.table, sets.join(QStringLiteral(", ")), m_member.idColumn);
}

RegisterEntry::SaveOutcome& RegisterEntry::replace(SaveOutcome& o, const QVariantList& params)
{
    Query& write = m_member.writeQuery(m_ctx.data);
    Query::Binds binds;
    for (int i = 0; i < params.size(); ++i)
        binds.append({QStringLiteral("p%1").arg(i), params.at(i)});
    const QString code = params.size() > 1 ? params.at(1).toString() : QString();
    // The row the dialog shows, read under a lock before it is written: a
    // row deleted at another workstation meanwhile is said and never made
    // again, and a row that took its code since is left alone (a
    // replacement by the unique code would have removed it).
    const QString lockSql
            = QStringLiteral("SELECT * FROM %1 WHERE %2 = :p0 FOR UPDATE").arg(m_member.table, m_member.idColumn);
    const QString gone = QStringLiteral("A(z) %1 kódú sort időközben egy másik munkaállomás törölte; a módosítás nem "
                                        "mentődött el, a sor nem jött létre újra.")
                                 .arg(code);
    try {
        retryLockConflicts(m_ctx.data, [&] {
            std::optional<Transaction> t;
            begin(t, m_ctx.data, QString());
            step(m_member.replaceFailed, [&] { write.openSql(lockSql, {{QStringLiteral("p0"), params.value(0)}}); });
            require(!write.isEmpty(), gone);
            QStringList columns;
            for (int c = 0; c < write.columnCount(); ++c)
                columns << write.columnName(c);
            step(m_member.replaceFailed, [&] { write.run(updateSql(columns), binds); });
            step(QString(), [&] { t->commit(); });
        });
    } catch (const StepFailed& f) {
        // The statement refused shows its message; anything else is unhandled.
        return f.message.isEmpty() ? unhandled(o) : failed(o, f.message);
    }
    return o;
}

RegisterEntry::SaveOutcome RegisterEntry::save(const Values& values)
{
    SaveOutcome o;
    for (const RegisterField& f : m_member.fields) {
        if (f.has(RegisterField::Required) && withoutTrailingBlanks(values.value(f.control)).isEmpty()) {
            o.end(m_ctx.prompt, Outcome::Refused, f.requiredMessage, f.control);
            return o;
        }
    }
    // Every box the operator types into must fit its column before anything
    // is sent: the dialog then stays open with all that was typed.
    for (const RegisterField& f : m_member.fields) {
        if (f.has(RegisterField::ReadOnly))
            continue;
        const FieldCheck::Column column {f.label, RegisterMember::columnWidth(f.column), f.has(RegisterField::Number)};
        if (const std::optional<QString> refused = FieldCheck::check(column, values.value(f.control))) {
            o.end(m_ctx.prompt, Outcome::Refused, *refused, f.control);
            return o;
        }
    }
    QString saved;
    if (isNewMode()) {
        const std::optional<QVariantList> params = parameters(m_member.insertControls, values);
        if (!params)
            return failed(o, m_member.insertFailed);
        if (!insertNew(o, *params, &saved).done())
            return o;
    } else {
        const std::optional<QVariantList> params = parameters(m_member.replaceControls, values);
        if (!params)
            return failed(o, m_member.replaceFailed);
        if (!replace(o, *params).done())
            return o;
        saved = values.value(m_member.codeControl);
    }
    registerState(m_ctx).lastSavedCode.insert(m_member.table, saved);
    rerunList();
    o.listRerun = true;
    return o;
}
