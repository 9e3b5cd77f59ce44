#pragma once
#include <QString>

// The sheet columns of the archive export: the archive's columns in table
// order from IDj to jViztart (A to AK), each with its width in the
// spreadsheet's character units and its horizontal alignment. The archive's
// last two columns (jPrn, jTorolt) are not exported.
namespace ArchiveColumns {

enum class Align { Left, Right };

struct Column {
    const char* name;   // the archive column
    double width;
    Align align;
};

inline constexpr int kCount = 37;

inline constexpr Column kColumns[kCount] = {
        {"IDj", 10, Align::Right},
        {"jBszam", 10, Align::Left},
        {"jMbszam", 10, Align::Left},
        {"jMozgas", 5, Align::Left},
        {"jPot", 5, Align::Left},
        {"jEgymeres", 5, Align::Left},
        {"jDatum", 15, Align::Left},
        {"jBeido", 15, Align::Left},
        {"jKiido", 15, Align::Left},
        {"jModDatum", 15, Align::Left},
        {"jRogDatum", 15, Align::Left},
        {"jBemeres", 15, Align::Right},
        {"jKimeres", 15, Align::Right},
        {"jNettoBe", 15, Align::Right},
        {"jNettoKI", 15, Align::Right},
        {"jBemerleg", 15, Align::Right},
        {"jKimerleg", 15, Align::Right},
        {"jTkod", 15, Align::Left},
        {"tMegnev", 40, Align::Left},
        {"tMegjegy", 15, Align::Left},
        {"tSztiszt", 15, Align::Right},
        {"tSzviztart", 15, Align::Right},
        {"jRkod", 10, Align::Right},
        {"rRendszam", 20, Align::Left},
        {"rTara", 15, Align::Right},
        {"jKkod", 10, Align::Left},
        {"kNev", 40, Align::Left},
        {"jOkod", 10, Align::Left},
        {"oNev", 40, Align::Left},
        {"oIrszam", 10, Align::Left},
        {"oHelysegnev", 40, Align::Left},
        {"oUtca", 40, Align::Left},
        {"oAdoszam", 15, Align::Left},
        {"jAkod", 10, Align::Left},
        {"jMegj", 40, Align::Left},
        {"jTiszt", 15, Align::Right},
        {"jViztart", 15, Align::Right},
};

// Column C (jMbszam) has its header centred; its data rows follow the table.
inline constexpr int kCentredHeader = 2;
// The time columns (jBeido, jKiido): the client library hands TIME values over
// as text, since they may lie outside one day.
inline constexpr bool isTime(int column)
{
    return column == 7 || column == 8;
}
// The header row's bold range reaches two columns past the last one (A1:AM1).
inline constexpr int kBoldColumns = kCount + 2;

}   // namespace ArchiveColumns
