#include "portsetting.h"

#include "context/appcontext.h"
#include "context/unhandled.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "context/prompt.h"

#include <QDir>
#include <QSettings>
#include <memory>
#include <QFile>
#include <QFileInfo>

namespace PortSetting {

const QString LostConnectionText
        = QStringLiteral("Megszakadt a kapcsolat az adatbázissal, a mérleg portja nem olvasható ki. "
                         "Ellenőrizze az adatbázis-kiszolgálót, majd próbálja újra!");

namespace {
    // aSzeria of the site row (IDa = 1, or the one row there is) in ZTable8 as
    // it was last read.
    QString siteRowPort(Query& site)
    {
        QString name;
        bool found = false;
        for (int r = 0; r < site.rowCount() && !found; ++r) {
            site.moveTo(r);
            found = site.value(QStringLiteral("IDa")).toInt() == 1;
            if (found || site.rowCount() == 1)
                name = site.text(QStringLiteral("aSzeria"));
        }
        if (site.rowCount() > 0)
            site.first();
        return name;
    }

    // Reads the site row again; a connection found lost is reopened once (the
    // read changes nothing, so sending it again is safe outside a transaction).
    QString readSitePort(AppContext& ctx)
    {
        Query& site = ctx.data.ZTable8;
        try {
            site.refresh();
        } catch (const DbError& e) {
            if (!e.connectionLost() || ctx.data.inTransaction())
                throw;
            site.refresh();
        }
        return siteRowPort(site);
    }
}   // namespace

SitePort sitePort(AppContext& ctx)
{
    SitePort p;
    if (const std::optional<QString> own = workstationPort()) {
        p.name = own->trimmed();
        p.workstation = true;
        return p;
    }
    try {
        p.name = readSitePort(ctx).trimmed();
    } catch (const DbError& e) {
        p.databaseLost = e.connectionLost();
        p.error = e.text();
    }
    return p;
}

QString stored(AppContext& ctx, bool* workstation)
{
    const std::optional<QString> own = workstationPort();
    if (workstation)
        *workstation = own.has_value();
    if (own)
        return *own;
    try {
        return readSitePort(ctx);
    } catch (const DbError& e) {
        if (e.connectionLost())
            throw DbError(LostConnectionText, e.code(), e.sql());
        throw;
    }
}

Outcome save(AppContext& ctx, const QString& name)
{
    const QString failedMessage = QStringLiteral("Hiba: ComPort, update az atvevo-ben ");
    Outcome o;
    try {
        retryLockConflicts(ctx.data, [&] {
            std::optional<Transaction> t;
            begin(t, ctx.data, failedMessage);
            step(failedMessage, [&] {
                ctx.data.ZQ80.run(QStringLiteral("UPDATE atvevo SET aSzeria = :p0"), {{QStringLiteral("p0"), name}});
            });
            step(failedMessage, [&] { t->commit(); });
        });
    } catch (const StepFailed& f) {
        // The bracket has rolled back by now.
        o.end(ctx.prompt, Outcome::Failed, f.message);
    }
    try {
        ctx.data.ZTable8.refresh();
    } catch (const DbError& e) {
        Unhandled::report(ctx, e.shownText());
    }
    return o;
}

namespace {
    // The program's settings file, beside nothing else of the site: the sending
    // mode of the indicator is a property of this workstation's scale.
    const QString ContinuousKey = QStringLiteral("scale/continuous");
    const QString CapacityKey = QStringLiteral("scale/capacity");
    const QString PortKey = QStringLiteral("scale/port");

    std::unique_ptr<QSettings> settingsFile()
    {
        return std::make_unique<QSettings>(
                QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vello"), QStringLiteral("vello"));
    }

    QString firstLine(const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromLatin1(f.readLine()).trimmed();
    }

    // A kernel tty entry with a device behind it. A ttyS entry stands for a real
    // UART only when the driver knows its type (the sysfs "type" is not 0); the
    // device node itself is never opened, since opening raises DTR and RTS on
    // whatever is attached.
    bool realPort(const QDir& sys, const QString& name)
    {
        if (!QFileInfo::exists(sys.filePath(name + QStringLiteral("/device"))))
            return false;
        const QString type = firstLine(sys.filePath(name + QStringLiteral("/type")));
        return type.isEmpty() || type != QLatin1String("0");
    }
}   // namespace

std::optional<QString> workstationPort()
{
    const std::unique_ptr<QSettings> s = settingsFile();
    if (!s->contains(PortKey))
        return std::nullopt;
    return s->value(PortKey).toString();
}

bool setWorkstationPort(const QString& name)
{
    const std::unique_ptr<QSettings> s = settingsFile();
    s->setValue(PortKey, name);
    s->sync();
    return s->status() == QSettings::NoError;
}

int capacityKg()
{
    bool ok = false;
    const int kg = settingsFile()->value(CapacityKey).toInt(&ok);
    return ok && kg > 0 ? kg : DefaultCapacityKg;
}

bool setCapacityKg(int kg)
{
    const std::unique_ptr<QSettings> s = settingsFile();
    s->setValue(CapacityKey, kg);
    s->sync();
    return s->status() == QSettings::NoError;
}

bool continuous()
{
    return settingsFile()->value(ContinuousKey, false).toBool();
}

bool setContinuous(bool on)
{
    const std::unique_ptr<QSettings> s = settingsFile();
    s->setValue(ContinuousKey, on);
    s->sync();
    return s->status() == QSettings::NoError;
}

QStringList presentDevices(const QString& sysRoot, const QString& devRoot)
{
    QStringList out;
    const QDir sys(sysRoot);
    const QDir dev(devRoot);
    for (const QString& n : sys.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (realPort(sys, n) && QFileInfo::exists(dev.filePath(n)))
            out << n;
    }
    const QStringList adapters {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QString& n : dev.entryList(adapters, QDir::System | QDir::Files, QDir::Name)) {
        if (!out.contains(n))
            out << n;
    }
    const QDir byId(dev.filePath(QStringLiteral("serial/by-id")));
    for (const QString& n : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        out << QStringLiteral("serial/by-id/") + n;
    return out;
}

}   // namespace PortSetting
