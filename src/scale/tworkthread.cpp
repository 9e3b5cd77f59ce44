#include "tworkthread.h"

#include "scale/serialrules.h"
#include "scale/tseriallink.h"

#include <QMetaObject>
#include <QString>
#include <cerrno>

namespace {
// Codes after which the device is gone for good (unplugged adapter, the
// other end of a pseudo-terminal closed).
bool deviceGone(int code)
{
    return code == EIO || code == ENXIO || code == ENODEV || code == EPIPE;
}
} // namespace

TWorkThread::TWorkThread(TSerialLink& link) : m_link(link), m_dev(*link.m_device) {}

TWorkThread::~TWorkThread()
{
    terminate();
    join();
}

void TWorkThread::start()
{
    m_run = m_link.m_active;
    m_lastEmpty = m_dev.tickMs();
    m_threaded = true;
    m_thread = std::thread([this] { run(); });
}

void TWorkThread::terminate()
{
    m_terminated = true;
    nudge();
}

void TWorkThread::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TWorkThread::nudge()
{
    {
        std::lock_guard<std::mutex> lk(m_pauseLock);
        m_nudged = true;
    }
    m_pauseCv.notify_all();
}

void TWorkThread::run()
{
    while (!(m_terminated && !m_run))
        cycle();
    m_link.m_busy = false;   // the thread's end clears the busy flag
}

void TWorkThread::cycle()
{
    if (!m_run) {
        m_link.m_busy = false;
        m_run = m_link.m_active;
        pause(ClosedPauseMs);
        ++m_closedPauses;
        if (m_run)
            m_lastEmpty = m_dev.tickMs();
        return;
    }

    ++m_openCycles;
    m_link.m_busy = true;
    if (m_link.m_active)
        statusStep();
    // A read never stays pending here: it asks for exactly what is queued
    // and returns at once.
    if (m_link.m_active)
        readStep();
    if (!m_waitPending && m_link.m_active)
        eventWaitStep();

    if (m_waitPending) {
        quint32 events = 0;
        int error = 0;
        const SerialDevice::WaitResult r = m_dev.waitEvent(waitTimeout(), events, error);
        if (m_link.m_active && r != SerialDevice::WaitResult::Failed)
            statusStep();
        if (r == SerialDevice::WaitResult::Signalled) {
            eventCompletion(events);
        } else if (r == SerialDevice::WaitResult::Failed) {
            m_waitPending = false;
            // A wait that keeps failing at once must not make the loop spin.
            if (!failed(9913, error, "Error getting Overlappedresult"))
                pause(OpenWaitMs);
        }
    }

    if (!m_link.m_active) {
        // A pending wait is released; nothing stays pending.
        m_waitPending = false;
        m_run = false;
    }
}

void TWorkThread::pause(int ms)
{
    if (!m_threaded)
        return;
    std::unique_lock<std::mutex> lk(m_pauseLock);
    m_pauseCv.wait_for(lk, std::chrono::milliseconds(ms), [this] { return m_nudged; });
    m_nudged = false;
}

int TWorkThread::waitTimeout() const
{
    // Queued bytes that the receive rule holds back: wake when they are due,
    // never later than one cycle.
    const quint32 q = m_link.m_inQueue;
    if (q == 0)
        return OpenWaitMs;
    SerialRules::ReadInputs in;
    in.queued = q;
    in.clusterSize = m_link.m_clusterSize;
    in.charDelayUs = m_link.m_rtoCharDelayTime;
    in.extraDelayMs = m_link.m_rtoExtraDelayTime;
    in.now = m_dev.tickMs();
    in.lastEmpty = m_lastEmpty;
    const quint32 due = SerialRules::msUntilDue(in);
    return int(qBound<quint32>(1, due, OpenWaitMs));
}

bool TWorkThread::failed(quint32 place, int code, const char* msg)
{
    if (!deviceGone(code)) {
        report(place, quint32(code), 0, msg);
        return false;
    }
    // Gone: one report, then the closed state, handle included (a USB
    // adapter plugged in again gets its old name back only once the last
    // descriptor of the old one is closed). When the owner's thread dropped
    // Active first, its own closing does that.
    m_link.m_lost = true;
    if (m_link.m_active.exchange(false)) {
        m_dev.close();
        report(place, quint32(code), 0, msg);
    }
    m_waitPending = false;
    return true;
}

void TWorkThread::statusStep()
{
    quint32 word = 0;
    if (int e = m_dev.modemStatus(word)) {
        if (failed(9905, e, "Error getting ModemStatus"))
            return;
    } else {
        const quint32 old = m_link.m_modemState;
        quint32 ownRing = 0;
        if (m_dev.platformId() == 1 && !(word & SerialDevice::MsRingOn) && (old & SerialDevice::MsRingOn))
            ownRing = SerialDevice::EvRing;
        m_link.m_modemState = word;
        m_link.m_ctsState = (word & SerialDevice::MsCtsOn) != 0;
        m_link.m_dsrState = (word & SerialDevice::MsDsrOn) != 0;
        m_link.m_ringState = (word & SerialDevice::MsRingOn) != 0;
        m_link.m_rlsdState = (word & SerialDevice::MsRlsdOn) != 0;
        if ((word ^ old) & SerialDevice::MsRingOn)
            notify(TSerialLink::OnRIEvent);
        if (ownRing)
            dispatch(ownRing);
    }

    // Until two calls agree; a line that never stops changing (a stream
    // faster than this loop) ends the step after a few rounds.
    for (int round = 0; round < 16; ++round) {
        SerialDevice::LineStatus st;
        if (int e = m_dev.clearError(st)) {
            failed(9803, e, "Error ClearCommError");
            return;
        }
        m_errorsSinceRead |= st.errors;
        const SerialDevice::LineStatus stored{m_link.m_commError, m_link.m_commStateFlags,
                                              m_link.m_inQueue, m_link.m_outQueue};
        if (st == stored)
            break;
        m_link.m_commError = st.errors;
        m_link.m_commStateFlags = st.hold;
        m_link.m_inQueue = st.inQueue;
        m_link.m_outQueue = st.outQueue;
        notify(TSerialLink::OnCommStat);
    }
}

