#include "scaleread.h"

#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "scale/portsetting.h"
#include "scale/tseriallink.h"
#include "context/prompt.h"

namespace ScaleRead {

namespace {
const char* const DefaultPort = "COM5";
}

QString portName(AppContext& ctx)
{
    // Opening the weighing window shows nothing, so an unreadable site row
    // simply means the fixed port.
    QString name;
    try {
        Query& site = ctx.data.ZTable8;
        const int keep = site.currentRow();
        for (int r = 0; r < site.rowCount(); ++r) {
            site.moveTo(r);
            if (site.value(QStringLiteral("IDa")).toInt() == 1) {
                name = site.text(QStringLiteral("aSzeria")).trimmed();
                break;
            }
        }
        if (keep >= 0)
            site.moveTo(keep);
    } catch (const DbError&) {
        name.clear();
    }
    return name.isEmpty() ? QString::fromLatin1(DefaultPort) : name;
}

void configure(TSerialLink& link, const QString& port)
{
    link.setCommPort(port);
    link.setBaudRate(2400);
    link.setDataBits(8);
    link.setParityType(2);
    link.setStopBits(2);
    link.setFlowControl(0);
    // Set after the baud rate, so they override the delay table.
    link.setRTOCharDelayTime(43);
    link.setRTOExtraDelayTime(250);
    link.setClusterSize(3072);
    link.setWTOCharDelayTime(43);
    link.setErrorNoise(255);
}

TSerialLink* openLink(AppContext& ctx, QObject* parent)
{
    auto* link = new TSerialLink(parent);
    link->setObjectName(QStringLiteral("SerialLink1"));
    configure(*link, portName(ctx));
    link->setKeepClusters(PortSetting::continuous() ? ContinuousKeep : 0);
    link->setActive(true);
    return link;
}

QString newestPiece(const QStringList& pieces)
{
    if (pieces.isEmpty())
        return QString();
    const QString all = pieces.join(QString());
    auto isEnd = [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); };
    int end = all.size();
    while (end > 0 && !isEnd(all.at(end - 1)))
        --end;   // an unfinished line at the end is still arriving
    while (end > 0 && isEnd(all.at(end - 1)))
        --end;
    int begin = end;
    while (begin > 0 && !isEnd(all.at(begin - 1)))
        --begin;
    if (begin == end)
        return pieces.last();
    return all.mid(begin, end - begin);
}

QString weightText(const QString& piece)
{
    QString text = piece;
    for (QChar& c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            c = QLatin1Char(' ');
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            return text;
    return QStringLiteral("0");
}

Outcome read(TSerialLink& link, Prompt& prompt, QString& scaleText)
{
    link.setThreadQuietMode(true);
    link.setActive(true);
    if (!link.active()) {
        prompt.message(QStringLiteral("Hiba! A port nincs megnyitva."));
        return Outcome::PortClosed;
    }
    const QString piece = link.keepClusters() > 0 ? newestPiece(link.takeClusters()) : link.clusterRead();
    scaleText = weightText(piece);
    for (const QChar c : piece)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            return Outcome::Weight;
    return Outcome::NoWeight;
}

QString read(AppContext& ctx, TSerialLink& link)
{
    read(link, ctx.prompt, ctx.scaleText);
    return ctx.scaleText;
}

} // namespace ScaleRead
