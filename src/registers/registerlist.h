#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

struct AppContext;
struct RegisterMember;
class Query;

// The operations of a register list window, on the member's list data set,
// side query and write query. Database failures of loading, sorting,
// searching, printing, the in-use test and the row count go to the default
// error handler; the window stays usable. No widget here.
class RegisterList : public QObject {
    Q_OBJECT
public:
    RegisterList(AppContext& ctx, const RegisterMember& member);

    const RegisterMember& member() const { return m_member; }
    Query& list() const { return m_list; }

    // Creation: default order, and the list order caption becomes the
    // member's initial caption.
    void create();
    // Showing: default order again (the creation's result where it is still
    // this window's default-order result), positioned on the last saved code.
    // Returns the text of the order label (the list order caption).
    QString show();

    // Click on a grid title: the caption for the order label, or nothing
    // when the column does not sort (or the statement failed).
    std::optional<QString> sortBy(const QString& field);

    // Search in the name column. `rerun` runs the default-order query again
    // first; without it the result is reused when it is already this
    // window's default-order result (every key press). Returns the caption
    // for the order label.
    QString search(const QString& text, bool rerun = true);

    // Tickets plus pending weighings that refer to the code; -1 on failure.
    int inUse(const QString& code);

    // "Új" and "Módosít" set the dialog mode; "Módosít" asks the in-use
    // question first. False when the in-use test failed.
    void prepareNew();
    bool prepareModify();

    // "Töröl": refused for a row in use (tickets, pending weighings, and for
    // a producer the plates that name it, listed), then asked ("Biztosan
    // törli: …?"). True when a row was deleted; a DELETE that removed no row
    // shows the member's delete error message and refreshes the list.
    bool deleteCurrent();

    // "Nyomtat": prepares the side query and hands it to the report output.
    void print();

    // Positions the list on the row whose code equals `code` (no case); when
    // none does, on the first row whose code begins with it; else the first row.
    void positionOnCode(const QString& code);
    static void positionOn(Query& list, const QString& codeColumn, const QString& code);

private:
    void runDefault(bool withNames = true);
    void buildNames();
    bool locateName(const QString& prefix);
    void reportFailure(const QString& text);
    // The plates whose producer code is `code` (at most ten named, then the
    // count); nothing when the statement failed (reported).
    std::optional<QStringList> platesOfProducer(const QString& code);

    AppContext& m_ctx;
    const RegisterMember& m_member;
    Query& m_list;

    // Folded names of the default-order result, built when that result is
    // read; anything that replaces the result drops them.
    QVector<QString> m_names;
    bool m_namesValid = false;
    bool m_defaultResult = false;   // the list holds our default-order result
};
