#pragma once
#include "scale/serialdevice.h"

#include <QStringList>
#include <mutex>

// A scripted serial device for tests of the link's rules: bytes "in the
// driver buffer", receive error flags, modem lines and the clock are set by
// the test; waits return at once.
class FakeSerialDevice : public SerialDevice {
public:
    // Script.
    void setOpenError(int e)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_openError = e;
    }
    void receive(const QByteArray& bytes)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_input += bytes;
    }
    void raiseErrors(quint32 flags)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_errors |= flags;
    }
    void setModem(quint32 word)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_modem = word;
    }
    void setNow(quint32 ms)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_now = ms;
    }
    void advance(quint32 ms)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_now += ms;
    }
    void signal(quint32 events)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_events |= events;
    }
    void setControlError(int e)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_controlError = e;
    }
    // Every wait fails at once with this code (0: waits succeed).
    void setWaitError(int e)
    {
        std::lock_guard<std::mutex> lk(m_lock);
        m_waitError = e;
    }

    // Observation.
    QString openedPath() const
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return m_path;
    }
    Control control() const
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return m_control;
    }
    QStringList calls() const
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return m_calls;
    }
    int buffered() const
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return int(m_input.size());
    }

    int initialise() override { return 0; }
    int open(const QString& path) override;
    bool isOpen() const override
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return m_open;
    }
    int handle() const override
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return m_open ? 3 : -1;
    }
    int close() override;
    int setQueueSizes(quint32 rx, quint32 tx) override;
    int getControl(Control& c) override;
    int setControl(const Control& c) override;
    int setTimeouts(const Timeouts& t) override;
    int setEventMask(quint32 mask) override;
    WaitResult waitEvent(int timeoutMs, quint32& events, int& error) override;
    void wake() override { }
    int modemStatus(quint32& word) override;
    int clearError(LineStatus& status) override;
    int read(QByteArray& into, quint32 count) override;
    int escape(Function f) override;
    int purge() override;
    quint32 tickMs() override
    {
        std::lock_guard<std::mutex> lk(m_lock);
        return m_now;
    }

private:
    mutable std::mutex m_lock;
    int m_openError = 0;
    int m_controlError = 0;
    int m_waitError = 0;
    bool m_open = false;
    QString m_path;
    QByteArray m_input;
    quint32 m_errors = 0;
    quint32 m_modem = 0;
    quint32 m_now = 1000;
    quint32 m_events = 0;
    quint32 m_mask = 0;
    Control m_control;
    QStringList m_calls;
};
