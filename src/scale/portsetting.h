#pragma once
#include <QString>
#include <QStringList>

struct AppContext;

// The scale port name kept in the site row (atvevo.aSzeria).
namespace PortSetting {

// aSzeria of the current row of ZTable8.
QString stored(AppContext& ctx);

// Stores `name` as typed in the site row inside one transaction on ZQ80; a
// failure shows "Hiba: ComPort, update az atvevo-ben " and rolls back. In
// every case ZTable8 is read again.
void save(AppContext& ctx, const QString& name);

// Serial devices present on this machine, as port names (relative to /dev):
// real ttyS ports, USB adapters, and their stable by-id links.
QStringList presentDevices();

} // namespace PortSetting
