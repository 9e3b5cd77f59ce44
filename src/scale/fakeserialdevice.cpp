#include "fakeserialdevice.h"

#include <cerrno>

int FakeSerialDevice::open(const QString& path)
{
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QStringLiteral("open ") + path;
    if (m_openError)
        return m_openError;
    m_open = true;
    m_path = path;
    return 0;
}

int FakeSerialDevice::close()
{
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QStringLiteral("close");
    if (!m_open)
        return EBADF;
    m_open = false;
    return 0;
}

int FakeSerialDevice::setQueueSizes(quint32 rx, quint32 tx)
{
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QStringLiteral("queues %1 %2").arg(rx).arg(tx);
    return m_open ? 0 : EBADF;
}

int FakeSerialDevice::getControl(Control& c)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (!m_open)
        return EBADF;
    c = m_control;
    return 0;
}

int FakeSerialDevice::setControl(const Control& c)
{
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QStringLiteral("control");
    if (!m_open)
        return EBADF;
    if (m_controlError)
        return m_controlError;
    m_control = c;
    return 0;
}

int FakeSerialDevice::setTimeouts(const Timeouts&)
{
    std::lock_guard<std::mutex> lk(m_lock);
    return m_open ? 0 : EBADF;
}

int FakeSerialDevice::setEventMask(quint32 mask)
{
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QStringLiteral("mask %1").arg(mask, 0, 16);
    m_mask = mask;
    return 0;
}

SerialDevice::WaitResult FakeSerialDevice::waitEvent(int, quint32& events, int& error)
{
    std::lock_guard<std::mutex> lk(m_lock);
    error = m_waitError;
    events = 0;
    if (m_waitError)
        return WaitResult::Failed;
    events = m_events & m_mask;
    m_events = 0;
    return events ? WaitResult::Signalled : WaitResult::TimedOut;
}

int FakeSerialDevice::modemStatus(quint32& word)
{
    std::lock_guard<std::mutex> lk(m_lock);
    word = m_modem;
    return m_open ? 0 : EBADF;
}

int FakeSerialDevice::clearError(LineStatus& status)
{
    std::lock_guard<std::mutex> lk(m_lock);
    if (!m_open)
        return EBADF;
    status = LineStatus();
    status.errors = m_errors;
    m_errors = 0;
    status.inQueue = quint32(m_input.size());
    return 0;
}

int FakeSerialDevice::read(QByteArray& into, quint32 count)
{
    std::lock_guard<std::mutex> lk(m_lock);
    into = m_input.left(int(count));
    m_input.remove(0, into.size());
    return m_open ? 0 : EBADF;
}

int FakeSerialDevice::escape(Function f)
{
    static const char* const names[] = {"SetRts", "ClrRts", "SetDtr", "ClrDtr", "SetBreak", "ClrBreak"};
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QString::fromLatin1(names[f]);
    return m_open ? 0 : EBADF;
}

int FakeSerialDevice::purge()
{
    std::lock_guard<std::mutex> lk(m_lock);
    m_calls << QStringLiteral("purge");
    m_input.clear();
    return m_open ? 0 : EBADF;
}
