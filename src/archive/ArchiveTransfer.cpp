#include "archive/ArchiveTransfer.h"

#include "archive/ArchiveEdits.h"
#include "archive/UdataBase.h"
#include "bases/OptionsForm.h"
#include "database/UDM.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

namespace {

void copyValue(Dataset& from, const QString& fromField, Dataset& to, const QString& toField) {
  to.fieldByName(toField).setValue(from.fieldByName(fromField).value());
}

void appendArchivedMeter(TDM1& dm, const QString& baseName) {
  TableDataset& archive = *dm.TMasterArhive;
  archive.append();
  archive.fieldByName(QStringLiteral("Base")).setText(baseName);
  for (const char* field : {"Tip", "MyYear", "MyNumber", "MyUser"})
    copyValue(*dm.TMaster, QString::fromLatin1(field), archive, QString::fromLatin1(field));
  copyValue(*dm.TMaster, QStringLiteral("MyMaker"), archive, QStringLiteral("Maker"));
  for (const char* field : {"KlasT", "Nvoltage", "NTok", "Pered"})
    copyValue(*dm.TBase, QString::fromLatin1(field), archive, QString::fromLatin1(field));
  archive.post();
}

void appendMarkedPoints(TDM1& dm) {
  TableDataset& points = *dm.TSlave;
  TableDataset& archived = *dm.TSlaveArhive;
  const QVariant archivedMeterNum = dm.QMasterArhive->fieldByName(QStringLiteral("Num")).value();
  for (points.first(); !points.eof(); points.next()) {
    if (points.fieldByName(QStringLiteral("Rep")).asText() != QLatin1String("R")) continue;
    archived.append();
    archived.fieldByName(QStringLiteral("Num")).setValue(archivedMeterNum);
    for (const char* field : {"Voltage", "Tok", "KM", "Opogr", "Date"})
      copyValue(points, QString::fromLatin1(field), archived, QString::fromLatin1(field));
    copyValue(*dm.TMaster, QStringLiteral("Olddate"), archived, QStringLiteral("OldDate"));
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

}  // namespace

bool ArchiveChosenMeter(TDM1& dm, const QString& baseName) {
  const Statement lookup =
      Statements::archivedMetersByTypeAndNumber(dm.TMaster->fieldByName(QStringLiteral("Tip")).asText(),
                                                dm.TMaster->fieldByName(QStringLiteral("MyNumber")).asText());
  bool archived = false;
  RunAllOrNothing(*dm.connection(),
                  [&] {
                    dm.QMasterArhive->reopen(lookup);
                    if (dm.QMasterArhive->isEmpty()) appendArchivedMeter(dm, baseName);
                    dm.QMasterArhive->reopen(lookup);
                    if (dm.QMasterArhive->isEmpty()) return;
                    appendMarkedPoints(dm);
                    renumberArchivedPoints(*dm.TSlaveArhive);
                    archived = true;
                  },
                  {dm.TMasterArhive, dm.TSlaveArhive, dm.QMasterArhive});
  return archived;
}

void AddChosenMeterToArchive(QWidget* parent) {
  if (MarkedPointCount == 0) {
    MessageService::notice(
        parent, QStringLiteral("Передача данных а архив"),
        QStringLiteral("Для передачи данных в архив необходимо выбрать хоть одну запись !"));
    return;
  }
  ArchiveChosenMeter(*DM1, ChosenBaseName);
}

void ShowWholeArchive(QWidget* opener) {
  DM1->QMasterArhive->reopen(Statements::allArchivedMeters());
  FDataBase->show();
  if (opener) opener->setEnabled(false);
}

void PlugArchiveCommands() {
  if (Form2) {
    Form2->Hooks.AddToArchive = [] { AddChosenMeterToArchive(Form2); };
    Form2->Hooks.OpenArchiveBrowser = [] { ShowWholeArchive(Form2); };
  }
  if (ChOptions) ChOptions->OpenArchiveBrowser = [] { FDataBase->OpenForTakeOver(); };
}
