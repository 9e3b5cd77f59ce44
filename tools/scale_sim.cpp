// scale-sim: a scale indicator on a pseudo-terminal, for demonstrations,
// installers and end-to-end tests.
//
//   scale-sim [--link PATH] [--format stgs|digits|garbage] [--weight KG]
//             [--rate PER_SECOND] [--mode stable|motion|negative|overload|ramp]
//             [--paced] [--baud N] [--script FILE] [--count N] [--print-key]
//
// Prints the path of the port to open (and links it to PATH when asked),
// then sends one frame per 1/rate seconds until stopped (an indicator that
// sends all the time), or with --print-key one frame each time its print key
// is pressed (an indicator that sends on demand). Frames:
//   stgs     "ST,GS,+  012340kg\r\n" (US while in motion, OL on overload)
//   digits   "12340\r\n"
//   garbage  random bytes, NUL and line ends included
// --paced sends byte by byte at the line's own speed (8E2 at --baud, 2400 by
// default). --script takes one "KG [mode]" per line and repeats them. Bytes
// that nobody reads are dropped, as on a real line.
//
// While it runs it takes commands on standard input, one per line:
//   KG [mode]   the weight (and mode) from now on, as a truck drives on or off
//               (frames in the format the run started with)
//   garbage     noise on the line from now on, until the next weight
//   print       the print key: one frame at once
#include "scale/pseudoterminal.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int)
{
    g_stop = 1;
}

enum class Mode { Stable, Motion, Negative, Overload, Ramp };

struct Step {
    long kg;
    Mode mode;
};

bool parseMode(const QString& s, Mode& m)
{
    static const struct {
        const char* name;
        Mode mode;
    } names[] = {{"stable", Mode::Stable}, {"motion", Mode::Motion}, {"negative", Mode::Negative},
            {"overload", Mode::Overload}, {"ramp", Mode::Ramp}};
    for (const auto& n : names)
        if (s == QLatin1String(n.name)) {
            m = n.mode;
            return true;
        }
    return false;
}

[[noreturn]] void usage(const char* why)
{
    std::fprintf(stderr,
            "scale-sim: %s\nusage: scale-sim [--link PATH] [--format stgs|digits|garbage] "
            "[--weight KG] [--rate PER_SECOND] [--mode stable|motion|negative|overload|ramp] "
            "[--paced] [--baud N] [--script FILE] [--count N] [--print-key]\n",
            why);
    std::exit(2);
}

QByteArray frame(const QString& format, long kg, Mode mode, bool settled, std::mt19937& rng)
{
    if (format == QLatin1String("garbage")) {
        std::uniform_int_distribution<int> len(5, 40), byte(0, 255);
        QByteArray g;
        for (int i = len(rng); i > 0; --i)
            g += char(byte(rng));
        return g;
    }
    const bool negative = mode == Mode::Negative;
    const long shown = std::labs(kg);
    if (format == QLatin1String("digits")) {
        if (mode == Mode::Overload)
            return "------\r\n";
        return (negative ? QByteArray("-") : QByteArray()) + QByteArray::number(qlonglong(shown)) + "\r\n";
    }
    const char* status = mode == Mode::Overload ? "OL" : (mode == Mode::Motion || !settled) ? "US" : "ST";
    const QByteArray digits = mode == Mode::Overload ? QByteArray("------")
                                                     : QByteArray::number(qlonglong(shown)).rightJustified(6, '0');
    return QByteArray(status) + ",GS," + (negative ? '-' : '+') + digits.rightJustified(8, ' ') + "kg\r\n";
}

// Writes what the line takes; a full line (nobody reading) drops the rest.
bool send(int fd, const QByteArray& bytes, int usPerByte)
{
    if (usPerByte <= 0) {
        const ssize_t n = ::write(fd, bytes.constData(), size_t(bytes.size()));
        return n >= 0 || errno == EAGAIN || errno == EINTR;
    }
    for (char c : bytes) {
        if (g_stop)
            return true;
        if (::write(fd, &c, 1) < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        timespec ts {0, long(usPerByte) * 1000};
        ::nanosleep(&ts, nullptr);
    }
    return true;
}

}   // namespace

