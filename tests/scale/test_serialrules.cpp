// The serial link's rules without a port: delay table, receive rule, error
// report filter, port names, and the link's properties and worker cycles on
// a scripted device with a scripted clock.
#include "scale/fakeserialdevice.h"
#include "scale/scaleread.h"
#include "scale/serialrules.h"
#include "scale/tseriallink.h"
#include "scale/tworkthread.h"
#include "ui/scriptedprompt.h"

#include <QElapsedTimer>
#include <QTest>
#include <cerrno>

namespace {

struct Report {
    quint32 place;
    quint32 code;
    quint8 noise;
    QString msg;
};

// A link on a fake device whose worker is driven by the test.
struct FakeLink {
    QList<Report> reports;
    FakeSerialDevice* dev = new FakeSerialDevice;
    TSerialLink link {std::unique_ptr<SerialDevice>(dev), false};

    FakeLink()
    {
        link.setOnProcessError([this](TSerialLink*, quint32 place, quint32 code, const QString& msg, quint8 noise) {
            reports.append({place, code, noise, msg});
        });
    }
    QList<quint32> places() const
    {
        QList<quint32> out;
        for (const Report& r : reports)
            out << r.place;
        return out;
    }
};

}   // namespace

class TestSerialRules : public QObject {
    Q_OBJECT
private slots:
    void delayTable_data()
    {
        QTest::addColumn<quint32>("baud");
        QTest::addColumn<quint32>("delay");
        QTest::newRow("below every threshold") << 50u << 1100u;
        QTest::newRow("110") << 110u << 100000u;
        QTest::newRow("just below 2400") << 2399u << 9000u;
        QTest::newRow("2400") << 2400u << 4500u;
        QTest::newRow("9600") << 9600u << 1100u;
        QTest::newRow("56000") << 56000u << 200u;
        QTest::newRow("115200") << 115200u << 95u;
        QTest::newRow("256000") << 256000u << 43u;
        QTest::newRow("above the table") << 1000000u << 43u;
    }
    void delayTable()
    {
        QFETCH(quint32, baud);
        QFETCH(quint32, delay);
        QCOMPARE(SerialRules::charDelayFor(baud), delay);
    }

    void receiveRule_data()
    {
        QTest::addColumn<quint32>("queued");
        QTest::addColumn<quint32>("errors");
        QTest::addColumn<bool>("readRequest");
        QTest::addColumn<quint32>("charDelayUs");
        QTest::addColumn<quint32>("lastEmpty");
        QTest::addColumn<quint32>("now");
        QTest::addColumn<bool>("due");
        // 12 bytes at 43 us: allowance 0 + 250 ms
        QTest::newRow("nothing queued") << 0u << 0u << true << 43u << 1000u << 9000u << false;
        QTest::newRow("gap below allowance") << 12u << 0u << false << 43u << 1000u << 1200u << false;
        QTest::newRow("gap equal to allowance") << 12u << 0u << false << 43u << 1000u << 1250u << false;
        QTest::newRow("gap above allowance") << 12u << 0u << false << 43u << 1000u << 1251u << true;
        // 100 bytes at 4500 us: 450 + 250 ms
        QTest::newRow("per-byte share holds") << 100u << 0u << false << 4500u << 1000u << 1600u << false;
        QTest::newRow("per-byte share passed") << 100u << 0u << false << 4500u << 1000u << 1701u << true;
        QTest::newRow("cluster size reached") << 3072u << 0u << false << 43u << 1000u << 1000u << true;
        QTest::newRow("cluster size not reached") << 3071u << 0u << false << 43u << 1000u << 1000u << false;
        QTest::newRow("framing error") << 5u << quint32(SerialDevice::CeFrame) << false << 43u << 1000u << 1000u
                                       << true;
        QTest::newRow("overrun") << 5u << quint32(SerialDevice::CeOverrun) << false << 43u << 1000u << 1000u << true;
        QTest::newRow("break") << 5u << quint32(SerialDevice::CeBreak) << false << 43u << 1000u << 1000u << true;
        QTest::newRow("other error bit") << 5u << 0x100u << false << 43u << 1000u << 1000u << false;
        QTest::newRow("read request") << 5u << 0u << true << 43u << 1000u << 1000u << true;
        QTest::newRow("clock wrapped") << 12u << 0u << false << 43u << 0xFFFFFF00u << 0x00000100u << true;
    }
    void receiveRule()
    {
        QFETCH(quint32, queued);
        QFETCH(quint32, errors);
        QFETCH(bool, readRequest);
        QFETCH(quint32, charDelayUs);
        QFETCH(quint32, lastEmpty);
        QFETCH(quint32, now);
        QFETCH(bool, due);
        SerialRules::ReadInputs in;
        in.queued = queued;
        in.errors = errors;
        in.readRequest = readRequest;
        in.charDelayUs = charDelayUs;
        in.lastEmpty = lastEmpty;
        in.now = now;
        QCOMPARE(SerialRules::readDue(in), due);
        if (queued > 0 && !due) {
            in.now += SerialRules::msUntilDue(in);
            QVERIFY(SerialRules::readDue(in));
        }
    }

