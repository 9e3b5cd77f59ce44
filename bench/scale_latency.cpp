// How long after a burst's last byte its cluster can be read, beside the
// receive rule's own allowance, and what the worker costs while idle.
//
//   bench_scale_latency [--trials N] [--idle SECONDS]
#include "scale/pseudoterminal.h"
#include "scale/scaleread.h"
#include "scale/serialrules.h"
#include "scale/tseriallink.h"
#include "scale/tworkthread.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Process CPU share (percent of one core) while the calling thread sleeps.
double idleCpuPercent(double seconds)
{
    const double c0 = cpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    return 100.0 * (cpuSeconds() - c0) / wall;
}

struct Stats {
    double min, median, max;
};
Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

// Milliseconds from the last byte written to the cluster being readable.
std::vector<double> measure(TSerialLink& link, PseudoTerminal& pty, const QByteArray& burst, int usPerByte, int trials)
{
    std::vector<double> out;
    for (int i = 0; i < trials; ++i) {
        if (usPerByte > 0)
            pty.writePaced(burst, usPerByte);
        else
            pty.write(burst);
        const auto last = Clock::now();
        const auto deadline = last + std::chrono::seconds(5);
        while (link.queuedClusters() == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        out.push_back(std::chrono::duration<double, std::milli>(Clock::now() - last).count());
        link.clusterRead();
        // Let the worker see the empty buffer before the next burst.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return out;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int trials = 15;
    double idle = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--trials"))
            trials = qMax(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--idle"))
            idle = qMax(0.5, args[i + 1].toDouble());
    }

    const double baselineCpu = idleCpuPercent(idle);

    PseudoTerminal pty;
    QString error;
    if (!pty.open(&error)) {
        std::fprintf(stderr, "bench_scale_latency: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("scale link benchmark: %d trials, 2400 baud 8E2, 43 us/char + 250 ms\n", trials);
    {
        TSerialLink link;
        ScaleRead::configure(link, pty.slavePath());
        link.setThreadQuietMode(true);
        link.setActive(true);
        if (!link.active()) {
            std::fprintf(stderr, "bench_scale_latency: cannot open %s\n", qPrintable(pty.slavePath()));
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));

        const QByteArray burst("ST,GS,+  012");   // twelve bytes at once
        const double allowance = double(SerialRules::allowanceMs(12, 43, 250));
        const Stats b = stats(measure(link, pty, burst, 0, trials));
        std::printf("burst of 12 bytes, last byte -> readable: min %.1f  median %.1f  max %.1f ms"
                    "   (rule allowance %.0f ms; goal <= %.0f ms)\n",
                b.min, b.median, b.max, allowance, allowance + TWorkThread::OpenWaitMs);

        // A frame at the line's own speed: the allowance runs from its first
        // byte, so it is readable sooner after its last one.
        const QByteArray frame("ST,GS,+  012340kg\r\n");
        const double frameMs = frame.size() * 5.0;
        const Stats p = stats(measure(link, pty, frame, 5000, qMax(1, trials / 2)));
        std::printf("paced frame of %d bytes (%.0f ms on the line), last byte -> readable: min %.1f  "
                    "median %.1f  max %.1f ms   (rule allowance from its first byte %.0f ms; goal <= %.0f ms)\n",
                int(frame.size()), frameMs, p.min, p.median, p.max,
                double(SerialRules::allowanceMs(frame.size(), 43, 250)),
                double(SerialRules::allowanceMs(frame.size(), 43, 250)) - frameMs + TWorkThread::OpenWaitMs);

        const quint64 c0 = link.worker().openCycles();
        const double openCpu = idleCpuPercent(idle);
        const quint64 cycles = link.worker().openCycles() - c0;
        std::printf("idle CPU, port open, nothing arriving: %.3f %% of a core (%.1f worker cycles/s); "
                    "baseline without a link: %.3f %%\n",
                openCpu, double(cycles) / idle, baselineCpu);
    }
    {
        TSerialLink closed;
        ScaleRead::configure(closed, QStringLiteral("/dev/vello-no-such-port"));
        closed.setActive(true);
        const double closedCpu = idleCpuPercent(idle);
        std::printf(
                "idle CPU, port closed: %.3f %% of a core; baseline without a link: %.3f %%\n", closedCpu, baselineCpu);
    }
    return 0;
}
