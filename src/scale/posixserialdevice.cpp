#include "posixserialdevice.h"

#include "scale/termiossettings.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// "This device cannot do that" rather than a failure.
bool unsupported(int e)
{
    return e == ENOTTY || e == EINVAL || e == ENOSYS;
}

}   // namespace

PosixSerialDevice::~PosixSerialDevice()
{
    std::unique_lock<std::mutex> lk(m_lock);
    closeLocked(lk);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

int PosixSerialDevice::initialise()
{
    if (m_wakeFd >= 0)
        return 0;
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return m_wakeFd < 0 ? errno : 0;
}

int PosixSerialDevice::open(const QString& path)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd >= 0)
        return EBUSY;
    const QByteArray p = path.toLocal8Bit();
    const int fd = ::open(p.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (!::isatty(fd)) {
        ::close(fd);
        return ENOTTY;
    }
    // Not shared: a second program (or a second link) finds it in use.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return e;
    }
    ::ioctl(fd, TIOCEXCL);
    // A freshly opened port starts with nothing received.
    ::tcflush(fd, TCIFLUSH);
    m_fd = fd;
    m_stripNull = false;
    readCounts(m_statusBase);
    m_waitBase = m_statusBase;
    m_waitModem = readModem();
    m_lastOutQueue = 0;
    return 0;
}

bool PosixSerialDevice::isOpen() const
{
    std::lock_guard<std::mutex> lk(m_lock);
    return m_fd >= 0;
}

int PosixSerialDevice::handle() const
{
    std::lock_guard<std::mutex> lk(m_lock);
    return m_fd;
}

void PosixSerialDevice::releasePoll(std::unique_lock<std::mutex>& lk)
{
    // A wait in progress polls the descriptor: make it return first.
    while (m_polling) {
        wake();
        m_pollDone.wait_for(lk, std::chrono::milliseconds(10));
    }
}

void PosixSerialDevice::closeLocked(std::unique_lock<std::mutex>& lk)
{
    if (m_fd < 0)
        return;
    releasePoll(lk);
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

int PosixSerialDevice::close()
{
    std::unique_lock<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    releasePoll(lk);
    ::ioctl(m_fd, TIOCNXCL);
    const int r = ::close(m_fd);
    m_fd = -1;
    return r == 0 || errno == EINTR ? 0 : errno;
}

int PosixSerialDevice::setQueueSizes(quint32, quint32)
{
    // The kernel sizes its own buffers; only an open port can be asked.
    std::lock_guard<std::mutex> lk(m_lock);
    return m_fd < 0 ? EBADF : 0;
}

int PosixSerialDevice::getControl(Control& c)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    termios t {};
    if (::tcgetattr(m_fd, &t) != 0)
        return errno;
    TermiosSettings::read(t, c);
    return 0;
}

int PosixSerialDevice::setControl(const Control& c)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    termios t {};
    if (::tcgetattr(m_fd, &t) != 0)
        return errno;
    if (int e = TermiosSettings::write(c, t))
        return e;
    if (::tcsetattr(m_fd, TCSANOW, &t) != 0)
        return errno;
    m_stripNull = (c.flags & FNull) != 0;   // done by read()
    return 0;
}

int PosixSerialDevice::setTimeouts(const Timeouts&)
{
    // Every timeout this link uses means "return at once with what is there".
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    termios t {};
    if (::tcgetattr(m_fd, &t) != 0)
        return errno;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return ::tcsetattr(m_fd, TCSANOW, &t) == 0 ? 0 : errno;
}

int PosixSerialDevice::setEventMask(quint32 mask)
{
    m_mask = mask;
    wake();   // a wait in progress returns
    return 0;
}

void PosixSerialDevice::wake()
{
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

bool PosixSerialDevice::readCounts(Counts& c)
{
    serial_icounter_struct ic {};
    if (m_fd < 0 || ::ioctl(m_fd, TIOCGICOUNT, &ic) != 0)
        return false;
    c.frame = ic.frame;
    c.overrun = ic.overrun;
    c.parity = ic.parity;
    c.brk = ic.brk;
    c.bufOverrun = ic.buf_overrun;
    return true;
}

quint32 PosixSerialDevice::readModem()
{
    int bits = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCMGET, &bits) != 0)
        return 0;
    quint32 w = 0;
    if (bits & TIOCM_CTS)
        w |= MsCtsOn;
    if (bits & TIOCM_DSR)
        w |= MsDsrOn;
    if (bits & TIOCM_RI)
        w |= MsRingOn;
    if (bits & TIOCM_CD)
        w |= MsRlsdOn;
    return w;
}

quint32 PosixSerialDevice::inQueue(int& error)
{
    int n = 0;
    if (::ioctl(m_fd, FIONREAD, &n) != 0) {
        error = errno;
        return 0;
    }
    error = 0;
    return n < 0 ? 0 : quint32(n);
}

