// Times the chart pane's update for a meter with 500 test points: reading the
// points, working out the curves and limits, replacing the chart's series and
// painting the pane once. The target is 30 ms of processor time.
//
//   bench_chart [--runs N]
//
// Runs without a display (QT_QPA_PLATFORM=offscreen unless set otherwise).
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include "BenchProgram.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "database/DataModule.h"
#include "reports/ErrorChartRows.h"
#include "reports/ProtocolChart.h"
#include "settings/ProgramDir.h"
#include "workspace/ErrorChartView.h"

namespace {

constexpr double kLimitMs = 30;
constexpr int kPoints = 500;
const QString kBase = QStringLiteral("Пятьсот точек");

qint64 addMeterWithPoints(DataModule& dm) {
  Connection::Transaction transaction(*dm.connection());
  dm.chosenBase->append();
  dm.chosenBase->fieldByName(QStringLiteral("NameBase")).setText(kBase);
  dm.chosenBase->fieldByName(QStringLiteral("KlasT")).setReal(1);
  dm.chosenBase->post();
  dm.chosenMeter->append();
  dm.chosenMeter->fieldByName(QStringLiteral("Base")).setText(kBase);
  dm.chosenMeter->fieldByName(QStringLiteral("NumberCh")).setInteger(1);
  dm.chosenMeter->fieldByName(QStringLiteral("MyVisible")).setBool(true);
  dm.chosenMeter->post();
  const qint64 meter = dm.chosenMeter->fieldByName(QStringLiteral("Num")).asInteger();
  const QString powerFactors[] = {QStringLiteral("1.000"), QStringLiteral("0.5/L"), QStringLiteral("0.8/C")};
  dm.testPoints->open();
  for (int i = 0; i < kPoints; ++i) {
    dm.testPoints->append();
    dm.testPoints->fieldByName(QStringLiteral("Num")).setInteger(meter);
    dm.testPoints->fieldByName(QStringLiteral("Voltage")).setReal(100);
    dm.testPoints->fieldByName(QStringLiteral("Tok")).setReal(1 + i % 120);
    dm.testPoints->fieldByName(QStringLiteral("KM")).setText(powerFactors[i % 3]);
    dm.testPoints->fieldByName(QStringLiteral("Opogr")).setReal(-1.2 + 0.005 * i);
    dm.testPoints->fieldByName(QStringLiteral("Rep")).setText(i % 2 ? QStringLiteral("R") : QString());
    dm.testPoints->post();
  }
  transaction.commit();
  return meter;
}

double median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Processor time of the work, in ms: on a busy machine the wall clock also
// counts the time other processes had the processor.
double timeMs(const std::function<void()>& work) {
  const std::clock_t start = std::clock();
  work();
  return 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = runsArgument(app.arguments(), 20);
  QTemporaryDir programDir;
  prepareProgramDir(programDir.path());
  DataModule dm;
  if (!dm.openTables().isEmpty()) qFatal("the database could not be prepared");
  const qint64 meter = addMeterWithPoints(dm);

  ErrorChartView view;
  view.resize(800, 360);
  view.show();
  std::vector<double> reads;
  std::vector<double> curves;
  std::vector<double> series;
  std::vector<double> paints;
  std::vector<double> totals;
  QElapsedTimer wall;
  wall.start();
  for (int run = 0; run < runs; ++run) {
    Connection& connection = *dm.connection();
    std::vector<ErrorPointRow> rows;
    ErrorChart content;
    reads.push_back(timeMs([&] { rows = readMeterErrorRows(connection, meter, false); }));
    curves.push_back(timeMs([&] { content = meterErrorChart(rows, baseChartLimits(connection, kBase)); }));
    series.push_back(timeMs([&] { view.showContent(std::move(content)); }));
    paints.push_back(timeMs([&] { view.grab(); }));
    totals.push_back(reads.back() + curves.back() + series.back() + paints.back());
  }
  const double wallPerRun = static_cast<double>(wall.elapsed()) / runs;
  const bool ok = median(totals) <= kLimitMs;
  std::printf("chart of %d points (%d drawn), %d runs, medians of processor time\n", kPoints,
              view.content().pointCount(), runs);
  std::printf("  reading the points     %7.1f ms\n", median(reads));
  std::printf("  curves and limits      %7.1f ms\n", median(curves));
  std::printf("  the chart's series     %7.1f ms\n", median(series));
  std::printf("  painting the pane      %7.1f ms\n", median(paints));
  std::printf("  update in all          %7.1f ms   %s\n", median(totals),
              ok ? "ok (<= 30 ms)" : "TOO SLOW (> 30 ms)");
  std::printf("  wall clock per update  %7.1f ms (mean; includes waiting for a busy processor)\n",
              wallPerRun);

  // Idle: the event loop turns for a few seconds with the chart shown and
  // nothing changing; the chart must not cost processor time then.
  constexpr int kIdleMs = 5000;
  const double idleMs = timeMs([] {
    QEventLoop loop;
    QTimer::singleShot(kIdleMs, &loop, &QEventLoop::quit);
    loop.exec();
  });
  std::printf("  idle with the chart    %7.2f %% of a processor over %d s\n", 100.0 * idleMs / kIdleMs,
              kIdleMs / 1000);
  return ok ? 0 : 1;
}
