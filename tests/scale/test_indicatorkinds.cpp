// The two kinds of indicator and what "Mérés" takes from each: the newest
// complete reading from one that sends all the time (never one older than
// the display shows), the pieces oldest first from one that sends on its
// print key; a moving, overloaded or negative reading refused with the fields
// kept; noise never a weight. First on a scripted device with a scripted
// clock (the rules, case by case), then with the simulator on a
// pseudo-terminal, the weight changed while it runs.
#include "scale/fakeserialdevice.h"
#include "scale/indicatorreading.h"
#include "scale/portsetting.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "scale/tworkthread.h"
#include "testapp.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Deadline = 10000;   // ms; only a failure waits this long
const QString Motion = QStringLiteral("A mérleg mozgásban van, várja meg, amíg megáll!");
const QString Negative = QStringLiteral("A mérleg negatív súlyt mutat!");

QString frame(const char* status, char sign, int kg)
{
    return QStringLiteral("%1,GS,%2%3kg\r\n")
            .arg(QLatin1String(status))
            .arg(QLatin1Char(sign))
            .arg(QString::number(kg).rightJustified(6, QLatin1Char('0')).rightJustified(8, QLatin1Char(' ')));
}

QStringList repeated(const QString& piece, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << piece;
    return out;
}

// Line noise: bytes no indicator sends, a digit among them.
const QString Noise = QString::fromLatin1("\x91\x1bz7\xff\r\n");

// A link on a scripted device whose worker the test drives.
struct FakeLink {
    FakeSerialDevice* dev = new FakeSerialDevice;
    TSerialLink link {std::unique_ptr<SerialDevice>(dev), false};
};

// The simulator on a pseudo-terminal, linked to a path in a folder of its own.
struct Sim {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("scale"));
    QProcess proc;

    bool start(const QStringList& args)
    {
        proc.start(QStringLiteral(SCALE_SIM_PATH), QStringList {QStringLiteral("--link"), path} + args);
        return proc.waitForStarted();
    }
    // A command on its standard input ("8000", "8000 motion", "print", "garbage").
    void say(const QString& line) { proc.write((line + QLatin1Char('\n')).toLatin1()); }
    ~Sim()
    {
        proc.terminate();
        proc.waitForFinished();
    }
};

}   // namespace

