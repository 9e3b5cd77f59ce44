#pragma once
// One cell of the archive sheet: the formats of the columns and the typed
// value of an archive column written into its cell.
#include "periodclose/archivecolumns.h"

#include <QVariant>

#include <xlsxwriter.h>

namespace ArchiveCell {

using ArchiveColumns::Align;
using ArchiveColumns::kColumns;
using ArchiveColumns::kCount;

enum Kind { Plain, Date, Time, DateTime, Kinds };

struct Formats {
    lxw_format* header[kCount] = {};
    lxw_format* boldOnly = nullptr;   // AL1, AM1
    lxw_format* data[2][Kinds] = {};   // [left/right][kind]

    explicit Formats(lxw_workbook* wb)
    {
        static const char* const numFormat[Kinds] = {nullptr, "yyyy.mm.dd", "hh:mm:ss", "yyyy.mm.dd hh:mm:ss"};
        for (int a = 0; a < 2; ++a) {
            for (int k = 0; k < Kinds; ++k) {
                lxw_format* f = workbook_add_format(wb);
                format_set_align(f, a == 0 ? LXW_ALIGN_LEFT : LXW_ALIGN_RIGHT);
                if (numFormat[k])
                    format_set_num_format(f, numFormat[k]);
                data[a][k] = f;
            }
        }
        lxw_format* boldLeft = workbook_add_format(wb);
        format_set_bold(boldLeft);
        format_set_align(boldLeft, LXW_ALIGN_LEFT);
        lxw_format* boldRight = workbook_add_format(wb);
        format_set_bold(boldRight);
        format_set_align(boldRight, LXW_ALIGN_RIGHT);
        lxw_format* boldCentre = workbook_add_format(wb);
        format_set_bold(boldCentre);
        format_set_align(boldCentre, LXW_ALIGN_CENTER);
        for (int c = 0; c < kCount; ++c)
            header[c] = c == ArchiveColumns::kCentredHeader ? boldCentre
                    : kColumns[c].align == Align::Left      ? boldLeft
                                                            : boldRight;
        boldOnly = workbook_add_format(wb);
        format_set_bold(boldOnly);
    }
    lxw_format* cell(int column, Kind kind) const { return data[kColumns[column].align == Align::Left ? 0 : 1][kind]; }
};

// "hh:mm:ss" (hours may pass 24 or carry a sign, seconds a fraction) as a
// fraction of a day; false for any other text.
bool timeOfText(const QString& s, double* days);

// Writes the value of column c into cell (r, c): a number as a number, a date
// or time (or a time text of the driver) with its display format, no value or
// an empty text as an empty cell, anything else as text. False when the
// writer refused the cell.
bool write(lxw_worksheet* ws, lxw_row_t r, lxw_col_t c, const QVariant& v, const Formats& f);

}   // namespace ArchiveCell
