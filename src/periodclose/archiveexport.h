#pragma once
#include <QString>
#include <functional>

struct AppContext;

// The spreadsheet export: writes the archive table `archiv`, read afresh,
// into archiv.xlsx in a chosen folder. Row 1 holds the column names as the
// server reports them (A1:AM1 bold), the rows below one archive row each with
// typed cells (numbers, dates and times with a display format, an empty
// column an empty cell), in the widths and alignments of ArchiveColumns. An
// archive larger than a sheet continues on further sheets, each with the
// header row.
//
// The workbook is written in constant memory under a temporary name in the
// target folder and renamed to archiv.xlsx only when complete, so a failed
// export never leaves a broken file. A file that could not be saved shows
// "A fájl mentése nem történt meg!" with the folder and the reason, and
// nothing more; a saved one is
// announced with "A konvertálás befejeződött!".
class ArchiveExport {
public:
    using Progress = std::function<void(qint64 done, qint64 total)>;

    explicit ArchiveExport(AppContext& ctx) : m_ctx(ctx) { }

    // Called with the row count first (done = 0), then after every row.
    void setProgress(Progress p) { m_progress = std::move(p); }
    // Data rows per sheet (below the header row); the sheet's limit by default.
    void setRowsPerSheet(qint64 rows) { m_rowsPerSheet = rows; }

    // Exports into `folder` (created when missing). True when archiv.xlsx was saved.
    bool run(const QString& folder);

    const QString& path() const { return m_path; }
    qint64 rows() const { return m_rows; }
    int sheets() const { return m_sheets; }

    static QString fileName() { return QStringLiteral("archiv.xlsx"); }
    static constexpr qint64 kSheetRows = 1048575;

private:
    bool write(const QString& temp);

    AppContext& m_ctx;
    Progress m_progress;
    qint64 m_rowsPerSheet = kSheetRows;
    QString m_path;
    qint64 m_rows = 0;
    int m_sheets = 0;
};
