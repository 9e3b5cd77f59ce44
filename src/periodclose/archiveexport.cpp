#include "archiveexport.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "periodclose/archivecell.h"
#include "periodclose/archivecolumns.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

using ArchiveColumns::kColumns;
using ArchiveColumns::kCount;

constexpr int kPage = 20000;   // archive rows read per statement

// The export's own failure of the archive read; the server's text goes with it.
struct ReadFailed {
    QString text;
};

}   // namespace

bool ArchiveExport::run(const QString& folder)
{
    m_rows = 0;
    m_sheets = 0;
    m_path = QDir(folder).filePath(fileName());
    bool saved = false;
    // A folder that cannot be written is found out before the rows are read.
    const QString temp = QDir(folder).filePath(
            QStringLiteral(".archiv-%1-%2.xlsx.part").arg(::getpid()).arg(QDateTime::currentMSecsSinceEpoch()));
    // Why a file was not saved, for the operator: the folder and the reason.
    QString why;
    bool writable = !folder.isEmpty() && QDir().mkpath(folder);
    if (!writable)
        why = folder.isEmpty() ? QStringLiteral("nincs megadva mappa") : QStringLiteral("a mappa nem hozható létre");
    if (writable) {
        QFile probe(temp);
        writable = probe.open(QIODevice::WriteOnly);
        if (!writable)
            why = QFileInfo(folder).isWritable() ? probe.errorString()
                                                 : QStringLiteral("a mappába nincs írási jog (csak olvasható)");
        probe.close();
        QFile::remove(temp);
    }
    if (writable) {
        try {
            saved = write(temp);
        } catch (const ReadFailed& e) {
            m_ctx.prompt.message(QStringLiteral("Hiba: Az archiv olvasása nem sikerült: ") + e.text);
            why = QStringLiteral("az archiv tábla nem olvasható");
            saved = false;
        }
        if (!saved && why.isEmpty())
            why = QStringLiteral("a táblázat írása nem sikerült");
        if (saved) {
            // rename() replaces an earlier archiv.xlsx in one step.
            saved = std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(m_path).constData()) == 0;
            if (!saved)
                why = QString::fromLocal8Bit(std::strerror(errno));
        }
        if (!saved)
            QFile::remove(temp);
    }
    // After a failure only the failure is reported: no success message follows it.
    if (!saved)
        m_ctx.prompt.message(QStringLiteral("A fájl mentése nem történt meg!\rMappa: %1\rOka: %2")
                                     .arg(QDir::toNativeSeparators(folder), why));
    else
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
    } restore {q, tableSql.isEmpty() ? QStringLiteral("SELECT * FROM archiv") : tableSql};

    qint64 total = 0;
    try {
        q.openSql(QStringLiteral("SELECT COUNT(*) FROM archiv"));
        total = q.value(0).toLongLong();
        q.openSql(QStringLiteral("SELECT * FROM archiv WHERE IDj > :p0 ORDER BY IDj LIMIT %1").arg(kPage),
                {{QStringLiteral("p0"), qint64(-1)}});
        if (q.columnCount() < kCount)
            throw ReadFailed {QStringLiteral("az archiv táblának kevesebb oszlopa van a vártnál.")};
    } catch (const DbError& e) {
        throw ReadFailed {e.shownText()};
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
    const ArchiveCell::Formats formats(wb);
    bool ok = true;

    lxw_worksheet* ws = nullptr;
    lxw_row_t row = 0;
    auto newSheet = [&]() {
        ++m_sheets;
        const QByteArray name
                = m_sheets == 1 ? QByteArray("archiv") : QStringLiteral("archiv (%1)").arg(m_sheets).toUtf8();
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
                    ok = ArchiveCell::write(ws, row, c, q.value(c), formats);
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
        throw ReadFailed {e.shownText()};
    }
    const lxw_error closed = workbook_close(wb);
    return ok && closed == LXW_NO_ERROR;
}
