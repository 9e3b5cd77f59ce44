// The line settings and modem lines of TSerialLink: kept by the owner's
// thread and handed to an open device at once.
#include "tseriallink.h"

#include "scale/serialrules.h"

// ---------------------------------------------------------------- settings

void TSerialLink::applySettings()
{
    SerialDevice::Control c;
    if (int e = m_device->getControl(c)) {
        report(LinkReport::GetState, quint32(e));
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
        report(LinkReport::SetTimeouts, quint32(e));
    if (int e = m_device->setControl(c))
        report(LinkReport::SetState, quint32(e));
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
        m_state.rtoCharDelayTime = SerialRules::charDelayFor(baud);
        m_wtoCharDelayTime = SerialRules::charDelayFor(baud);
    }
    applySettingsIfOpen();
}

void TSerialLink::setXTOAuto(bool v)
{
    m_xtoAuto = v;
    if (v) {
        m_state.rtoCharDelayTime = SerialRules::charDelayFor(m_baudRate);
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

void TSerialLink::setParityErrorChar(char v)
{
    m_parityErrorChar = v;
    applySettingsIfOpen();
}
void TSerialLink::setParityErrorReplacement(bool v)
{
    m_parityErrorReplacement = v;
    applySettingsIfOpen();
}
void TSerialLink::setStopBits(quint8 v)
{
    m_stopBits = v;
    applySettingsIfOpen();
}
void TSerialLink::setDataBits(quint8 v)
{
    m_dataBits = v;
    applySettingsIfOpen();
}
void TSerialLink::setXONChar(char v)
{
    m_xonChar = v;
    applySettingsIfOpen();
}
void TSerialLink::setXOFFChar(char v)
{
    m_xoffChar = v;
    applySettingsIfOpen();
}
void TSerialLink::setFlowControl(int v)
{
    m_flowControl = v;
    applySettingsIfOpen();
}
void TSerialLink::setStripNullChars(bool v)
{
    m_stripNullChars = v;
    applySettingsIfOpen();
}
void TSerialLink::setEventChar(char v)
{
    m_eventChar = v;
    applySettingsIfOpen();
}
void TSerialLink::setWTOCharDelayTime(quint32 v)
{
    m_wtoCharDelayTime = v;
    applySettingsIfOpen();
}
void TSerialLink::setWTOExtraDelayTime(quint16 v)
{
    m_wtoExtraDelayTime = v;
    applySettingsIfOpen();
}

void TSerialLink::setXONLimDiv(quint8 v)
{
    if (v > 100) {
        m_xonLimDiv = 100;
        report(LinkReport::XonLimit, v);
    } else {
        m_xonLimDiv = v;
    }
    applySettingsIfOpen();
}

void TSerialLink::setXOFFLimDiv(quint8 v)
{
    if (v > 100) {
        m_xoffLimDiv = 100;
        report(LinkReport::XoffLimit, v);
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
        report(LinkReport::RxQueueSize, quint32(e));
}

void TSerialLink::setTxQueueSize(quint16 v)
{
    if (v == m_txQueueSize)
        return;
    m_txQueueSize = v;
    if (int e = m_device->setQueueSizes(m_rxQueueSize, m_txQueueSize))
        report(LinkReport::TxQueueSize, quint32(e));
}

// ---------------------------------------------------------------- modem lines

void TSerialLink::setModemLine(
        bool value, SerialDevice::Function on, SerialDevice::Function off, LinkReport failedOn, LinkReport failedOff)
{
    if (int e = m_device->escape(value ? on : off))
        report(value ? failedOn : failedOff, quint32(e));
}

void TSerialLink::setRTSState(bool v)
{
    if (!isOpen())
        return;
    m_rtsState = v;
    setModemLine(v, SerialDevice::SetRts, SerialDevice::ClrRts, LinkReport::SetRts, LinkReport::ClearRts);
}

void TSerialLink::setDTRState(bool v)
{
    if (!isOpen())
        return;
    m_dtrState = v;
    setModemLine(v, SerialDevice::SetDtr, SerialDevice::ClrDtr, LinkReport::SetDtr, LinkReport::ClearDtr);
}

void TSerialLink::setBREAKState(bool v)
{
    if (!isOpen())
        return;
    m_breakState = v;
    setModemLine(v, SerialDevice::SetBreak, SerialDevice::ClrBreak, LinkReport::SetBreak, LinkReport::ClearBreak);
}
