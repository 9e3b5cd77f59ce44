#pragma once
#include <QString>

class DataModule;

// The four document counters of table sorszam: "M" weighing number, "J"
// ticket number, "S" delivery-note number, "K" archive summary number. A
// counter holds the last number issued; drawing reads it, adds one and stores
// the result (decimal digits, no leading zeros).
//
// A number is never issued twice: the read locks the counter row until the
// store is committed. When the caller has a "START TRANSACTION" open, the
// locked read and the store join it (its COMMIT or ROLLBACK decides);
// otherwise the draw brackets itself.
//
// Counters show nothing: a draw or store reports how it went, and the
// operation that asked shows its message (storeFailedMessage(kind) for a
// failed store, its own text for an unreadable counter).
class Counters {
public:
    enum Kind { M, J, S, K };

    struct Draw {
        enum Status { Ok, Unreadable, StoreFailed };
        Status status = Unreadable;
        QString number;   // the number drawn; empty unless status == Ok
        QString error;   // the server's text of a failed statement, if any
        int code = 0;   // the server's error code of a failed statement (1213, 1205: retry the write)
        bool ok() const { return status == Ok; }
    };

    explicit Counters(DataModule& dm) : m_dm(dm) { }

    // Read, +1, store. When the store (or the own bracket's start or commit)
    // fails, nothing is handed out (status StoreFailed) and the caller shows
    // storeFailedMessage(kind) and stops; inside the caller's transaction it
    // must then roll back. Unreadable (row missing, not a decimal number,
    // read failed): nothing stored; the caller reports and stops.
    Draw draw(Kind kind);

    // For archiving: the number after the stored one, read with a row lock
    // (the caller holds a transaction open until it has stored the last
    // number it gave out).
    Draw readNext(Kind kind);
    // Stores `last` as the last number issued; false when the store failed
    // (the server's error code in storeError(), 0 when the row was missing).
    bool store(Kind kind, const QString& last);
    int storeError() const { return m_storeError; }

    static QString letter(Kind kind);
    static QString storeFailedMessage(Kind kind);

private:
    DataModule& m_dm;
    int m_storeError = 0;
};
