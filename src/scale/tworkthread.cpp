#include "tworkthread.h"

#include "scale/serialrules.h"
#include "scale/linkstate.h"
#include "scale/tseriallink.h"

#include <QString>
#include <cerrno>

namespace {
// Codes after which the device is gone for good (unplugged adapter, the
// other end of a pseudo-terminal closed).
bool deviceGone(int code)
{
    return code == EIO || code == ENXIO || code == ENODEV || code == EPIPE;
}
}   // namespace

TWorkThread::TWorkThread(LinkState& state, SerialDevice& device, Owner owner)
    : m_state(state), m_dev(device), m_owner(std::move(owner))
{
}

TWorkThread::~TWorkThread()
{
    terminate();
    join();
}

void TWorkThread::start()
{
    m_run = m_state.active;
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
    m_state.busy = false;   // the thread's end clears the busy flag
}

void TWorkThread::cycle()
{
    if (!m_run) {
        m_state.busy = false;
        m_run = m_state.active;
        pause(ClosedPauseMs);
        ++m_closedPauses;
        if (m_run)
            m_lastEmpty = m_dev.tickMs();
        return;
    }

    ++m_openCycles;
    m_state.busy = true;
    if (m_state.active)
        statusStep();
    // A read never stays pending here: it asks for exactly what is queued
    // and returns at once.
    if (m_state.active)
        readStep();
    if (!m_waitPending && m_state.active)
        eventWaitStep();

    if (m_waitPending) {
        quint32 events = 0;
        int error = 0;
        const SerialDevice::WaitResult r = m_dev.waitEvent(waitTimeout(), events, error);
        if (m_state.active && r != SerialDevice::WaitResult::Failed)
            statusStep();
        if (r == SerialDevice::WaitResult::Signalled) {
            eventCompletion(events);
        } else if (r == SerialDevice::WaitResult::Failed) {
            m_waitPending = false;
            // A wait that keeps failing at once must not make the loop spin.
            if (!failed(LinkReport::OverlappedResult, error))
                pause(OpenWaitMs);
        }
    }

    if (!m_state.active) {
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
    const quint32 q = m_state.inQueue;
    if (q == 0)
        return OpenWaitMs;
    SerialRules::ReadInputs in;
    in.queued = q;
    in.clusterSize = m_state.clusterSize;
    in.charDelayUs = m_state.rtoCharDelayTime;
    in.extraDelayMs = m_state.rtoExtraDelayTime;
    in.now = m_dev.tickMs();
    in.lastEmpty = m_lastEmpty;
    const quint32 due = SerialRules::msUntilDue(in);
    return int(qBound<quint32>(1, due, OpenWaitMs));
}

bool TWorkThread::failed(LinkReport id, int code)
{
    if (!deviceGone(code)) {
        report(id, quint32(code));
        return false;
    }
    // Gone: one report, then the closed state, handle included (a USB
    // adapter plugged in again gets its old name back only once the last
    // descriptor of the old one is closed). When the owner's thread dropped
    // Active first, its own closing does that.
    m_state.lost = true;
    if (m_state.active.exchange(false)) {
        m_dev.close();
        report(id, quint32(code));
    }
    m_waitPending = false;
    return true;
}

void TWorkThread::statusStep()
{
    quint32 word = 0;
    if (int e = m_dev.modemStatus(word)) {
        if (failed(LinkReport::ModemStatus, e))
            return;
    } else {
        const quint32 old = m_state.modemState;
        quint32 ownRing = 0;
        if (m_dev.platformId() == 1 && !(word & SerialDevice::MsRingOn) && (old & SerialDevice::MsRingOn))
            ownRing = SerialDevice::EvRing;
        m_state.modemState = word;
        m_state.ctsState = (word & SerialDevice::MsCtsOn) != 0;
        m_state.dsrState = (word & SerialDevice::MsDsrOn) != 0;
        m_state.ringState = (word & SerialDevice::MsRingOn) != 0;
        m_state.rlsdState = (word & SerialDevice::MsRlsdOn) != 0;
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
            failed(LinkReport::ClearCommError, e);
            return;
        }
        m_errorsSinceRead |= st.errors;
        const SerialDevice::LineStatus stored {
                m_state.commError, m_state.commStateFlags, m_state.inQueue, m_state.outQueue};
        if (st == stored)
            break;
        m_state.commError = st.errors;
        m_state.commStateFlags = st.hold;
        m_state.inQueue = st.inQueue;
        m_state.outQueue = st.outQueue;
        notify(TSerialLink::OnCommStat);
    }
}

void TWorkThread::readStep()
{
    const quint32 q = m_state.inQueue;
    const quint32 now = m_dev.tickMs();
    if (q == 0) {
        m_lastEmpty = now;
        return;
    }
    SerialRules::ReadInputs in;
    in.queued = q;
    in.errors = m_errorsSinceRead;
    in.readRequest = m_state.readRequest;
    in.clusterSize = m_state.clusterSize;
    in.charDelayUs = m_state.rtoCharDelayTime;
    in.extraDelayMs = m_state.rtoExtraDelayTime;
    in.now = now;
    in.lastEmpty = m_lastEmpty;
    if (!SerialRules::readDue(in))
        return;

    QByteArray bytes;
    const int e = m_dev.read(bytes, q);
    m_state.readRequest = false;
    if (e) {
        failed(LinkReport::ReadData, e);
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
    if (m_state.active) {
        statusStep();
        dispatch(events);
    }
    m_waitPending = false;
}

void TWorkThread::dispatch(quint32 mask)
{
    if (m_state.destroying)
        return;
    m_state.commEvent = mask;
    static const struct {
        quint32 bit;
        TSerialLink::Handler handler;
    } order[] = {{SerialDevice::EvBreak, TSerialLink::OnBreakEvent}, {SerialDevice::EvCts, TSerialLink::OnCTSEvent},
            {SerialDevice::EvDsr, TSerialLink::OnDSREvent}, {SerialDevice::EvErr, TSerialLink::OnLineErrorEvent},
            {SerialDevice::EvRing, TSerialLink::OnRingEvent}, {SerialDevice::EvRlsd, TSerialLink::OnRLSDEvent},
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
    if (m_state.destroying)
        return;
    m_state.appendCluster(TSerialCluster {bytes, errors}, m_dev.tickMs());
    notify(TSerialLink::OnRxClusterEvent);
}

void TWorkThread::report(LinkReport id, quint32 code)
{
    if (m_state.threadQuietMode || m_state.destroying)
        return;
    if (!m_state.handlerAssigned(TSerialLink::HandlerCount))
        return;
    // Quiet mode may have been switched on while the call waited for the
    // owner's thread: it is checked again there.
    synchronize([this, id, code] {
        if (!m_state.threadQuietMode)
            m_owner.report(id, code);
    });
}

void TWorkThread::notify(int handler)
{
    if (m_state.threadQuietMode || m_state.destroying)
        return;
    if (!m_state.handlerAssigned(handler))
        return;
    synchronize([this, handler] {
        if (!m_state.threadQuietMode)
            m_owner.callHandler(handler);
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
    m_state.callInOwner(std::move(fn), m_owner.post);
}
