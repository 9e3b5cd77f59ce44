#pragma once
#include <QString>

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
