#pragma once
#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for a serial cable: the program under
// test opens the slave path like a port; whoever holds this object writes
// into it through the master. The slave is kept open here in raw mode, so
// bytes written before the port is opened are not echoed back.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool open(QString* error = nullptr);
    const QString& slavePath() const { return m_slavePath; }
    int master() const { return m_master; }

    // Writes all of `bytes` (waiting while the line is full). False when the
    // other end is gone or the master is closed.
    bool write(const QByteArray& bytes);
    // Writes one byte at a time, `usPerByte` apart.
    bool writePaced(const QByteArray& bytes, int usPerByte);
    // Hangs up: the port's holder sees the device go away.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
