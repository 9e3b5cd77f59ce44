// scale-read: does the indicator talk to us? Opens PORT with the scale's
// settings, waits up to --wait seconds (2 by default) for a piece of text,
// performs the scale read and prints the scale text trimmed.
//
//   scale-read PORT [--wait SECONDS]
//
// PORT as in the port selection window: "Com1".."Com16", ttyUSB0,
// serial/by-id/..., or a path. Exit status: 0 a weight was read; 1 nothing
// with a digit arrived, or the reading was refused (moving, overloaded,
// negative; the message says which); 2 the port could not be opened; 3 bad
// arguments.
#include "scale/scaleread.h"
#include "scale/serialrules.h"
#include "scale/tseriallink.h"
#include "context/prompt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <cstring>

namespace {

// The read's messages go to the terminal.
class StderrPrompt : public Prompt {
public:
    void message(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool confirm(const QString& text) override
    {
        message(text);
        return false;
    }
    void confirmYesOnly(const QString& text) override { message(text); }
    void information(const QString& text, const QString&) override { message(text); }
    void error(const QString& text, const QString&) override { message(text); }
};

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString port;
    double wait = 2;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--wait") && i + 1 < args.size()) {
            bool ok = false;
            wait = args[++i].toDouble(&ok);
            if (!ok || wait < 0) {
                std::fprintf(stderr, "scale-read: bad --wait value\n");
                return 3;
            }
        } else if (port.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            port = args[i];
        } else {
            std::fprintf(stderr, "usage: scale-read PORT [--wait SECONDS]\n");
            return 3;
        }
    }
    if (port.isEmpty()) {
        std::fprintf(stderr, "usage: scale-read PORT [--wait SECONDS]\n");
        return 3;
    }

    TSerialLink link;
    ScaleRead::configure(link, port);
    // Errors of the link are shown here, for the installer.
    link.setOnProcessError([](TSerialLink*, quint32 place, quint32 code, const QString& msg, quint8 noise) {
        if (noise == 0)
            std::fprintf(stderr, "scale-read: %s (place %u, %s)\n", qPrintable(msg), place,
                    code ? std::strerror(int(code)) : "no code");
    });
    std::fprintf(stderr, "scale-read: %s (%s), 2400 baud 8E2\n", qPrintable(port),
            qPrintable(SerialRules::devicePath(port)));
    link.setActive(true);
    if (link.active()) {
        QElapsedTimer t;
        t.start();
        while (link.queuedClusters() == 0 && link.active() && t.elapsed() < qint64(wait * 1000)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
        // The device went away: take the worker's report of it (the reason
        // for the installer) before the read's quiet mode holds it back.
        QElapsedTimer settle;
        settle.start();
        while (!link.active() && link.busy() && settle.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
    }
    const bool received = link.queuedClusters() > 0;
    StderrPrompt prompt;
    QString scaleText;
    switch (ScaleRead::read(link, prompt, scaleText)) {
    case ScaleRead::ReadResult::Weight:
        std::printf("%s\n", qPrintable(scaleText.trimmed()));
        return 0;
    case ScaleRead::ReadResult::NoWeight:
        std::printf("%s\n", qPrintable(scaleText.trimmed()));
        if (received)
            std::fprintf(stderr, "scale-read: text without a digit arrived\n");
        else
            std::fprintf(stderr, "scale-read: no weight within %g s\n", wait);
        return 1;
    case ScaleRead::ReadResult::Refused:   // moving, overloaded or negative: its message went to stderr
        return 1;
    case ScaleRead::ReadResult::PortClosed:
    case ScaleRead::ReadResult::DatabaseLost:
        break;
    }
    return 2;
}
