// The serial link on real pseudo-terminals: bursts become clusters, clusters
// are read oldest first, a missing or busy port and a hung-up line are
// reported without the worker spinning.
#include "scale/pseudoterminal.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "scale/tworkthread.h"

#include <QTest>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <thread>

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

} // namespace

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
        QCOMPARE(l.places(), (QList<quint32>{110, 112}));
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
        QCOMPARE(places, (QList<quint32>{110, 112}));
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
        // Opening again finds no device; the stale handle is closed first.
        l.reports.clear();
        l.link.setActive(true);
        QVERIFY(!l.link.active());
        QStringList seen;
        for (const Report& r : l.reports)
            seen << QStringLiteral("%1 %2 %3").arg(r.place).arg(r.code).arg(r.msg);
        QVERIFY2(l.places() == (QList<quint32>{100, 110, 112}), qPrintable(seen.join("; ")));
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
        QCOMPARE(l.places(), (QList<quint32>{110, 100}));
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "test_seriallink.moc"
