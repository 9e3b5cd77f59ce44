#include "tseriallink.h"

#include "scale/posixserialdevice.h"
#include "scale/serialrules.h"
#include "scale/tworkthread.h"

#include <chrono>
#include <thread>

namespace {
// Bounded waits for the worker to leave the open state.
constexpr int BusyWaitStepMs = 75;
constexpr int BusyWaitStepsClosing = 15;
constexpr int BusyWaitStepsDestroying = 10;
} // namespace

TSerialLink::TSerialLink(QObject* parent)
    : TSerialLink(std::make_unique<PosixSerialDevice>(), true, parent)
{
}

TSerialLink::TSerialLink(std::unique_ptr<SerialDevice> device, bool startWorker, QObject* parent)
    : QObject(parent), m_device(std::move(device))
{
    init(startWorker);
}

void TSerialLink::init(bool startWorker)
{
    if (int e = m_device->initialise())
        report(1001, quint32(e), 0, "Error Creating Overlapped Event");
    m_worker = std::make_unique<TWorkThread>(*this);
    if (startWorker)
        m_worker->start();
}

TSerialLink::~TSerialLink()
{
    {
        std::lock_guard<std::mutex> lk(m_syncLock);
        m_destroying = true;
    }
    cancelSyncCalls();
    deactivate();
    m_active = false;
    m_worker->terminate();
    const auto deadline = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(BusyWaitStepMs * BusyWaitStepsDestroying);
    while (m_busy && m_worker->threaded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    m_worker->join();
    m_worker.reset();
    std::lock_guard<std::mutex> lk(m_clusterLock);
    m_clusters.clear();
}

bool TSerialLink::isOpen() const
{
    return m_device->isOpen();
}

quintptr TSerialLink::comHandle() const
{
    const int h = m_device->handle();
    return h < 0 ? ~quintptr(0) : quintptr(h);
}

// ---------------------------------------------------------------- reports

void TSerialLink::report(quint32 place, quint32 code, quint8 noise, const char* msg)
{
    deliverReport(place, code, noise, QString::fromLatin1(msg));
}

void TSerialLink::deliverReport(quint32 place, quint32 code, quint8 noise, const QString& msg)
{
    if (!SerialRules::reportPasses(noise, m_errorNoise, m_destroying, bool(m_onProcessError)))
        return;
    m_onProcessError(this, place, code, msg, noise);
}

void TSerialLink::callHandler(Handler which)
{
    if (m_destroying || !m_handlers[which])
        return;
    m_handlers[which](this);
}

void TSerialLink::setHandler(Handler which, Notify handler)
{
    if (which < 0 || which >= HandlerCount)
        return;
    const bool set = bool(handler);
    m_handlers[which] = std::move(handler);
    if (set)
        m_handlerMask |= (1u << which);
    else
        m_handlerMask &= ~(1u << which);
}

void TSerialLink::setOnProcessError(ProcessError handler)
{
    const bool set = bool(handler);
    m_onProcessError = std::move(handler);
    if (set)
        m_handlerMask |= (1u << HandlerCount);
    else
        m_handlerMask &= ~(1u << HandlerCount);
}

void TSerialLink::runSyncCalls()
{
    for (;;) {
        std::shared_ptr<SyncCall> call;
        {
            std::lock_guard<std::mutex> lk(m_syncLock);
            if (m_syncCalls.empty())
                return;
            call = m_syncCalls.front();
            m_syncCalls.pop_front();
        }
        if (!m_destroying)
            call->fn();
        {
            std::lock_guard<std::mutex> lk(m_syncLock);
            call->done = true;
        }
        m_syncCv.notify_all();
    }
}

void TSerialLink::cancelSyncCalls()
{
    {
        std::lock_guard<std::mutex> lk(m_syncLock);
        for (auto& c : m_syncCalls)
            c->done = true;
        m_syncCalls.clear();
    }
    m_syncCv.notify_all();
}

// ---------------------------------------------------------------- clusters

void TSerialLink::appendCluster(TSerialCluster cluster)
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    m_lastCluster = cluster.bytes;
    ++m_received;
    m_clusters.push_back(std::move(cluster));
}

QString TSerialLink::lastClusterText() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return QString::fromLatin1(m_lastCluster);
}

quint64 TSerialLink::receivedClusters() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return m_received;
}

QString TSerialLink::clusterRead()
{
    TSerialCluster c;
    {
        std::lock_guard<std::mutex> lk(m_clusterLock);
        if (m_clusters.empty())
            return QString();
        c = std::move(m_clusters.front());
        m_clusters.pop_front();
    }
    return c.text();
}