int main(int argc, char** argv)
{
    QString link, format = QStringLiteral("stgs"), scriptFile;
    long weight = 12340;
    double rate = 2;
    Mode mode = Mode::Stable;
    bool paced = false;
    bool printKey = false;
    int baud = 2400;
    long count = -1;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        auto value = [&]() -> QString {
            if (i + 1 >= argc)
                usage("an option needs a value");
            return QString::fromLocal8Bit(argv[++i]);
        };
        bool ok = true;
        if (a == QLatin1String("--link"))
            link = value();
        else if (a == QLatin1String("--format"))
            format = value();
        else if (a == QLatin1String("--weight"))
            weight = value().toLong(&ok);
        else if (a == QLatin1String("--rate"))
            rate = value().toDouble(&ok);
        else if (a == QLatin1String("--mode"))
            ok = parseMode(value(), mode);
        else if (a == QLatin1String("--paced"))
            paced = true;
        else if (a == QLatin1String("--baud"))
            baud = value().toInt(&ok);
        else if (a == QLatin1String("--script"))
            scriptFile = value();
        else if (a == QLatin1String("--count"))
            count = value().toLong(&ok);
        else if (a == QLatin1String("--print-key"))
            printKey = true;
        else
            usage("unknown option");
        if (!ok)
            usage("bad value");
    }
    if (format != QLatin1String("stgs") && format != QLatin1String("digits") && format != QLatin1String("garbage"))
        usage("unknown format");
    if (rate <= 0 || rate > 1000 || baud < 50)
        usage("rate must be 0..1000 per second and baud at least 50");

    QList<Step> script;
    if (!scriptFile.isEmpty()) {
        QFile f(scriptFile);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            usage("cannot read the script");
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            bool ok = false;
            Step s {parts[0].toLong(&ok), Mode::Stable};
            if (!ok)
                usage("bad weight in the script");
            if (parts.size() > 1 && !parseMode(parts[1], s.mode))
                usage("bad mode in the script");
            script << s;
        }
        if (script.isEmpty())
            usage("empty script");
    }

    PseudoTerminal pty;
    QString error;
    if (!pty.open(&error)) {
        std::fprintf(stderr, "scale-sim: %s\n", qPrintable(error));
        return 1;
    }
    ::fcntl(pty.master(), F_SETFL, ::fcntl(pty.master(), F_GETFL) | O_NONBLOCK);
    if (!link.isEmpty()) {
        const QByteArray l = QFile::encodeName(link);
        // Only a link of our own kind is replaced: "--link /dev/ttyUSB0" must
        // not remove a device node (or any other file).
        struct stat st { };
        if (::lstat(l.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "scale-sim: %s exists and is not a symbolic link\n", l.constData());
                return 1;
            }
            ::unlink(l.constData());
        }
        if (::symlink(QFile::encodeName(pty.slavePath()).constData(), l.constData()) != 0) {
            std::fprintf(stderr, "scale-sim: cannot link %s: %s\n", l.constData(), std::strerror(errno));
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(link.isEmpty() ? pty.slavePath() : link + QStringLiteral(" -> ") + pty.slavePath()));
    std::fflush(stdout);

    struct sigaction sa { };
    sa.sa_handler = onSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    std::mt19937 rng(12345);
    const QString startFormat = format;
    const int usPerByte = paced ? 12000000 / baud : 0;   // start, 8 data, parity, 2 stop bits
    const long periodNs = long(1e9 / rate);
    long n = 0;
    bool failed = false;
    auto sendFrame = [&] {
        long kg = weight;
        Mode m = mode;
        bool settled = true;
        if (!script.isEmpty()) {
            kg = script[int(n % script.size())].kg;
            m = script[int(n % script.size())].mode;
        }
        if (m == Mode::Ramp) {
            const int steps = 8;
            settled = n >= steps;
            kg = settled ? kg : kg * n / steps;
        } else if (m == Mode::Motion) {
            std::uniform_int_distribution<int> jitter(-50, 50);
            kg += jitter(rng);
        }
        ++n;
        failed = !send(pty.master(), frame(format, kg, m, settled, rng), usPerByte);
    };
    // A command line from standard input; false for one it does not know.
    auto command = [&](const QString& line) {
        if (line == QLatin1String("print")) {
            sendFrame();
            return true;
        }
        if (line == QLatin1String("garbage")) {
            format = QStringLiteral("garbage");
            return true;
        }
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        const long kg = parts.value(0).toLong(&ok);
        Mode m = Mode::Stable;
        if (!ok || (parts.size() > 1 && !parseMode(parts[1], m)))
            return false;
        weight = kg;
        mode = m;
        format = startFormat;
        script.clear();
        return true;
    };

    bool input = true;   // standard input still open
    QByteArray pending;
    timespec next {};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    while (!g_stop && !failed && (count < 0 || n < count)) {
        int waitMs = 200;
        if (!printKey) {
            timespec now {};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const long long dueNs = (long long)(next.tv_sec - now.tv_sec) * 1000000000LL + (next.tv_nsec - now.tv_nsec);
            if (dueNs <= 0) {
                sendFrame();
                next.tv_nsec += periodNs;
                while (next.tv_nsec >= 1000000000L) {
                    next.tv_nsec -= 1000000000L;
                    ++next.tv_sec;
                }
                continue;
            }
            waitMs = int(qMin<long long>((dueNs + 999999) / 1000000, 200));
        }
        pollfd in {STDIN_FILENO, POLLIN, 0};
        const int r = ::poll(input ? &in : nullptr, input ? 1 : 0, waitMs);
        if (r <= 0 || !input)
            continue;
        char buf[256];
        const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
        if (got <= 0) {
            if (got == 0 || (errno != EINTR && errno != EAGAIN))
                input = false;
            continue;
        }
        pending.append(buf, int(got));
        for (int end; (end = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (!line.isEmpty() && !command(line))
                std::fprintf(stderr, "scale-sim: unknown command: %s\n", qPrintable(line));
        }
    }
    if (!link.isEmpty()) {
        // Removed only while it still points at this simulator's terminal.
        const QByteArray l = QFile::encodeName(link);
        const QByteArray target = QFile::encodeName(pty.slavePath());
        char buf[256];
        const ssize_t n = ::readlink(l.constData(), buf, sizeof buf);
        if (n > 0 && QByteArray(buf, int(n)) == target)
            ::unlink(l.constData());
    }
    return 0;
}
