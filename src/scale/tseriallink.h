#pragma once
#include "scale/linkreports.h"
#include "scale/linkstate.h"
#include "scale/serialdevice.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TWorkThread;

// A serial port that only receives. Setting Active opens, configures and
// watches the port; a worker thread collects received bytes into clusters,
// queued in arrival order; clusterRead() takes the oldest without waiting.
// Line events and error reports reach the handlers in the thread that owns
// the link (the worker waits for them), never while ThreadQuietMode is on.
class TSerialLink : public QObject {
    Q_OBJECT
public:
    using Notify = std::function<void(TSerialLink* sender)>;
    using ProcessError
            = std::function<void(TSerialLink* sender, quint32 place, quint32 code, const QString& msg, quint8 noise)>;
    enum Handler {
        OnCommEvent,
        OnCommStat,
        OnTxQueueEmptyEvent,
        OnWriteDone,
        OnBreakEvent,
        OnCTSEvent,
        OnDSREvent,
        OnLineErrorEvent,
        OnRingEvent,
        OnRIEvent,
        OnRLSDEvent,
        OnRxClusterEvent,
        OnRxCharEvent,
        OnRxEventCharEvent,
        HandlerCount
    };
    enum CommStateFlag {
        fCtlHold = SerialDevice::HoldCts,
        fDsrHold = SerialDevice::HoldDsr,
        fRlsHold = SerialDevice::HoldRlsd,
        fXoffHold = SerialDevice::HoldXoff,
        fXOffSent = SerialDevice::HoldXoffSent,
        fEof = SerialDevice::HoldEof,
        fTxim = SerialDevice::HoldTxim
    };

    // The link on this system's serial devices.
    explicit TSerialLink(QObject* parent = nullptr);
    // The link on a given device; without startWorker the worker thread is
    // not started and tests drive its cycles themselves.
    TSerialLink(std::unique_ptr<SerialDevice> device, bool startWorker, QObject* parent = nullptr);
    ~TSerialLink() override;

    // --- published properties ---
    bool active() const { return m_state.active; }
    void setActive(bool value);
    quintptr comHandle() const;
    QString commPort() const { return m_commPort; }
    void setCommPort(const QString& port);
    quint32 baudRate() const { return m_baudRate; }
    void setBaudRate(quint32 baud);
    quint8 parityType() const { return m_parityType; }
    void setParityType(quint8 v);
    char parityErrorChar() const { return m_parityErrorChar; }
    void setParityErrorChar(char v);
    bool parityErrorReplacement() const { return m_parityErrorReplacement; }
    void setParityErrorReplacement(bool v);
    quint8 stopBits() const { return m_stopBits; }
    void setStopBits(quint8 v);
    quint8 dataBits() const { return m_dataBits; }
    void setDataBits(quint8 v);
    char xonChar() const { return m_xonChar; }
    void setXONChar(char v);
    char xoffChar() const { return m_xoffChar; }
    void setXOFFChar(char v);
    quint8 xonLimDiv() const { return m_xonLimDiv; }
    void setXONLimDiv(quint8 v);
    quint8 xoffLimDiv() const { return m_xoffLimDiv; }
    void setXOFFLimDiv(quint8 v);
    int flowControl() const { return m_flowControl; }
    void setFlowControl(int v);
    bool stripNullChars() const { return m_stripNullChars; }
    void setStripNullChars(bool v);
    char eventChar() const { return m_eventChar; }
    void setEventChar(char v);
    quint32 rtoCharDelayTime() const { return m_state.rtoCharDelayTime; }
    void setRTOCharDelayTime(quint32 v) { m_state.rtoCharDelayTime = v; }
    quint16 rtoExtraDelayTime() const { return m_state.rtoExtraDelayTime; }
    void setRTOExtraDelayTime(quint16 v) { m_state.rtoExtraDelayTime = v; }
    quint16 clusterSize() const { return m_state.clusterSize; }
    void setClusterSize(quint16 v) { m_state.clusterSize = v; }
    quint16 rxQueueSize() const { return m_rxQueueSize; }
    void setRxQueueSize(quint16 v);
    quint16 txQueueSize() const { return m_txQueueSize; }
    void setTxQueueSize(quint16 v);
    quint32 wtoCharDelayTime() const { return m_wtoCharDelayTime; }
    void setWTOCharDelayTime(quint32 v);
    quint16 wtoExtraDelayTime() const { return m_wtoExtraDelayTime; }
    void setWTOExtraDelayTime(quint16 v);
    bool xtoAuto() const { return m_xtoAuto; }
    void setXTOAuto(bool v);
    bool rtsState() const { return m_rtsState; }
    void setRTSState(bool v);
    bool dtrState() const { return m_dtrState; }
    void setDTRState(bool v);
    bool breakState() const { return m_breakState; }
    void setBREAKState(bool v);
    bool ctsState() const { return m_state.ctsState; }
    bool dsrState() const { return m_state.dsrState; }
    bool rlsdState() const { return m_state.rlsdState; }
    bool ringState() const { return m_state.ringState; }
    quint8 errorNoise() const { return m_errorNoise; }
    void setErrorNoise(quint8 v) { m_errorNoise = v; }
    bool readRequest() const { return m_state.readRequest; }
    void setReadRequest(bool v) { m_state.readRequest = v; }
    bool sendInProgress() const { return false; }
    quint32 commError() const { return m_state.commError; }
    quint32 commStateFlags() const { return m_state.commStateFlags; }
    quint32 commStateInQueue() const { return m_state.inQueue; }
    quint32 commStateOutQueue() const { return m_state.outQueue; }
    quint32 modemState() const { return m_state.modemState; }
    quint32 commEvent() const { return m_state.commEvent; }
    quint32 writtenBytes() const { return 0; }
    bool threadQuietMode() const { return m_state.threadQuietMode; }
    void setThreadQuietMode(bool v) { m_state.threadQuietMode = v; }
    bool autoReadRequest() const { return m_autoReadRequest; }
    void setAutoReadRequest(bool v) { m_autoReadRequest = v; }

