// Times the judgement of test points against the accuracy limits, run by hand:
//   QT_QPA_PLATFORM=offscreen bench_verdict [--runs N]
// A meter with 500 marked points of class 0.5 (the shipped limits): judging the
// 500 points alone, and the main window's whole verdict update (status bar,
// tree, every error cell judged and the grid repainted at once), with the
// window as the operator sees it and with a grid tall enough to show all 500
// rows; and a repaint of all 500 rows while the data stays (the grid keeps the
// looks it judged), against the same repaint by the style's item delegate and
// the repaint of plain cells. Targets: 10 ms; 15 ms for a repaint of 500 rows.
#include <QDir>
#include <QFile>
#include <QStyledItemDelegate>
#include <QTemporaryDir>

#include <cstdio>

#include "BenchProgram.h"
#include "BenchWindow.h"
#include "app/Application.h"
#include "database/DataModule.h"
#include "reports/PointJudging.h"
#include "settings/ProgramDir.h"
#include "support/Widgets.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

namespace {

constexpr int kPoints = 500;
constexpr double kTargetMs = 10;
constexpr double kRepaintTargetMs = 15;  // a repaint of 500 rows, the data unchanged

void addMeterWithPoints(DataModule& dm) {
  Connection& connection = *dm.connection();
  Connection::Transaction transaction(connection);
  connection.executeWrite({QStringLiteral("insert into base (NameBase, Nvoltage, NTok, Pered, KlasT) "
                                          "values ('Б1', 57.7, 5, 1600, 0.5)"),
                           {},
                           QStringLiteral("base")});
  connection.executeWrite({QStringLiteral("insert into master (Num, Base, NumberCh, Tip, MyYear, MyVisible, "
                                          "MyNumber) values (1, 'Б1', 1, 'СО-505', 2019, ?, '0101')"),
                           {true},
                           QStringLiteral("master")});
  const QString point = QStringLiteral(
      "insert into slave (Num, Voltage, Tok, KM, Opogr, Date, Rep, Count) "
      "values (1, 100, ?, ?, ?, '2024-03-05', 'R', ?)");
  static const char* const kPowerFactors[] = {"1.000", "0.5/L", "0.8/C", "0.866/L"};
  for (int i = 0; i < kPoints; ++i)
    connection.executeWrite(
        {point,
         {1 + i % 120, QString::fromLatin1(kPowerFactors[i % 4]), -1.2 + 0.005 * i, i + 1},
         QStringLiteral("slave")});
  transaction.commit();
}

void print(const char* what, const Timing& timing, double targetMs = kTargetMs) {
  std::printf("%-58s median %6.2f ms   slowest %6.2f ms   processor %6.2f ms   %s (%.0f ms)\n", what,
              timing.medianMs, timing.slowestMs, timing.processorMs,
              timing.medianMs <= targetMs ? "ok" : "OVER", targetMs);
}

}  // namespace

int main(int argc, char** argv) {
  Application app(argc, argv);
  const int runs = runsArgument(app.arguments(), 50);
  QTemporaryDir programDir;
  prepareProgramDir(programDir.path());

  DataModule dm;
  if (!dm.openTables().isEmpty()) qFatal("the database could not be prepared");
  addMeterWithPoints(dm);

  Selection selection;
  MainWindow window(dm, selection);
  showWithFirstMeterChosen(window);
  DatasetGrid* grid = widgets::child<DatasetGrid>(window, "pointGrid");
  while (grid->model()->canFetchMore({})) grid->model()->fetchMore({});
  std::printf("%d marked points, class 0.5, shipped limits; %d runs each\n", kPoints, runs);

  const AccuracyLimits& limits = programLimits();
  int within = 0;
  print("judging the 500 points and the meter's verdict", measure(runs, [&] {
          within = 0;
          for (int row = 0; row < kPoints; ++row)
            within += judgeDatasetRow(*dm.testPoints, row, limits, 0.5).state == PointState::Within;
          verdictOfPoints(*dm.markedPoints, limits, 0.5);
        }));
  std::printf("  (%d of %d points within their limit)\n", within, kPoints);

  const auto update = [&] {
    window.showVerdicts();
    grid->viewport()->repaint();
  };
  print("verdict update and grid repaint, window as shown", measure(runs, update));
  window.resize(window.width(), 20 * kPoints + 300);
  grid->resize(grid->width(), 20 * kPoints + 100);
  QCoreApplication::processEvents();
  print("verdict update and repaint of all 500 rows at once", measure(runs, update));
  print("repaint of all 500 rows, data unchanged", measure(runs, [&] { grid->viewport()->repaint(); }),
        kRepaintTargetMs);
  // For comparison: the same repaint painted by the style's own item delegate.
  QAbstractItemDelegate* delegate = grid->itemDelegate();
  QStyledItemDelegate styled;
  grid->setItemDelegate(&styled);
  print("  the same, painted by the style's item delegate",
        measure(runs, [&] { grid->viewport()->repaint(); }), kRepaintTargetMs);
  grid->setItemDelegate(delegate);
  // For comparison: the same repaint of plain cells, what the grid costs without verdicts.
  grid->setCellLooks({});
  print("repaint of all 500 rows, no looks (the grid alone)",
        measure(runs, [&] { grid->viewport()->repaint(); }), kRepaintTargetMs);
  return 0;
}
