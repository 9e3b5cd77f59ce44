#pragma once
#include "data/dberror.h"

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
// for it (empty when nothing more is to be shown) and the server's text.
struct StepFailed {
    QString message;
    QString detail;
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

// Runs `f`; its DbError becomes StepFailed{failMessage, server text}.
// Returns what `f` returns.
template <class F>
auto step(const QString& failMessage, F&& f)
{
    try {
        return f();
    } catch (const DbError& e) {
        throw StepFailed{failMessage, e.text()};
    }
}

// A check between steps: StepFailed{failMessage} unless `ok`.
inline void require(bool ok, const QString& failMessage)
{
    if (!ok)
        throw StepFailed{failMessage, QString()};
}

// Starts the bracket in `t` as a step.
void begin(std::optional<Transaction>& t, DataModule& dm, const QString& failMessage);
