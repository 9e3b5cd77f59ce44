#pragma once
#include <QString>
#include <optional>

struct WeighingFields;

// The weighing window's field texts as the checks and the stores read them.
namespace WeighingFieldText {

// The text without its trailing blanks (a field "empty" after them).
QString chopTrailing(const QString& s);
// A register code as stored: blanks around it removed, never NULL.
QString code(const QString& s);
// A weight that counts as measured: a number other than 0.
bool hasWeight(const QString& text);
// A register row picked (its code not blank).
bool picked(const QString& code);

// A crop picked or typed for measurement 1 with these standards (texts as
// the window shows them; empty: a code the register does not hold): the
// hidden standard fields take them, and purity and moisture each take theirs
// only when the field is empty, holds what the window put there (not typed
// by the operator since) or still holds the previous crop's standard. A
// figure the operator typed stays.
void fillStandards(WeighingFields& f, const QString& standardPurity, const QString& standardMoisture, bool purityTyped,
        bool moistureTyped);

// The number fields of a store, each read as a decimal number.
struct Numbers {
    double weight1 = 0, scale1 = 0, weight2 = 0, scale2 = 0, purity = 0, moisture = 0;
};
// nullopt when a field is not a number (purity and moisture read only with
// `withPercentages`).
std::optional<Numbers> readNumbers(const WeighingFields& f, bool withPercentages);

}   // namespace WeighingFieldText
