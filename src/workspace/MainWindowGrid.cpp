// Marks of the test points in the grid, their count, and the renumbering of
// the test points after a measurement.
#include <QTimer>

#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/Rows.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "ui_MainWindow.h"
#include "workspace/MainWindow.h"

namespace {

const QString kRep = Columns::TestPoint::mark;
const QString kMark = QStringLiteral("R");

bool pointsShown(const DataModule& dm) { return dm.testPoints->isOpen() && !dm.testPoints->isEmpty(); }

// Marks or unmarks every test point of the chosen meter, all or none.
void setEveryMark(DataModule& dm, const QString& mark) {
  TableDataset* points = dm.testPoints;
  if (!points->isOpen()) return;
  Connection::Transaction transaction(*dm.connection());
  for (points->first(); !points->eof(); points->next()) {
    points->edit();
    points->fieldByName(kRep).setText(mark);
    points->post();
  }
  transaction.commit();
}

// Deletes the current meter's points without a voltage and numbers the others
// 1, 2, 3 ... in the table's order.
void renumberPointsOfCurrentMeter(TableDataset* points) {
  int row = 0;
  int number = 0;
  while (points->moveTo(row)) {
    if (Row::TestPoint::read(*points).voltagePercent == 0) {
      points->remove();
      continue;
    }
    points->edit();
    points->fieldByName(Columns::TestPoint::number).setInteger(++number);
    points->post();
    ++row;
  }
}

}  // namespace

void MainWindow::toggleMark() {
  TableDataset* points = dm_.testPoints;
  points->edit();
  const FieldRef rep = points->fieldByName(kRep);
  rep.setText(rep.asText().isEmpty() ? kMark : QString());
  try {
    points->post();
  } catch (...) {
    // The mark shown stays the one stored: the same click marks it again.
    // The chart and the verdicts show the stored rows still, so they are not
    // read again: a server that just failed would only be asked, and its
    // failure told, a second time.
    points->cancel();
    chartUpdate_->stop();
    verdictUpdate_->stop();
    throw;
  }
}

void MainWindow::onGridCellClick(int row, int column) {
  if (!pointsShown(dm_)) return;
  if (ui->pointGrid->fieldNameAt(column).compare(kRep, Qt::CaseInsensitive) == 0 &&
      dm_.testPoints->moveTo(row))
    toggleMark();
  countMarkedPoints();
}

// Space toggles the current row's mark in whatever column the cursor stands.
void MainWindow::onGridKeyPress(const QString& text) {
  if (!pointsShown(dm_)) return;
  if (text == QStringLiteral(" ")) toggleMark();
  countMarkedPoints();
}

void MainWindow::onGridMousePress() {
  const bool open = dm_.testPoints->isOpen();
  ui->markAllAction->setEnabled(open);
  ui->unmarkAllAction->setEnabled(open);
}

void MainWindow::markAllPoints() {
  setEveryMark(dm_, kMark);
  countMarkedPoints();
}

void MainWindow::unmarkAllPoints() {
  setEveryMark(dm_, QString());
  countMarkedPoints();
}

void MainWindow::countMarkedPoints() {
  dm_.markedPoints->reopen(Statements::markedPointsOfMeter(selection_.meterNum()));
  selection_.setMarkedCount(dm_.markedPoints->recordCount());
  showVerdicts();
}

void MainWindow::renumberTestPoints() {
  QueryDataset* meters = dm_.meters;
  meters->reopen(Statements::metersOfBaseInUse(selection_.baseName(), false));
  if (meters->isEmpty()) return;
  const bool wasOpen = dm_.testPoints->isOpen();
  if (!wasOpen) dm_.testPoints->open();
  Connection::Transaction transaction(*dm_.connection());
  for (meters->first(); !meters->eof(); meters->next()) renumberPointsOfCurrentMeter(dm_.testPoints);
  transaction.commit();
  if (!wasOpen) dm_.testPoints->close();
}
