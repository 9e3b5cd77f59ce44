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
    // Loads a dump made by dump() into the settings' database (created when
    // missing); its tables are replaced by those of the dump.
    bool restore(const QString& file);

    const QString& error() const { return m_error; }

    // The user's documents folder, subfolder "vello-mentesek".
    static QString defaultFolder();
    static QString fileName(const QString& database, const QDateTime& when);

private:
    QStringList clientArguments() const;
    bool runPipe(const QString& first, const QStringList& firstArgs, const QString& second,
                 const QStringList& secondArgs, const QString& inputFile, const QString& outputFile);

    ConnectionSettings m_settings;
    QString m_error;
};
