#include "portsetting.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "context/prompt.h"

#include <QDir>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace PortSetting {

QString stored(AppContext& ctx)
{
    Query& site = ctx.data.ZTable8;
    if (site.rowCount() == 0 || site.currentRow() < 0)
        return QString();
    return site.text(QStringLiteral("aSzeria"));
}

void save(AppContext& ctx, const QString& name)
{
    try {
        Transaction t(ctx.data);
        ctx.data.ZQ80.run(QStringLiteral("UPDATE atvevo SET aSzeria = :p0"), {{QStringLiteral("p0"), name}});
        t.commit();
    } catch (const DbError&) {
        // The bracket has rolled back by now.
        ctx.prompt.message(QStringLiteral("Hiba: ComPort, update az atvevo-ben "));
    }
    try {
        ctx.data.ZTable8.refresh();
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.text());
    }
}

namespace {
// A ttyS node stands for a real UART only when the driver knows its type.
bool realUart(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct ss{};
    const bool ok = ::ioctl(fd, TIOCGSERIAL, &ss) == 0 && ss.type != 0;
    ::close(fd);
    return ok;
}
} // namespace

QStringList presentDevices()
{
    QStringList out;
    const QDir dev(QStringLiteral("/dev"));
    const QStringList filters{QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QString& n : dev.entryList(filters, QDir::System | QDir::Files, QDir::Name)) {
        if (n.startsWith(QLatin1String("ttyS")) && !realUart(dev.filePath(n)))
            continue;
        out << n;
    }
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& n : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        out << QStringLiteral("serial/by-id/") + n;
    return out;
}

} // namespace PortSetting
