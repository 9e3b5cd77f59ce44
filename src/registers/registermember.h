#pragma once
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>

class DataModule;
class Query;

// The four master-data registers. Their list windows and entry dialogs are
// one design; everything that differs between them is in RegisterMember.
enum class RegisterKind { Plates, Producers, Crops, Warehouses };

// A grid column of a list window: field, title and (when the title sorts)
// the order column with the word of its order caption.
struct RegisterColumn {
    QString field;
    QString title;
    QString orderColumn;   // empty: clicking the title does nothing
    QString captionWord;
};

// A box of an entry dialog.
struct RegisterField {
    enum Flag { Plain = 0, Required = 1, Digits = 2, ReadOnly = 4, Hidden = 8, Number = 16 };
    QString control;   // Edit1, ...
    QString label;   // empty: no label
    QString column;
    int flags = Plain;
    QString requiredMessage;   // shown when a Required box is blank
    QString initial;   // text of the box in new mode
    QString suffix;   // text after the box ("%")

    bool has(Flag f) const { return (flags & f) != 0; }
};

struct RegisterMember {
    RegisterKind kind;
    QString table, codeColumn, nameColumn, idColumn;
    QString listQueryName, sideQueryName, writeQueryName;

    // List window.
    QString listWindow, listTitle;
    QString searchLabel, newHint, modifyHint;
    QString newModeText, modifyModeText;
    QString initialCaptionWord, searchCaptionWord;
    QList<RegisterColumn> columns;
    QString ticketColumn;   // in-use test on the ticket table
    QStringList pendingColumns;   // in-use test on the pending weighings
    QString inUseQuestion, inUseNotice, deletedMessage, deleteErrorMessage;
    QString printTemplate;
    QPageLayout::Orientation orientation;

    // Entry dialog.
    QString dialogWindow, dialogTitle;
    QList<RegisterField> fields;   // in tab order
    QString afterSaveCaption;
    QString insertSql;
    QStringList insertControls;   // :p1, :p2, ... (:p0 is the new code)
    QStringList replaceControls;   // :p0, :p1, ...
    QString idControl, codeControl;
    QString insertFailed, replaceFailed, unhandledFailed, notReadable;

    QString defaultOrderSql() const;   // also the print query
    QString caption(const QString& word) const;   // A lista, "word" szerint
    QString initialCaption() const { return caption(initialCaptionWord); }
    QString searchCaption() const { return caption(searchCaptionWord); }
    const RegisterColumn* columnByField(const QString& field) const;
    const RegisterField* field(const QString& control) const;
    // The width in characters of a text column of the member's table (as
    // db/create.sql makes it); 0 for a number column.
    static int columnWidth(const QString& column);

    Query& listQuery(DataModule& dm) const;
    Query& sideQuery(DataModule& dm) const;
    Query& writeQuery(DataModule& dm) const;
};

const RegisterMember& registerMember(RegisterKind kind);
const QList<RegisterKind>& registerKinds();
