// Import of a large lab history from the old bench program's tables, run by hand:
//
//   bench_import_legacy [--runs N] [--postgres DATABASE_INI] [work directory]
//
// Writes the five tables (1,000 bases, 8,000 meters, 200,000 test points,
// 100,000 archived meters, 1,000,000 archived points) with the test fixture
// writer into the work directory, then imports them into a new SQLite file
// there (target: 30 s) and, with --postgres, into the server database the
// file names (target: 60 s; it is emptied first, so its name must contain
// "bench"). Each import runs N times (3); the median is shown with the
// resident memory before the import and the most seen while it ran
// (sampled at every progress report), which stays flat: rows are streamed.
#include "BenchProgram.h"
#include "LegacyFolder.h"

#include "database/Connection.h"
#include "database/DatabaseSettings.h"
#include "legacy/LegacyImport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kBases = 1000;
constexpr int kMetersPerBase = 8;
constexpr int kPointsPerMeter = 25;
constexpr int kArchivedMeters = 100000;
constexpr int kPointsPerArchived = 10;

QTextStream out(stdout);

using paradox_fixture::ParadoxWriter;

// The resident memory in MiB (Linux; 0 elsewhere).
double residentMiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  return 0;
}

QString baseName(int base) { return QStringLiteral("База №%1").arg(base); }

void writeHistory(const QString& folder) {
  const QStringList names = legacyFileNames();
  const QDir dir(folder);
  const QDate tested(2020, 3, 4);
  const QDate checked(2019, 5, 14);
  {
    ParadoxWriter bases(dir.filePath(names[0]), paradox_fixture::baseFields());
    for (int base = 1; base <= kBases; ++base) bases.add({base, baseName(base), 220.0, 5.0, 1600.0, 1.0});
  }
  {
    ParadoxWriter meters(dir.filePath(names[1]), paradox_fixture::meterFields());
    ParadoxWriter points(dir.filePath(names[2]), paradox_fixture::pointFields());
    int meter = 0;
    int point = 0;
    for (int base = 1; base <= kBases; ++base)
      for (int slot = 1; slot <= kMetersPerBase; ++slot) {
        meters.add({++meter, baseName(base), slot, "СЕ301", 2001, true, QString::number(100000 + meter),
                    "ЛАБОРАТОРИЯ", "Энергомера", checked});
        for (int count = 1; count <= kPointsPerMeter; ++count)
          points.add({++point, meter, 100.0, 5.0 * count, "0.5/L", 0.01 * count, tested, "R", count});
      }
  }
  ParadoxWriter meters(dir.filePath(names[3]), paradox_fixture::archivedMeterFields());
  ParadoxWriter points(dir.filePath(names[4]), paradox_fixture::archivedPointFields());
  int point = 0;
  for (int meter = 1; meter <= kArchivedMeters; ++meter) {
    meters.add({meter, baseName(meter % kBases + 1), QStringLiteral("ЦЭ%1").arg(6800 + meter % 50), 2001,
                "ЛАБОРАТОРИЯ", "Завод", 1.0, 220.0, 5.0, 1600.0,
                QString::number(meter).rightJustified(6, '0')});
    for (int count = 1; count <= kPointsPerArchived; ++count)
      points.add({++point, meter, 100.0, 10.0 * count, "1", -0.01 * count, tested, checked, count});
  }
}

struct Figures {
  double seconds = 0;
  double memoryBefore = 0;
  double memoryMost = 0;
};

Figures importOnce(const QString& folder, const std::function<std::unique_ptr<Connection>()>& open) {
  const std::unique_ptr<Connection> db = open();
  Figures figures;
  figures.memoryBefore = figures.memoryMost = residentMiB();
  QElapsedTimer timer;
  timer.start();
  const ImportSummary summary =
      importLegacyTables(folder, db.get(), {true, false}, [&figures](qint64 done, qint64) {
        if (done % 50000 == 0) figures.memoryMost = std::max(figures.memoryMost, residentMiB());
        return true;
      });
  figures.seconds = timer.elapsed() / 1000.0;
  qint64 imported = 0;
  for (const ImportSummary::Table& table : summary.tables) imported += table.imported;
  if (imported != qint64(kBases) * (1 + kMetersPerBase * (1 + kPointsPerMeter)) +
                      qint64(kArchivedMeters) * (1 + kPointsPerArchived))
    throw std::runtime_error(("rows missing:\n" + summary.text(10)).toStdString());
  return figures;
}

int g_runs = 3;

void measure(const QString& engine, const QString& folder, const std::function<void()>& empty,
             const std::function<std::unique_ptr<Connection>()>& open, int limitSeconds) {
  std::vector<Figures> runs;
  for (int run = 0; run < g_runs; ++run) {
    empty();
    runs.push_back(importOnce(folder, open));
    out << QStringLiteral("%1 run %2: %3 s, memory %4 -> %5 MiB")
               .arg(engine)
               .arg(run + 1)
               .arg(runs.back().seconds, 0, 'f', 1)
               .arg(runs.back().memoryBefore, 0, 'f', 0)
               .arg(runs.back().memoryMost, 0, 'f', 0)
        << Qt::endl;
  }
  std::sort(runs.begin(), runs.end(),
            [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
  out << QStringLiteral("%1: median %2 s (limit %3 s)")
             .arg(engine)
             .arg(runs[g_runs / 2].seconds, 0, 'f', 1)
             .arg(limitSeconds)
      << Qt::endl;
}

DatabaseSettings serverSettings(const QString& file) {
  const DatabaseSettings settings = readDatabaseSettings(file);
  if (settings.engine != DatabaseSettings::Engine::Postgresql ||
      !settings.name.contains(QLatin1String("bench")))
    throw std::runtime_error(
        "--postgres needs driver=postgresql and a database whose name contains \"bench\"");
  return settings;
}

void emptyServer(const DatabaseSettings& settings) {
  const auto db = Connection::openPostgres(settings, QStringLiteral("bench emptying"));
  for (const char* table : {"Slavearhiv", "masterarhive", "slave", "master", "base"})
    db->run({QStringLiteral("drop table if exists %1").arg(QLatin1String(table)), {}, {}});
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments().mid(1);
  const QString serverFile = takeOptionValue(arguments, QStringLiteral("--postgres"));
  if (const QString runs = takeOptionValue(arguments, QStringLiteral("--runs")); !runs.isEmpty())
    g_runs = std::max(1, runs.toInt());
  QTemporaryDir temporary;
  const QString directory = arguments.value(0, temporary.path());
  const QString folder = directory + QStringLiteral("/old");
  QDir().mkpath(folder);
  try {
    QElapsedTimer timer;
    timer.start();
    writeHistory(folder);
    out << QStringLiteral("tables written in %1 s").arg(timer.elapsed() / 1000.0, 0, 'f', 1) << Qt::endl;
    const QString file = directory + QStringLiteral("/vt3417.sqlite");
    measure(
        QStringLiteral("SQLite"), folder,
        [file] {
          for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(file + suffix);
        },
        [file] { return Connection::openSqliteFile(file, QStringLiteral("bench import")); }, 30);
    if (!serverFile.isEmpty()) {
      const DatabaseSettings settings = serverSettings(serverFile);
      measure(
          QStringLiteral("PostgreSQL"), folder, [settings] { emptyServer(settings); },
          [settings] { return Connection::openPostgres(settings, QStringLiteral("bench import")); }, 60);
    }
  } catch (const std::exception& error) {
    out << error.what() << Qt::endl;
    return 1;
  }
  return 0;
}
