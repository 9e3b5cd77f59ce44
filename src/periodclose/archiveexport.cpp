#include "archiveexport.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "periodclose/archivecolumns.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <xlsxwriter.h>

#include <cstdio>
#include <unistd.h>

namespace {

using ArchiveColumns::Align;
using ArchiveColumns::kColumns;
using ArchiveColumns::kCount;

constexpr int kPage = 20000;   // archive rows read per statement

enum Kind { Plain, Date, Time, DateTime, Kinds };

struct Formats {
    lxw_format* header[kCount] = {};
    lxw_format* boldOnly = nullptr;          // AL1, AM1
    lxw_format* data[2][Kinds] = {};         // [left/right][kind]

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
                        : kColumns[c].align == Align::Left  ? boldLeft
                                                            : boldRight;
        boldOnly = workbook_add_format(wb);
        format_set_bold(boldOnly);
    }
    lxw_format* cell(int column, Kind kind) const
    {
        return data[kColumns[column].align == Align::Left ? 0 : 1][kind];
    }
};

// "hh:mm:ss" (hours may pass 24 or carry a sign, seconds a fraction) as a
// fraction of a day.
bool timeOfText(const QString& s, double* days)
{
    const QStringList parts = s.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return false;
    bool okH, okM, okS;
    const QString h = parts[0];
    const bool negative = h.startsWith(QLatin1Char('-'));
    const double hours = (negative ? h.mid(1) : h).toUInt(&okH);
    const double minutes = parts[1].toUInt(&okM);
    const double seconds = parts[2].toDouble(&okS);
    if (!okH || !okM || !okS || minutes >= 60 || seconds >= 60 || seconds < 0)
        return false;
    const double total = (hours * 3600 + minutes * 60 + seconds) / 86400.0;
    *days = negative ? -total : total;
    return true;
}

bool writeCell(lxw_worksheet* ws, lxw_row_t r, lxw_col_t c, const QVariant& v, const Formats& f)
{
    if (v.isNull())
        return worksheet_write_blank(ws, r, c, f.cell(c, Plain)) == LXW_NO_ERROR;
    if (ArchiveColumns::isTime(c) && v.metaType().id() == QMetaType::QString) {
        double days = 0;
        if (timeOfText(v.toString(), &days))
            return worksheet_write_number(ws, r, c, days, f.cell(c, Time)) == LXW_NO_ERROR;
    }
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return worksheet_write_number(ws, r, c, v.toDouble(), f.cell(c, Plain)) == LXW_NO_ERROR;
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        if (!d.isValid())
            return worksheet_write_blank(ws, r, c, f.cell(c, Plain)) == LXW_NO_ERROR;
        lxw_datetime dt = {d.year(), d.month(), d.day(), 0, 0, 0};
        return worksheet_write_datetime(ws, r, c, &dt, f.cell(c, Date)) == LXW_NO_ERROR;
    }
    case QMetaType::QTime: {
        const QTime t = v.toTime();
        if (!t.isValid())
            return worksheet_write_blank(ws, r, c, f.cell(c, Plain)) == LXW_NO_ERROR;
        lxw_datetime dt = {0, 0, 0, t.hour(), t.minute(), t.second() + t.msec() / 1000.0};
        return worksheet_write_datetime(ws, r, c, &dt, f.cell(c, Time)) == LXW_NO_ERROR;
    }
    case QMetaType::QDateTime: {
        const QDateTime x = v.toDateTime();
        if (!x.isValid())
            return worksheet_write_blank(ws, r, c, f.cell(c, Plain)) == LXW_NO_ERROR;
        const QDate d = x.date();
        const QTime t = x.time();
        lxw_datetime dt = {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second() + t.msec() / 1000.0};
        return worksheet_write_datetime(ws, r, c, &dt, f.cell(c, DateTime)) == LXW_NO_ERROR;
    }
    default: {
        const QByteArray s = v.toString().toUtf8();
        if (s.isEmpty())
            return worksheet_write_blank(ws, r, c, f.cell(c, Plain)) == LXW_NO_ERROR;
        return worksheet_write_string(ws, r, c, s.constData(), f.cell(c, Plain)) == LXW_NO_ERROR;
    }
    }
}

// The export's own failure of the archive read; the server's text goes with it.
struct ReadFailed {
    QString text;
};

} // namespace

