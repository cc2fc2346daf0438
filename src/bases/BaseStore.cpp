#include "bases/BaseStore.h"

#include "database/DataModule.h"

namespace BaseStore {
namespace {

FieldRef Field(Dataset* dataset, const char* name) { return dataset->fieldByName(QString::fromLatin1(name)); }

// chosenMeter, open (it follows meters's current row, or shows the whole table while meters is closed).
TableDataset* Meters() {
  if (!theDataModule->chosenMeter->isOpen()) theDataModule->chosenMeter->open();
  return theDataModule->chosenMeter;
}

// Owner, maker and date: written both when a meter is created and when it is stored.
void WriteMeterDetails(Dataset* meters, const MeterData& meter) {
  Field(meters, "MyUser").setText(meter.user);
  Field(meters, "MyMaker").setText(meter.maker);
  Field(meters, "Olddate").setDate(meter.oldDate);
}

}  // namespace

BaseNominals ReadNominals() {
  TableDataset* base = theDataModule->chosenBase;
  return {Field(base, "Nvoltage").asReal(), Field(base, "NTok").asReal(), Field(base, "Pered").asReal(),
          Field(base, "KlasT").asReal()};
}

void StoreNominals(const BaseNominals& nominals) {
  TableDataset* base = theDataModule->chosenBase;
  base->edit();
  Field(base, "Nvoltage").setReal(nominals.voltage);
  Field(base, "NTok").setReal(nominals.current);
  Field(base, "Pered").setReal(nominals.constant);
  Field(base, "KlasT").setReal(nominals.klas);
  base->post();
}

void AppendBase(const QString& name) {
  theDataModule->bases->close();
  TableDataset* base = theDataModule->chosenBase;
  if (!base->isOpen()) base->open();
  base->append();
  Field(base, "NameBase").setText(name);
  base->post();
}

void DeleteCurrentBase() {
  TableDataset* base = theDataModule->chosenBase;
  if (!base->isOpen()) base->open();
  base->remove();
}

MeterData ReadMeter(Dataset& meters) {
  return {Field(&meters, "MyNumber").asText(), Field(&meters, "Tip").asText(),
          Field(&meters, "MyYear").asText(),   Field(&meters, "MyUser").asText(),
          Field(&meters, "MyMaker").asText(),  Field(&meters, "Olddate").asDate()};
}

void DeleteSelectedMeters(const Statement& selection) {
  QueryDataset* query = theDataModule->meters;
  Connection::Transaction transaction(*query->connection());
  query->reopen(selection);
  TableDataset* meters = Meters();
  for (query->first(); !query->eof(); query->next())
    if (!meters->isEmpty()) meters->remove();
  transaction.commit();
  query->close();
  query->open();
}

void DeleteSlotMeters(const QString& base, int slot) {
  DeleteSelectedMeters(Statements::meterInSlot(base, slot));
}

bool PairInUseElsewhere(const QString& base, int slot, const MeterData& meter) {
  QueryDataset* query = theDataModule->meters;
  query->reopen(Statements::metersOfBaseByTypeAndNumber(base, meter.type, meter.number));
  const FieldRef meterSlot = Field(query, "NumberCh");
  const FieldRef inUse = Field(query, "MyVisible");
  for (query->first(); !query->eof(); query->next()) {
    const bool inThisSlot = !meterSlot.isNull() && meterSlot.asInteger() == slot;
    const bool outOfUse = !inUse.isNull() && !inUse.asBool();
    if (!inThisSlot && !outOfUse) return true;
  }
  return false;
}

bool PutMeterInUse(const QString& base, int slot, const MeterData& meter) {
  // A refused pair changes nothing: the check comes before any deletion.
  if (PairInUseElsewhere(base, slot, meter)) return false;
  QueryDataset* query = theDataModule->meters;
  // A failing append must not leave the slot's old meter deleted.
  Connection::Transaction transaction(*query->connection());
  DeleteSlotMeters(base, slot);
  DeleteSelectedMeters(Statements::unusedMetersOfBaseByTypeAndNumber(base, meter.type, meter.number));
  AppendMeter(base, slot, meter);
  transaction.commit();
  return true;
}

void AppendMeter(const QString& base, int slot, const MeterData& meter) {
  const std::optional<int> year = YearNumber(meter.year);
  if (!year) throw std::runtime_error("Год выпуска счетчика должен быть числом.");
  theDataModule->meters->close();
  TableDataset* meters = Meters();
  meters->append();
  Field(meters, "Base").setText(base);
  Field(meters, "NumberCh").setInteger(slot);
  Field(meters, "MyVisible").setBool(true);
  Field(meters, "Tip").setText(meter.type);
  Field(meters, "MyYear").setInteger(*year);
  Field(meters, "MyNumber").setText(meter.number);
  WriteMeterDetails(meters, meter);
  meters->post();
}

StoreResult StoreMeterInUse(const QString& base, int slot, bool inUse, const MeterData& meter,
                            QString* keptYear) {
  QueryDataset* query = theDataModule->meters;
  query->reopen(Statements::meterInSlotInUse(base, slot));
  StoreResult result = StoreResult::NoMeter;
  if (!query->isEmpty()) {
    TableDataset* meters = Meters();
    meters->edit();
    if (const std::optional<int> year = YearNumber(meter.year)) {
      Field(meters, "MyYear").setInteger(*year);
      result = StoreResult::Stored;
    } else {
      if (keptYear) *keptYear = Field(meters, "MyYear").asText();
      result = StoreResult::YearMissing;
    }
    Field(meters, "MyVisible").setBool(inUse);
    WriteMeterDetails(meters, meter);
    meters->post();
  }
  query->close();
  query->open();
  return result;
}

std::optional<int> YearNumber(const QString& text) {
  bool ok = false;
  const int year = text.trimmed().toInt(&ok);
  return ok ? std::optional<int>(year) : std::nullopt;
}

}  // namespace BaseStore
