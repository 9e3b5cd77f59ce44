#pragma once
#include "data/dberror.h"
#include "data/outcome.h"

#include <QString>
#include <optional>

class DataModule;

// The transaction bracket: "START TRANSACTION" when made, "COMMIT" on
// commit(), "ROLLBACK" on rollback() or when it goes out of scope without a
// commit. The plain statements go over the data module's one connection, so
// every statement in between belongs to the transaction.
//
//   Transaction t(ctx.data);          // throws DbError when it cannot begin
//   q.run(...);                        // throws: the destructor rolls back
//   t.commit();                        // throws DbError; then rolled back
//
// A failing rollback never throws: the failure is kept (rollbackError()) for
// the caller to report, and the server drops the transaction with the
// connection anyway.
class Transaction {
public:
    explicit Transaction(DataModule& dm);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    // Rolls back once; false when the ROLLBACK itself failed.
    bool rollback();
    bool active() const { return m_active; }
    const QString& rollbackError() const { return m_rollbackError; }

private:
    DataModule& m_dm;
    bool m_active = false;
    QString m_rollbackError;
};

// A step of a multi-step write that failed: the message the operation shows
// for it (empty when nothing more is to be shown), the server's text and its
// error code (0 for a check between steps).
struct StepFailed {
    QString message;
    QString detail;
    int code = 0;
    bool lockConflict() const { return DbError::lockConflict(code); }
};

// The write-step idiom: each statement step of an operation runs through
// step(), each check between them through require(); the first failure leaves
// the try block as StepFailed, which rolls the bracket back on its way out.
// The operation catches it once, shows the message and returns its outcome.
//
//   try {
//       std::optional<Transaction> t;
//       begin(t, ctx.data, BeginMessage);
//       const int n = step(InsertMessage, [&] { return q.run(sql, binds); });
//       require(n == 1, InsertMessage);
//       step(CommitMessage, [&] { t->commit(); });
//   } catch (const StepFailed& f) {
//       return o.failed(ctx.prompt, f.message);
//   }

// Runs `f`; its DbError becomes StepFailed{failMessage, server text, code},
// the message naming a lost connection as such (DbError::said). Returns what
// `f` returns.
template <class F> auto step(const QString& failMessage, F&& f)
{
    try {
        return f();
    } catch (const DbError& e) {
        throw StepFailed {e.said(failMessage), e.text(), e.code()};
    }
}

// A check between steps: StepFailed{failMessage} unless `ok`. `code` is the
// server's error code when the check reads the report of a lower piece that
// does not throw (Counters), so that a lock conflict there is retried too.
inline void require(bool ok, const QString& failMessage, int code = 0)
{
    if (!ok)
        throw StepFailed {failMessage, QString(), code};
}

// Starts the bracket in `t` as a step.
void begin(std::optional<Transaction>& t, DataModule& dm, const QString& failMessage);

// The COMMIT of a write as a step whose reply may be lost: false when it
// committed; true when the connection dropped with the COMMIT out (the
// server may have committed before it went, or not). The bracket is over
// either way; the next statement reconnects, and the caller looks at what
// the server holds and tells the operator that, never a guess. A COMMIT the
// server refused leaves as StepFailed{failMessage}.
bool commitOrReplyLost(Transaction& t, const QString& failMessage);

// What the look after a lost COMMIT reply found.
enum class LostCommit { Committed, NotCommitted, Unknown };

// What a write tells the operator after the look, one text for each finding.
struct LostCommitMessages {
    QString committed;   // the write stands
    QString notCommitted;   // nothing was written, it can be done again
    QString unknown;   // it cannot be told: look before doing it again
};

// The one report after a lost COMMIT reply: Committed shows its message and
// leaves `o` as it is (the write stands, the operation goes on as after any
// commit); NotCommitted and Unknown end `o` in Failed with theirs. True when
// the write stands.
//
//   if (replyLost && !reportLostCommit(o, ctx.prompt, look(), Messages))
//       return o;
bool reportLostCommit(Outcome& o, Prompt& prompt, LostCommit found, const LostCommitMessages& messages);

// Several workstations on one server: a write whose transaction meets a
// deadlock (1213: the server has rolled the whole transaction back) or a
// lock-wait timeout (1205: the statement rolled back, its transaction left
// open) stops at that statement, is rolled back as a whole and runs again
// from "START TRANSACTION", at most LockTries attempts in all. Nothing drawn
// in a failed attempt survives it: a counter read and stored inside the
// transaction goes back with it, so the next attempt draws the same number
// again (or the next free one), never a second one for the same write.
//
//   retryLockConflicts(ctx.data, [&] {
//       std::optional<Transaction> t;
//       begin(t, ctx.data, BeginMessage);
//       ... steps ...
//       step(CommitMessage, [&] { t->commit(); });
//   });
//
// `attempt` is one whole transaction; it leaves by StepFailed or DbError on a
// failure, with its bracket rolled back on the way out. A lock conflict is
// tried again only when the connection is still there and no transaction is
// left open on it (one opened by hand is rolled back here first); any other
// failure, and the conflict of the last attempt, goes on to the caller as it
// came. Messages belong after the call: an attempt that is tried again must
// have shown nothing.
constexpr int LockTries = 3;

// Whether a write that ended in `code` on its attempt number `attempt` is to
// run again (see retryLockConflicts).
bool retryAfterLockConflict(DataModule& dm, int code, int attempt, int tries);

template <class F> auto retryLockConflicts(DataModule& dm, F&& attempt, int tries = LockTries)
{
    for (int n = 1;; ++n) {
        try {
            return attempt();
        } catch (const StepFailed& f) {
            if (!retryAfterLockConflict(dm, f.code, n, tries))
                throw;
        } catch (const DbError& e) {
            if (!retryAfterLockConflict(dm, e.code(), n, tries))
                throw;
        }
    }
}
