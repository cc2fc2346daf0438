// Times the two verification protocols on a real database: one meter with 500
// marked points, and a base of 8 meters with 100 marked points each, charts
// included and judged against the shipped accuracy limits. Each must take at
// most a second (template to saved .docx).
//
//   bench_protokol [--runs N] [--keep DIR]
//
// --keep copies the last documents of each kind into DIR for inspection.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "database/DataModule.h"
#include "database/Statements.h"
#include "reports/WordProtocols.h"
#include "settings/DayCount.h"
#include "settings/ProgramDir.h"
#include "settings/SettingsRecords.h"
#include "ui/Selection.h"

namespace {

constexpr double kLimitMs = 1000;

void copyTemplate(const QString& name) {
  const QString source =
      QDir(QStringLiteral(VT3417_SOURCE_DIR)).filePath(QStringLiteral("data/sources/") + name);
  if (!QFile::copy(source, programPath(QStringLiteral("sources/") + name)))
    qFatal("cannot copy the template %s", qPrintable(source));
}

void addBase(DataModule& dm, const QString& name) {
  dm.bases->close();
  dm.chosenBase->append();
  dm.chosenBase->fieldByName(QStringLiteral("NameBase")).setText(name);
  dm.chosenBase->fieldByName(QStringLiteral("Nvoltage")).setReal(57.7);
  dm.chosenBase->fieldByName(QStringLiteral("NTok")).setReal(5);
  dm.chosenBase->fieldByName(QStringLiteral("KlasT")).setReal(0.5);
  dm.chosenBase->post();
}

// A meter in use with `points` marked test points.
void addMeter(DataModule& dm, const QString& base, int slot, int points) {
  Connection::Transaction transaction(*dm.connection());
  dm.meters->close();
  dm.chosenMeter->append();
  dm.chosenMeter->fieldByName(QStringLiteral("Base")).setText(base);
  dm.chosenMeter->fieldByName(QStringLiteral("NumberCh")).setInteger(slot);
  dm.chosenMeter->fieldByName(QStringLiteral("MyVisible")).setBool(true);
  dm.chosenMeter->fieldByName(QStringLiteral("Tip")).setText(QStringLiteral("СО-505"));
  dm.chosenMeter->fieldByName(QStringLiteral("MyNumber")).setText(QStringLiteral("0100%1").arg(slot));
  dm.chosenMeter->fieldByName(QStringLiteral("MyYear")).setInteger(2019);
  dm.chosenMeter->fieldByName(QStringLiteral("Olddate")).setDate(QDate(2022, 3, 20));
  dm.chosenMeter->post();
  const qint64 meter = dm.chosenMeter->fieldByName(QStringLiteral("Num")).asInteger();
  if (!dm.testPoints->isOpen()) dm.testPoints->open();
  for (int i = 0; i < points; ++i) {
    dm.testPoints->append();
    dm.testPoints->fieldByName(QStringLiteral("Num")).setInteger(meter);
    dm.testPoints->fieldByName(QStringLiteral("Voltage")).setReal(100);
    dm.testPoints->fieldByName(QStringLiteral("Tok")).setReal(5 + i % 116);
    dm.testPoints->fieldByName(QStringLiteral("KM")).setText(QStringLiteral("0.5/L"));
    dm.testPoints->fieldByName(QStringLiteral("Opogr")).setReal(-0.5 + 0.001 * i);
    dm.testPoints->fieldByName(QStringLiteral("Date")).setDate(QDate(2024, 3, 5));
    dm.testPoints->fieldByName(QStringLiteral("Rep")).setText(QStringLiteral("R"));
    dm.testPoints->fieldByName(QStringLiteral("Count")).setInteger(i + 1);
    dm.testPoints->post();
  }
  transaction.commit();
}

// The rows as the main window leaves them after choosing the meter.
void choose(DataModule& dm, Selection& selection, const QString& base, int slot) {
  selection.setBaseName(base);
  selection.setSlot(slot);
  dm.testPoints->close();
  dm.meters->reopen(Statements::meterInSlotInUse(base, slot));
  selection.setMeterNum(static_cast<int>(dm.meters->fieldByName(QStringLiteral("Num")).asInteger()));
  dm.bases->reopen(Statements::baseByName(base));
  dm.testPoints->open();
  dm.markedPoints->reopen(Statements::markedPointsOfMeter(selection.meterNum()));
  selection.setMarkedCount(dm.markedPoints->recordCount());
}

struct Timing {
  double bestMs;
  double medianMs;
  QString lastFile;
};

Timing measure(int runs, const std::function<void()>& choose, const std::function<QString()>& report) {
  std::vector<double> times;
  QString file;
  for (int run = 0; run < runs; ++run) {
    choose();
    QElapsedTimer timer;
    timer.start();
    file = report();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (file.isEmpty()) qFatal("the report wrote no document");
  }
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2], file};
}

