#pragma once
#include "data/outcome.h"

#include <QString>
#include <QStringList>
#include <optional>

struct AppContext;

// The scale port name. Each workstation has its own scale house: its port
// lives in the workstation's settings file (key scale/port), beside the
// indicator kind and the capacity; the site row's port (atvevo.aSzeria) is
// only the default for a workstation that has none of its own.
namespace PortSetting {

// Shown when the site row cannot be read because the connection to the
// database server is lost (the server was restarted or is down).
extern const QString LostConnectionText;

// The port this workstation uses: its own (workstation set, nothing read
// from the database), or else the site row's as the database holds it now:
// ZTable8 is read again (a table data set read before a reconnect no longer
// answers). A lost connection is retried once, which reconnects; when the
// server still cannot be reached `databaseLost` is set and `name` is empty.
// Never throws.
struct SitePort {
    QString name;   // trimmed; empty when none is stored
    bool workstation = false;   // the workstation's own, not the site row's
    bool databaseLost = false;
    QString error;   // the server's text of any other failure
};
SitePort sitePort(AppContext& ctx);

// The port as sitePort() finds it (the workstation's, else the site row's,
// read anew). Throws DbError: with LostConnectionText when the site row is
// needed and the server cannot be reached.
QString stored(AppContext& ctx, bool* workstation = nullptr);

// This workstation's own port in its settings file: empty optional when it
// has none (the site row's is used). setWorkstationPort stores `name` as
// typed; false when the file cannot be written.
std::optional<QString> workstationPort();
bool setWorkstationPort(const QString& name);

// Stores `name` as typed in the site row (the default of the workstations
// without a port of their own) inside one transaction on ZQ80,
// tried again after a deadlock or lock-wait timeout; a failure shows its
// message and rolls back (Failed). In every case ZTable8 is read again.
Outcome save(AppContext& ctx, const QString& name);

// Whether the indicator sends its weight all the time (the site's choice in
// the port selection window, kept in the program's settings file, default
// no: the indicator sends on demand). setContinuous is false when the file
// cannot be written.
bool continuous();
bool setContinuous(bool on);

// The scale's capacity in whole kilograms, a property of this workstation's
// scale kept in the program's settings file (key scale/capacity); a typed
// weight above it is refused. DefaultCapacityKg when none is stored or the
// stored value is not a positive number. setCapacityKg is false when the file
// cannot be written.
constexpr int DefaultCapacityKg = 80000;
int capacityKg();
bool setCapacityKg(int kg);

// Serial devices present on this machine, as port names (relative to /dev),
// found without opening any of them: the kernel's tty entries that have a
// real device behind them (a ttyS port only with a known UART type), USB
// adapters, and their stable by-id links. The roots are for tests.
QStringList presentDevices(
        const QString& sysRoot = QStringLiteral("/sys/class/tty"), const QString& devRoot = QStringLiteral("/dev"));

}   // namespace PortSetting
