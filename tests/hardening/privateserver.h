#pragma once
// A MariaDB server of one test program's own (its own datadir, socket and
// port, through scripts/dbserver), so that the program may stop and start it
// while other tests go on using the shared test server.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

class PrivateServer {
public:
    PrivateServer()
    {
        const qint64 pid = QCoreApplication::applicationPid();
        m_dir = QStringLiteral("/tmp/vello-restart-%1").arg(pid);
        // Below the ports of the shared test and benchmark servers and below
        // the range the system hands out for outgoing connections.
        m_port = 10000 + int(pid % 10000);
    }

    QString socket() const { return m_dir + QStringLiteral("/mysqld.sock"); }
    const QString& lastOutput() const { return m_output; }

    bool start(bool fresh = false)
    {
        QStringList args {QStringLiteral("start"), QStringLiteral("--datadir"), datadir(), QStringLiteral("--socket"),
                socket(), QStringLiteral("--port"), QString::number(m_port)};
        if (fresh)
            args << QStringLiteral("--fresh");
        return script(args);
    }
    // Stops the server (waits until it has gone); `remove` deletes its folder.
    bool stop(bool remove = false)
    {
        QStringList args {QStringLiteral("stop"), QStringLiteral("--datadir"), datadir()};
        if (remove)
            args << QStringLiteral("--remove");
        return script(args);
    }
    // How the server goes down before it is started again: shut down as an
    // administrator would (SIGTERM, about 1.5 s), or killed outright
    // (SIGKILL, as a crash; the server recovers on start).
    enum Down { ShutDown, Killed };
    // Shuts the server down and leaves it down (start() brings it back).
    bool shutDown() { return down(SIGTERM); }
    bool restart(Down how = ShutDown) { return down(how == Killed ? SIGKILL : SIGTERM) && start(); }

private:
    // Signals the server of the pid file and waits until the process has gone.
    bool down(int signal)
    {
        QFile pidFile(datadir() + QStringLiteral("/mariadbd.pid"));
        if (!pidFile.open(QIODevice::ReadOnly)) {
            m_output = QStringLiteral("no pid file");
            return false;
        }
        const pid_t pid = pid_t(pidFile.readAll().trimmed().toLongLong());
        if (pid <= 0 || ::kill(pid, signal) != 0) {
            m_output = QStringLiteral("cannot signal the server (pid %1)").arg(pid);
            return false;
        }
        for (int i = 0; i < 3000; ++i) {   // 60 s
            if ((::kill(pid, 0) != 0 && errno == ESRCH) || exited(pid))
                return true;
            QThread::msleep(20);
        }
        ::kill(pid, SIGKILL);
        m_output = QStringLiteral("the server did not stop within 60 s");
        return false;
    }

    // Ended but not yet reaped by whoever adopted it.
    static bool exited(pid_t pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return true;
        const QByteArray s = stat.readAll();
        const int close = s.lastIndexOf(')');
        return close < 0 || s.mid(close + 2, 1) == "Z";
    }

    QString datadir() const { return m_dir + QStringLiteral("/data"); }

    bool script(const QStringList& args)
    {
        const QString source = qEnvironmentVariable("VELLO_SOURCE_DIR", QDir::currentPath() + QStringLiteral("/.."));
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"), QStringList {source + QStringLiteral("/scripts/dbserver")} + args);
        const bool finished = p.waitForFinished(180000);
        m_output = QString::fromLocal8Bit(p.readAll());
        return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QString m_dir;
    int m_port = 0;
    QString m_output;
};
