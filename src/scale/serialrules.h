#pragma once
#include <QString>
#include <QtGlobal>

// The rules of the serial link that do not touch a device: the character
// delay per baud rate, when queued bytes are taken as one cluster, which
// error reports pass, and where a port name points on this system.
namespace SerialRules {

// Character delay in microseconds for a baud rate (the highest threshold
// reached decides; 1100 below the lowest).
quint32 charDelayFor(quint32 baudRate);

struct ReadInputs {
    quint32 queued = 0;   // bytes in the input buffer (Q)
    quint32 errors = 0;   // receive error flags of the status step (E)
    bool readRequest = false;
    quint32 clusterSize = 3072;
    quint32 charDelayUs = 1100;   // RTOCharDelayTime
    quint32 extraDelayMs = 250;   // RTOExtraDelayTime
    quint32 now = 0;   // ms clock
    quint32 lastEmpty = 0;   // ms clock when the input buffer was last seen empty
};

// Milliseconds that Q queued bytes may wait before they are read.
quint64 allowanceMs(quint32 queued, quint32 charDelayUs, quint32 extraDelayMs);
// Whether the read step reads now (Q > 0 assumed; with Q = 0 nothing is read).
bool readDue(const ReadInputs& in);
// Milliseconds until readDue() turns true by time alone (0 when already due).
quint32 msUntilDue(const ReadInputs& in);

// Whether an error report reaches the error handler.
bool reportPasses(quint8 noise, quint8 errorNoise, bool destroying, bool handlerAssigned);

// Device path for a port name: "Com1".."Com16" (any case) -> /dev/ttyS0..15,
// a name starting with "/" is a path, anything else is /dev/NAME.
QString devicePath(const QString& portName);

}   // namespace SerialRules
