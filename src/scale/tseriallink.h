#pragma once
#include "scale/serialdevice.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class TWorkThread;

// One piece of received data: the bytes of one read and the receive error
// flags of the status step before it.
struct TSerialCluster {
    QByteArray bytes;
    quint32 errors = 0;
    int count() const { return int(bytes.size()); }
    QString text() const { return QString::fromLatin1(bytes); }   // one character per byte
};

// A serial port that only receives. Setting Active opens, configures and
// watches the port; a worker thread collects received bytes into clusters,
// queued in arrival order; clusterRead() takes the oldest without waiting.
// Line events and error reports reach the handlers in the thread that owns
// the link (the worker waits for them), never while ThreadQuietMode is on.
class TSerialLink : public QObject {
    Q_OBJECT
public:
    using Notify = std::function<void(TSerialLink* sender)>;
    using ProcessError = std::function<void(TSerialLink* sender, quint32 place, quint32 code,
                                            const QString& msg, quint8 noise)>;
    enum Handler {
        OnCommEvent, OnCommStat, OnTxQueueEmptyEvent, OnWriteDone, OnBreakEvent, OnCTSEvent,
        OnDSREvent, OnLineErrorEvent, OnRingEvent, OnRIEvent, OnRLSDEvent, OnRxClusterEvent,
        OnRxCharEvent, OnRxEventCharEvent, HandlerCount
    };
    enum CommStateFlag {
        fCtlHold = SerialDevice::HoldCts, fDsrHold = SerialDevice::HoldDsr,
        fRlsHold = SerialDevice::HoldRlsd, fXoffHold = SerialDevice::HoldXoff,
        fXOffSent = SerialDevice::HoldXoffSent, fEof = SerialDevice::HoldEof,
        fTxim = SerialDevice::HoldTxim
    };

    // The link on this system's serial devices.
    explicit TSerialLink(QObject* parent = nullptr);
    // The link on a given device; without startWorker the worker thread is
    // not started and tests drive its cycles themselves.
    TSerialLink(std::unique_ptr<SerialDevice> device, bool startWorker, QObject* parent = nullptr);
    ~TSerialLink() override;

    // --- published properties ---
    bool active() const { return m_active; }
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
    quint32 rtoCharDelayTime() const { return m_rtoCharDelayTime; }
    void setRTOCharDelayTime(quint32 v) { m_rtoCharDelayTime = v; }
    quint16 rtoExtraDelayTime() const { return m_rtoExtraDelayTime; }
    void setRTOExtraDelayTime(quint16 v) { m_rtoExtraDelayTime = v; }
    quint16 clusterSize() const { return m_clusterSize; }
    void setClusterSize(quint16 v) { m_clusterSize = v; }
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
    bool ctsState() const { return m_ctsState; }
    bool dsrState() const { return m_dsrState; }
    bool rlsdState() const { return m_rlsdState; }
    bool ringState() const { return m_ringState; }
    quint8 errorNoise() const { return m_errorNoise; }
    void setErrorNoise(quint8 v) { m_errorNoise = v; }
    bool readRequest() const { return m_readRequest; }
    void setReadRequest(bool v) { m_readRequest = v; }
    bool sendInProgress() const { return false; }
    quint32 commError() const { return m_commError; }
    quint32 commStateFlags() const { return m_commStateFlags; }
    quint32 commStateInQueue() const { return m_inQueue; }
    quint32 commStateOutQueue() const { return m_outQueue; }
    quint32 modemState() const { return m_modemState; }
    quint32 commEvent() const { return m_commEvent; }
    quint32 writtenBytes() const { return 0; }
    bool threadQuietMode() const { return m_threadQuietMode; }
    void setThreadQuietMode(bool v) { m_threadQuietMode = v; }
    bool autoReadRequest() const { return m_autoReadRequest; }
    void setAutoReadRequest(bool v) { m_autoReadRequest = v; }

    // --- event properties ---
    void setHandler(Handler which, Notify handler);
    void setOnProcessError(ProcessError handler);

    // Takes the oldest cluster's text off the queue; empty text when none.
    // Never waits.
    QString clusterRead();
    int queuedClusters() const;
    // The text of the piece received last, whether or not it has been read
    // since, and how many pieces were received in all; neither touches the
    // queue (a display of the indicator's current reading).
    QString lastClusterText() const;
    quint64 receivedClusters() const;

    // Worker state, for tests and diagnostics.
    bool busy() const { return m_busy; }
    TWorkThread& worker() { return *m_worker; }
    SerialDevice& device() { return *m_device; }

private:
    friend class TWorkThread;
    void init(bool startWorker);
    void activate(bool value);
    void deactivate();
    void applySettings();
    void applySettingsIfOpen();
    void report(quint32 place, quint32 code, quint8 noise, const char* msg);
    void deliverReport(quint32 place, quint32 code, quint8 noise, const QString& msg);
    void callHandler(Handler which);
    bool handlerAssigned(Handler which) const { return m_handlerMask.load() & (1u << which); }
    void appendCluster(TSerialCluster cluster);
    void setModemLine(bool value, SerialDevice::Function on, SerialDevice::Function off,
                      quint32 placeOn, quint32 placeOff, const char* msgOn, const char* msgOff);
    bool isOpen() const;

    // Calls the worker thread hands to this object's thread.
    void runSyncCalls();
    void cancelSyncCalls();

    std::unique_ptr<SerialDevice> m_device;
    std::unique_ptr<TWorkThread> m_worker;

    std::atomic<bool> m_active{false};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_destroying{false};
    std::atomic<bool> m_lost{false};   // the worker found the device gone (already reported)
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
    std::atomic<quint32> m_rtoCharDelayTime{1100};
    std::atomic<quint16> m_rtoExtraDelayTime{250};
    std::atomic<quint16> m_clusterSize{3072};
    quint16 m_rxQueueSize = 4096;
    quint16 m_txQueueSize = 4096;
    quint32 m_wtoCharDelayTime = 1100;
    quint16 m_wtoExtraDelayTime = 250;
    bool m_xtoAuto = true;
    bool m_rtsState = true;
    bool m_dtrState = true;
    bool m_breakState = false;
    std::atomic<bool> m_ctsState{false}, m_dsrState{false}, m_rlsdState{false}, m_ringState{false};
    std::atomic<quint8> m_errorNoise{255};
    std::atomic<bool> m_readRequest{false};
    std::atomic<quint32> m_commError{0}, m_commStateFlags{0}, m_inQueue{0}, m_outQueue{0};
    std::atomic<quint32> m_modemState{0}, m_commEvent{0};
    std::atomic<bool> m_threadQuietMode{false};
    bool m_autoReadRequest = false;

    Notify m_handlers[HandlerCount];
    ProcessError m_onProcessError;
    std::atomic<quint32> m_handlerMask{0};   // bit HandlerCount: OnProcessError

    mutable std::mutex m_clusterLock;
    std::deque<TSerialCluster> m_clusters;
    QByteArray m_lastCluster;
    quint64 m_received = 0;

    // Worker -> owner thread calls.
    struct SyncCall {
        std::function<void()> fn;
        bool done = false;
    };
    std::mutex m_syncLock;
    std::condition_variable m_syncCv;
    std::deque<std::shared_ptr<SyncCall>> m_syncCalls;
};
