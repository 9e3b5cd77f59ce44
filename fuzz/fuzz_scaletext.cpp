// Any bytes from the indicator's line: they go through the serial link (a
// scripted device, the worker's cycles driven here) and the scale read. The
// scale text keeps only digits and blanks, one character per received
// character, or is "0".
#include "context/prompt.h"
#include "scale/fakeserialdevice.h"
#include "scale/scaleread.h"
#include "scale/tseriallink.h"
#include "scale/tworkthread.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {
class SilentPrompt : public Prompt {
public:
    void message(const QString&) override { }
    void information(const QString&, const QString&) override { }
    bool confirm(const QString&) override { return false; }
    void confirmYesOnly(const QString&) override { }
    void error(const QString&, const QString&) override { }
};

void check(const QString& text)
{
    if (text.isEmpty())
        std::abort();
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            std::abort();
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 512)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz_scaletext";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    check(ScaleRead::weightText(QString::fromLatin1(bytes)));

    auto device = std::make_unique<FakeSerialDevice>();
    FakeSerialDevice& dev = *device;
    TSerialLink link(std::move(device), false);
    ScaleRead::configure(link, QStringLiteral("Com5"));
    SilentPrompt prompt;
    QString scaleText = QStringLiteral("0");
    link.setActive(true);
    dev.receive(bytes);
    for (int i = 0; i < 8; ++i) {
        dev.advance(300);
        link.worker().cycle();
    }
    for (int i = 0; i < 3; ++i) {
        ScaleRead::read(link, prompt, scaleText);
        check(scaleText);
    }
    return 0;
}
