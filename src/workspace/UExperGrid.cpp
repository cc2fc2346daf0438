// Marks of the test points in the grid, their count, and the renumbering of
// the test points after a measurement.
#include "database/UDM.h"
#include "ui_UExper.h"
#include "workspace/DBGrid.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

namespace {

const QString kRep = QStringLiteral("Rep");
const QString kMark = QStringLiteral("R");

bool PointsShown() { return DM1->TSlave->isOpen() && !DM1->TSlave->isEmpty(); }

// Marks or unmarks every test point of the chosen meter, all or none.
void SetEveryMark(const QString& mark) {
  TableDataset* points = DM1->TSlave;
  if (!points->isOpen()) return;
  Connection::Transaction transaction(*DM1->connection());
  for (points->first(); !points->eof(); points->next()) {
    points->edit();
    points->fieldByName(kRep).setText(mark);
    points->post();
  }
  transaction.commit();
}

// Deletes the current meter's points without a voltage and numbers the others
// 1, 2, 3 ... in the table's order.
void RenumberPointsOfCurrentMeter() {
  TableDataset* points = DM1->TSlave;
  int row = 0;
  int number = 0;
  while (points->moveTo(row)) {
    if (points->fieldByName(QStringLiteral("Voltage")).asReal() == 0) {
      points->remove();
      continue;
    }
    points->edit();
    points->fieldByName(QStringLiteral("Count")).setInteger(++number);
    points->post();
    ++row;
  }
}

}  // namespace

void TForm2::ToggleMark() {
  TableDataset* points = DM1->TSlave;
  points->edit();
  const FieldRef rep = points->fieldByName(kRep);
  rep.setText(rep.asText().isEmpty() ? kMark : QString());
  points->post();
}

void TForm2::DBGrid1CellClick(int row, int column) {
  if (!PointsShown()) return;
  if (ui->DBGrid1->fieldNameAt(column).compare(kRep, Qt::CaseInsensitive) == 0 && DM1->TSlave->moveTo(row))
    ToggleMark();
  AcountRepExecute();
}

// Space toggles the current row's mark in whatever column the cursor stands.
void TForm2::DBGrid1KeyPress(const QString& text) {
  if (!PointsShown()) return;
  if (text == QStringLiteral(" ")) ToggleMark();
  AcountRepExecute();
}

void TForm2::DBGrid1MouseDown() {
  const bool open = DM1->TSlave->isOpen();
  ui->ASetPop->setEnabled(open);
  ui->AClearPoP->setEnabled(open);
}

void TForm2::ASetPopExecute() {
  SetEveryMark(kMark);
  AcountRepExecute();
}

void TForm2::AClearPoPExecute() {
  SetEveryMark(QString());
  AcountRepExecute();
}

void TForm2::AcountRepExecute() {
  DM1->Query2->reopen(Statements::markedPointsOfMeter(ChosenMeterNum));
  MarkedPointCount = DM1->Query2->recordCount();
}

void TForm2::RenumberTestPoints() {
  QueryDataset* meters = DM1->QMaster;
  meters->reopen(Statements::metersOfBaseInUse(ChosenBaseName, false));
  if (meters->isEmpty()) return;
  const bool wasOpen = DM1->TSlave->isOpen();
  if (!wasOpen) DM1->TSlave->open();
  Connection::Transaction transaction(*DM1->connection());
  for (meters->first(); !meters->eof(); meters->next()) RenumberPointsOfCurrentMeter();
  transaction.commit();
  if (!wasOpen) DM1->TSlave->close();
}
