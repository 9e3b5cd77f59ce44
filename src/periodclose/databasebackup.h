#pragma once
#include "data/connectionsettings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// A consistent, compressed dump of the program's database and its way back.
// The dump is taken with mariadb-dump in one read transaction
// (--single-transaction), so tickets written meanwhile never tear it, and
// compressed with gzip into "<database>-yyyy-MM-dd-hhmmss.sql.gz". It is
// written into a new file of its own in the target folder (made with
// O_EXCL, mode 0600, so nothing planted there can redirect the write) and
// renamed when complete: a failed dump never leaves a file that looks whole.
// The folder is made 0700 (an existing one of this user's is set to 0700).
// The password reaches mariadb-dump alone, never gzip.
//
// The alibi log (`<database>_alibi`, AlibiLog) is dumped beside it, into
// "<database>_alibi-<the same stamp>.sql.gz", after the register: the log
// only grows, so the later copy holds every entry the register's copy
// links to. A register restore never touches the live log; a log dump is
// put back only where it loses nothing (see restore()).
class DatabaseBackup {
public:
    explicit DatabaseBackup(const ConnectionSettings& settings) : m_settings(settings) { }

    // Writes the dump into `folder` (created when missing), and the alibi
    // log's beside it when the server has the log. The path of the
    // register's file, or an empty text with error() set (and neither file
    // left).
    QString dump(const QString& folder);
    // The alibi log's file of the last dump(); empty when there is no log.
    const QString& alibiFile() const { return m_alibiFile; }
    // Puts a dump made by dump() in place of the settings' database
    // (created when missing), never leaving it worse than it was:
    //  1. the dump must be whole (gzip reads it to its end, and it ends with
    //     mariadb-dump's closing line);
    //  2. it is loaded into a scratch database "<database>_uj_<stamp>" by
    //     the mariadb client in --sandbox mode (no shell escape, no file
    //     read or written), logged in as an account made for this load
    //     alone, whose only rights are on the scratch database (tables and
    //     rows), dropped again afterwards: a statement on any other
    //     database, an account or a grant stops the load, and nothing of it
    //     reaches the server's other databases;
    //  3. the scratch copy must hold every table of the program; the rows of
    //     each are counted for the report; a dump from before the unique
    //     keys on the codes gets them there (refused when codes are held
    //     twice);
    //  4. counters ("M", "J", "S", "K") behind the live ones would issue
    //     numbers again that may be on paper already: refused, unless
    //     `force`;
    //  5. one RENAME TABLE moves the live tables into
    //     "<database>_regi_<stamp>" and the loaded ones into their place, all
    //     at once.
    // Any failure before step 5 drops the scratch database and leaves the
    // live one untouched. The live alibi log is never part of it: the
    // report says it stayed as it was, after comparing its checksums before
    // and after (a change meanwhile is said instead).
    //
    // A dump of the alibi log (its tables `naplo`, `kapcsolat`, `zar`) goes
    // to `<database>_alibi` the same way, but only where the live log loses
    // nothing by it: every live entry (number and chain value) and every
    // live link must be in the dump as they are. A log that only grows is
    // thus never replaced by an older one, with or without `force`; a log
    // that was lost or cut short can be put back. It needs a user that may create databases (the
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
    // One program of a pipe; `password` reaches that program alone (in its
    // environment as MYSQL_PWD), never the other one.
    struct Program {
        QString name;
        QStringList args;
        QString password;
    };
    // The client options that reach the settings' server as `user`.
    QStringList clientArguments(const QString& user) const;
    // first (< inputFile) | second (> the open file `outputFd`, when not -1).
    bool runPipe(const Program& first, const Program& second, const QString& inputFile, int outputFd = -1);

    bool dumpOne(const QString& database, const QString& target, bool routines);
    // The restore's load of `file` into the (empty) database `scratch`
    // through the client program. Throws RestoreFailed.
    void loadIntoScratch(const QString& file, const QString& scratch);

    ConnectionSettings m_settings;
    QString m_error;
    QStringList m_report;
    QString m_kept;
    QString m_alibiFile;
};