bool print(const char* what, const Timing& timing) {
  const bool ok = timing.medianMs <= kLimitMs;
  std::printf("%-44s best %8.1f ms   median %8.1f ms   %s\n", what, timing.bestMs, timing.medianMs,
              ok ? "ok (<= 1 s)" : "TOO SLOW (> 1 s)");
  return ok;
}

void keep(const QString& file, const QString& keepDir) {
  if (keepDir.isEmpty()) return;
  QDir().mkpath(keepDir);
  const QString target = QDir(keepDir).filePath(QFileInfo(file).fileName());
  QFile::remove(target);
  QFile::copy(file, target);
  std::printf("kept %s\n", qPrintable(QDir::toNativeSeparators(target)));
}

}  // namespace

int main(int argc, char** argv) {
  // The protocols draw their charts off-screen: no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int runs = 5;
  QString keepDir;
  const QStringList arguments = app.arguments();
  for (int i = 1; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--runs")) runs = std::max(1, arguments[i + 1].toInt());
    if (arguments[i] == QLatin1String("--keep")) keepDir = QFileInfo(arguments[i + 1]).absoluteFilePath();
  }

  QTemporaryDir programDir;
  QDir(programDir.path()).mkpath(QStringLiteral("sources"));
  QDir(programDir.path()).mkpath(QStringLiteral("base"));
  QDir::setCurrent(programDir.path());
  setProgramDir(programDir.path());
  copyTemplate(QStringLiteral("look.doc"));
  copyTemplate(QStringLiteral("Glook.doc"));
  copyTemplate(QStringLiteral("limits.csv"));  // every point judged, the conclusions filled
  Installation.InstallNumber = QStringLiteral("1234");
  Installation.CertDate = daysFromDate(QDate(2024, 1, 15));
  Installation.CertValidTo = daysFromDate(QDate(2025, 1, 15));
  saveInstallationInfo();
  Config.ProtocolNumber = QStringLiteral("1");
  Config.AutoIncrement = 1;
  saveProgramConfig();

  DataModule dm;
  if (!dm.openTables().isEmpty()) qFatal("the database could not be prepared");
  Selection selection;
  const QString single = QStringLiteral("Один счетчик");
  const QString group = QStringLiteral("Восемь счетчиков");
  addBase(dm, single);
  addMeter(dm, single, 1, 500);
  addBase(dm, group);
  for (int slot = 1; slot <= 8; ++slot) addMeter(dm, group, slot, 100);

  std::printf("protocols, %d runs each\n", runs);
  const Timing singleTiming = measure(
      runs, [&] { choose(dm, selection, single, 1); }, [&] { return singleWordReport(dm, selection); });
  const Timing groupTiming = measure(
      runs, [&] { choose(dm, selection, group, 3); }, [&] { return groupWordReport(dm, selection); });
  const bool ok = print("single protocol, 500 marked points", singleTiming) &
                  print("group protocol, 8 meters x 100 marked points", groupTiming);
  keep(singleTiming.lastFile, keepDir);
  keep(groupTiming.lastFile, keepDir);
  return ok ? 0 : 1;
}
