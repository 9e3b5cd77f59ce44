#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The operating-system side of a serial port, as the serial link uses it.
// Every call returns 0 on success or an error code (errno on Linux). Codes
// that mean "this device cannot do that" (a pseudo-terminal has no modem
// lines) are swallowed by the implementation and reported as success with
// empty values.
//
// An implementation must be safe to call from the user-interface thread and
// the worker thread at the same time; close() must not pull the handle from
// under a call in progress.
class SerialDevice {
public:
    // Line events (the worker's event mask).
    enum Event : quint32 {
        EvRxChar = 0x0001,
        EvRxFlag = 0x0002,
        EvTxEmpty = 0x0004,
        EvCts = 0x0008,
        EvDsr = 0x0010,
        EvRlsd = 0x0020,
        EvBreak = 0x0040,
        EvErr = 0x0080,
        EvRing = 0x0100,
        EvAllLine = 0x01FF,
    };
    // Receive error flags.
    enum ErrorFlag : quint32 {
        CeRxOver = 0x0001,   // input buffer overflow
        CeOverrun = 0x0002,   // hardware overrun
        CeRxParity = 0x0004,
        CeFrame = 0x0008,
        CeBreak = 0x0010,
        CeReceiveErrors = 0x001F,
    };
    // Modem status word bits.
    enum ModemBit : quint32 {
        MsCtsOn = 0x0010,
        MsDsrOn = 0x0020,
        MsRingOn = 0x0040,
        MsRlsdOn = 0x0080,
    };
    // Transmit hold flags (CommStateFlags).
    enum HoldFlag : quint32 {
        HoldCts = 0x01,
        HoldDsr = 0x02,
        HoldRlsd = 0x04,
        HoldXoff = 0x08,
        HoldXoffSent = 0x10,
        HoldEof = 0x20,
        HoldTxim = 0x40,
    };
    // Flag word of the device control block.
    enum ControlFlag : quint32 {
        FBinary = 0x0001,
        FParity = 0x0002,
        FOutxCtsFlow = 0x0004,
        FOutxDsrFlow = 0x0008,
        FDtrControlEnable = 0x0010,
        FDtrControlHandshake = 0x0020,
        FDsrSensitivity = 0x0040,
        FTxContinueOnXoff = 0x0080,
        FOutX = 0x0100,
        FInX = 0x0200,
        FErrorChar = 0x0400,
        FNull = 0x0800,
        FRtsControlEnable = 0x1000,
        FRtsControlHandshake = 0x2000,
        FAbortOnError = 0x4000,
    };
    enum Function { SetRts, ClrRts, SetDtr, ClrDtr, SetBreak, ClrBreak };

    // The device control block: line settings.
    struct Control {
        quint32 baudRate = 9600;
        quint32 flags = FBinary;
        quint32 xonLim = 0;
        quint32 xoffLim = 0;
        quint8 byteSize = 8;
        quint8 parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
        quint8 stopBits = 0;   // 0 one, 1 one and a half, 2 two
        char xonChar = 17;
        char xoffChar = 19;
        char errorChar = 0;
        char eofChar = 0;
        char evtChar = 0;
    };
    struct Timeouts {
        quint32 readInterval = 0;
        quint32 readTotalMultiplier = 0;
        quint32 readTotalConstant = 0;
        quint32 writeTotalMultiplier = 0;
        quint32 writeTotalConstant = 0;
    };
    // What one status call returns; receive errors are those since the last call.
    struct LineStatus {
        quint32 errors = 0;
        quint32 hold = 0;
        quint32 inQueue = 0;
        quint32 outQueue = 0;
        bool operator==(const LineStatus& o) const
        {
            return errors == o.errors && hold == o.hold && inQueue == o.inQueue && outQueue == o.outQueue;
        }
        bool operator!=(const LineStatus& o) const { return !(*this == o); }
    };
    enum class WaitResult { Signalled, TimedOut, Failed };

    virtual ~SerialDevice() = default;

    // Prepares what the waits need; called once when the link is made.
    virtual int initialise() = 0;
    // Opens the device for reading and writing, not shared with anyone else.
    virtual int open(const QString& path) = 0;
    virtual bool isOpen() const = 0;
    virtual int handle() const = 0;   // -1 when closed
    virtual int close() = 0;

    virtual int setQueueSizes(quint32 rx, quint32 tx) = 0;
    virtual int getControl(Control& c) = 0;
    virtual int setControl(const Control& c) = 0;
    virtual int setTimeouts(const Timeouts& t) = 0;

    // The events the waits report; setting it releases a wait in progress.
    virtual int setEventMask(quint32 mask) = 0;
    // Waits at most timeoutMs for one of the masked events. Failed with the
    // code in `error` when the device has gone away.
    virtual WaitResult waitEvent(int timeoutMs, quint32& events, int& error) = 0;
    // Makes a wait in progress return at once (without events).
    virtual void wake() = 0;

    virtual int modemStatus(quint32& word) = 0;
    virtual int clearError(LineStatus& status) = 0;
    // Reads at most `count` bytes that are already there; never waits.
    virtual int read(QByteArray& into, quint32 count) = 0;
    virtual int escape(Function f) = 0;
    // Aborts what is pending and empties both buffers.
    virtual int purge() = 0;

    // Millisecond clock; differences are taken modulo 2^32.
    virtual quint32 tickMs() = 0;
    // 1 marks the old platform family whose ring line needs the status step's help.
    virtual int platformId() const { return 2; }
};
