#include "serialrules.h"

#include <QRegularExpression>

namespace SerialRules {

quint32 charDelayFor(quint32 baudRate)
{
    static const struct {
        quint32 baud;
        quint32 delay;
    } table[] = {{256000, 43}, {128000, 85}, {115200, 95}, {57600, 190}, {56000, 200}, {38400, 290}, {19200, 570},
            {14400, 760}, {9600, 1100}, {4800, 2300}, {2400, 4500}, {1200, 9000}, {600, 18000}, {300, 37000},
            {110, 100000}};
    for (const auto& row : table)
        if (baudRate >= row.baud)
            return row.delay;
    return 1100;
}

quint64 allowanceMs(quint32 queued, quint32 charDelayUs, quint32 extraDelayMs)
{
    return quint64(queued) * charDelayUs / 1000 + extraDelayMs;
}

bool readDue(const ReadInputs& in)
{
    if (in.queued == 0)
        return false;
    if (in.readRequest || in.queued >= in.clusterSize)
        return true;
    if (in.errors & 0x1F)   // overflow, overrun, parity, framing, break
        return true;
    const quint32 elapsed = in.now - in.lastEmpty;   // modulo 2^32
    return elapsed > allowanceMs(in.queued, in.charDelayUs, in.extraDelayMs);
}

quint32 msUntilDue(const ReadInputs& in)
{
    if (readDue(in))
        return 0;
    const quint32 elapsed = in.now - in.lastEmpty;
    const quint64 allowance = allowanceMs(in.queued, in.charDelayUs, in.extraDelayMs);
    const quint64 left = allowance + 1 - elapsed;   // "more than" the allowance
    return left > 0xFFFFFFFFull ? 0xFFFFFFFFu : quint32(left);
}

bool reportPasses(quint8 noise, quint8 errorNoise, bool destroying, bool handlerAssigned)
{
    return !destroying && noise <= errorNoise && handlerAssigned;
}

QString devicePath(const QString& portName)
{
    if (portName.startsWith(QLatin1Char('/')))
        return portName;
    static const QRegularExpression com(QStringLiteral("^com([0-9]{1,2})$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(portName);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n >= 1 && n <= 16)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + portName;
}

}   // namespace SerialRules
