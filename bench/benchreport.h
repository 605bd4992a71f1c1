#pragma once

#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

// One line per figure, the same shape in every benchmark so that `make bench`
// can gather them into one table:
//   FIGURE<TAB>name<TAB>target<TAB>measured ms<TAB>baseline ms<TAB>ratio
namespace BenchReport {

// `prepare` runs before each run and is not timed (emptying a register, say).
inline double
medianMs(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline double medianMs(int runs, const std::function<void()> &work)
{
    return medianMs(
            runs, [] {}, work);
}

inline void figure(const QString &name, const QString &target, double measuredMs, double baselineMs)
{
    QTextStream out(stdout);
    out << "FIGURE\t" << name << '\t' << target << '\t' << QString::number(measuredMs, 'f', 3)
        << '\t' << QString::number(baselineMs, 'f', 3) << '\t'
        << (baselineMs > 0 ? QString::number(measuredMs / baselineMs, 'f', 2) : QString("-"))
        << '\n';
}

} // namespace BenchReport
