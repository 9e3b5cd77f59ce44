#pragma once
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

struct Spread {
    double min = 0, median = 0, max = 0;
};

// Wall times of a few runs (the run's index is passed in), in milliseconds.
inline Spread measure(int runs, const std::function<void(int)>& f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer c;
        c.start();
        f(i);
        t.push_back(c.nsecsElapsed() / 1e6);
    }
    std::sort(t.begin(), t.end());
    return {t.front(), t[t.size() / 2], t.back()};
}

// Median wall time of a few runs, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& f)
{
    return measure(runs, [&](int) { f(); }).median;
}

// One line per figure: name, value, baseline, ratio.
inline void report(const QString& name, double ms, const QString& baselineName, double baselineMs)
{
    QTextStream(stdout) << QStringLiteral("%1: %2 ms | baseline %3: %4 ms | ratio %5\n")
                                   .arg(name)
                                   .arg(ms, 0, 'f', 2)
                                   .arg(baselineName)
                                   .arg(baselineMs, 0, 'f', 2)
                                   .arg(baselineMs > 0 ? ms / baselineMs : 0.0, 0, 'f', 2);
}

// The process's resident memory (VmRSS), in megabytes; 0 when unreadable.
inline double residentMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}
