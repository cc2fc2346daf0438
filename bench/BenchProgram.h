#pragma once

// What the benchmarks share: their command line, a program directory of their
// own and the timing of a step.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

#include "settings/ProgramDir.h"

// The value of "--runs N" (at least 1), `fallback` without it.
inline int runsArgument(const QStringList& arguments, int fallback) {
  int runs = fallback;
  for (int i = 1; i + 1 < arguments.size(); ++i)
    if (arguments[i] == QLatin1String("--runs")) runs = std::max(1, arguments[i + 1].toInt());
  return runs;
}

// Takes "NAME VALUE" out of `arguments` and gives VALUE; empty without it.
inline QString takeOptionValue(QStringList& arguments, const QString& name) {
  const qsizetype at = arguments.indexOf(name);
  if (at < 0 || at + 1 >= arguments.size()) return {};
  const QString value = arguments[at + 1];
  arguments.remove(at, 2);
  return value;
}

// Makes `path` the program directory, with "sources" and "base", and its
// current directory; the shipped limits go into "sources".
inline void prepareProgramDir(const QString& path) {
  QDir(path).mkpath(QStringLiteral("sources"));
  QDir(path).mkpath(QStringLiteral("base"));
  QDir::setCurrent(path);
  setProgramDir(path);
  QFile::copy(QStringLiteral(VT3417_SOURCE_DIR "/data/sources/limits.csv"),
              programPath(QStringLiteral("sources/limits.csv")));
}

struct Timing {
  double medianMs;
  double slowestMs;
  double processorMs;  // median processor time: on a busy machine the wall time is mostly waiting
};

// `step` run `runs` times, each timed.
inline Timing measure(int runs, const std::function<void()>& step) {
  std::vector<double> times;
  std::vector<double> processor;
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer timer;
    timer.start();
    const std::clock_t start = std::clock();
    step();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    processor.push_back(1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  std::sort(times.begin(), times.end());
  std::sort(processor.begin(), processor.end());
  return {times[times.size() / 2], times.back(), processor[processor.size() / 2]};
}
