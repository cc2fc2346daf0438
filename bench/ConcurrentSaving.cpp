#include "ConcurrentSaving.h"

#include "database/Dataset.h"
#include "database/Schema.h"
#include "database/TableDataset.h"

#include <QDate>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QSqlQuery>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// Meter numbers far above the populated ones: the saved points are counted apart.
constexpr qint64 kFirstMeter = 900000;

}  // namespace

ConcurrentSavingResult saveConcurrently(
    const std::function<std::unique_ptr<Connection>(const QString&)>& open, int connections, int pointsEach) {
  ConcurrentSavingResult result;
  result.connections = connections;
  std::atomic<qint64> saved{0};
  QSemaphore ready;
  QSemaphore go;
  std::vector<std::unique_ptr<QThread>> threads;
  for (int bench = 0; bench < connections; ++bench) {
    threads.emplace_back(QThread::create([&, bench] {
      try {
        std::unique_ptr<Connection> connection = open(QStringLiteral("saving bench %1").arg(bench));
        TableDataset points(connection.get(), Schema::slave());
        points.open();
        ready.release();
        go.acquire();
        for (int i = 0; i < pointsEach; ++i) {
          points.append();
          points.fieldByName(QStringLiteral("Num")).setInteger(kFirstMeter + bench);
          points.fieldByName(QStringLiteral("Voltage")).setReal(100);
          points.fieldByName(QStringLiteral("Opogr")).setReal(0.01 * i);
          points.fieldByName(QStringLiteral("Date")).setDate(QDate(2024, 3, 5));
          points.fieldByName(QStringLiteral("Count")).setInteger(i + 1);
          points.post();
          ++saved;
        }
      } catch (const std::exception& error) {
        // The count below shows what was lost; the reason goes with it.
        qWarning("bench %d: %s", bench, error.what());
        ready.release();
      }
    }));
    threads.back()->start();
  }
  ready.acquire(connections);
  QElapsedTimer timer;
  timer.start();
  go.release(connections);
  for (auto& thread : threads) thread->wait();
  const double seconds = timer.nsecsElapsed() / 1e9;
  result.saved = saved;
  result.pointsPerSecond = seconds > 0 ? result.saved / seconds : 0;
  std::unique_ptr<Connection> counter = open(QStringLiteral("saving count"));
  QSqlQuery query = counter->execute(
      {QStringLiteral("select count(*) from slave where num >= ?"), {kFirstMeter}, QStringLiteral("slave")});
  result.stored = query.next() ? query.value(0).toLongLong() : -1;
  return result;
}
