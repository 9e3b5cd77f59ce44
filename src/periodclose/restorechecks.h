#pragma once
#include <QString>
#include <QStringList>
#include <optional>

class AdminConnection;

// A restore that stops: why, in the words the backup reports (error()).
struct RestoreFailed {
    QString message;
};

// The checks a restore makes before its swap, on the dump file and on the
// copy loaded into the scratch database. Each throws RestoreFailed with its
// message when the check does not hold or its statement fails.
namespace RestoreChecks {

// The dump is whole: gzip reads it to its end, and it ends with
// mariadb-dump's closing line.
void dumpIsWhole(const QString& file);

// The tables of the program (or of the alibi log) that the loaded copy
// lacks: refused when any is missing.
void hasTables(const QStringList& loaded, const QStringList& needed);

// "table rows" of every loaded table of `scratch`, for the report.
QStringList rowCounts(AdminConnection& c, const QString& scratch, const QStringList& loaded);

// The alibi log only grows: the dump in `scratch` may take the place of
// the live log `target` only when every live entry and link (of the tables
// in `liveTables`) is in it as it is, every field alike.
void logKeepsLive(AdminConnection& c, const QString& target, const QString& scratch, const QStringList& liveTables);

// The voided tickets of the loaded register (`sztorno`): every void names
// a ticket whose rows the copy holds in vello (voided tickets are never
// archived), and every ticket issued in place of one is there as well. A
// copy where a void lost its ticket would count a ticket the operator
// voided, or void nothing: refused.
void voidsKeepTheirTickets(AdminConnection& c, const QString& scratch);

// The counters ("M", "J", "S", "K") of `scratch` that are behind those of
// `live`, as "what (letter) from–to" of the numbers that would be issued
// again; refused when any is behind, unless `force`.
QStringList countersBehind(
        AdminConnection& c, const QString& live, bool liveHasCounters, const QString& scratch, bool force);

}   // namespace RestoreChecks