int TSerialLink::queuedClusters() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return int(m_clusters.size());
}

// ---------------------------------------------------------------- activation

void TSerialLink::setActive(bool value)
{
    // Closing also drops a handle that is still open while Active is false
    // (the worker found the device gone and has not closed it yet).
    if (value == m_active && !(!value && isOpen()))
        return;
    activate(value);
}

void TSerialLink::activate(bool value)
{
    deactivate();
    if (!value)
        return;
    m_lost = false;   // also when the worker closed a lost device itself
    report(110, 0, 2, "Msg start reactivating Port");
    const QString name = m_commPort.startsWith(QLatin1Char('/')) ? m_commPort : m_commPort.left(79);
    if (int e = m_device->open(SerialRules::devicePath(name))) {
        m_active = false;
        report(112, quint32(e), 0, "Error reopening Port");
        return;
    }
    if (int e = m_device->setQueueSizes(m_rxQueueSize, m_txQueueSize))
        report(111, quint32(e), 0, "Error setup Queuesize");
    applySettings();
    if (int e = m_device->escape(SerialDevice::SetDtr))
        report(601, quint32(e), 0, "Error setting DTR");
    if (int e = m_device->escape(SerialDevice::SetRts))
        report(501, quint32(e), 0, "Error setting RTS");
    if (int e = m_device->setEventMask(SerialDevice::EvAllLine))
        report(201, quint32(e), 0, "Error activating CommEventMask");
    // The worker starts on a fully configured port.
    m_active = true;
    m_worker->nudge();
}

