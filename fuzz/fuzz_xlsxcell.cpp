// Any archive value into its spreadsheet cell: the first byte picks the
// column, the second the kind of value, the rest is the value (a text, a
// number, a date, a time or the driver's time text). The writer accepts it
// or refuses it cleanly; a time text it reads is a finite part of days.
#include "periodclose/archivecell.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QTime>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
struct Sheet {
    lxw_workbook* wb = nullptr;
    lxw_worksheet* ws = nullptr;
    ArchiveCell::Formats* formats = nullptr;
    lxw_row_t row = 0;
    Sheet()
    {
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        const QByteArray path = QDir::temp().filePath(QStringLiteral("fuzz_xlsxcell.xlsx")).toLocal8Bit();
        wb = workbook_new_opt(path.constData(), &options);
        ws = workbook_add_worksheet(wb, nullptr);
        formats = new ArchiveCell::Formats(wb);
    }
};

double readDouble(const uint8_t* p, size_t n)
{
    double d = 0;
    std::memcpy(&d, p, std::min(n, sizeof d));
    return d;
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 512)
        return 0;
    static Sheet sheet;
    const lxw_col_t column = data[0] % ArchiveColumns::kCount;
    const uint8_t kind = data[1] % 6;
    const uint8_t* p = data + 2;
    const size_t n = size - 2;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(p), int(n));

    QVariant v;
    switch (kind) {
    case 0:
        v = text;
        break;
    case 1:
        v = readDouble(p, n);
        break;
    case 2:
        v = n >= 4 ? QDate(int(p[0]) * 16 + p[1], p[2] % 14, p[3] % 33) : QDate();
        break;
    case 3:
        v = n >= 3 ? QTime(p[0] % 25, p[1] % 61, p[2] % 61) : QTime();
        break;
    case 4:
        v = n >= 7
                ? QDateTime(QDate(int(p[0]) * 16 + p[1], p[2] % 14, p[3] % 33), QTime(p[4] % 25, p[5] % 61, p[6] % 61))
                : QDateTime();
        break;
    default:
        v = QVariant();
        break;
    }
    double days = 0;
    if (ArchiveCell::timeOfText(text, &days) && !std::isfinite(days))
        std::abort();
    // Rows past the sheet's end are refused by the writer, never written.
    if (++sheet.row > 1048575)
        sheet.row = 1;
    ArchiveCell::write(sheet.ws, sheet.row, column, v, *sheet.formats);
    return 0;
}
