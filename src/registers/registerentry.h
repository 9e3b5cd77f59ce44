#pragma once
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

    enum class Outcome {
        MissingField,   // a required box is blank: its message was shown; focus it
        Refused,   // a box does not fit its column (width, characters, number): its
                   // message was shown, nothing was sent; focus it
        Saved,   // written; the list was re-run and positioned
        Failed,   // insert or replacement refused: its message was shown, nothing written;
                  // the list was re-run all the same; the dialog stays open
        Unhandled   // the unhandled-failure message was shown; the list was not re-run
    };
    struct Result {
        Outcome outcome;
        QString focusControl;   // for MissingField
    };

    RegisterEntry(AppContext& ctx, const RegisterMember& member);

    // The register dialog mode asks for a new row.
    bool isNewMode() const;
    // The box texts of a new row.
    Values initialValues() const;
    // The current row of the list data set as box texts; nothing when there is no row to read.
    std::optional<Values> readCurrent() const;

    Result save(const Values& values);

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
    Result insertNew(const QVariantList& params, QString* saved);
    // The statement parameters of the boxes, in order; nothing when a
    // number box does not hold a number.
    std::optional<QVariantList> parameters(const QStringList& controls, const Values& values) const;
    Result failed(const QString& message);
    Result unhandled();
    bool rollback();   // false when the ROLLBACK itself failed
    void rerunList();

    AppContext& m_ctx;
    const RegisterMember& m_member;
};
