// Times the judgement against a verification program, run by hand on a
// Release build:
//   QT_QPA_PLATFORM=offscreen bench_program [--runs N]
// A base of class 1 with 8 meters of 500 marked points each, the shipped
// limits and a program of 12 points: judging every meter against the program
// (the points read from the database included) and refreshing the main
// window's program view; then the main window's whole verdict update (status
// bar, tree, program view, grid) and the terminal window's next point after a
// save. Target: judging and view refresh <= 5 ms.
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "BenchProgram.h"
#include "BenchWindow.h"
#include "app/Application.h"
#include "database/DataModule.h"
#include "reports/ProgramProgress.h"
#include "support/Widgets.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"
#include "workspace/ProgramView.h"

namespace {

constexpr int kMeters = 8;
constexpr int kPoints = 500;
constexpr double kTargetMs = 5;
const QString kBase = QStringLiteral("Б1");

// Twelve points: the shipped nine of class 1 and three at half the nominal current.
const char kPrograms[] =
    "Класс;Тип;Напряжение, %;Ток, %;cos φ\n"
    "1;;100;5;1\n1;;100;10;1\n1;;100;50;1\n1;;100;100;1\n"
    "1;;100;10;0.5/L\n1;;100;20;0.5/L\n1;;100;50;0.5/L\n1;;100;100;0.5/L\n"
    "1;;100;10;0.8/C\n1;;100;20;0.8/C\n1;;100;50;0.8/C\n1;;100;100;0.8/C\n";

void addBaseWithPoints(DataModule& dm) {
  Connection& connection = *dm.connection();
  Connection::Transaction transaction(connection);
  connection.executeWrite({QStringLiteral("insert into base (NameBase, Nvoltage, NTok, Pered, KlasT) "
                                          "values (?, 220, 5, 1600, 1)"),
                           {kBase},
                           QStringLiteral("base")});
  static const char* const kPowerFactors[] = {"1.00", "0.50/L", "0.80/C", "0.866/"};
  static const int kCurrents[] = {5, 10, 20, 50, 100, 120};
  for (int meter = 1; meter <= kMeters; ++meter) {
    connection.executeWrite(
        {QStringLiteral("insert into master (Num, Base, NumberCh, Tip, MyYear, MyVisible, "
                        "MyNumber) values (?, ?, ?, 'СО-505', 2019, ?, ?)"),
         {meter, kBase, meter, true, QString::number(1000 + meter)},
         QStringLiteral("master")});
    for (int i = 0; i < kPoints; ++i)
      connection.executeWrite(
          {QStringLiteral("insert into slave (Num, Voltage, Tok, KM, Opogr, Date, Rep, Count) "
                          "values (?, 100, ?, ?, ?, '2024-03-05', 'R', ?)"),
           {meter, kCurrents[i % 6], QString::fromLatin1(kPowerFactors[i % 4]), -0.6 + 0.002 * i, i + 1},
           QStringLiteral("slave")});
  }
  transaction.commit();
}

void print(const char* what, const Timing& timing, bool target) {
  std::printf("%-62s median %6.2f ms   slowest %6.2f ms   %s\n", what, timing.medianMs, timing.slowestMs,
              !target                        ? ""
              : timing.medianMs <= kTargetMs ? "ok (<= 5 ms)"
                                             : "TOO SLOW (> 5 ms)");
}

}  // namespace

int main(int argc, char** argv) {
  Application app(argc, argv);
  const int runs = runsArgument(app.arguments(), 50);
  QTemporaryDir programDir;
  prepareProgramDir(programDir.path());
  QFile programs(programPath(QStringLiteral("sources/programs.csv")));
  if (!programs.open(QIODevice::WriteOnly) || programs.write(kPrograms) < 0) qFatal("no programs file");
  programs.close();

  DataModule dm;
  if (!dm.openTables().isEmpty()) qFatal("the database could not be prepared");
  addBaseWithPoints(dm);

  Selection selection;
  MainWindow window(dm, selection);
  showWithFirstMeterChosen(window);
  ProgramView* view = widgets::child<ProgramView>(window, "programView");
  std::printf("%d meters x %d marked points, class 1, a %d-point program; %d runs each\n", kMeters, kPoints,
              static_cast<int>(verificationPrograms().programFor(1, {}).size()), runs);

  const AccuracyLimits& limits = programLimits();
  QHash<qint64, MeterAssessment> assessments;
  print("judging 8 x 500 points against the program, database read",
        measure(runs,
                [&] {
                  assessments =
                      assessMetersOfBase(*dm.connection(), kBase, 1, limits, verificationPrograms());
                }),
        false);
  print("judging and refreshing the program view",
        measure(runs,
                [&] {
                  assessments =
                      assessMetersOfBase(*dm.connection(), kBase, 1, limits, verificationPrograms());
                  view->showMeter(assessments.value(1));
                  view->repaint();
                }),
        true);
  std::printf("  (meter 1: %s)\n", qPrintable(assessmentText(assessments.value(1))));
  print("the main window's whole verdict update (tree, status, view)",
        measure(runs,
                [&] {
                  window.showVerdicts();
                  view->repaint();
                }),
        false);
  print("the terminal window's next point (8 x 500 stored points)",
        measure(runs, [&] { nextPointLine(*dm.connection(), kBase, verificationPrograms()); }), false);
  return 0;
}