class TestIndicatorKinds : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }

    void sendsOnItsOwn_data()
    {
        QTest::addColumn<QList<quint32>>("arrivals");
        QTest::addColumn<bool>("onItsOwn");
        QTest::newRow("nothing yet") << QList<quint32> {} << false;
        QTest::newRow("two pieces close together") << QList<quint32> {1000, 1250} << false;
        QTest::newRow("three pieces a quarter second apart") << QList<quint32> {1000, 1250, 1500} << true;
        QTest::newRow("one a second") << QList<quint32> {1000, 2000, 3000, 4000} << true;
        QTest::newRow("two seconds apart") << QList<quint32> {1000, 3000, 5000} << true;
        QTest::newRow("presses for tractor and trailer") << QList<quint32> {1000, 40000, 95000} << false;
        QTest::newRow("only the last pieces count") << QList<quint32> {1000, 1100, 1200, 30000, 30250} << false;
        QTest::newRow("sending again after a pause") << QList<quint32> {1000, 30000, 30250, 30500} << true;
        QTest::newRow("across the clock's wrap") << QList<quint32> {quint32(-300), quint32(-50), 200} << true;
    }
    void sendsOnItsOwn()
    {
        QFETCH(QList<quint32>, arrivals);
        QFETCH(bool, onItsOwn);
        QCOMPARE(ScaleRead::sendsOnItsOwn(arrivals), onItsOwn);
    }

    void parseNoise_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("shown");
        QTest::newRow("noise with a digit") << Noise << "nincs adat";
        QTest::newRow("control byte in a frame") << QString::fromLatin1("ST,GS,+ \x07 012340kg\r\n") << "nincs adat";
        QTest::newRow("STX and ETX framing") << QString::fromLatin1("\x02 12340 kg\x03\r\n") << "12 340 kg";
        QTest::newRow("tab") << QString::fromLatin1("GS\t8000\r\n") << "8 000 kg";
    }
    void parseNoise()
    {
        QFETCH(QString, piece);
        QFETCH(QString, shown);
        QCOMPARE(IndicatorReading::parse(piece).text(), shown);
    }

    // Pieces arrive `gap` ms apart on the scripted clock; `after` ms after
    // the last the display is looked at and "Mérés" pressed once per entry of
    // `reads`: the scale text it yields, or the message it refuses with
    // (the scale text then keeps "previous").
    void reads_data()
    {
        QTest::addColumn<bool>("setting");   // "a mérleg folyamatosan küld"
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<int>("gap");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("reads");
        const QString st12340 = frame("ST", '+', 12340);
        const QString st8000 = frame("ST", '+', 8000);

        // On the print key: oldest first, each piece once.
        QTest::newRow("print key: tractor and trailer") << false << QStringList {st12340, st8000} << 40000 << 0
                                                        << "8 000 kg  stabil" << QStringList {"012340", "008000", "0"};
        QTest::newRow("print key: two presses close together") << false << QStringList {"1000\r\n", "2000\r\n"} << 300
                                                               << 0 << "2 000 kg" << QStringList {"1000", "2000", "0"};
        QTest::newRow("print key: pressed while moving, then again")
                << false << QStringList {frame("US", '+', 12100), st12340} << 20000 << 0 << "12 340 kg  stabil"
                << QStringList {Motion, "012340", "0"};
        QTest::newRow("print key: negative")
                << false << QStringList {"-1500\r\n"} << 0 << 0 << "-1 500 kg" << QStringList {Negative, "0"};
        QTest::newRow("print key: noise")
                << false << QStringList {Noise} << 0 << 0 << "nincs adat" << QStringList {"0"};
        QTest::newRow("print key: read long after the press")
                << false << QStringList {st12340} << 0 << 60000 << "nincs adat" << QStringList {"012340", "0"};

        // Sending all the time: the newest complete reading, the one shown.
        QTest::newRow("sends on its own: weight changed") << false << repeated(st12340, 4) + repeated(st8000, 2) << 250
                                                          << 0 << "8 000 kg  stabil" << QStringList {"008000", "0"};
        QTest::newRow("sends on its own: frames cut across pieces")
                << false << QStringList {st12340, st12340 + st12340.left(9), st12340.mid(9) + st8000.left(5)} << 250
                << 0 << "12 340 kg  stabil" << QStringList {"012340"};
        QTest::newRow("sends on its own: settled after moving")
                << false << QStringList {frame("US", '+', 12100), frame("US", '+', 12300), st12340} << 250 << 0
                << "12 340 kg  stabil" << QStringList {"012340"};
        QTest::newRow("sends on its own: moving") << false << QStringList {st12340, st12340, frame("US", '+', 12100)}
                                                  << 250 << 0 << "12 100 kg  mozgásban" << QStringList {Motion};
        QTest::newRow("sends on its own: overload")
                << false << QStringList {st12340, st12340, frame("OL", '+', 0).replace("000000", "------")} << 250 << 0
                << "túlterhelés" << QStringList {Motion};
        QTest::newRow("sends on its own: negative") << false << repeated(frame("ST", '-', 1500), 3) << 250 << 0
                                                    << "-1 500 kg  stabil" << QStringList {Negative};
        QTest::newRow("sends on its own: minus zero is zero")
                << false << repeated(frame("ST", '-', 0), 3) << 250 << 0 << "0 kg  stabil" << QStringList {"000000"};
        QTest::newRow("sends on its own: digits alone")
                << false << repeated(QStringLiteral("8000\r\n"), 3) << 500 << 0 << "8 000 kg" << QStringList {"8000"};
        QTest::newRow("sends on its own: noise after readings")
                << false << repeated(st12340, 3) + QStringList {Noise, Noise} << 250 << 0 << "nincs adat"
                << QStringList {"0"};
        QTest::newRow("sends on its own: stopped three seconds ago")
                << false << repeated(st12340, 5) << 250 << 3000 << "nincs adat" << QStringList {"0"};
        // The setting: the newest reading even from pieces far apart.
        QTest::newRow("setting on: pieces far apart") << true << QStringList {"1000\r\n", "2000\r\n"} << 10000 << 0
                                                      << "2 000 kg" << QStringList {"2000", "0"};
    }
    void reads()
    {
        QFETCH(bool, setting);
        QFETCH(QStringList, pieces);
        QFETCH(int, gap);
        QFETCH(int, after);
        QFETCH(QString, shown);
        QFETCH(QStringList, reads);
        FakeLink f;
        ScaleRead::configure(f.link, QStringLiteral("Com5"));
        f.link.setKeepClusters(setting ? ScaleRead::ContinuousKeep : 0);
        f.link.setActive(true);
        f.link.worker().cycle();
        for (int i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                f.dev->advance(quint32(gap));
            f.dev->receive(pieces[i].toLatin1());
            f.link.setReadRequest(true);
            f.link.worker().cycle();
        }
        f.dev->advance(quint32(after));
        QCOMPARE(ScaleRead::displayText(&f.link), shown);

        ScriptedPrompt prompt;
        for (const QString& expected : reads) {
            const bool refused = expected == Motion || expected == Negative;
            if (refused)
                prompt.expectMessage(expected);
            QString scaleText = QStringLiteral("previous");
            const ScaleRead::ReadResult o = ScaleRead::read(f.link, prompt, scaleText);
            QCOMPARE(scaleText.trimmed(), refused ? QStringLiteral("previous") : expected);
            QCOMPARE(ScaleRead::fillsFields(o), !refused);
        }
        QVERIFY2(prompt.allAnswered(), qPrintable(prompt.pending().join(QLatin1String("; "))));
        QVERIFY(prompt.failures().isEmpty());
    }

    // The simulator in both kinds, its weight changed between two reads:
    // "Mérés" gives the weight on the indicator, in order for the print key.
    void simulatorWeightChange_data()
    {
        QTest::addColumn<bool>("printKey");
        QTest::addColumn<bool>("setting");
        QTest::newRow("sends all the time, setting off") << false << false;
        QTest::newRow("sends all the time, setting on") << false << true;
        QTest::newRow("print key") << true << false;
    }
    void simulatorWeightChange()
    {
        QFETCH(bool, printKey);
        QFETCH(bool, setting);
        Sim sim;
        QVERIFY(sim.start(printKey ? QStringList {"--print-key", "--weight", "12340"}
                                   : QStringList {"--weight", "12340", "--rate", "10"}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(sim.path), Deadline);
        TestApp app;
        PortSetting::save(app.ctx, sim.path);
        QVERIFY(PortSetting::setContinuous(setting));
        QObject owner;
        TSerialLink* link = ScaleRead::openLink(app.ctx, &owner);
        QVERIFY(link->active());
        QString scaleText;
        if (printKey) {
            sim.say(QStringLiteral("print"));   // the tractor
            QTRY_COMPARE_WITH_TIMEOUT(link->queuedClusters(), 1, Deadline);
            sim.say(QStringLiteral("8000"));   // the trailer
            sim.say(QStringLiteral("print"));
            QTRY_COMPARE_WITH_TIMEOUT(link->queuedClusters(), 2, Deadline);
            for (const char* expected : {"012340", "008000", "0"}) {
                ScaleRead::read(*link, app.prompt, scaleText);
                QCOMPARE(scaleText.trimmed(), QLatin1String(expected));
            }
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(link->queuedClusters() >= 3, Deadline);
            ScaleRead::read(*link, app.prompt, scaleText);
            QCOMPARE(scaleText.trimmed(), QStringLiteral("012340"));
            // The truck drives off and the next one on; the display shows it.
            sim.say(QStringLiteral("8000"));
            QTRY_VERIFY_WITH_TIMEOUT(link->lastClusterText().contains(QLatin1String("008000kg\r\n")), Deadline);
            ScaleRead::read(*link, app.prompt, scaleText);
            QCOMPARE(scaleText.trimmed(), QStringLiteral("008000"));
        }
        QVERIFY(PortSetting::setContinuous(false));
        app.verifyScriptsDone();
    }

    // A moving, overloaded or negative weight from the simulator is refused
    // and the scale text kept; once the indicator shows a stable weight it is
    // taken.
    void simulatorRefusals_data()
    {
        QTest::addColumn<bool>("printKey");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("message");
        for (bool printKey : {false, true}) {
            const char* kind = printKey ? "print key" : "sends all the time";
            QTest::addRow("%s, motion", kind) << printKey << "motion" << Motion;
            QTest::addRow("%s, overload", kind) << printKey << "overload" << Motion;
            QTest::addRow("%s, negative", kind) << printKey << "negative" << Negative;
        }
    }
    void simulatorRefusals()
    {
        QFETCH(bool, printKey);
        QFETCH(QString, mode);
        QFETCH(QString, message);
        Sim sim;
        QStringList args {"--weight", "12340", "--mode", mode};
        args << (printKey ? QStringList {"--print-key"} : QStringList {"--rate", "10"});
        QVERIFY(sim.start(args));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(sim.path), Deadline);
        TestApp app;
        PortSetting::save(app.ctx, sim.path);
        QObject owner;
        TSerialLink* link = ScaleRead::openLink(app.ctx, &owner);
        QVERIFY(link->active());
        if (printKey)
            sim.say(QStringLiteral("print"));
        QTRY_VERIFY_WITH_TIMEOUT(link->queuedClusters() >= (printKey ? 1 : 3), Deadline);

        QString scaleText = QStringLiteral("previous");
        app.prompt.expectMessage(message);
        ScaleRead::read(*link, app.prompt, scaleText);
        QCOMPARE(scaleText, QStringLiteral("previous"));
        QVERIFY2(app.prompt.allAnswered(), qPrintable(app.prompt.pending().join(QLatin1String("; "))));

        sim.say(QStringLiteral("12340"));
        if (printKey) {
            sim.say(QStringLiteral("print"));
            QTRY_COMPARE_WITH_TIMEOUT(link->queuedClusters(), 1, Deadline);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(
                    link->lastClusterText().contains(QLatin1String("ST,GS,+  012340kg\r\n")), Deadline);
        }
        ScaleRead::read(*link, app.prompt, scaleText);
        QCOMPARE(scaleText.trimmed(), QStringLiteral("012340"));
        app.verifyScriptsDone();
    }

    // Noise on the line after good readings: "Mérés" must not fill the last
    // good reading while the display says "nincs adat".
    void simulatorGarbage()
    {
        Sim sim;
        QVERIFY(sim.start({"--weight", "12340", "--rate", "10"}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(sim.path), Deadline);
        TestApp app;
        PortSetting::save(app.ctx, sim.path);
        QObject owner;
        TSerialLink* link = ScaleRead::openLink(app.ctx, &owner);
        QVERIFY(link->active());
        QTRY_VERIFY_WITH_TIMEOUT(link->queuedClusters() >= 3, Deadline);
        sim.say(QStringLiteral("garbage"));
        // Two whole pieces of noise after the last frame.
        quint64 noiseFrom = 0;
        const auto noiseArrived = [&] {
            if (link->lastClusterText().contains(QLatin1String("GS,")))
                noiseFrom = 0;
            else if (noiseFrom == 0)
                noiseFrom = link->receivedClusters();
            return noiseFrom > 0 && link->receivedClusters() >= noiseFrom + 2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(noiseArrived(), Deadline);
        QVERIFY(link->queuedClusters() > 2);   // the good readings are still queued
        // The simulator's noise is seeded: its first thousands of bytes hold
        // no line that reads as a weight, so the read finds none.
        QString scaleText = QStringLiteral("previous");
        ScaleRead::read(*link, app.prompt, scaleText);
        QCOMPARE(scaleText, QStringLiteral("0"));
        app.verifyScriptsDone();
    }
};

QTEST_MAIN(TestIndicatorKinds)
#include "test_indicatorkinds.moc"
