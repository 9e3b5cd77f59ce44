// The scale read: what the weight fields receive for what the indicator
// sent, the port taken from the site row, and a simulator that goes away.
#include "scale/portsetting.h"
#include "scale/pseudoterminal.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "testapp.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int Deadline = 10000;
const QString NotOpen = QStringLiteral("Hiba! A port nincs megnyitva.");
}   // namespace

class TestScaleRead : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
private slots:
    // The program's settings file of this run lives in a folder of its own.
    void initTestCase()
    {
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }

    void weightText_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << ""
                                 << "0";
        QTest::newRow("letters only") << "OL,GS,+  ------kg\r\n"
                                      << "0";
        QTest::newRow("frame") << "ST,GS,+  012340kg\r\n"
                               << "         012340    ";
        QTest::newRow("sign lost") << "-150"
                                   << " 150";
        QTest::newRow("decimal point") << "12.5"
                                       << "12 5";
        QTest::newRow("nul bytes") << QString::fromLatin1("1\0002", 3) << "1 2";
    }
    void weightText()
    {
        QFETCH(QString, piece);
        QFETCH(QString, text);
        QCOMPARE(ScaleRead::weightText(piece), text);
    }

    // Pieces the indicator sent, one scale read after another.
    void reads_data()
    {
        QTest::addColumn<bool>("portPresent");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QStringList>("fields");   // the scale text trimmed, per read
        QTest::addColumn<QString>("message");   // shown by every read
        QTest::newRow("nothing received") << true << QStringList {} << QStringList {"0"} << QString();
        QTest::newRow("indicator frame") << true << QStringList {"ST,GS,+  012340kg\r\n"} << QStringList {"012340", "0"}
                                         << QString();
        // A minus sign is not dropped: the read is refused and the fields keep
        // what they hold.
        QTest::newRow("negative") << true << QStringList {"-150"} << QStringList {"previous"}
                                  << ScaleRead::NegativeText;
        QTest::newRow("decimal point") << true << QStringList {"12.5"} << QStringList {"12 5"} << QString();
        QTest::newRow("two pieces") << true << QStringList {"1000", "2000"} << QStringList {"1000", "2000", "0"}
                                    << QString();
        QTest::newRow("port missing") << false << QStringList {} << QStringList {"previous", "previous"} << NotOpen;
    }
    void reads()
    {
        QFETCH(bool, portPresent);
        QFETCH(QStringList, pieces);
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        PseudoTerminal pty;
        QVERIFY(pty.open());
        ScriptedPrompt prompt;
        TSerialLink link;
        ScaleRead::configure(link, portPresent ? pty.slavePath() : QStringLiteral("/dev/vello-no-such-port"));
        link.setActive(true);   // as the weighing window opens: silently
        QCOMPARE(link.active(), portPresent);
        for (int i = 0; i < pieces.size(); ++i) {
            QVERIFY(pty.write(pieces[i].toLatin1()));
            QTRY_COMPARE_WITH_TIMEOUT(link.queuedClusters(), i + 1, Deadline);
        }
        QString scaleText = QStringLiteral("previous");
        for (const QString& expected : fields) {
            if (!message.isEmpty())
                prompt.expectMessage(message);
            const ScaleRead::ReadResult o = ScaleRead::read(link, prompt, scaleText);
            QCOMPARE(scaleText.trimmed(), expected);
            QCOMPARE(o,
                    !portPresent                             ? ScaleRead::ReadResult::PortClosed
                            : !message.isEmpty()             ? ScaleRead::ReadResult::Refused
                            : expected == QLatin1String("0") ? ScaleRead::ReadResult::NoWeight
                                                             : ScaleRead::ReadResult::Weight);
        }
        QVERIFY(link.threadQuietMode());
        QVERIFY2(prompt.allAnswered(), qPrintable(prompt.pending().join("; ")));
        QVERIFY(prompt.failures().isEmpty());
    }

    void portFromSiteRow_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("port");
        QTest::newRow("empty") << ""
                               << "COM5";
        QTest::newRow("blank") << "  "
                               << "COM5";
        QTest::newRow("named") << "ttyUSB0"
                               << "ttyUSB0";
    }
    void portFromSiteRow()
    {
        QFETCH(QString, stored);
        QFETCH(QString, port);
        TestApp app;
        PortSetting::save(app.ctx, stored);
        QCOMPARE(ScaleRead::portName(app.ctx), port);
        app.verifyScriptsDone();
    }

    // With the simulator on a pseudo-terminal named in the site row, the
    // read yields its weight; once it is killed the port is reported closed
    // and the scale text keeps the last weight.
    void simulatorEndToEnd()
    {
        const QString sim = QStringLiteral(SCALE_SIM_PATH);
        QVERIFY2(QFile::exists(sim), qPrintable(sim));
        QTemporaryDir dir;
        const QString linkPath = dir.filePath(QStringLiteral("scale"));
        QProcess proc;
        proc.start(sim, {"--link", linkPath, "--weight", "12340", "--rate", "2"});
        QVERIFY(proc.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(linkPath), Deadline);

        TestApp app;
        PortSetting::save(app.ctx, linkPath);
        QObject owner;
        TSerialLink* link = ScaleRead::openLink(app.ctx, &owner);
        QCOMPARE(link->objectName(), QStringLiteral("SerialLink1"));
        QVERIFY(link->active());
        QTRY_VERIFY_WITH_TIMEOUT(link->queuedClusters() >= 1, Deadline);
        QCOMPARE(ScaleRead::read(app.ctx, *link), ScaleRead::ReadResult::Weight);
        QCOMPARE(app.ctx.scaleText.trimmed(), QStringLiteral("012340"));

        proc.kill();
        QVERIFY(proc.waitForFinished());
        QTRY_VERIFY_WITH_TIMEOUT(!link->active(), Deadline);
        app.prompt.expectMessage(NotOpen);
        QCOMPARE(ScaleRead::read(app.ctx, *link), ScaleRead::ReadResult::PortClosed);
        QCOMPARE(app.ctx.scaleText.trimmed(), QStringLiteral("012340"));
        app.verifyScriptsDone();
    }

    // scale-sim sends all the time, faster than pieces form, so a piece
    // holds several frames, cut anywhere. With the site's setting
    // "a mérleg folyamatosan küld" the queue keeps the last few pieces;
    // without it every piece is queued, and the read tells from the pieces'
    // arrivals that the indicator sends on its own. Either way the read
    // yields one whole weight, the current one, and drops what is older.
    void simulatorSendingModes_data()
    {
        QTest::addColumn<bool>("continuous");
        QTest::newRow("setting off") << false;
        QTest::newRow("setting on") << true;
    }
    void simulatorSendingModes()
    {
        QFETCH(bool, continuous);
        const QString sim = QStringLiteral(SCALE_SIM_PATH);
        QTemporaryDir dir;
        const QString linkPath = dir.filePath(QStringLiteral("scale"));
        QProcess proc;
        proc.start(sim, {"--link", linkPath, "--weight", "12340", "--rate", "20"});
        QVERIFY(proc.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(linkPath), Deadline);

        TestApp app;
        PortSetting::save(app.ctx, linkPath);
        QVERIFY(PortSetting::setContinuous(continuous));
        QObject owner;
        TSerialLink* link = ScaleRead::openLink(app.ctx, &owner);
        QVERIFY(link->active());
        QCOMPARE(link->keepClusters(), continuous ? ScaleRead::ContinuousKeep : 0);
        if (continuous) {
            QTRY_COMPARE_WITH_TIMEOUT(link->queuedClusters(), ScaleRead::ContinuousKeep, Deadline);
            QTest::qWait(1000);   // the indicator goes on sending
            QCOMPARE(link->queuedClusters(), ScaleRead::ContinuousKeep);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(link->queuedClusters() > ScaleRead::ContinuousKeep + 2, Deadline);
            QVERIFY(ScaleRead::continuous(*link));
        }
        QCOMPARE(ScaleRead::read(app.ctx, *link), ScaleRead::ReadResult::Weight);
        QCOMPARE(app.ctx.scaleText.trimmed(), QStringLiteral("012340"));
        QVERIFY(link->queuedClusters() <= 1);
        proc.terminate();
        QVERIFY(proc.waitForFinished());
        QVERIFY(PortSetting::setContinuous(false));
        app.verifyScriptsDone();
    }
};

QTEST_MAIN(TestScaleRead)
#include "test_scaleread.moc"