bool ArchiveExport::run(const QString& folder)
{
    m_rows = 0;
    m_sheets = 0;
    m_path = QDir(folder).filePath(fileName());
    bool saved = false;
    // A folder that cannot be written is found out before the rows are read.
    const QString temp = QDir(folder).filePath(
        QStringLiteral(".archiv-%1-%2.xlsx.part").arg(::getpid()).arg(QDateTime::currentMSecsSinceEpoch()));
    bool writable = !folder.isEmpty() && QDir().mkpath(folder);
    if (writable) {
        QFile probe(temp);
        writable = probe.open(QIODevice::WriteOnly);
        probe.close();
        QFile::remove(temp);
    }
    if (writable) {
        try {
            saved = write(temp);
        } catch (const ReadFailed& e) {
            m_ctx.prompt.message(QStringLiteral("Hiba: Az archiv olvasása nem sikerült: ") + e.text);
            saved = false;
        }
        if (saved) {
            // rename() replaces an earlier archiv.xlsx in one step.
            saved = std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(m_path).constData()) == 0;
        }
        if (!saved)
            QFile::remove(temp);
    }
    if (!saved)
        m_ctx.prompt.message(QStringLiteral("A fájl mentése nem történt meg!"));
    m_ctx.prompt.information(QStringLiteral("A konvertálás befejeződött!"), QStringLiteral("Kész!"));
    return saved;
}

bool ArchiveExport::write(const QString& temp)
{
    Query& q = m_ctx.data.ZTable10;
    const QString tableSql = q.sql();
    struct Restore {
        Query& q;
        QString sql;
        ~Restore()
        {
            q.close();
            q.setSql(sql);
        }
    } restore{q, tableSql.isEmpty() ? QStringLiteral("SELECT * FROM archiv") : tableSql};

    qint64 total = 0;
    try {
        q.openSql(QStringLiteral("SELECT COUNT(*) FROM archiv"));
        total = q.value(0).toLongLong();
        q.openSql(QStringLiteral("SELECT * FROM archiv WHERE IDj > :p0 ORDER BY IDj LIMIT %1").arg(kPage),
                  {{QStringLiteral("p0"), qint64(-1)}});
        if (q.columnCount() < kCount)
            throw ReadFailed{QStringLiteral("az archiv táblának kevesebb oszlopa van a vártnál.")};
    } catch (const DbError& e) {
        throw ReadFailed{e.text()};
    }
    if (m_progress)
        m_progress(0, total);

    QByteArray names[kCount];
    for (int c = 0; c < kCount; ++c)
        names[c] = q.columnName(c).toUtf8();

    const QByteArray file = QFile::encodeName(temp);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(file.constData(), &options);
    if (!wb)
        return false;
    const Formats formats(wb);
    bool ok = true;

    lxw_worksheet* ws = nullptr;
    lxw_row_t row = 0;
    auto newSheet = [&]() {
        ++m_sheets;
        const QByteArray name = m_sheets == 1 ? QByteArray("archiv") : QStringLiteral("archiv (%1)").arg(m_sheets).toUtf8();
        ws = workbook_add_worksheet(wb, name.constData());
        if (!ws) {
            ok = false;
            return;
        }
        for (int c = 0; c < kCount; ++c) {
            worksheet_set_column(ws, c, c, kColumns[c].width, nullptr);
            ok = ok && worksheet_write_string(ws, 0, c, names[c].constData(), formats.header[c]) == LXW_NO_ERROR;
        }
        for (int c = kCount; c < ArchiveColumns::kBoldColumns; ++c)
            ok = ok && worksheet_write_blank(ws, 0, c, formats.boldOnly) == LXW_NO_ERROR;
        row = 1;
    };
    newSheet();

    try {
        while (ok && q.rowCount() > 0) {
            qint64 lastId = 0;
            for (bool more = q.first(); more && ok; more = q.next()) {
                if (qint64(row) > m_rowsPerSheet) {
                    newSheet();
                    if (!ok)
                        break;
                }
                for (int c = 0; c < kCount && ok; ++c)
                    ok = writeCell(ws, row, c, q.value(c), formats);
                lastId = q.value(0).toLongLong();
                ++row;
                ++m_rows;
                if (m_progress)
                    m_progress(m_rows, total);
            }
            if (!ok || q.rowCount() < kPage)
                break;
            q.openSql(QStringLiteral("SELECT * FROM archiv WHERE IDj > :p0 ORDER BY IDj LIMIT %1").arg(kPage),
                      {{QStringLiteral("p0"), lastId}});
        }
    } catch (const DbError& e) {
        workbook_close(wb);
        throw ReadFailed{e.text()};
    }
    const lxw_error closed = workbook_close(wb);
    return ok && closed == LXW_NO_ERROR;
}
