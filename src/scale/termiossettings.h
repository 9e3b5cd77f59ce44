#pragma once
#include "scale/serialdevice.h"

#include <termios.h>

// The line settings of a serial device (SerialDevice::Control) in the terms
// of the kernel's terminal settings, both ways.
namespace TermiosSettings {

// Speed, data bits, stop bits, parity and the flow-control characters of `t`
// into `c`; the rest of `c` stays as it was.
void read(const termios& t, SerialDevice::Control& c);

// `c` into `t`: raw input and output, the receiver on, the line's speed,
// data bits, parity, stop bits and flow control as `c` asks; what an earlier
// user of the port left on goes unless asked for. EINVAL for a speed, data
// bit count, parity or stop bit setting the line cannot take; 0 otherwise.
int write(const SerialDevice::Control& c, termios& t);

}   // namespace TermiosSettings
