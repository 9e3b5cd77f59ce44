#pragma once
#include "scale/linkreports.h"
#include "scale/serialdevice.h"

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct LinkState;

// The serial link's worker: watches the line status, reads queued bytes by
// the receive rule into clusters and dispatches line events. It lives from
// the link's creation to its destruction, open port or not: closed, it
// pauses 200 ms at a time; open, it cycles at least every 75 ms. It shares
// only the LinkState with its link; reports and handlers run in the link's
// thread through `Owner`, the worker waiting for them.
class TWorkThread {
public:
    // What the worker asks of its link, run in the link's own thread.
    struct Owner {
        std::function<void(LinkReport id, quint32 code)> report;
        std::function<void(int handler)> callHandler;
        std::function<void()> post;   // asks the link's thread to run the waiting calls
    };

    TWorkThread(LinkState& state, SerialDevice& device, Owner owner);
    ~TWorkThread();

    void start();
    void terminate();   // tells the loop to end once the port is closed
    void join();
    // Ends the closed-state pause early (the port was just opened).
    void nudge();

    // One pass of the loop. Tests without a running thread call it directly.
    void cycle();

    bool threaded() const { return m_threaded; }
    quint64 closedPauses() const { return m_closedPauses; }
    quint64 openCycles() const { return m_openCycles; }

    static constexpr int OpenWaitMs = 75;
    static constexpr int ClosedPauseMs = 200;

private:
    void run();
    void statusStep();
    void readStep();
    void eventWaitStep();
    void eventCompletion(quint32 events);
    void dispatch(quint32 mask);
    void makeCluster(const QByteArray& bytes, quint32 errors);
    int waitTimeout() const;
    // Sleeps up to ms (only in the thread); nudge() and terminate() end it early.
    void pause(int ms);

    // Reports are handed to the link's thread.
    void report(LinkReport id, quint32 code);
    // A failure that means the device is gone: reported once, then the
    // worker drops to the closed state.
    bool failed(LinkReport id, int code);
    void notify(int handler);
    void synchronize(std::function<void()> fn);

    LinkState& m_state;
    SerialDevice& m_dev;
    Owner m_owner;
    std::thread m_thread;
    std::atomic<bool> m_threaded {false};   // cycles run in m_thread (not driven by a test)
    std::atomic<bool> m_terminated {false};
    std::mutex m_pauseLock;
    std::condition_variable m_pauseCv;
    bool m_nudged = false;

    bool m_run = false;
    bool m_waitPending = false;
    quint32 m_lastEmpty = 0;
    quint32 m_errorsSinceRead = 0;   // receive errors seen by status steps since the last read
    std::atomic<quint64> m_closedPauses {0};
    std::atomic<quint64> m_openCycles {0};
};
