#pragma once
#include "scale/serialdevice.h"

#include <atomic>
#include <mutex>

// A serial device on Linux: termios for the line settings, ioctls for the
// buffer counts, line errors (interrupt counter deltas) and modem lines,
// poll for the waits. Calls a device cannot do (a pseudo-terminal has no
// modem lines or counters) count as done. A hang-up, an I/O error or an
// empty read of announced bytes means the device is gone (EIO).
class PosixSerialDevice : public SerialDevice {
public:
    PosixSerialDevice() = default;
    ~PosixSerialDevice() override;

    int initialise() override;
    int open(const QString& path) override;
    bool isOpen() const override;
    int handle() const override;
    int close() override;
    int setQueueSizes(quint32 rx, quint32 tx) override;
    int getControl(Control& c) override;
    int setControl(const Control& c) override;
    int setTimeouts(const Timeouts& t) override;
    int setEventMask(quint32 mask) override;
    WaitResult waitEvent(int timeoutMs, quint32& events, int& error) override;
    void wake() override;
    int modemStatus(quint32& word) override;
    int clearError(LineStatus& status) override;
    int read(QByteArray& into, quint32 count) override;
    int escape(Function f) override;
    int purge() override;
    quint32 tickMs() override;

private:
    struct Counts {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    bool readCounts(Counts& c);          // false when the device keeps none
    quint32 readModem();                 // 0 when the device has no modem lines
    quint32 inQueue(int& error);
    void closeLocked();

    mutable std::mutex m_lock;
    int m_fd = -1;
    int m_wakeFd = -1;
    std::atomic<quint32> m_mask{0};
    bool m_stripNull = false;
    Counts m_statusBase;   // counter values at the last status call
    Counts m_waitBase;     // ... at the last wait
    quint32 m_waitModem = 0;
    quint32 m_lastOutQueue = 0;
};
