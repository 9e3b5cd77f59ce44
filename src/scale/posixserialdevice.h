#pragma once
#include "scale/serialdevice.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

// A serial device on Linux: termios for the line settings, ioctls for the
// buffer counts, line errors (interrupt counter deltas) and modem lines,
// poll for the waits. Calls a device cannot do (a pseudo-terminal has no
// modem lines or counters) count as done. A hang-up or an I/O error means
// the device is gone (EIO); an empty read without a hang-up is no error.
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
    bool readCounts(Counts& c);   // false when the device keeps none
    quint32 readModem();   // 0 when the device has no modem lines
    quint32 inQueue(int& error);
    void releasePoll(std::unique_lock<std::mutex>& lk);
    void closeLocked(std::unique_lock<std::mutex>& lk);

    // Guards the descriptor and the bookkeeping below. A wait does not hold
    // it while it sleeps in poll (the user-interface thread would stand
    // still for the whole wait); m_polling keeps close() from pulling the
    // descriptor from under that poll.
    mutable std::mutex m_lock;
    std::condition_variable m_pollDone;
    bool m_polling = false;
    int m_fd = -1;
    int m_wakeFd = -1;
    std::atomic<quint32> m_mask {0};
    bool m_stripNull = false;
    Counts m_statusBase;   // counter values at the last status call
    Counts m_waitBase;   // ... at the last wait
    quint32 m_waitModem = 0;
    quint32 m_lastOutQueue = 0;
};
