#pragma once
#include <QElapsedTimer>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

// Median wall time of a few runs, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer c;
        c.start();
        f();
        t.push_back(c.nsecsElapsed() / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
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
