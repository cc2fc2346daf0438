#include "archive/ArchiveTransfer.h"

#include "archive/ArchiveEdits.h"
#include "archive/ArchiveBrowser.h"
#include "database/DataModule.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

#include <QSqlQuery>

namespace {

void copyValue(Dataset& from, const QString& fromField, Dataset& to, const QString& toField) {
  to.fieldByName(toField).setValue(from.fieldByName(fromField).value());
}

void appendArchivedMeter(DataModule& dm, const QString& baseName) {
  TableDataset& archive = *dm.archivedMeterTable;
  archive.append();
  archive.fieldByName(QStringLiteral("Base")).setText(baseName);
  for (const char* field : {"Tip", "MyYear", "MyNumber", "MyUser"})
    copyValue(*dm.chosenMeter, QString::fromLatin1(field), archive, QString::fromLatin1(field));
  copyValue(*dm.chosenMeter, QStringLiteral("MyMaker"), archive, QStringLiteral("Maker"));
  for (const char* field : {"KlasT", "Nvoltage", "NTok", "Pered"})
    copyValue(*dm.chosenBase, QString::fromLatin1(field), archive, QString::fromLatin1(field));
  archive.post();
}

void appendMarkedPoints(DataModule& dm) {
  TableDataset& points = *dm.testPoints;
  TableDataset& archived = *dm.archivedPoints;
  const QVariant archivedMeterNum = dm.archivedMeters->fieldByName(QStringLiteral("Num")).value();
  for (points.first(); !points.eof(); points.next()) {
    if (points.fieldByName(QStringLiteral("Rep")).asText() != QLatin1String("R")) continue;
    archived.append();
    archived.fieldByName(QStringLiteral("Num")).setValue(archivedMeterNum);
    for (const char* field : {"Voltage", "Tok", "KM", "Opogr", "Date"})
      copyValue(points, QString::fromLatin1(field), archived, QString::fromLatin1(field));
    copyValue(*dm.chosenMeter, QStringLiteral("Olddate"), archived, QStringLiteral("OldDate"));
    archived.post();
  }
}

// Earlier and new points of the archived meter are numbered together.
void renumberArchivedPoints(TableDataset& archived) {
  int count = 0;
  for (archived.first(); !archived.eof(); archived.next()) {
    archived.edit();
    archived.fieldByName(QStringLiteral("Count")).setInteger(++count);
    archived.post();
  }
}

// Another bench transferring the same meter waits here until this transfer
// is committed (and this one waits for it), so that both sets of points are
// numbered together. A meter deleted meanwhile sends the transfer back to its
// start, where it is archived anew.
void holdArchivedMeter(DataModule& dm) {
  const qint64 num = dm.archivedMeters->fieldByName(QStringLiteral("Num")).asInteger();
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
  const Statement lookup =
      Statements::archivedMetersByTypeAndNumber(dm.chosenMeter->fieldByName(QStringLiteral("Tip")).asText(),
                                                dm.chosenMeter->fieldByName(QStringLiteral("MyNumber")).asText());
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