    void reportFilter_data()
    {
        QTest::addColumn<int>("noise");
        QTest::addColumn<int>("errorNoise");
        QTest::addColumn<bool>("destroying");
        QTest::addColumn<bool>("assigned");
        QTest::addColumn<bool>("passes");
        QTest::newRow("error, level 2") << 0 << 2 << false << true << true;
        QTest::newRow("message, level 2") << 2 << 2 << false << true << true;
        QTest::newRow("message, level 1") << 2 << 1 << false << true << false;
        QTest::newRow("warning, level 0") << 1 << 0 << false << true << false;
        QTest::newRow("everything at 255") << 2 << 255 << false << true << true;
        QTest::newRow("destroying") << 0 << 255 << true << true << false;
        QTest::newRow("no handler") << 0 << 255 << false << false << false;
    }
    void reportFilter()
    {
        QFETCH(int, noise);
        QFETCH(int, errorNoise);
        QFETCH(bool, destroying);
        QFETCH(bool, assigned);
        QFETCH(bool, passes);
        QCOMPARE(SerialRules::reportPasses(quint8(noise), quint8(errorNoise), destroying, assigned), passes);
    }

    void devicePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("Com1") << "Com1"
                              << "/dev/ttyS0";
        QTest::newRow("COM5") << "COM5"
                              << "/dev/ttyS4";
        QTest::newRow("com16") << "com16"
                               << "/dev/ttyS15";
        QTest::newRow("Com17") << "Com17"
                               << "/dev/Com17";
        QTest::newRow("adapter") << "ttyUSB0"
                                 << "/dev/ttyUSB0";
        QTest::newRow("by-id") << "serial/by-id/usb-x"
                               << "/dev/serial/by-id/usb-x";
        QTest::newRow("path") << "/tmp/scale"
                              << "/tmp/scale";
    }
    void devicePath()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(SerialRules::devicePath(name), path);
    }

    void startValues()
    {
        FakeLink f;
        TSerialLink& l = f.link;
        QCOMPARE(l.active(), false);
        QCOMPARE(l.comHandle(), ~quintptr(0));
        QCOMPARE(l.commPort(), QStringLiteral("COM2"));
        QCOMPARE(l.baudRate(), 9600u);
        QCOMPARE(l.dataBits(), quint8(8));
        QCOMPARE(l.xonChar(), char(17));
        QCOMPARE(l.xoffChar(), char(19));
        QCOMPARE(l.xonLimDiv(), quint8(33));
        QCOMPARE(l.rtoCharDelayTime(), 1100u);
        QCOMPARE(l.rtoExtraDelayTime(), quint16(250));
        QCOMPARE(l.clusterSize(), quint16(3072));
        QCOMPARE(l.rxQueueSize(), quint16(4096));
        QCOMPARE(l.xtoAuto(), true);
        QCOMPARE(l.rtsState(), true);
        QCOMPARE(l.dtrState(), true);
        QCOMPARE(l.errorNoise(), quint8(255));
        QCOMPARE(l.threadQuietMode(), false);
        QCOMPARE(l.clusterRead(), QString());
        QCOMPARE(l.parityType(), quint8(0));
        QCOMPARE(l.parityErrorChar(), char(0));
        QCOMPARE(l.parityErrorReplacement(), false);
        QCOMPARE(l.stopBits(), quint8(0));
        QCOMPARE(l.xoffLimDiv(), quint8(33));
        QCOMPARE(l.flowControl(), 0);
        QCOMPARE(l.stripNullChars(), false);
        QCOMPARE(l.eventChar(), char(0));
        QCOMPARE(l.txQueueSize(), quint16(4096));
        QCOMPARE(l.wtoCharDelayTime(), 1100u);
        QCOMPARE(l.wtoExtraDelayTime(), quint16(250));
        QCOMPARE(l.breakState(), false);
        QCOMPARE(l.ctsState(), false);
        QCOMPARE(l.dsrState(), false);
        QCOMPARE(l.rlsdState(), false);
        QCOMPARE(l.ringState(), false);
        QCOMPARE(l.readRequest(), false);
        QCOMPARE(l.sendInProgress(), false);
        QCOMPARE(l.commError(), 0u);
        QCOMPARE(l.commStateFlags(), 0u);
        QCOMPARE(l.commStateInQueue(), 0u);
        QCOMPARE(l.commStateOutQueue(), 0u);
        QCOMPARE(l.modemState(), 0u);
        QCOMPARE(l.commEvent(), 0u);
        QCOMPARE(l.writtenBytes(), 0u);
        QCOMPARE(l.autoReadRequest(), false);
        // RTS, DTR and break are not stored while the port is closed.
        l.setRTSState(false);
        l.setDTRState(false);
        l.setBREAKState(true);
        QCOMPARE(l.rtsState(), true);
        QCOMPARE(l.dtrState(), true);
        QCOMPARE(l.breakState(), false);
        QVERIFY(f.reports.isEmpty());
    }

    // A device whose waits fail at once (not a lost device): every failure
    // is reported, and the worker still sleeps a cycle between them.
    void failingWaitDoesNotSpin()
    {
        QList<Report> reports;
        auto* dev = new FakeSerialDevice;
        dev->setWaitError(EINVAL);
        TSerialLink link(std::unique_ptr<SerialDevice>(dev), true);
        link.setOnProcessError([&](TSerialLink*, quint32 place, quint32 code, const QString& msg, quint8 noise) {
            reports.append({place, code, noise, msg});
        });
        QElapsedTimer t;
        t.start();
        link.setActive(true);
        QVERIFY(link.active());
        auto waitFailures = [&] {
            int n = 0;
            for (const Report& r : reports)
                n += r.place == 9913;
            return n;
        };
        QTRY_VERIFY_WITH_TIMEOUT(waitFailures() >= 4, 10000);
        // At least three pauses of one cycle lie between four failures.
        QVERIFY2(t.elapsed() >= 3 * (TWorkThread::OpenWaitMs - 5), qPrintable(QString::number(t.elapsed())));
        QVERIFY(link.active());
        QCOMPARE(reports.last().code, quint32(EINVAL));
        QCOMPARE(reports.last().msg, QStringLiteral("Error getting Overlappedresult"));
    }

    void limitDivisorsClamped()
    {
        FakeLink f;
        f.link.setXONLimDiv(150);
        QCOMPARE(f.link.xonLimDiv(), quint8(100));
        f.link.setXOFFLimDiv(101);
        QCOMPARE(f.link.xoffLimDiv(), quint8(100));
        QCOMPARE(f.reports.size(), 2);
        QCOMPARE(f.reports[0].place, 100u);
        QCOMPARE(f.reports[0].code, 150u);
        QCOMPARE(f.reports[0].noise, quint8(1));
        QCOMPARE(f.reports[0].msg, QStringLiteral("Warning XOnLimDef set to 100"));
        QCOMPARE(f.reports[1].code, 101u);
        QCOMPARE(f.reports[1].msg, QStringLiteral("Warning XOffLimDef set to 100"));
        // Filtered out below the warning level.
        f.link.setErrorNoise(0);
        f.link.setXONLimDiv(200);
        QCOMPARE(f.reports.size(), 2);
    }

    void delaysFollowBaudRate()
    {
        FakeLink f;
        f.link.setBaudRate(2400);
        QCOMPARE(f.link.rtoCharDelayTime(), 4500u);
        QCOMPARE(f.link.wtoCharDelayTime(), 4500u);
        f.link.setRTOCharDelayTime(43);
        QCOMPARE(f.link.rtoCharDelayTime(), 43u);
        f.link.setXTOAuto(false);
        f.link.setBaudRate(9600);
        QCOMPARE(f.link.rtoCharDelayTime(), 43u);
        f.link.setXTOAuto(true);
        QCOMPARE(f.link.rtoCharDelayTime(), 1100u);
    }

    void queueSizeNeedsOpenPort()
    {
        FakeLink f;
        f.link.setRxQueueSize(1024);
        QCOMPARE(f.places(), QList<quint32> {101});
        QCOMPARE(f.reports[0].msg, QStringLiteral("Error can not set Quesize"));
    }

    void missingPortReportsOpeningOnly()
    {
        FakeLink f;
        f.dev->setOpenError(ENOENT);
        f.link.setActive(true);
        QVERIFY(!f.link.active());
        QCOMPARE(f.places(), (QList<quint32> {110, 112}));
        QCOMPARE(f.reports[0].msg, QStringLiteral("Msg start reactivating Port"));
        QCOMPARE(f.reports[0].noise, quint8(2));
        QCOMPARE(f.reports[1].msg, QStringLiteral("Error reopening Port"));
        QCOMPARE(f.reports[1].code, quint32(ENOENT));
    }

    void openingAndClosing()
    {
        FakeLink f;
        ScaleRead::configure(f.link, QStringLiteral("Com5"));
        f.link.setActive(true);
        QVERIFY(f.link.active());
        QCOMPARE(f.dev->openedPath(), QStringLiteral("/dev/ttyS4"));
        QCOMPARE(f.dev->calls(),
                (QStringList {"open /dev/ttyS4", "queues 4096 4096", "control", "SetDtr", "SetRts", "mask 1ff"}));
        const SerialDevice::Control c = f.dev->control();
        QCOMPARE(c.baudRate, 2400u);
        QCOMPARE(c.byteSize, quint8(8));
        QCOMPARE(c.parity, quint8(2));
        QCOMPARE(c.stopBits, quint8(2));
        QCOMPARE(c.flags, quint32(SerialDevice::FBinary | SerialDevice::FParity));
        QCOMPARE(c.xonLim, 4096u * 33 / 100);
        QCOMPARE(c.xonChar, char(17));
        QCOMPARE(f.link.rtoCharDelayTime(), 43u);

        // A refused setting is reported and the port stays open.
        f.dev->setControlError(EINVAL);
        f.link.setBaudRate(14400);
        QVERIFY(f.link.active());
        QCOMPARE(f.reports.last().place, 802u);

        f.reports.clear();
        f.link.setActive(false);
        QVERIFY(!f.link.active());
        QCOMPARE(f.places(), QList<quint32> {100});
        QCOMPARE(f.reports[0].msg, QStringLiteral("Msg start deactivating Port"));
        QCOMPARE(f.dev->calls().mid(f.dev->calls().indexOf("mask 0")),
                (QStringList {"mask 0", "purge", "ClrDtr", "ClrRts", "close"}));
    }

    void commPortReopens()
    {
        FakeLink f;
        ScaleRead::configure(f.link, QStringLiteral("Com5"));
        f.link.setCommPort(QStringLiteral("ttyUSB0"));   // closed: stored only
        QVERIFY(f.dev->calls().isEmpty());
        f.link.setActive(true);
        f.reports.clear();
        f.link.setCommPort(QStringLiteral("ttyUSB0"));   // the same name: nothing
        QVERIFY(f.reports.isEmpty());
        f.link.setCommPort(QStringLiteral("Com1"));
        QVERIFY(f.link.active());
        QCOMPARE(f.dev->openedPath(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(f.places(), (QList<quint32> {100, 110}));
        const QStringList calls = f.dev->calls();
        QCOMPARE(calls.mid(calls.lastIndexOf("close")).first(2), (QStringList {"close", "open /dev/ttyS0"}));
    }

    // The worker's read step on the scripted clock and line status.
    void clusters_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<quint32>("errors");
        QTest::addColumn<bool>("readRequest");
        QTest::addColumn<quint32>("wait");
        QTest::addColumn<bool>("cluster");
        QTest::newRow("gap below allowance") << 12 << 0u << false << 250u << false;
        QTest::newRow("gap above allowance") << 12 << 0u << false << 251u << true;
        QTest::newRow("cluster size") << 3072 << 0u << false << 0u << true;
        QTest::newRow("parity error") << 5 << quint32(SerialDevice::CeRxParity) << false << 0u << true;
        QTest::newRow("read request") << 5 << 0u << true << 0u << true;
    }
    void clusters()
    {
        QFETCH(int, bytes);
        QFETCH(quint32, errors);
        QFETCH(bool, readRequest);
        QFETCH(quint32, wait);
        QFETCH(bool, cluster);
        FakeLink f;
        ScaleRead::configure(f.link, QStringLiteral("Com5"));
        int clusterEvents = 0;
        f.link.setHandler(TSerialLink::OnRxClusterEvent, [&](TSerialLink*) { ++clusterEvents; });
        f.link.setActive(true);
        f.link.worker().cycle();   // leaves the closed state
        f.link.worker().cycle();   // sees the empty buffer
        const QByteArray data(bytes, 'x');
        f.dev->receive(data);
        f.dev->raiseErrors(errors);
        f.link.setReadRequest(readRequest);
        f.dev->advance(wait);
        f.link.worker().cycle();
        QCOMPARE(f.link.queuedClusters(), cluster ? 1 : 0);
        QCOMPARE(clusterEvents, cluster ? 1 : 0);
        QVERIFY(!f.link.readRequest() || !cluster);
        if (cluster) {
            QCOMPARE(f.link.clusterRead(), QString::fromLatin1(data));
            QCOMPARE(f.dev->buffered(), 0);
        }
        QCOMPARE(f.link.clusterRead(), QString());
        QCOMPARE(f.places(), QList<quint32> {110});   // the opening; nothing from the worker
    }

    // The two sending modes of an indicator: on demand (pieces far apart,
    // as a print key is pressed) every piece is kept and read oldest first;
    // sending all the time only the last few are kept and a read takes the
    // newest complete line, dropping the rest.
    void sendingModes_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<int>("queued");
        QTest::addColumn<QStringList>("reads");
        const QStringList six {"1000\r\n", "2000\r\n", "3000\r\n", "4000\r\n", "5000\r\n", "6000\r\n"};
        QTest::newRow("on demand") << 0 << six << 6
                                   << QStringList {"1000", "2000", "3000", "4000", "5000", "6000", "0"};
        QTest::newRow("continuous") << ScaleRead::ContinuousKeep << six << 4 << QStringList {"6000", "0"};
        QTest::newRow("continuous, frames cut across pieces")
                << ScaleRead::ContinuousKeep
                << QStringList {"ST,GS,+  001000kg\r\nST,GS,+  0020", "00kg\r\nST,GS,+  00"} << 2
                << QStringList {"002000", "0"};
        QTest::newRow("continuous, no line ends")
                << ScaleRead::ContinuousKeep << QStringList {"1000", "2000"} << 2 << QStringList {"2000", "0"};
    }
    void sendingModes()
    {
        QFETCH(int, keep);
        QFETCH(QStringList, pieces);
        QFETCH(int, queued);
        QFETCH(QStringList, reads);
        FakeLink f;
        ScaleRead::configure(f.link, QStringLiteral("Com5"));
        f.link.setKeepClusters(keep);
        f.link.setActive(true);
        f.link.worker().cycle();
        for (const QString& p : pieces) {
            f.dev->advance(keep > 0 ? 250 : 30000);
            f.dev->receive(p.toLatin1());
            f.link.setReadRequest(true);
            f.link.worker().cycle();
        }
        QCOMPARE(f.link.queuedClusters(), queued);
        ScriptedPrompt prompt;
        QString scaleText;
        for (const QString& expected : reads) {
            ScaleRead::read(f.link, prompt, scaleText);
            QCOMPARE(scaleText.trimmed(), expected);
        }
        QVERIFY(prompt.allAnswered());
    }

    void quietModeSilencesWorker()
    {
        FakeLink f;
        ScaleRead::configure(f.link, QStringLiteral("Com5"));
        int events = 0;
        f.link.setHandler(TSerialLink::OnRxClusterEvent, [&](TSerialLink*) { ++events; });
        f.link.setHandler(TSerialLink::OnCommStat, [&](TSerialLink*) { ++events; });
        f.link.setHandler(TSerialLink::OnCommEvent, [&](TSerialLink*) { ++events; });
        f.link.setActive(true);
        f.link.setThreadQuietMode(true);
        f.link.worker().cycle();
        f.dev->receive("1000");
        f.dev->signal(SerialDevice::EvRxChar);
        f.link.setReadRequest(true);
        f.link.worker().cycle();
        QCOMPARE(f.link.queuedClusters(), 1);
        QCOMPARE(events, 0);
    }

    void eventsDispatchedInOrder()
    {
        FakeLink f;
        QStringList seen;
        f.link.setHandler(TSerialLink::OnCTSEvent, [&](TSerialLink*) { seen << "cts"; });
        f.link.setHandler(TSerialLink::OnBreakEvent, [&](TSerialLink*) { seen << "break"; });
        f.link.setHandler(TSerialLink::OnRxCharEvent, [&](TSerialLink*) { seen << "rxchar"; });
        f.link.setHandler(TSerialLink::OnCommEvent, [&](TSerialLink*) { seen << "comm"; });
        f.link.setActive(true);
        f.link.worker().cycle();
        f.dev->signal(SerialDevice::EvRxChar | SerialDevice::EvCts | SerialDevice::EvBreak);
        f.link.worker().cycle();
        QCOMPARE(seen, (QStringList {"break", "cts", "rxchar", "comm"}));
        QCOMPARE(f.link.commEvent(), quint32(SerialDevice::EvRxChar | SerialDevice::EvCts | SerialDevice::EvBreak));
    }
};

QTEST_GUILESS_MAIN(TestSerialRules)
#include "test_serialrules.moc"
