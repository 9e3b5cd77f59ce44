#pragma once
#include "alibi/alibilog.h"
#include "testapp.h"

#include <QProcess>
#include <QTest>

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
