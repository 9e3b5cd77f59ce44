#include "termiossettings.h"

#include <cerrno>

namespace TermiosSettings {

namespace {
    struct Speed {
        quint32 baud;
        speed_t code;
    };
    const Speed kSpeeds[] = {{50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
            {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200},
            {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
            {500000, B500000}, {576000, B576000}, {921600, B921600}, {1000000, B1000000}};
}   // namespace

void read(const termios& t, SerialDevice::Control& c)
{
    const speed_t s = ::cfgetispeed(&t);
    for (const Speed& sp : kSpeeds)
        if (sp.code == s)
            c.baudRate = sp.baud;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        c.byteSize = 5;
        break;
    case CS6:
        c.byteSize = 6;
        break;
    case CS7:
        c.byteSize = 7;
        break;
    default:
        c.byteSize = 8;
        break;
    }
    c.stopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
    c.parity = !(t.c_cflag & PARENB) ? 0
            : (t.c_cflag & CMSPAR)   ? ((t.c_cflag & PARODD) ? 3 : 4)
                                     : ((t.c_cflag & PARODD) ? 1 : 2);
    c.xonChar = char(t.c_cc[VSTART]);
    c.xoffChar = char(t.c_cc[VSTOP]);
}

int write(const SerialDevice::Control& c, termios& t)
{
    const cc_t vmin = t.c_cc[VMIN], vtime = t.c_cc[VTIME];
    ::cfmakeraw(&t);
    t.c_cc[VMIN] = vmin;
    t.c_cc[VTIME] = vtime;
    t.c_cflag |= CLOCAL | CREAD;
    // The flag word is replaced, not added to: what an earlier user of the
    // port left on (and cfmakeraw keeps) goes unless asked for below.
    t.c_iflag &= ~tcflag_t(INPCK | IGNPAR | IXOFF | IXANY);

    speed_t speed = 0;
    bool found = false;
    for (const Speed& sp : kSpeeds)
        if (sp.baud == c.baudRate) {
            speed = sp.code;
            found = true;
        }
    if (!found)
        return EINVAL;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);

    t.c_cflag &= ~tcflag_t(CSIZE);
    switch (c.byteSize) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    case 8:
        t.c_cflag |= CS8;
        break;
    default:
        return EINVAL;
    }
    t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (c.parity) {
    case 0:
        break;
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        return EINVAL;
    }
    // One and a half stop bits exist only beside five data bits; the line
    // driver takes both as "more than one".
    t.c_cflag &= ~tcflag_t(CSTOPB);
    if (c.stopBits == 1 || c.stopBits == 2)
        t.c_cflag |= CSTOPB;
    else if (c.stopBits != 0)
        return EINVAL;

    if (c.flags & SerialDevice::FParity)
        t.c_iflag |= INPCK;
    if (c.flags & (SerialDevice::FOutxCtsFlow | SerialDevice::FRtsControlHandshake))
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~tcflag_t(CRTSCTS);
    if (c.flags & SerialDevice::FOutX)
        t.c_iflag |= IXON;
    if (c.flags & SerialDevice::FInX)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = cc_t(c.xonChar);
    t.c_cc[VSTOP] = cc_t(c.xoffChar);
    return 0;
}

}   // namespace TermiosSettings
