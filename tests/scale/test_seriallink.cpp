// The serial link on real pseudo-terminals: bursts become clusters, clusters
// are read oldest first, a missing or busy port and a hung-up line are
// reported without the worker spinning.
#include "scale/posixserialdevice.h"
#include "scale/pseudoterminal.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "scale/tworkthread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <cerrno>
#include <sys/syscall.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Deadline = 10000;   // ms; generous, only failures wait this long

struct Report {
    quint32 place;
    quint32 code;
    QString msg;
};

struct Line {
    PseudoTerminal pty;
    QList<Report> reports;
    TSerialLink link;

    Line()
    {
        QString error;
        if (!pty.open(&error))
            qFatal("pseudo-terminal: %s", qPrintable(error));
        ScaleRead::configure(link, pty.slavePath());
        link.setOnProcessError([this](TSerialLink*, quint32 place, quint32 code, const QString& msg, quint8) {
            reports.append({place, code, msg});
        });
    }
    QList<quint32> places(quint32 from = 0) const
    {
        QList<quint32> out;
        for (const Report& r : reports)
            if (r.place >= from)
                out << r.place;
        return out;
    }
};

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                       .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                       .size());
}

}   // namespace

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    void burstMakesOneCluster()
    {
        Line l;
        // Events arrive in the link's own thread, the worker waiting for them.
        int clusterEvents = 0;
        bool ownThread = true;
        l.link.setHandler(TSerialLink::OnRxClusterEvent, [&](TSerialLink* sender) {
            ++clusterEvents;
            ownThread = ownThread && QThread::currentThread() == sender->thread();
        });
        l.link.setActive(true);
        QVERIFY(l.link.active());
        const QByteArray burst("ST,GS,+  0123");   // twelve bytes and one more
        QVERIFY(l.pty.write(burst.left(12)));
        QTRY_COMPARE_WITH_TIMEOUT(clusterEvents, 1, Deadline);
        QVERIFY(ownThread);
        QCOMPARE(l.link.queuedClusters(), 1);
        QCOMPARE(l.link.clusterRead(), QString::fromLatin1(burst.left(12)));
        // Nothing follows: several more cycles leave the queue empty.
        const quint64 cycles = l.link.worker().openCycles();
        QTRY_VERIFY_WITH_TIMEOUT(l.link.worker().openCycles() >= cycles + 5, Deadline);
        QCOMPARE(l.link.queuedClusters(), 0);
        QCOMPARE(clusterEvents, 1);
        QCOMPARE(l.link.clusterRead(), QString());
    }

    void framesReadOldestFirst()
    {
        Line l;
        l.link.setActive(true);
        QVERIFY(l.pty.write("1000\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(l.link.queuedClusters(), 1, Deadline);
        QVERIFY(l.pty.write("2000\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(l.link.queuedClusters(), 2, Deadline);
        QCOMPARE(l.link.clusterRead(), QStringLiteral("1000\r\n"));
        QCOMPARE(l.link.clusterRead(), QStringLiteral("2000\r\n"));
        QCOMPARE(l.link.clusterRead(), QString());
    }

    void pacedFrameStaysWhole()
    {
        // At the line's own speed (8E2 at 2400 baud: 5 ms a character).
        Line l;
        l.link.setActive(true);
        const QByteArray frame("ST,GS,+  012340kg\r\n");
        QVERIFY(l.pty.writePaced(frame, 5000));
        QTRY_COMPARE_WITH_TIMEOUT(l.link.queuedClusters(), 1, Deadline);
        QCOMPARE(l.link.clusterRead(), QString::fromLatin1(frame));
    }

    void largeBurstWithNulBytes()
    {
        Line l;
        l.link.setActive(true);
        QByteArray data(1 << 20, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i % 7 == 0 ? 0 : 'A' + i % 26);
        std::thread writer([&] { l.pty.write(data); });
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    for (int n = l.link.queuedClusters(); n > 0; --n)
                        got += l.link.clusterRead().toLatin1();
                    return got.size() >= data.size();
                }(),
                60000);
        writer.join();
        QCOMPARE(got.size(), data.size());
        QVERIFY(got == data);
    }

    void nullBytesStripped()
    {
        Line l;
        l.link.setStripNullChars(true);
        l.link.setActive(true);
        QVERIFY(l.pty.write(QByteArray("\0\0\0", 3)));   // nothing but null bytes: no piece
        const quint64 cycles = l.link.worker().openCycles();
        QTRY_VERIFY_WITH_TIMEOUT(l.link.worker().openCycles() >= cycles + 12, Deadline);
        QCOMPARE(l.link.queuedClusters(), 0);
        QVERIFY(l.pty.write(QByteArray("1\0002\0", 4)));
        QTRY_COMPARE_WITH_TIMEOUT(l.link.queuedClusters(), 1, Deadline);
        QCOMPARE(l.link.clusterRead(), QStringLiteral("12"));
    }

    void missingPort()
    {
        Line l;
        l.link.setCommPort(QStringLiteral("/dev/vello-no-such-port"));
        l.link.setActive(true);
        QVERIFY(!l.link.active());
        QCOMPARE(l.places(), (QList<quint32> {110, 112}));
        QCOMPARE(l.reports[1].code, quint32(ENOENT));
        QCOMPARE(l.link.comHandle(), ~quintptr(0));
    }

    void portInUse()
    {
        Line l;
        l.link.setActive(true);
        QVERIFY(l.link.active());
        TSerialLink second;
        QList<quint32> places;
        second.setOnProcessError([&](TSerialLink*, quint32 place, quint32 code, const QString&, quint8) {
            places << place;
            if (place == 112)
                QCOMPARE(code, quint32(EBUSY));
        });
        ScaleRead::configure(second, l.pty.slavePath());
        second.setActive(true);
        QVERIFY(!second.active());
        QCOMPARE(places, (QList<quint32> {110, 112}));
        QVERIFY(l.link.active());
    }

    void hangUpReportedOnce()
    {
        Line l;
        l.link.setActive(true);
        QVERIFY(l.link.active());
        l.pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!l.link.active() && !l.link.busy(), Deadline);
        QTRY_COMPARE_WITH_TIMEOUT(l.places(9000).size(), 1, Deadline);
        QCOMPARE(l.reports.last().code, quint32(EIO));
        // The worker now pauses in the closed state instead of cycling.
        const quint64 openCycles = l.link.worker().openCycles();
        const quint64 pauses = l.link.worker().closedPauses();
        QTRY_VERIFY_WITH_TIMEOUT(l.link.worker().closedPauses() >= pauses + 3, Deadline);
        QCOMPARE(l.link.worker().openCycles(), openCycles);
        QCOMPARE(l.places(9000).size(), 1);
        // The closed state: the handle went with the device.
        QCOMPARE(l.link.comHandle(), ~quintptr(0));
        // Closing reports nothing more; opening again finds no device.
        l.reports.clear();
        l.link.setActive(false);
        l.link.setActive(true);
        QVERIFY(!l.link.active());
        QStringList seen;
        for (const Report& r : l.reports)
            seen << QStringLiteral("%1 %2 %3").arg(r.place).arg(r.code).arg(r.msg);
        QVERIFY2(l.places() == (QList<quint32> {110, 112}), qPrintable(seen.join("; ")));
    }

    void noDescriptorLeft()
    {
        const int before = openDescriptors();
        {
            Line l;
            l.link.setActive(true);
            QVERIFY(l.link.active());
            l.link.setActive(false);
            l.link.setActive(true);
            QVERIFY(l.link.active());
            l.pty.closeMaster();
            QTRY_VERIFY_WITH_TIMEOUT(l.link.comHandle() == ~quintptr(0), Deadline);
            l.link.setActive(true);   // the device is gone: stays closed
            QVERIFY(!l.link.active());
        }
        {
            Line l;
            l.link.setActive(true);
            QVERIFY(l.link.active());
        }   // destroyed while open
        QCOMPARE(openDescriptors(), before);
    }

    void settingsReplaceLineFlags()
    {
        // What an earlier user of the port left on goes when the link applies
        // its settings: even parity checked, no software flow control.
        Line l;
        termios t {};
        QCOMPARE(::tcgetattr(l.pty.master(), &t), 0);   // the slave's settings
        t.c_iflag |= IXOFF | IXANY | IGNPAR;
        QCOMPARE(::tcsetattr(l.pty.master(), TCSANOW, &t), 0);
        l.link.setActive(true);
        QVERIFY(l.link.active());
        QCOMPARE(::tcgetattr(l.pty.master(), &t), 0);
        QCOMPARE(t.c_iflag & (IXON | IXOFF | IXANY | IGNPAR), tcflag_t(0));
        QVERIFY(t.c_iflag & INPCK);
        // (A pseudo-terminal keeps neither a parity bit nor a character size.)
        QCOMPARE(t.c_cflag & (PARODD | CSTOPB | CSIZE | CLOCAL | CREAD), tcflag_t(CSTOPB | CS8 | CLOCAL | CREAD));
        QCOMPARE(::cfgetispeed(&t), speed_t(B2400));
        QCOMPARE(l.places(), QList<quint32> {110});
    }

    void quietModeHoldsBackQueuedEvents()
    {
        // The worker has queued a cluster event for this thread and waits for
        // it; quiet mode switched on before this thread gets to it wins.
        Line l;
        int clusterEvents = 0;
        l.link.setHandler(TSerialLink::OnRxClusterEvent, [&](TSerialLink*) { ++clusterEvents; });
        l.link.setActive(true);
        QVERIFY(l.pty.write("1000\r\n"));
        // Without running events here: the worker stands in its handler call.
        QElapsedTimer t;
        t.start();
        while (l.link.queuedClusters() == 0 && t.elapsed() < Deadline)
            QThread::msleep(5);
        QCOMPARE(l.link.queuedClusters(), 1);
        l.link.setThreadQuietMode(true);
        // The worker cycles on only once this thread has taken the call.
        const quint64 cycles = l.link.worker().openCycles();
        QTRY_VERIFY_WITH_TIMEOUT(l.link.worker().openCycles() >= cycles + 2, Deadline);
        QCOMPARE(clusterEvents, 0);
        QCOMPARE(l.link.clusterRead(), QStringLiteral("1000\r\n"));
    }

    void destroyedWhileWorkerWaitsForHandler()
    {
        // The worker stands in a handler call that this thread never takes:
        // destroying the link releases it instead of waiting forever.
        PseudoTerminal pty;
        QVERIFY(pty.open());
        auto link = std::make_unique<TSerialLink>();
        ScaleRead::configure(*link, pty.slavePath());
        int clusterEvents = 0;
        link->setHandler(TSerialLink::OnRxClusterEvent, [&](TSerialLink*) { ++clusterEvents; });
        link->setActive(true);
        QVERIFY(link->active());
        QVERIFY(pty.write("1000\r\n"));
        QElapsedTimer t;
        t.start();
        while (link->queuedClusters() == 0 && t.elapsed() < Deadline)
            QThread::msleep(5);
        QCOMPARE(link->queuedClusters(), 1);
        link.reset();
        QCoreApplication::processEvents();
        QCOMPARE(clusterEvents, 0);
    }

    void deviceCallsDoNotWaitForThePoll()
    {
        // A wait for line events sleeps without holding the device: the
        // owner's thread reads settings meanwhile, and closing ends the wait.
        PseudoTerminal pty;
        QVERIFY(pty.open());
        PosixSerialDevice dev;
        QCOMPARE(dev.initialise(), 0);
        QCOMPARE(dev.open(pty.slavePath()), 0);
        QCOMPARE(dev.setEventMask(SerialDevice::EvAllLine), 0);
        std::atomic<pid_t> tid {0};
        std::atomic<bool> returned {false};
        SerialDevice::WaitResult result = SerialDevice::WaitResult::Signalled;
        std::thread waiter([&] {
            quint32 events = 0;
            int error = 0;
            dev.waitEvent(0, events, error);   // takes the wake-up of setEventMask
            tid = pid_t(::syscall(SYS_gettid));
            result = dev.waitEvent(60000, events, error);
            returned = true;
        });
        struct Joiner {
            PosixSerialDevice& dev;
            std::thread& t;
            ~Joiner()
            {
                if (t.joinable()) {
                    dev.close();
                    t.join();
                }
            }
        } joiner {dev, waiter};
        // Until the waiter sleeps in poll (its current system call).
        QElapsedTimer t;
        t.start();
        auto inPoll = [&] {
            if (!tid)
                return false;
            QFile f(QStringLiteral("/proc/self/task/%1/syscall").arg(tid.load()));
            if (!f.open(QIODevice::ReadOnly))
                return false;
            const QByteArray nr = f.readAll().split(' ').value(0).trimmed();
            return nr == QByteArray::number(SYS_poll) || nr == QByteArray::number(SYS_ppoll);
        };
        while (!inPoll() && t.elapsed() < Deadline)
            QThread::msleep(1);
        QVERIFY(inPoll());
        SerialDevice::Control c;
        QCOMPARE(dev.getControl(c), 0);
        QVERIFY(dev.handle() >= 0);
        QVERIFY(!returned);   // still asleep in a 60 s wait
        QCOMPARE(dev.close(), 0);
        waiter.join();
        QVERIFY(returned);
        QVERIFY(result != SerialDevice::WaitResult::Failed);
        QVERIFY(!dev.isOpen());
    }

    void emptyReadIsNoError()
    {
        PseudoTerminal pty;
        QVERIFY(pty.open());
        PosixSerialDevice dev;
        QCOMPARE(dev.open(pty.slavePath()), 0);
        QCOMPARE(dev.setTimeouts(SerialDevice::Timeouts {0xFFFFFFFFu, 0, 0, 0, 0}), 0);   // as the link does
        QByteArray got("x");
        QCOMPARE(dev.read(got, 5), 0);   // nothing there (as after a purge)
        QVERIFY(got.isEmpty());
        pty.closeMaster();
        QCOMPARE(dev.read(got, 5), EIO);   // hung up
    }

    void closingIsBounded()
    {
        // Closing while the worker waits for line events returns well within
        // the bounded wait and leaves the worker in the closed state.
        Line l;
        l.link.setActive(true);
        const quint64 cycles = l.link.worker().openCycles();
        QTRY_VERIFY_WITH_TIMEOUT(l.link.worker().openCycles() > cycles, Deadline);
        l.link.setActive(false);
        QVERIFY(!l.link.active());
        QVERIFY(!l.link.busy());
        QCOMPARE(l.places(), (QList<quint32> {110, 100}));
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "test_seriallink.moc"