void TSerialLink::deactivate()
{
    if (!isOpen())
        return;
    report(100, 0, 2, "Msg start deactivating Port");
    if (int e = m_device->setEventMask(0))
        report(101, quint32(e), 0, "Error disabling CommEvents");
    m_active = false;
    // A device that has gone away was reported once by the worker; emptying
    // its buffers cannot succeed and is not reported again.
    if (int e = m_device->purge(); e && !m_lost)
        report(102, quint32(e), 0, "Error clearing Queues");
    m_device->wake();
    // The worker may be waiting for this thread to run a handler for it.
    const auto deadline = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(BusyWaitStepMs * BusyWaitStepsClosing);
    while (m_busy && m_worker->threaded() && std::chrono::steady_clock::now() < deadline) {
        runSyncCalls();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (m_busy && m_worker->threaded())
        report(104, 0, 1, "Warning ThreadIsRunning");
    m_device->escape(SerialDevice::ClrDtr);
    m_device->escape(SerialDevice::ClrRts);
    // The worker may have closed a device that went away meanwhile.
    if (int e = m_device->close(); e && !m_lost)
        report(103, quint32(e), 0, "Error closing Port");
    m_lost = false;
}

void TSerialLink::setCommPort(const QString& port)
{
    const QString p = port.left(255);
    if (p == m_commPort)
        return;
    m_commPort = p;
    if (isOpen())
        activate(m_active);
}

// ---------------------------------------------------------------- settings

void TSerialLink::applySettings()
{
    SerialDevice::Control c;
    if (int e = m_device->getControl(c)) {
        report(801, quint32(e), 0, "Error getting DCB from CommState");
        return;
    }
    c.baudRate = m_baudRate;
    c.flags = SerialDevice::FBinary;
    if (m_parityType != 0)
        c.flags |= SerialDevice::FParity;
    if (m_parityErrorReplacement)
        c.flags |= SerialDevice::FErrorChar;
    c.flags |= quint32(m_flowControl);
    if (m_stripNullChars)
        c.flags |= SerialDevice::FNull;
    c.parity = m_parityType;
    c.errorChar = m_parityErrorChar;
    c.evtChar = m_eventChar;
    c.stopBits = m_stopBits;
    c.byteSize = m_dataBits;
    c.xonChar = m_xonChar;
    c.xoffChar = m_xoffChar;
    c.xonLim = quint32(m_rxQueueSize) * m_xonLimDiv / 100;
    c.xoffLim = quint32(m_rxQueueSize) * m_xoffLimDiv / 100;
    c.eofChar = 0;

    SerialDevice::Timeouts t;
    t.readInterval = 0xFFFFFFFFu;   // reads return at once with what is buffered
    if (int e = m_device->setTimeouts(t))
        report(802, quint32(e), 0, "Error setting CommTimeout");
    if (int e = m_device->setControl(c))
        report(802, quint32(e), 0, "Error setting CommState, 87 indicate that Parms are incorrect");
}

void TSerialLink::applySettingsIfOpen()
{
    if (isOpen())
        applySettings();
}

void TSerialLink::setBaudRate(quint32 baud)
{
    if (baud == m_baudRate)
        return;
    m_baudRate = baud;
    if (m_xtoAuto) {
        m_rtoCharDelayTime = SerialRules::charDelayFor(baud);
        m_wtoCharDelayTime = SerialRules::charDelayFor(baud);
    }
    applySettingsIfOpen();
}

void TSerialLink::setXTOAuto(bool v)
{
    m_xtoAuto = v;
    if (v) {
        m_rtoCharDelayTime = SerialRules::charDelayFor(m_baudRate);
        m_wtoCharDelayTime = SerialRules::charDelayFor(m_baudRate);
    }
}

void TSerialLink::setParityType(quint8 v)
{
    if (v == m_parityType)
        return;
    m_parityType = v;
    applySettingsIfOpen();
}

void TSerialLink::setParityErrorChar(char v) { m_parityErrorChar = v; applySettingsIfOpen(); }
void TSerialLink::setParityErrorReplacement(bool v) { m_parityErrorReplacement = v; applySettingsIfOpen(); }
void TSerialLink::setStopBits(quint8 v) { m_stopBits = v; applySettingsIfOpen(); }
void TSerialLink::setDataBits(quint8 v) { m_dataBits = v; applySettingsIfOpen(); }
void TSerialLink::setXONChar(char v) { m_xonChar = v; applySettingsIfOpen(); }
void TSerialLink::setXOFFChar(char v) { m_xoffChar = v; applySettingsIfOpen(); }
void TSerialLink::setFlowControl(int v) { m_flowControl = v; applySettingsIfOpen(); }
void TSerialLink::setStripNullChars(bool v) { m_stripNullChars = v; applySettingsIfOpen(); }
void TSerialLink::setEventChar(char v) { m_eventChar = v; applySettingsIfOpen(); }
void TSerialLink::setWTOCharDelayTime(quint32 v) { m_wtoCharDelayTime = v; applySettingsIfOpen(); }
void TSerialLink::setWTOExtraDelayTime(quint16 v) { m_wtoExtraDelayTime = v; applySettingsIfOpen(); }

void TSerialLink::setXONLimDiv(quint8 v)
{
    if (v > 100) {
        m_xonLimDiv = 100;
        report(100, v, 1, "Warning XOnLimDef set to 100");
    } else {
        m_xonLimDiv = v;
    }
    applySettingsIfOpen();
}

void TSerialLink::setXOFFLimDiv(quint8 v)
{
    if (v > 100) {
        m_xoffLimDiv = 100;
        report(100, v, 1, "Warning XOffLimDef set to 100");
    } else {
        m_xoffLimDiv = v;
    }
    applySettingsIfOpen();
}

void TSerialLink::setRxQueueSize(quint16 v)
{
    if (v == m_rxQueueSize)
        return;
    m_rxQueueSize = v;
    if (int e = m_device->setQueueSizes(m_rxQueueSize, m_txQueueSize))
        report(101, quint32(e), 0, "Error can not set Quesize");
}

void TSerialLink::setTxQueueSize(quint16 v)
{
    if (v == m_txQueueSize)
        return;
    m_txQueueSize = v;
    if (int e = m_device->setQueueSizes(m_rxQueueSize, m_txQueueSize))
        report(102, quint32(e), 0, "Error can not set Quesize");
}

// ---------------------------------------------------------------- modem lines

void TSerialLink::setModemLine(bool value, SerialDevice::Function on, SerialDevice::Function off,
                               quint32 placeOn, quint32 placeOff, const char* msgOn, const char* msgOff)
{
    if (int e = m_device->escape(value ? on : off))
        report(value ? placeOn : placeOff, quint32(e), 0, value ? msgOn : msgOff);
}

void TSerialLink::setRTSState(bool v)
{
    if (!isOpen())
        return;
    m_rtsState = v;
    setModemLine(v, SerialDevice::SetRts, SerialDevice::ClrRts, 501, 502, "Error setting RTS",
                 "Error clearing RTS");
}

void TSerialLink::setDTRState(bool v)
{
    if (!isOpen())
        return;
    m_dtrState = v;
    setModemLine(v, SerialDevice::SetDtr, SerialDevice::ClrDtr, 601, 602, "Error setting DTR",
                 "Error clearing DTR");
}

void TSerialLink::setBREAKState(bool v)
{
    if (!isOpen())
        return;
    m_breakState = v;
    setModemLine(v, SerialDevice::SetBreak, SerialDevice::ClrBreak, 701, 702,
                 "Error setting BREAK State", "Error clearing BREAK State");
}
