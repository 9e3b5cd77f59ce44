#pragma once
#include "data/outcome.h"

#include <QHash>
#include <QString>
#include <QVariantList>
#include <optional>

struct AppContext;
struct RegisterMember;
class Query;

// The operations of a register entry dialog: reading the row to modify,
// the new code, and the save ("OK"), on the member's write and side queries.
// The field texts are passed by control name (Edit1, ...). No widget here.
class RegisterEntry {
public:
    using Values = QHash<QString, QString>;

    // What a save ended in: Done (written; the list was re-run and
    // positioned), Refused (a required box is blank, or a box does not fit
    // its column: its message was shown, nothing was sent; `focus` names the
    // box) or Failed (its message was shown, nothing was written). A Failed
    // save whose insert or replacement the server refused has re-run the list
    // all the same and the dialog stays open; after an unhandled failure the
    // list was not re-run.
    struct SaveOutcome : Outcome {
        bool listRerun = false;
    };

    RegisterEntry(AppContext& ctx, const RegisterMember& member);

    // The register dialog mode asks for a new row.
    bool isNewMode() const;
    // The box texts of a new row.
    Values initialValues() const;
    // The current row of the list data set as box texts; nothing when there is no row to read.
    std::optional<Values> readCurrent() const;

    SaveOutcome save(const Values& values);

    // The code after `highest` (decimal digits, no leading zeros): nothing
    // when `highest` is not a whole number or the result would not fit the
    // 5-character code column.
    static std::optional<QString> codeAfter(const QString& highest);

private:
    // The highest code by numeric value; nothing when the register is empty.
    // Throws DbError.
    // Read under a lock inside the insert's transaction: a second
    // workstation adding a row at the same moment waits for this one's
    // COMMIT and then reads its code.
    std::optional<QString> highestCode();
    // The insert of a new row in its own transaction, tried again from
    // "START TRANSACTION" after a deadlock or lock-wait timeout, or when the
    // code's unique key refuses the code (taken through another node of a
    // cluster meanwhile): a bounded number of times, each with a fresh code.
    // Ends in Done with the code stored in `saved`, or in Failed as save().
    SaveOutcome& insertNew(SaveOutcome& o, const QVariantList& params, QString* saved);
    // The modification of the row, in its own transaction, tried again
    // after a deadlock or lock-wait timeout: the row is read under a lock by
    // its id, then updated; a row gone meanwhile ends in Failed with its
    // message (nothing is written, the list is re-run).
    SaveOutcome& replace(SaveOutcome& o, const QVariantList& params);
    QString updateSql(const QStringList& tableColumns) const;
    // The statement parameters of the boxes, in order; nothing when a
    // number box does not hold a number.
    std::optional<QVariantList> parameters(const QStringList& controls, const Values& values) const;
    // The server refused the statement: its message, the list re-run.
    SaveOutcome& failed(SaveOutcome& o, const QString& message);
    // Any other failure: the unhandled-failure message, no transaction left open.
    SaveOutcome& unhandled(SaveOutcome& o);
    void rerunList();

    AppContext& m_ctx;
    const RegisterMember& m_member;
};