    // --- event properties ---
    void setHandler(Handler which, Notify handler);
    void setOnProcessError(ProcessError handler);

    // Takes the oldest cluster's text off the queue; empty text when none.
    // Never waits.
    QString clusterRead();
    // Takes every queued cluster's text, oldest first, emptying the queue.
    QStringList takeClusters();
    int queuedClusters() const;
    // With n > 0 the queue keeps only the newest n clusters (an indicator
    // that sends all the time); 0, the default, keeps every cluster.
    void setKeepClusters(int n) { m_state.keepClusters = qMax(0, n); }
    int keepClusters() const { return m_state.keepClusters; }
    // The text of the piece received last, whether or not it has been read
    // since, and how many pieces were received in all; neither touches the
    // queue (a display of the indicator's current reading).
    QString lastClusterText() const { return m_state.lastText(); }
    quint64 receivedClusters() const { return m_state.received(); }
    // The last two pieces received, oldest first, read or not.
    QStringList recentClusterTexts() const { return m_state.recentTexts(); }
    // When the last few pieces arrived (device clock, ms), oldest first, and
    // the device clock now; differences are taken modulo 2^32.
    QList<quint32> clusterArrivals() const { return m_state.arrivals(); }
    quint32 clockMs() const { return m_device->tickMs(); }

    // Worker state, for tests and diagnostics.
    bool busy() const { return m_state.busy; }
    TWorkThread& worker() { return *m_worker; }
    SerialDevice& device() { return *m_device; }

private:
    void init(bool startWorker);
    void activate(bool value);
    void deactivate();
    void applySettings();
    void applySettingsIfOpen();
    // A report of the link's table, with the error code (or value) it carries.
    void report(LinkReport id, quint32 code = 0);
    void deliverReport(quint32 place, quint32 code, quint8 noise, const QString& msg);
    void callHandler(Handler which);
    void setModemLine(bool value, SerialDevice::Function on, SerialDevice::Function off, LinkReport failedOn,
            LinkReport failedOff);
    bool isOpen() const;

    std::unique_ptr<SerialDevice> m_device;
    LinkState m_state;   // what the worker shares
    std::unique_ptr<TWorkThread> m_worker;

    // Settings only the owner's thread uses.
    QString m_commPort = QStringLiteral("COM2");
    quint32 m_baudRate = 9600;
    quint8 m_parityType = 0;
    char m_parityErrorChar = 0;
    bool m_parityErrorReplacement = false;
    quint8 m_stopBits = 0;
    quint8 m_dataBits = 8;
    char m_xonChar = 17;
    char m_xoffChar = 19;
    quint8 m_xonLimDiv = 33;
    quint8 m_xoffLimDiv = 33;
    int m_flowControl = 0;
    bool m_stripNullChars = false;
    char m_eventChar = 0;
    quint16 m_rxQueueSize = 4096;
    quint16 m_txQueueSize = 4096;
    quint32 m_wtoCharDelayTime = 1100;
    quint16 m_wtoExtraDelayTime = 250;
    bool m_xtoAuto = true;
    bool m_rtsState = true;
    bool m_dtrState = true;
    bool m_breakState = false;
    std::atomic<quint8> m_errorNoise {255};
    bool m_autoReadRequest = false;

    Notify m_handlers[HandlerCount];
    ProcessError m_onProcessError;
};
