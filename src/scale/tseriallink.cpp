#include "tseriallink.h"

#include "scale/posixserialdevice.h"
#include "scale/serialrules.h"
#include "scale/tworkthread.h"

#include <QMetaObject>
#include <chrono>
#include <thread>

namespace {
// Bounded waits for the worker to leave the open state.
constexpr int BusyWaitStepMs = 75;
constexpr int BusyWaitStepsClosing = 15;
constexpr int BusyWaitStepsDestroying = 10;
}   // namespace

TSerialLink::TSerialLink(QObject* parent) : TSerialLink(std::make_unique<PosixSerialDevice>(), true, parent)
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
        report(LinkReport::CreateEvent, quint32(e));
    TWorkThread::Owner owner;
    owner.report = [this](LinkReport id, quint32 code) { report(id, code); };
    owner.callHandler = [this](int which) { callHandler(Handler(which)); };
    owner.post = [this] {
        QMetaObject::invokeMethod(
                this, [this] { m_state.runOwnerCalls(); }, Qt::QueuedConnection);
    };
    m_worker = std::make_unique<TWorkThread>(m_state, *m_device, std::move(owner));
    if (startWorker)
        m_worker->start();
}

TSerialLink::~TSerialLink()
{
    m_state.beginDestroying();
    m_state.cancelOwnerCalls();
    deactivate();
    m_state.active = false;
    m_worker->terminate();
    const auto deadline
            = std::chrono::steady_clock::now() + std::chrono::milliseconds(BusyWaitStepMs * BusyWaitStepsDestroying);
    while (m_state.busy && m_worker->threaded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    m_worker->join();
    m_worker.reset();
    m_state.clearClusters();
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

void TSerialLink::report(LinkReport id, quint32 code)
{
    const LinkReportEntry& r = linkReport(id);
    deliverReport(r.place, code, r.noise, QString::fromLatin1(r.text));
}

void TSerialLink::deliverReport(quint32 place, quint32 code, quint8 noise, const QString& msg)
{
    if (!SerialRules::reportPasses(noise, m_errorNoise, m_state.destroying, bool(m_onProcessError)))
        return;
    m_onProcessError(this, place, code, msg, noise);
}

void TSerialLink::callHandler(Handler which)
{
    if (m_state.destroying || !m_handlers[which])
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
        m_state.handlerMask |= (1u << which);
    else
        m_state.handlerMask &= ~(1u << which);
}

void TSerialLink::setOnProcessError(ProcessError handler)
{
    const bool set = bool(handler);
    m_onProcessError = std::move(handler);
    if (set)
        m_state.handlerMask |= (1u << HandlerCount);
    else
        m_state.handlerMask &= ~(1u << HandlerCount);
}

// ---------------------------------------------------------------- clusters

QString TSerialLink::clusterRead()
{
    return m_state.takeOldest();
}

QStringList TSerialLink::takeClusters()
{
    return m_state.takeAll();
}

int TSerialLink::queuedClusters() const
{
    return m_state.queued();
}

// ---------------------------------------------------------------- activation

void TSerialLink::setActive(bool value)
{
    // Closing also drops a handle that is still open while Active is false
    // (the worker found the device gone and has not closed it yet).
    if (value == m_state.active && !(!value && isOpen()))
        return;
    activate(value);
}

void TSerialLink::activate(bool value)
{
    deactivate();
    if (!value)
        return;
    m_state.lost = false;   // also when the worker closed a lost device itself
    report(LinkReport::StartReactivating);
    const QString name = m_commPort.startsWith(QLatin1Char('/')) ? m_commPort : m_commPort.left(79);
    if (int e = m_device->open(SerialRules::devicePath(name))) {
        m_state.active = false;
        report(LinkReport::ReopenPort, quint32(e));
        return;
    }
    if (int e = m_device->setQueueSizes(m_rxQueueSize, m_txQueueSize))
        report(LinkReport::QueueSetup, quint32(e));
    applySettings();
    if (int e = m_device->escape(SerialDevice::SetDtr))
        report(LinkReport::SetDtr, quint32(e));
    if (int e = m_device->escape(SerialDevice::SetRts))
        report(LinkReport::SetRts, quint32(e));
    if (int e = m_device->setEventMask(SerialDevice::EvAllLine))
        report(LinkReport::ActivateEventMask, quint32(e));
    // The worker starts on a fully configured port.
    m_state.active = true;
    m_worker->nudge();
}

void TSerialLink::deactivate()
{
    if (!isOpen())
        return;
    report(LinkReport::StartDeactivating);
    if (int e = m_device->setEventMask(0))
        report(LinkReport::DisableEvents, quint32(e));
    m_state.active = false;
    // A device that has gone away was reported once by the worker; emptying
    // its buffers cannot succeed and is not reported again.
    if (int e = m_device->purge(); e && !m_state.lost)
        report(LinkReport::ClearQueues, quint32(e));
    m_device->wake();
    // The worker may be waiting for this thread to run a handler for it.
    const auto deadline
            = std::chrono::steady_clock::now() + std::chrono::milliseconds(BusyWaitStepMs * BusyWaitStepsClosing);
    while (m_state.busy && m_worker->threaded() && std::chrono::steady_clock::now() < deadline) {
        m_state.runOwnerCalls();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (m_state.busy && m_worker->threaded())
        report(LinkReport::ThreadRunning);
    m_device->escape(SerialDevice::ClrDtr);
    m_device->escape(SerialDevice::ClrRts);
    // The worker may have closed a device that went away meanwhile.
    if (int e = m_device->close(); e && !m_state.lost)
        report(LinkReport::ClosePort, quint32(e));
    m_state.lost = false;
}

void TSerialLink::setCommPort(const QString& port)
{
    const QString p = port.left(255);
    if (p == m_commPort)
        return;
    m_commPort = p;
    if (isOpen())
        activate(m_state.active);
}
