#pragma once
#include "data/connectionsettings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// A consistent, compressed dump of the program's database and its way back.
// The dump is taken with mariadb-dump in one read transaction
// (--single-transaction), so tickets written meanwhile never tear it, and
// compressed with gzip into "<database>-yyyy-MM-dd-hhmmss.sql.gz". It is
// written under a temporary name and renamed when complete: a failed dump
// never leaves a file that looks whole.
class DatabaseBackup {
public:
    explicit DatabaseBackup(const ConnectionSettings& settings) : m_settings(settings) {}

    // Writes the dump into `folder` (created when missing). The path of the
    // written file, or an empty text with error() set.
    QString dump(const QString& folder);
    // Puts a dump made by dump() in place of the settings' database
    // (created when missing), never leaving it worse than it was:
    //  1. the dump must be whole (gzip reads it to its end, and it ends with
    //     mariadb-dump's closing line);
    //  2. it is loaded into a scratch database "<database>_uj_<stamp>"
    //     (statements for any other database are skipped);
    //  3. the scratch copy must hold every table of the program; the rows of
    //     each are counted for the report;
    //  4. counters ("M", "J", "S", "K") behind the live ones would issue
    //     numbers again that may be on paper already: refused, unless
    //     `force`;
    //  5. one RENAME TABLE moves the live tables into
    //     "<database>_regi_<stamp>" and the loaded ones into their place, all
    //     at once.
    // Any failure before step 5 drops the scratch database and leaves the
    // live one untouched. It needs a user that may create databases (the
    // server's administrator). report() says in Hungarian what was done,
    // error() why nothing was.
    bool restore(const QString& file, bool force = false);

    const QString& error() const { return m_error; }
    const QStringList& report() const { return m_report; }
    // The database that keeps the replaced tables after the last restore
    // (empty when there were none).
    const QString& keptDatabase() const { return m_kept; }

    // The user's documents folder, subfolder "vello-mentesek".
    static QString defaultFolder();
    static QString fileName(const QString& database, const QDateTime& when);

private:
    QStringList clientArguments() const;
    bool runPipe(const QString& first, const QStringList& firstArgs, const QString& second,
                 const QStringList& secondArgs, const QString& inputFile, const QString& outputFile);

    bool loadDump(const QString& file, const QString& database);
    bool dumpIsWhole(const QString& file);

    ConnectionSettings m_settings;
    QString m_error;
    QStringList m_report;
    QString m_kept;
};
