// Any stored port name: the device path is a path, never empty, and the
// "Com1".."Com16" names map to the first sixteen serial devices.
#include "scale/serialrules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 256)
        return 0;
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    const QString path = SerialRules::devicePath(name);
    if (!path.startsWith(QLatin1Char('/')))
        std::abort();
    if (name.startsWith(QLatin1Char('/')) && path != name)
        std::abort();
    return 0;
}
