#include "scaleread.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "scale/portsetting.h"
#include "scale/tseriallink.h"

#include <QRegularExpression>

namespace ScaleRead {

const QString PortClosedText = QStringLiteral("Hiba! A port nincs megnyitva.");
const QString MotionText = QStringLiteral("A mérleg mozgásban van, várja meg, amíg megáll!");
const QString NegativeText = QStringLiteral("A mérleg negatív súlyt mutat!");

namespace {
    const char* const DefaultPort = "COM5";

    QString portOrDefault(const QString& name)
    {
        return name.isEmpty() ? QString::fromLatin1(DefaultPort) : name;
    }

    // Milliseconds since the last piece arrived; -1 when none did.
    qint64 sinceLastPiece(const TSerialLink& link)
    {
        const QList<quint32> at = link.clusterArrivals();
        if (at.isEmpty())
            return -1;
        return qint64(quint32(link.clockMs() - at.last()));
    }

    bool fresh(const TSerialLink& link)
    {
        const qint64 age = sinceLastPiece(link);
        return age >= 0 && age <= qint64(FreshMs);
    }
}   // namespace

QString portName(AppContext& ctx)
{
    // Opening the weighing window shows nothing: a site row that cannot be
    // read means the fixed port here (openLink tells a lost database apart).
    return portOrDefault(PortSetting::sitePort(ctx).name);
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
    const PortSetting::SitePort site = PortSetting::sitePort(ctx);
    configure(*link, site.databaseLost ? QString() : portOrDefault(site.name));
    link->setKeepClusters(PortSetting::continuous() ? ContinuousKeep : 0);
    if (!site.databaseLost)
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

bool sendsOnItsOwn(const QList<quint32>& arrivals)
{
    if (arrivals.size() < SelfSentRun)
        return false;
    for (int i = arrivals.size() - SelfSentRun + 1; i < arrivals.size(); ++i)
        if (quint32(arrivals[i] - arrivals[i - 1]) > SelfSentGapMs)
            return false;
    return true;
}

bool continuous(const TSerialLink& link)
{
    return link.keepClusters() > 0 || sendsOnItsOwn(link.clusterArrivals());
}

IndicatorReading current(const TSerialLink& link)
{
    if (!fresh(link))
        return IndicatorReading();
    return IndicatorReading::parse(newestPiece(link.recentClusterTexts()));
}

QString displayText(const TSerialLink* link)
{
    if (link && !link->active() && link->commPort().isEmpty())
        return QStringLiteral("nincs kapcsolat az adatbázissal, a mérleg portja nem ismert");
    if (!link || !link->active())
        return QStringLiteral("nincs kapcsolat a mérleggel");
    return current(*link).text();
}

QString statusText(const QString& piece)
{
    // The last line that holds anything, without STX and ETX.
    const QStringList lines = piece.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    QString line;
    for (auto it = lines.crbegin(); it != lines.crend() && line.isEmpty(); ++it)
        line = it->trimmed();
    line.remove(QChar(0x02)).remove(QChar(0x03));
    int end = 0;
    while (end < line.size() && !line.at(end).isDigit() && line.at(end) != QLatin1Char('+')
            && line.at(end) != QLatin1Char('-'))
        ++end;
    QString status = line.left(end).trimmed();
    while (status.endsWith(QLatin1Char(',')))
        status = status.left(status.size() - 1).trimmed();
    return status;
}

ReadResult read(TSerialLink& link, Prompt& prompt, QString& scaleText, Taken* taken)
{
    link.setThreadQuietMode(true);
    if (!link.commPort().isEmpty())
        link.setActive(true);
    if (!link.active()) {
        prompt.message(PortClosedText);
        return ReadResult::PortClosed;
    }
    QString text;
    if (continuous(link)) {
        // The reading on display, and only one that came since the last
        // read: what is queued is older and goes.
        const bool arrived = !link.takeClusters().isEmpty();
        if (arrived && fresh(link))
            text = newestPiece(link.recentClusterTexts());
    } else {
        text = link.clusterRead();
    }
    const IndicatorReading r = IndicatorReading::parse(text);
    if (r.state == IndicatorReading::Motion || r.state == IndicatorReading::Overload) {
        prompt.message(MotionText);
        return ReadResult::Refused;
    }
    if (r.negative && r.kg > 0) {
        prompt.message(NegativeText);
        return ReadResult::Refused;
    }
    if (r.state == IndicatorReading::NoData) {
        scaleText = QStringLiteral("0");
        return ReadResult::NoWeight;
    }
    scaleText = weightText(text);
    if (taken)
        *taken = Taken {text, statusText(text), link.commPort()};
    return ReadResult::Weight;
}

ReadResult read(AppContext& ctx, TSerialLink& link, Taken* taken)
{
    if (!link.active()) {
        // The port may be unknown (the site row could not be read when the
        // window opened) or changed since: the site row is read again.
        const PortSetting::SitePort site = PortSetting::sitePort(ctx);
        if (site.databaseLost) {
            ctx.prompt.message(PortSetting::LostConnectionText);
            return ReadResult::DatabaseLost;
        }
        const QString port = portOrDefault(site.name);
        if (port != link.commPort())
            configure(link, port);
    }
    return read(link, ctx.prompt, ctx.scaleText, taken);
}

}   // namespace ScaleRead
