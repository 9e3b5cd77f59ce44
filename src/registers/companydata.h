#pragma once
#include "data/outcome.h"

#include <QString>
#include <optional>

struct AppContext;

// The company's name, address and tax number in the site row (IDa = 1).
struct CompanyData {
    QString name;   // aNeve
    QString postcode;   // aIrszam
    QString town;   // aHelyseg
    QString street;   // aUtca
    QString taxNumber;   // aAdoszam

    // "Felülírás": writes the five texts as they are into the site row,
    // creating it when missing; the row's other columns (the scale port name)
    // keep their values, in one transaction tried again after a deadlock or
    // lock-wait timeout. Done when written; a refused write shows its message
    // and rolls back (Failed). The site data set ZTable8 is refreshed in all
    // cases.
    //
    // With `opened` (the row as the window showed it) the row is first read
    // under a lock: when another workstation has changed a text since and
    // this write would put another value over it, nothing is written, the
    // stored values are named (Refused, focus on the first such box) and
    // handed back in `storedNow`; a second write with those as `opened`
    // writes.
    Outcome write(AppContext& ctx, const std::optional<CompanyData>& opened = std::nullopt,
            CompanyData* storedNow = nullptr) const;

    const QString& field(int i) const;   // 0 name .. 4 tax number

    // The stored values of the site row; empty texts when there is no row.
    // A failed read goes to the default error handler and gives empty texts.
    static CompanyData read(AppContext& ctx);

    // The first of the five texts (0 name .. 4 tax number) that does not fit
    // its column of atvevo, with its message; nothing when all fit.
    struct Refusal {
        int field;
        QString message;
    };
    std::optional<Refusal> check() const;
};
