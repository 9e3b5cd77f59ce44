#include "archivecell.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

namespace ArchiveCell {

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

bool write(lxw_worksheet* ws, lxw_row_t r, lxw_col_t c, const QVariant& v, const Formats& f)
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

}   // namespace ArchiveCell
