#include "archive/ArchiveTransfer.h"

#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveEdits.h"
#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/Rows.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

#include <QSqlQuery>

namespace {

void copyValue(Dataset& from, const QString& fromField, Dataset& to, const QString& toField) {
  to.fieldByName(toField).setValue(from.fieldByName(fromField).value());
}

// Values are copied as stored, nulls included: an archived meter without an
// accuracy class is not judged.
void appendArchivedMeter(DataModule& dm, const QString& baseName) {
  namespace Meter = Columns::Meter;
  namespace Base = Columns::Base;
  namespace Archived = Columns::ArchivedMeter;
  TableDataset& archive = *dm.archivedMeterTable;
  archive.append();
  archive.fieldByName(Archived::base).setText(baseName);
  copyValue(*dm.chosenMeter, Meter::type, archive, Archived::type);
  copyValue(*dm.chosenMeter, Meter::year, archive, Archived::year);
  copyValue(*dm.chosenMeter, Meter::serialNumber, archive, Archived::serialNumber);
  copyValue(*dm.chosenMeter, Meter::owner, archive, Archived::owner);
  copyValue(*dm.chosenMeter, Meter::maker, archive, Archived::maker);
  copyValue(*dm.chosenBase, Base::accuracyClass, archive, Archived::accuracyClass);
  copyValue(*dm.chosenBase, Base::nominalVoltage, archive, Archived::nominalVoltage);
  copyValue(*dm.chosenBase, Base::nominalCurrent, archive, Archived::nominalCurrent);
  copyValue(*dm.chosenBase, Base::meterConstant, archive, Archived::meterConstant);
  archive.post();
}

void appendMarkedPoints(DataModule& dm) {
  TableDataset& points = *dm.testPoints;
  TableDataset& archived = *dm.archivedPoints;
  namespace Point = Columns::TestPoint;
  namespace Archived = Columns::ArchivedPoint;
  const QVariant archivedMeterNum = dm.archivedMeters->fieldByName(Columns::ArchivedMeter::key).value();
  for (points.first(); !points.eof(); points.next()) {
    if (!Row::TestPoint::read(points).marked) continue;
    archived.append();
    archived.fieldByName(Archived::archivedMeter).setValue(archivedMeterNum);
    copyValue(points, Point::voltagePercent, archived, Archived::voltagePercent);
    copyValue(points, Point::currentPercent, archived, Archived::currentPercent);
    copyValue(points, Point::powerFactor, archived, Archived::powerFactor);
    copyValue(points, Point::error, archived, Archived::error);
    copyValue(points, Point::date, archived, Archived::date);
    copyValue(*dm.chosenMeter, Columns::Meter::previousCheck, archived, Archived::previousCheck);
    archived.post();
  }
}

// Earlier and new points of the archived meter are numbered together.
void renumberArchivedPoints(TableDataset& archived) {
  int count = 0;
  for (archived.first(); !archived.eof(); archived.next()) {
    archived.edit();
    archived.fieldByName(Columns::ArchivedPoint::number).setInteger(++count);
    archived.post();
  }
}

// Another bench transferring the same meter waits here until this transfer
// is committed (and this one waits for it), so that both sets of points are
// numbered together. A meter deleted meanwhile sends the transfer back to its
// start, where it is archived anew.
void holdArchivedMeter(DataModule& dm) {
  const qint64 num = Row::ArchivedMeter::read(*dm.archivedMeters).key;
  QSqlQuery held = dm.connection()->executeWrite(Statements::holdArchivedMeter(num));
  const int rows = held.numRowsAffected();
  dm.connection()->recycle(std::move(held));
  if (rows != 1)
    throw DatabaseError(QStringLiteral("Счетчик удален из архива на другом рабочем месте."), {}, true, false);
  // The points as they are now, with those another bench added before.
  dm.archivedPoints->refresh();
}

}  // namespace

bool archiveChosenMeter(DataModule& dm, const QString& baseName) {
  const Row::Meter meter = Row::Meter::read(*dm.chosenMeter);
  const Statement lookup = Statements::archivedMetersByTypeAndNumber(meter.type, meter.serialNumber);
  bool archived = false;
  // The same meter archived on two benches at once: the unique index takes
  // one new archived meter; the other transfer starts again and finds it.
  runAllOrNothing(
      *dm.connection(),
      [&] {
        archived = false;
        dm.archivedMeters->reopen(lookup);
        if (dm.archivedMeters->isEmpty()) appendArchivedMeter(dm, baseName);
        dm.archivedMeters->reopen(lookup);
        if (dm.archivedMeters->isEmpty()) return;
        holdArchivedMeter(dm);
        appendMarkedPoints(dm);
        renumberArchivedPoints(*dm.archivedPoints);
        archived = true;
      },
      {dm.archivedMeterTable, dm.archivedPoints, dm.archivedMeters}, true);
  return archived;
}

void deleteArchivedMeter(DataModule& dm, qint64 num) {
  // The meter's row first: a transfer of the same meter on another bench
  // waits for it, then its points; so no point is left without its meter.
  runAllOrNothing(*dm.connection(),
                  [&] {
                    dm.script->run(Statements::deleteArchivedMeter(num));
                    dm.script->run(Statements::deletePointsOfArchivedMeter(num));
                  },
                  {dm.archivedPoints});
  dm.archivedPoints->refresh();
}

void addChosenMeterToArchive(DataModule& dm, const Selection& selection, QWidget* parent) {
  if (selection.markedCount() == 0) {
    MessageService::notice(
        parent, QStringLiteral("Передача данных а архив"),
        QStringLiteral("Для передачи данных в архив необходимо выбрать хоть одну запись !"));
    return;
  }
  archiveChosenMeter(dm, selection.baseName());
}

void showWholeArchive(DataModule& dm, ArchiveBrowser& browser, QWidget* opener) {
  dm.archivedMeters->reopen(Statements::allArchivedMeters());
  browser.show();
  if (opener) opener->setEnabled(false);
}
