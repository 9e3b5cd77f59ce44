#pragma once
#include "alibi/alibilog.h"
#include "data/datamodule.h"
#include "testapp.h"

#include <QProcess>
#include <QTest>

#include <utility>

namespace alibitest {

// A scale read's reading: weight kg from a frame "ST,GS,+  0kkkkkkg\r\n".
inline AlibiLog::Reading scaleReading(double kg, const QString& port = QStringLiteral("/dev/ttyS0"))
{
    AlibiLog::Reading r;
    r.source = AlibiEntry::Scale;
    r.kg = kg;
    r.digits = QStringLiteral("%1").arg(qint64(kg), 6, 10, QLatin1Char('0'));
    r.status = QStringLiteral("ST");
    r.port = port;
    r.rawFrame = QStringLiteral("ST,GS,+  %1kg\r\n").arg(r.digits);
    return r;
}

inline AlibiLog::Reading typedReading(double kg, AlibiEntry::Source source = AlibiEntry::Typed)
{
    AlibiLog::Reading r;
    r.source = source;
    r.kg = kg;
    return r;
}

// The alibi table as the test's administrative connection names it.
inline QString naplo(const TestDb& db)
{
    return QStringLiteral("`%1`.naplo").arg(AlibiLog::databaseFor(db.name()));
}
inline QString kapcsolat(const TestDb& db)
{
    return QStringLiteral("`%1`.kapcsolat").arg(AlibiLog::databaseFor(db.name()));
}

// The two ticket rows of ticket `ticket` as a finalisation leaves them
// (weights of measurement 1 and 2 in and out, the nets of an intake,
// purity 100, moisture 0), written as root; returns their IDj.
inline std::pair<qint64, qint64> ticketRows(
        const TestDb& db, const QString& ticket, double in1, double out1, double in2 = 0, double out2 = 0)
{
    qint64 id[2] = {0, 0};
    const double in[2] = {in1, in2}, out[2] = {out1, out2};
    for (int i = 0; i < 2; ++i) {
        db.exec(QStringLiteral("INSERT INTO vello (jBszam, jMozgas, jBemeres, jKimeres, jNettoBe, jNettoKI, jTiszt, "
                               "jViztart) VALUES ('%1', 'B', %2, %3, %4, 0, 100, 0)")
                        .arg(ticket)
                        .arg(in[i])
                        .arg(out[i])
                        .arg(in[i] - out[i]));
        id[i] = db.scalar(QStringLiteral("SELECT MAX(IDj) FROM vello")).toLongLong();
    }
    return {id[0], id[1]};
}

// A ticket's links as a log holds them that was written before the log
// kept ticket entries: the newest pending link of each measurement copied
// with the ticket number (as root, over the data module's connection).
inline void oldTicketLinks(DataModule& dm, const QString& alibiDatabase, qint64 pendingId, const QString& ticket)
{
    const QString k = QStringLiteral("`%1`.kapcsolat").arg(alibiDatabase);
    dm.ZQ10.run(QStringLiteral("INSERT INTO %1 (nr, IDm, bszam, hely, irany) SELECT k.nr, k.IDm, :p1, k.hely, "
                               "k.irany FROM %1 k WHERE k.IDm = :p0 AND k.bszam IS NULL AND k.IDh = (SELECT "
                               "MAX(l.IDh) FROM %1 l WHERE l.IDm = k.IDm AND l.bszam IS NULL AND l.hely = k.hely "
                               "AND l.irany = k.irany)")
                        .arg(k),
            {{QStringLiteral("p0"), pendingId}, {QStringLiteral("p1"), ticket}});
}
inline void oldTicketLinks(DataModule& dm, const TestDb& db, qint64 pendingId, const QString& ticket)
{
    oldTicketLinks(dm, AlibiLog::databaseFor(db.name()), pendingId, ticket);
}

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// A tool of the build folder, run to its end.
inline ToolRun runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(qEnvironmentVariable("VELLO_BINARY_DIR") + QLatin1Char('/') + tool, args);
    p.waitForFinished(120000);
    ToolRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}   // namespace alibitest