SerialDevice::WaitResult PosixSerialDevice::waitEvent(int timeoutMs, quint32& events, int& error)
{
    events = 0;
    error = 0;
    std::unique_lock<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return WaitResult::TimedOut;   // closed under the wait: nothing to tell
    const quint32 mask = m_mask;
    int e = 0;
    const quint32 before = inQueue(e);
    if (e) {
        error = e;
        return WaitResult::Failed;
    }
    // Bytes already waiting would wake poll at once: ask for new ones only
    // when the buffer is empty, otherwise sleep the whole timeout.
    pollfd fds[2] = {{m_fd, short((before == 0 && (mask & EvRxChar)) ? POLLIN : 0), 0}, {m_wakeFd, POLLIN, 0}};
    // Sleep without the lock; close() waits for m_polling to drop, so the
    // descriptor stays the same until the lock is taken again.
    m_polling = true;
    lk.unlock();
    const int r = ::poll(fds, m_wakeFd >= 0 ? 2 : 1, timeoutMs);
    const int pollErrno = errno;
    lk.lock();
    m_polling = false;
    m_pollDone.notify_all();
    if (r < 0 && pollErrno != EINTR) {
        error = pollErrno;
        return WaitResult::Failed;
    }
    if (r > 0 && (fds[1].revents & POLLIN)) {
        uint64_t v;
        [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &v, sizeof v);
    }
    if (r > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
        error = EIO;
        return WaitResult::Failed;
    }

    quint32 ev = 0;
    const quint32 after = inQueue(e);
    if ((fds[0].revents & POLLIN) || after > before)
        ev |= EvRxChar;
    const quint32 modem = readModem();
    const quint32 changed = modem ^ m_waitModem;
    m_waitModem = modem;
    if (changed & MsCtsOn)
        ev |= EvCts;
    if (changed & MsDsrOn)
        ev |= EvDsr;
    if (changed & MsRlsdOn)
        ev |= EvRlsd;
    if (changed & MsRingOn)
        ev |= EvRing;
    Counts now;
    if (readCounts(now)) {
        if (now.frame != m_waitBase.frame || now.overrun != m_waitBase.overrun || now.parity != m_waitBase.parity
                || now.bufOverrun != m_waitBase.bufOverrun)
            ev |= EvErr;
        if (now.brk != m_waitBase.brk)
            ev |= EvBreak;
        m_waitBase = now;
    }
    int outq = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &outq) == 0) {
        if (m_lastOutQueue > 0 && outq == 0)
            ev |= EvTxEmpty;
        m_lastOutQueue = quint32(outq);
    }
    events = ev & mask;
    return events ? WaitResult::Signalled : WaitResult::TimedOut;
}

int PosixSerialDevice::modemStatus(quint32& word)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    int bits = 0;
    if (::ioctl(m_fd, TIOCMGET, &bits) != 0) {
        const int e = errno;
        word = 0;
        return unsupported(e) ? 0 : e;
    }
    word = readModem();
    return 0;
}

int PosixSerialDevice::clearError(LineStatus& status)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    status = LineStatus();
    int e = 0;
    status.inQueue = inQueue(e);
    if (e)
        return e;
    int outq = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &outq) == 0)
        status.outQueue = quint32(outq);
    else if (!unsupported(errno))
        return errno;
    Counts now;
    if (readCounts(now)) {
        if (now.bufOverrun != m_statusBase.bufOverrun)
            status.errors |= CeRxOver;
        if (now.overrun != m_statusBase.overrun)
            status.errors |= CeOverrun;
        if (now.parity != m_statusBase.parity)
            status.errors |= CeRxParity;
        if (now.frame != m_statusBase.frame)
            status.errors |= CeFrame;
        if (now.brk != m_statusBase.brk)
            status.errors |= CeBreak;
        m_statusBase = now;
    }
    return 0;
}

int PosixSerialDevice::read(QByteArray& into, quint32 count)
{
    std::lock_guard<std::mutex> lk(m_lock);
    into.clear();
    if (m_fd < 0)
        return EBADF;
    if (count == 0)
        return 0;
    into.resize(int(count));
    const ssize_t n = ::read(m_fd, into.data(), count);
    if (n < 0) {
        const int e = errno;
        into.clear();
        return (e == EAGAIN || e == EINTR) ? 0 : e;
    }
    if (n == 0) {
        into.clear();
        // With VMIN = VTIME = 0 an empty buffer also reads as 0 (the bytes
        // counted a moment ago were purged or taken by another reader); only
        // a hang-up means that the device has gone.
        pollfd f {m_fd, 0, 0};
        if (::poll(&f, 1, 0) > 0 && (f.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return EIO;
        return 0;
    }
    into.resize(int(n));
    if (m_stripNull)
        into.replace(QByteArray(1, '\0'), QByteArray());
    return 0;
}

int PosixSerialDevice::escape(Function f)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    int r = 0;
    int bit = 0;
    switch (f) {
    case SetRts:
        bit = TIOCM_RTS;
        r = ::ioctl(m_fd, TIOCMBIS, &bit);
        break;
    case ClrRts:
        bit = TIOCM_RTS;
        r = ::ioctl(m_fd, TIOCMBIC, &bit);
        break;
    case SetDtr:
        bit = TIOCM_DTR;
        r = ::ioctl(m_fd, TIOCMBIS, &bit);
        break;
    case ClrDtr:
        bit = TIOCM_DTR;
        r = ::ioctl(m_fd, TIOCMBIC, &bit);
        break;
    case SetBreak:
        r = ::ioctl(m_fd, TIOCSBRK);
        break;
    case ClrBreak:
        r = ::ioctl(m_fd, TIOCCBRK);
        break;
    }
    if (r == 0)
        return 0;
    const int e = errno;
    return unsupported(e) ? 0 : e;
}

int PosixSerialDevice::purge()
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (m_fd < 0)
        return EBADF;
    if (::tcflush(m_fd, TCIOFLUSH) == 0)
        return 0;
    const int e = errno;
    return unsupported(e) ? 0 : e;
}

quint32 PosixSerialDevice::tickMs()
{
    using namespace std::chrono;
    return quint32(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
