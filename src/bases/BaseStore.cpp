#include "bases/BaseStore.h"

#include "database/DataModule.h"

namespace BaseStore {
namespace {

FieldRef field(Dataset* dataset, const char* name) { return dataset->fieldByName(QString::fromLatin1(name)); }

// chosenMeter, open (it follows meters's current row, or shows the whole table while meters is closed).
TableDataset* chosenMeterTable(DataModule& dm) {
  if (!dm.chosenMeter->isOpen()) dm.chosenMeter->open();
  return dm.chosenMeter;
}

// Owner, maker and date: written both when a meter is created and when it is stored.
void writeMeterDetails(Dataset* meters, const MeterData& meter) {
  field(meters, "MyUser").setText(meter.user);
  field(meters, "MyMaker").setText(meter.maker);
  field(meters, "Olddate").setDate(meter.oldDate);
}

}  // namespace

BaseNominals readNominals(DataModule& dm) {
  TableDataset* base = dm.chosenBase;
  return {field(base, "Nvoltage").asReal(), field(base, "NTok").asReal(), field(base, "Pered").asReal(),
          field(base, "KlasT").asReal()};
}

void storeNominals(DataModule& dm, const BaseNominals& nominals) {
  TableDataset* base = dm.chosenBase;
  base->edit();
  field(base, "Nvoltage").setReal(nominals.voltage);
  field(base, "NTok").setReal(nominals.current);
  field(base, "Pered").setReal(nominals.constant);
  field(base, "KlasT").setReal(nominals.klas);
  base->post();
}

void appendBase(DataModule& dm, const QString& name) {
  dm.bases->close();
  TableDataset* base = dm.chosenBase;
  if (!base->isOpen()) base->open();
  base->append();
  field(base, "NameBase").setText(name);
  base->post();
}

void deleteCurrentBase(DataModule& dm) {
  TableDataset* base = dm.chosenBase;
  if (!base->isOpen()) base->open();
  base->remove();
}

MeterData readMeter(Dataset& meters) {
  return {field(&meters, "MyNumber").asText(), field(&meters, "Tip").asText(),
          field(&meters, "MyYear").asText(),   field(&meters, "MyUser").asText(),
          field(&meters, "MyMaker").asText(),  field(&meters, "Olddate").asDate()};
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
  const FieldRef meterSlot = field(query, "NumberCh");
  const FieldRef inUse = field(query, "MyVisible");
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
  field(meters, "Base").setText(base);
  field(meters, "NumberCh").setInteger(slot);
  field(meters, "MyVisible").setBool(true);
  field(meters, "Tip").setText(meter.type);
  field(meters, "MyYear").setInteger(*year);
  field(meters, "MyNumber").setText(meter.number);
  writeMeterDetails(meters, meter);
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
      field(meters, "MyYear").setInteger(*year);
      result = StoreResult::Stored;
    } else {
      if (keptYear) *keptYear = field(meters, "MyYear").asText();
      result = StoreResult::YearMissing;
    }
    field(meters, "MyVisible").setBool(inUse);
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
