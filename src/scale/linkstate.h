#pragma once
#include <QByteArray>
#include <QString>
#include <QList>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// One piece of received data: the bytes of one read and the receive error
// flags of the status step before it.
struct TSerialCluster {
    QByteArray bytes;
    quint32 errors = 0;
    int count() const { return int(bytes.size()); }
    QString text() const { return QString::fromLatin1(bytes); }   // one character per byte
};

// What the serial link (TSerialLink, the owner's thread) and its worker
// thread (TWorkThread) share, and nothing else: flags and settings the
// worker reads, the line state it writes, the receive queue, and the calls
// the worker hands to the owner's thread. Plain values are atomics; the
// queue and the calls have a lock each.
struct LinkState {
    // Set by the owner, read by the worker.
    std::atomic<bool> active {false};
    std::atomic<bool> destroying {false};
    std::atomic<bool> threadQuietMode {false};
    std::atomic<bool> readRequest {false};
    std::atomic<quint32> rtoCharDelayTime {1100};
    std::atomic<quint16> rtoExtraDelayTime {250};
    std::atomic<quint16> clusterSize {3072};
    std::atomic<quint32> handlerMask {0};   // bit n: handler n assigned; bit HandlerCount: OnProcessError

    // Set by the worker, read by the owner.
    std::atomic<bool> busy {false};
    std::atomic<bool> lost {false};   // the worker found the device gone (already reported)
    std::atomic<bool> ctsState {false}, dsrState {false}, rlsdState {false}, ringState {false};
    std::atomic<quint32> commError {0}, commStateFlags {0}, inQueue {0}, outQueue {0};
    std::atomic<quint32> modemState {0}, commEvent {0};

    bool handlerAssigned(int which) const { return handlerMask.load() & (1u << which); }

    // --- the receive queue: the worker appends, the owner takes ---
    // With keepClusters > 0 only the newest that many clusters stay.
    std::atomic<int> keepClusters {0};
    // `at` is the device clock (ms) when the cluster was taken.
    void appendCluster(TSerialCluster cluster, quint32 at = 0);
    QString takeOldest();   // empty text when none
    QStringList takeAll();   // oldest first
    int queued() const;
    void clearClusters();
    // The text of the cluster received last, read or not, and how many
    // clusters arrived in all; neither touches the queue.
    QString lastText() const;
    quint64 received() const;
    // The last two clusters received, oldest first (a frame cut between
    // them is whole again when they are joined); read or not.
    QStringList recentTexts() const;
    // Device-clock times (ms) of the last few clusters received, oldest first.
    QList<quint32> arrivals() const;

    // --- calls the worker hands to the owner's thread ---
    // Worker: queues fn, asks the owner's thread to run the queue (post) and
    // waits until fn has run or the link is being destroyed.
    void callInOwner(std::function<void()> fn, const std::function<void()>& post);
    // Owner: runs the queued calls (skipped once destroying).
    void runOwnerCalls();
    // Owner: releases every waiting call without running it.
    void cancelOwnerCalls();
    // Owner: marks the link as being destroyed, in step with callInOwner.
    void beginDestroying();

private:
    mutable std::mutex m_clusterLock;
    std::deque<TSerialCluster> m_clusters;
    QByteArray m_lastCluster;
    QByteArray m_previousCluster;
    quint64 m_received = 0;
    std::deque<quint32> m_arrivals;

    struct OwnerCall {
        std::function<void()> fn;
        bool done = false;
    };
    std::mutex m_callLock;
    std::condition_variable m_callCv;
    std::deque<std::shared_ptr<OwnerCall>> m_calls;
};
