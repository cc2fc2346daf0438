// Start-up of the program to its first visible main window, run by hand:
//   bench_startup [--runs N] [work directory]
// Starts the program (the probe: the program's own start, which prints "shown"
// once the main window has painted) as a process of its own, in a program
// directory with an empty database and in one with the benchmark database
// (1,000 bases, 8,000 meters, 200,000 test points, 100,000 archived meters,
// 1,000,000 archived points). The time runs from starting the process to the
// "shown" line; each case is started once untimed first (file cache, the
// settings files the first start writes). Target: 150 ms with the benchmark
// database, and at most 1.5 times the start with the empty one.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "BenchDatabase.h"
#include "BenchProgram.h"
#include "database/DataModule.h"

namespace {

constexpr double kTargetMs = 150;
constexpr double kTargetRatio = 1.5;

// A program directory with the shipped sources; the database is made by the caller.
QString makeProgramDir(const QString& path) {
  QDir(path).mkpath(QStringLiteral("sources"));
  QDir(path).mkpath(QStringLiteral("base"));
  const QDir shipped(QStringLiteral(VT3417_SOURCE_DIR "/data/sources"));
  for (const QString& name : shipped.entryList(QDir::Files))
    QFile::copy(shipped.filePath(name), path + QStringLiteral("/sources/") + name);
  return path;
}

struct StartTime {
  double wallMs = -1;       // from starting the process to the painted window; -1 when it failed
  double processorMs = -1;  // the program's processor time until then
};

StartTime timeStart(const QString& programDir, const QString& tempDir) {
  QProcess program;
  program.setProgram(QStringLiteral(VT3417_STARTUP_PROBE));
  program.setWorkingDirectory(programDir);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("TMPDIR"), tempDir);  // a single-instance marker of its own
  if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program.setProcessEnvironment(environment);
  QElapsedTimer timer;
  timer.start();
  program.start();
  StartTime time;
  QByteArray output;
  while (time.wallMs < 0 && program.waitForReadyRead(60000)) {
    output += program.readAllStandardOutput();
    const qsizetype shown = output.indexOf("shown");
    if (shown >= 0 && output.indexOf('\n', shown) > shown) {
      time.wallMs = timer.nsecsElapsed() / 1e6;
      time.processorMs = output.mid(shown + 5, output.indexOf('\n', shown) - shown - 5).trimmed().toDouble();
    }
  }
  if (!program.waitForFinished(60000)) program.kill();
  if (program.exitCode() != 0) time.wallMs = -1;
  if (time.wallMs < 0)
    std::fprintf(stderr, "the program did not show its main window: %s\n",
                 program.readAllStandardError().constData());
  return time;
}

double printMedian(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-44s", what);
  for (const double ms : times) std::printf(" %7.1f", ms);
  const double median = times[times.size() / 2];
  std::printf("   median %7.1f ms\n", median);
  return median;
}

// The median wall and processor times of `runs` starts.
std::pair<double, double> medianStart(const char* what, const QString& programDir, const QString& tempDir,
                                      int runs) {
  timeStart(programDir, tempDir);  // untimed
  std::vector<double> wall;
  std::vector<double> processor;
  for (int run = 0; run < runs; ++run) {
    const StartTime time = timeStart(programDir, tempDir);
    wall.push_back(time.wallMs);
    processor.push_back(time.processorMs);
  }
  const double wallMedian = printMedian(what, wall);
  return {wallMedian, printMedian("  processor time", processor)};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  const int runs = runsArgument(arguments, 5);
  QTemporaryDir temporary;
  // A work directory given keeps the benchmark database for the next run.
  QString work = temporary.path();
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--runs"))
      ++i;
    else
      work = arguments[i];
  }

  const QString emptyDir = makeProgramDir(work + QStringLiteral("/empty"));
  const QString fullDir = makeProgramDir(work + QStringLiteral("/full"));
  const QString databaseFile = fullDir + QStringLiteral("/base/vt3417.sqlite");
  if (!QFile::exists(databaseFile)) {
    QElapsedTimer fill;
    fill.start();
    DataModule dm(databaseFile, nullptr);
    if (!dm.openTables().isEmpty()) qFatal("the benchmark database could not be made");
    benchdb::populate(*dm.connection());
    std::printf("benchmark database made in %.1f s (%.0f MB)\n", fill.nsecsElapsed() / 1e9,
                QFileInfo(databaseFile).size() / 1e6);
  }

  std::printf("start to the first painted main window, ms (%d runs each, sorted)\n", runs);
  const auto [empty, emptyProcessor] = medianStart("empty database", emptyDir, work, runs);
  const auto [full, fullProcessor] = medianStart("benchmark database", fullDir, work, runs);
  std::printf("benchmark database: %.1f ms (target %.0f ms) %s; %.2f x the empty start (target %.1f) %s\n",
              full, kTargetMs, full <= kTargetMs ? "ok" : "OVER", full / empty, kTargetRatio,
              full <= kTargetRatio * empty ? "ok" : "OVER");
  std::printf("processor time: %.1f ms, %.2f x the empty start's\n", fullProcessor,
              fullProcessor / emptyProcessor);
  return 0;
}
