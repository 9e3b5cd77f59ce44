#include "pseudoterminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

bool PseudoTerminal::open(QString* error)
{
    auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        closeMaster();
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios t {};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
    return true;
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        if (m_master < 0)
            return false;
        const ssize_t n = ::write(m_master, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd f {m_master, POLLOUT, 0};
                ::poll(&f, 1, 100);
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool PseudoTerminal::writePaced(const QByteArray& bytes, int usPerByte)
{
    for (char c : bytes) {
        if (!write(QByteArray(1, c)))
            return false;
        timespec ts {usPerByte / 1000000, long(usPerByte % 1000000) * 1000};
        ::nanosleep(&ts, nullptr);
    }
    return true;
}

void PseudoTerminal::closeMaster()
{
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