void TWorkThread::readStep()
{
    const quint32 q = m_link.m_inQueue;
    const quint32 now = m_dev.tickMs();
    if (q == 0) {
        m_lastEmpty = now;
        return;
    }
    SerialRules::ReadInputs in;
    in.queued = q;
    in.errors = m_errorsSinceRead;
    in.readRequest = m_link.m_readRequest;
    in.clusterSize = m_link.m_clusterSize;
    in.charDelayUs = m_link.m_rtoCharDelayTime;
    in.extraDelayMs = m_link.m_rtoExtraDelayTime;
    in.now = now;
    in.lastEmpty = m_lastEmpty;
    if (!SerialRules::readDue(in))
        return;

    QByteArray bytes;
    const int e = m_dev.read(bytes, q);
    m_link.m_readRequest = false;
    if (e) {
        failed(9804, e, "Error reading Data");
        return;
    }
    const quint32 errors = m_errorsSinceRead;
    m_errorsSinceRead = 0;
    // Nothing left after discarding null bytes: no piece of text to queue.
    if (!bytes.isEmpty())
        makeCluster(bytes, errors);
    m_lastEmpty = m_dev.tickMs();
}

void TWorkThread::eventWaitStep()
{
    // The wait itself runs in the cycle's bounded wait.
    m_waitPending = true;
}

void TWorkThread::eventCompletion(quint32 events)
{
    if (m_link.m_active) {
        statusStep();
        dispatch(events);
    }
    m_waitPending = false;
}

void TWorkThread::dispatch(quint32 mask)
{
    if (m_link.m_destroying)
        return;
    m_link.m_commEvent = mask;
    static const struct {
        quint32 bit;
        TSerialLink::Handler handler;
    } order[] = {{SerialDevice::EvBreak, TSerialLink::OnBreakEvent},
                 {SerialDevice::EvCts, TSerialLink::OnCTSEvent},
                 {SerialDevice::EvDsr, TSerialLink::OnDSREvent},
                 {SerialDevice::EvErr, TSerialLink::OnLineErrorEvent},
                 {SerialDevice::EvRing, TSerialLink::OnRingEvent},
                 {SerialDevice::EvRlsd, TSerialLink::OnRLSDEvent},
                 {SerialDevice::EvRxChar, TSerialLink::OnRxCharEvent},
                 {SerialDevice::EvRxFlag, TSerialLink::OnRxEventCharEvent},
                 {SerialDevice::EvTxEmpty, TSerialLink::OnTxQueueEmptyEvent}};
    for (const auto& o : order)
        if (mask & o.bit)
            notify(o.handler);
    if (mask)
        notify(TSerialLink::OnCommEvent);
}

void TWorkThread::makeCluster(const QByteArray& bytes, quint32 errors)
{
    if (m_link.m_destroying)
        return;
    m_link.appendCluster(TSerialCluster{bytes, errors});
    notify(TSerialLink::OnRxClusterEvent);
}

void TWorkThread::report(quint32 place, quint32 code, quint8 noise, const char* msg)
{
    if (m_link.m_threadQuietMode || m_link.m_destroying)
        return;
    if (!m_link.handlerAssigned(TSerialLink::HandlerCount))
        return;
    const QString text = QString::fromLatin1(msg);
    TSerialLink* link = &m_link;
    // Quiet mode may have been switched on while the call waited for the
    // owner's thread: it is checked again there.
    synchronize([link, place, code, noise, text] {
        if (!link->m_threadQuietMode)
            link->deliverReport(place, code, noise, text);
    });
}

void TWorkThread::notify(int handler)
{
    if (m_link.m_threadQuietMode || m_link.m_destroying)
        return;
    const auto which = TSerialLink::Handler(handler);
    if (!m_link.handlerAssigned(which))
        return;
    TSerialLink* link = &m_link;
    synchronize([link, which] {
        if (!link->m_threadQuietMode)
            link->callHandler(which);
    });
}

void TWorkThread::synchronize(std::function<void()> fn)
{
    // Without a thread of its own (tests driving cycles) the caller already
    // is the owner's thread.
    if (!m_threaded) {
        fn();
        return;
    }
    auto call = std::make_shared<TSerialLink::SyncCall>();
    call->fn = std::move(fn);
    {
        std::lock_guard<std::mutex> lk(m_link.m_syncLock);
        if (m_link.m_destroying)
            return;
        m_link.m_syncCalls.push_back(call);
    }
    TSerialLink* link = &m_link;
    QMetaObject::invokeMethod(link, [link] { link->runSyncCalls(); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> lk(m_link.m_syncLock);
    m_link.m_syncCv.wait(lk, [&] { return call->done || m_link.m_destroying; });
}
