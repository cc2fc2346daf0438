#include "bases/BaseStore.h"

#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/Rows.h"

namespace BaseStore {
namespace {

FieldRef field(Dataset* dataset, const QString& name) { return dataset->fieldByName(name); }

// chosenMeter, open (it follows meters's current row, or shows the whole table while meters is closed).
TableDataset* chosenMeterTable(DataModule& dm) {
  if (!dm.chosenMeter->isOpen()) dm.chosenMeter->open();
  return dm.chosenMeter;
}

// Owner, maker and date: written when the slot's meter is stored (a new meter is written as a whole
// Row::Meter).
void writeMeterDetails(Dataset* meters, const MeterData& meter) {
  field(meters, Columns::Meter::owner).setText(meter.user);
  field(meters, Columns::Meter::maker).setText(meter.maker);
  field(meters, Columns::Meter::previousCheck).setDate(meter.oldDate);
}

}  // namespace

BaseNominals readNominals(DataModule& dm) {
  TableDataset* base = dm.chosenBase;
  const Row::Base row = Row::Base::read(*base);
  return {row.nominalVoltage, row.nominalCurrent, row.meterConstant, row.accuracyClass};
}

void storeNominals(DataModule& dm, const BaseNominals& nominals) {
  TableDataset* base = dm.chosenBase;
  base->edit();
  field(base, Columns::Base::nominalVoltage).setReal(nominals.voltage);
  field(base, Columns::Base::nominalCurrent).setReal(nominals.current);
  field(base, Columns::Base::meterConstant).setReal(nominals.constant);
  field(base, Columns::Base::accuracyClass).setReal(nominals.klas);
  base->post();
}

void appendBase(DataModule& dm, const QString& name) {
  dm.bases->close();
  TableDataset* base = dm.chosenBase;
  if (!base->isOpen()) base->open();
  base->append();
  field(base, Columns::Base::name).setText(name);
  base->post();
}

void deleteCurrentBase(DataModule& dm) {
  TableDataset* base = dm.chosenBase;
  if (!base->isOpen()) base->open();
  base->remove();
}

MeterData readMeter(Dataset& meters) {
  const Row::Meter row = Row::Meter::read(meters);
  return {row.serialNumber, row.type, row.yearText(), row.owner, row.maker, row.previousCheck};
}

void deleteSelectedMeters(DataModule& dm, const Statement& selection) {
  QueryDataset* query = dm.meters;
  Connection::Transaction transaction(*query->connection());
  query->reopen(selection);
  TableDataset* meters = chosenMeterTable(dm);
  for (query->first(); !query->eof(); query->next())
    if (!meters->isEmpty()) meters->remove();
  transaction.commit();
  query->close();
  query->open();
}

void deleteSlotMeters(DataModule& dm, const QString& base, int slot) {
  deleteSelectedMeters(dm, Statements::meterInSlot(base, slot));
}

bool pairInUseElsewhere(DataModule& dm, const QString& base, int slot, const MeterData& meter) {
  QueryDataset* query = dm.meters;
  query->reopen(Statements::metersOfBaseByTypeAndNumber(base, meter.type, meter.number));
  // Read field by field, not as a Row::Meter: a null slot is no slot and a null flag is not "out of use",
  // where Row::Meter reads them as 0 and false.
  const FieldRef meterSlot = field(query, Columns::Meter::slot);
  const FieldRef inUse = field(query, Columns::Meter::inUse);
  for (query->first(); !query->eof(); query->next()) {
    const bool inThisSlot = !meterSlot.isNull() && meterSlot.asInteger() == slot;
    const bool outOfUse = !inUse.isNull() && !inUse.asBool();
    if (!inThisSlot && !outOfUse) return true;
  }
  return false;
}

bool putMeterInUse(DataModule& dm, const QString& base, int slot, const MeterData& meter) {
  // A refused pair changes nothing: the check comes before any deletion.
  if (pairInUseElsewhere(dm, base, slot, meter)) return false;
  QueryDataset* query = dm.meters;
  // A failing append must not leave the slot's old meter deleted.
  Connection::Transaction transaction(*query->connection());
  deleteSlotMeters(dm, base, slot);
  deleteSelectedMeters(dm, Statements::unusedMetersOfBaseByTypeAndNumber(base, meter.type, meter.number));
  appendMeter(dm, base, slot, meter);
  transaction.commit();
  return true;
}

void appendMeter(DataModule& dm, const QString& base, int slot, const MeterData& meter) {
  const std::optional<int> year = yearNumber(meter.year);
  if (!year) throw std::runtime_error("Год выпуска счетчика должен быть числом.");
  dm.meters->close();
  TableDataset* meters = chosenMeterTable(dm);
  meters->append();
  Row::Meter row;
  row.base = base;
  row.slot = slot;
  row.inUse = true;
  row.type = meter.type;
  row.year = *year;
  row.serialNumber = meter.number;
  row.owner = meter.user;
  row.maker = meter.maker;
  row.previousCheck = meter.oldDate;
  row.write(*meters);
  meters->post();
}

StoreResult storeMeterInUse(DataModule& dm, const QString& base, int slot, bool inUse, const MeterData& meter,
                            QString* keptYear) {
  QueryDataset* query = dm.meters;
  query->reopen(Statements::meterInSlotInUse(base, slot));
  StoreResult result = StoreResult::NoMeter;
  if (!query->isEmpty()) {
    TableDataset* meters = chosenMeterTable(dm);
    meters->edit();
    if (const std::optional<int> year = yearNumber(meter.year)) {
      field(meters, Columns::Meter::year).setInteger(*year);
      result = StoreResult::Stored;
    } else {
      if (keptYear) *keptYear = Row::Meter::read(*meters).yearText();
      result = StoreResult::YearMissing;
    }
    field(meters, Columns::Meter::inUse).setBool(inUse);
    writeMeterDetails(meters, meter);
    meters->post();
  }
  query->close();
  query->open();
  return result;
}

std::optional<int> yearNumber(const QString& text) {
  bool ok = false;
  const int year = text.trimmed().toInt(&ok);
  return ok ? std::optional<int>(year) : std::nullopt;
}

}  // namespace BaseStore
