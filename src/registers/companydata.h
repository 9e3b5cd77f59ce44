#pragma once
#include <QString>

struct AppContext;

// The company's name, address and tax number in the site row (IDa = 1).
struct CompanyData {
    QString name;       // aNeve
    QString postcode;   // aIrszam
    QString town;       // aHelyseg
    QString street;     // aUtca
    QString taxNumber;  // aAdoszam

    // "Felülírás": writes the five texts as they are into the site row,
    // creating it when missing; the row's other columns (the scale port name)
    // keep their values. A refused write shows its message and rolls back.
    // The site data set ZTable8 is refreshed in both cases. True when written.
    bool write(AppContext& ctx) const;
};
