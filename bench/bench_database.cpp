// Measures the database work behind the main window's tree, the choice of a
// meter, deleting a base and the archive browser's filter on a database of
// realistic size, and eight benches saving test points at once. Run by hand:
//
//   bench_database [--postgres DATABASE_INI] [work directory [title part]]
//
// The SQLite database is made anew in the work directory. With --postgres the
// same measurements run on the PostgreSQL database the file names, and the
// figures are shown side by side; that database is emptied first, so its name
// must contain "bench". With a title part only the measurements whose title
// holds it run.
#include "BenchDatabase.h"
#include "BenchProgram.h"
#include "ConcurrentSaving.h"

#include "database/BaseTree.h"
#include "database/DataModule.h"
#include "database/DatasetModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <QMap>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using namespace benchdb;

QTextStream out(stdout);

void run(Connection& db, const QString& sql) { db.execute({sql, {}, {}}); }

// Only the measurements whose title holds this text run (for profiling one).
QString g_only;

// Median of several runs, in milliseconds.
double measure(int runs, const std::function<void(int)>& work) {
  if (!g_only.isEmpty()) runs = std::max(runs, 50);
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer timer;
    timer.start();
    work(run);
    times.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool wanted(const QString& what) { return g_only.isEmpty() || what.contains(g_only); }

// Figures per measurement, one per engine in the order the engines ran.
QStringList g_titles;
QMap<QString, QStringList> g_figures;
QMap<QString, double> g_limits;

void record(const QString& what, const QString& figure, double limit = 0) {
  if (!g_titles.contains(what)) g_titles << what;
  g_figures[what] << figure;
  g_limits[what] = limit;
}

void bench(const QString& what, double limit, int runs, const std::function<void(int)>& work) {
  if (!wanted(what)) return;
  const double ms = measure(runs, work);
  record(what, QString::number(ms, 'f', 2) + (limit > 0 && ms > limit ? QStringLiteral(" OVER") : QString()),
         limit);
  out << QStringLiteral("%1 %2 ms").arg(what, -62).arg(ms, 8, 'f', 2);
  if (limit > 0) out << QStringLiteral("  (limit %1 ms) %2").arg(limit).arg(ms <= limit ? "ok" : "OVER");
  out << Qt::endl;
}

QString baseName(int i) { return QStringLiteral("База %1").arg(i, 4, 10, QLatin1Char('0')); }

// The main window's tree: every base with its meters in use, in one statement.
void buildTree(DataModule& dm) {
  int meters = 0;
  for (const BaseOfTree& base : readBaseTree(*dm.connection()))
    meters += static_cast<int>(base.slotsInUse.size());
  if (meters != kBases * kMetersPerBase) out << "(the tree lists " << meters << " meters)" << Qt::endl;
}

// Choosing meter `slot` of a base in the tree: meter row, base row, its test
// points in the grid and the count of marked points.
void chooseMeter(DataModule& dm, const QString& base, int slot) {
  dm.testPoints->close();
  dm.meters->reopen(Statements::meterInSlotInUse(base, slot));
  const qint64 meter = dm.meters->fieldByName("Num").asInteger();
  dm.bases->reopen(Statements::baseByName(base));
  dm.chosenBase->fieldByName("Nvoltage").asReal();
  dm.testPoints->open();
  dm.testPoints->recordCount();
  dm.markedPoints->reopen(Statements::markedPointsOfMeter(meter));
  dm.markedPoints->recordCount();
}

// "Добавить в архив" for the chosen meter: look it up in the archive, add it
// when missing, copy its marked points and number the archived points.
void archiveChosenMeter(DataModule& dm) {
  const QString type = dm.chosenMeter->fieldByName("Tip").asText();
  const QString number = dm.chosenMeter->fieldByName("MyNumber").asText();
  dm.archivedMeters->reopen(Statements::archivedMetersByTypeAndNumber(type, number));
  if (dm.archivedMeters->isEmpty()) {
    dm.archivedMeterTable->append();
    dm.archivedMeterTable->fieldByName("Base").setText(dm.chosenMeter->fieldByName("Base").asText());
    dm.archivedMeterTable->fieldByName("Tip").setText(type);
    dm.archivedMeterTable->fieldByName("MyNumber").setText(number);
    dm.archivedMeterTable->fieldByName("MyYear").setInteger(
        dm.chosenMeter->fieldByName("MyYear").asInteger());
    dm.archivedMeterTable->fieldByName("MyUser").setText(dm.chosenMeter->fieldByName("MyUser").asText());
    dm.archivedMeterTable->fieldByName("Maker").setText(dm.chosenMeter->fieldByName("MyMaker").asText());
    dm.archivedMeterTable->fieldByName("KlasT").setReal(dm.chosenBase->fieldByName("KlasT").asReal());
    dm.archivedMeterTable->post();
  }
  dm.archivedMeters->reopen(Statements::archivedMetersByTypeAndNumber(type, number));
  const qint64 archived = dm.archivedMeters->fieldByName("Num").asInteger();
  for (dm.testPoints->first(); !dm.testPoints->eof(); dm.testPoints->next()) {
    if (dm.testPoints->fieldByName("Rep").asText() != QLatin1String("R")) continue;
    dm.archivedPoints->append();
    dm.archivedPoints->fieldByName("Num").setInteger(archived);
    for (const char* field : {"Voltage", "Tok", "KM", "Opogr", "Date"})
      dm.archivedPoints->fieldByName(field).setValue(dm.testPoints->fieldByName(field).value());
    dm.archivedPoints->fieldByName("OldDate").setValue(dm.chosenMeter->fieldByName("Olddate").value());
    dm.archivedPoints->post();
  }
  int count = 0;
  for (dm.archivedPoints->first(); !dm.archivedPoints->eof(); dm.archivedPoints->next()) {
    dm.archivedPoints->edit();
    dm.archivedPoints->fieldByName("Count").setInteger(++count);
    dm.archivedPoints->post();
  }
}

void deleteBase(DataModule& dm, const QString& base) {
  dm.bases->reopen(Statements::baseByName(base));
  if (!dm.bases->isEmpty()) dm.chosenBase->remove();
}

using OpenConnection = std::function<std::unique_ptr<Connection>(const QString& name)>;

// Every measurement on one engine's database, made anew.
int measureEngine(const QString& engine, const OpenConnection& open) {
  out << "--- " << engine << Qt::endl;
  DataModule dm(open(kDatabaseConnectionName), nullptr);
  const QStringList problems = dm.openTables();
  if (!problems.isEmpty()) {
    out << problems.join('\n') << Qt::endl;
    return 1;
  }
  QElapsedTimer fill;
  fill.start();
  populate(*dm.connection());
  out << QStringLiteral(
             "database filled in %1 s: %2 bases, %3 meters, %4 points, %5 archived meters, %6 archived "
             "points")
             .arg(fill.elapsed() / 1000.0, 0, 'f', 1)
             .arg(kBases)
             .arg(kBases * kMetersPerBase)
             .arg(kBases * kMetersPerBase * kPointsPerMeter)
             .arg(kArchivedMeters)
             .arg(kArchivedMeters * kPointsPerArchived)
      << Qt::endl;

  // Grids as the windows show them.
  DatasetModel pointGrid(dm.testPoints);
  DatasetModel archiveGrid(dm.archivedMeters);
  DatasetModel archivePointGrid(dm.archivedPoints);

  // Before the deletions below: every base with its eight meters.
  bench("tree: list the bases with their meters in use", dm.connection()->isPostgres() ? 30 : 20, 21,
        [&](int) { buildTree(dm); });
  bench("choose a meter: meter, base, test points, marked count", 20, 51,
        [&](int run) { chooseMeter(dm, baseName(run * 17 % kBases + 1), run % 8 + 1); });
  bench("delete a base with its 8 meters and 200 test points", 50, 21,
        [&](int run) { deleteBase(dm, baseName(run * 37 % kBases + 1)); });

  const Statements::ArchiveFilter filter{QStringLiteral("ТИП-1*"), QStringLiteral("0100000"),
                                         QStringLiteral("0500000"), QStringLiteral("1995"),
                                         QStringLiteral("2005")};
  bench("archive filter: type prefix + serial range + year range", 50, 21,
        [&](int) { dm.archivedMeters->reopen(Statements::archiveFilter(filter, QStringLiteral("tip"))); });
  bench("archive list unfiltered, ordered by type (re-query)", 50, 21,
        [&](int) { dm.archivedMeters->reopen(Statements::archiveFilter({}, QStringLiteral("tip"))); });
  bench("archive list unfiltered, table order (re-query)", 50, 21,
        [&](int) { dm.archivedMeters->reopen(Statements::allArchivedMeters()); });
  bench("archive list unfiltered, every row fetched (100,000)", 0, 5, [&](int) {
    dm.archivedMeters->reopen(Statements::allArchivedMeters());
    dm.archivedMeters->recordCount();
  });
  bench("archive transfer: a chosen meter with its 8 marked points", 0, 21, [&](int run) {
    chooseMeter(dm, baseName(900 + run), run % 8 + 1);  // bases the deletions left
    archiveChosenMeter(dm);
  });
  if (wanted("archive filter")) {
    dm.archivedMeters->reopen(Statements::archiveFilter(filter, QStringLiteral("tip")));
    out << QStringLiteral("(the archive filter lists %1 meters)").arg(dm.archivedMeters->recordCount())
        << Qt::endl;
  }
  const QString saving = QStringLiteral("8 benches saving 500 points each: points per second");
  if (wanted(saving)) {
    const ConcurrentSavingResult result = saveConcurrently(open, 8, 500);
    out << QStringLiteral("%1 %2 points/s, %3 saved, %4 stored%5")
               .arg(saving, -62)
               .arg(result.pointsPerSecond, 8, 'f', 0)
               .arg(result.saved)
               .arg(result.stored)
               .arg(result.stored == 8 * 500 ? QStringLiteral("") : QStringLiteral("  LOST ROWS"))
        << Qt::endl;
    record(saving, QStringLiteral("%1 (%2/%3 kept)")
                       .arg(result.pointsPerSecond, 0, 'f', 0)
                       .arg(result.stored)
                       .arg(8 * 500));
  }
  return 0;
}

// The server database the file names, emptied of the program's tables.
OpenConnection serverDatabase(const QString& settingsFile) {
  const DatabaseSettings settings = readDatabaseSettings(settingsFile);
  if (settings.engine != DatabaseSettings::Engine::Postgresql ||
      !settings.name.contains(QLatin1String("bench")))
    throw std::runtime_error(
        "--postgres needs driver=postgresql and a database whose name contains \"bench\"");
  {
    auto db = Connection::openPostgres(settings, QStringLiteral("bench emptying"));
    for (const char* table : {"Slavearhiv", "masterarhive", "slave", "master", "base"})
      run(*db, QStringLiteral("drop table if exists %1").arg(QLatin1String(table)));
  }
  return [settings](const QString& name) { return Connection::openPostgres(settings, name); };
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments().mid(1);
  const QString serverSettings = takeOptionValue(arguments, QStringLiteral("--postgres"));
  QTemporaryDir temporary;
  const QString directory = arguments.size() > 0 ? arguments[0] : temporary.path();
  g_only = arguments.size() > 1 ? arguments[1] : QString();
  const QString file = directory + QStringLiteral("/vt3417.sqlite");
  for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
    QFile::remove(file + suffix);

  QStringList engines{QStringLiteral("SQLite")};
  if (measureEngine(engines[0],
                    [file](const QString& name) { return Connection::openSqliteFile(file, name); }))
    return 1;
  if (!serverSettings.isEmpty()) {
    try {
      engines << QStringLiteral("PostgreSQL");
      if (measureEngine(engines[1], serverDatabase(serverSettings))) return 1;
    } catch (const std::exception& error) {
      out << error.what() << Qt::endl;
      return 1;
    }
  }

  out << Qt::endl << QStringLiteral("%1").arg("ms (median)", -62);
  for (const QString& engine : engines) out << QStringLiteral("%1").arg(engine, 22);
  out << QStringLiteral("  limit") << Qt::endl;
  for (const QString& title : g_titles) {
    out << QStringLiteral("%1").arg(title, -62);
    for (const QString& figure : g_figures[title]) out << QStringLiteral("%1").arg(figure, 22);
    if (g_limits[title] > 0) out << QStringLiteral("  %1").arg(g_limits[title]);
    out << Qt::endl;
  }
  return 0;
}
