#include "database/Rows.h"

#include "database/Columns.h"
#include "database/Dataset.h"
#include "database/FieldValue.h"

namespace {

// A test point chosen for the protocol and the archive holds this mark.
const QString kMark = QStringLiteral("R");

std::optional<qint64> optionalInteger(const FieldRef& field) {
  if (field.isNull()) return std::nullopt;
  return field.asInteger();
}

// A value stored as text that reads as no number is no number here either; it
// stays in the database as it is (rows are never written back from here).
std::optional<double> optionalReal(const FieldRef& field) {
  if (field.isNull() || FieldValue::isUnreadable(field.value())) return std::nullopt;
  return field.asReal();
}

QString yearText(const std::optional<qint64>& year) { return year ? QString::number(*year) : QString(); }

}  // namespace

namespace Row {

Base Base::read(Dataset& bases) {
  namespace Column = Columns::Base;
  Base row;
  row.key = bases.fieldByName(Column::key).asInteger();
  row.name = bases.fieldByName(Column::name).asText();
  row.nominalVoltage = bases.fieldByName(Column::nominalVoltage).asReal();
  row.nominalCurrent = bases.fieldByName(Column::nominalCurrent).asReal();
  row.meterConstant = bases.fieldByName(Column::meterConstant).asReal();
  row.accuracyClass = bases.fieldByName(Column::accuracyClass).asReal();
  return row;
}

QString Meter::yearText() const { return ::yearText(year); }

Meter Meter::read(Dataset& meters) {
  namespace Column = Columns::Meter;
  Meter row;
  row.key = meters.fieldByName(Column::key).asInteger();
  row.base = meters.fieldByName(Column::base).asText();
  row.slot = meters.fieldByName(Column::slot).asInteger();
  row.inUse = meters.fieldByName(Column::inUse).asBool();
  row.type = meters.fieldByName(Column::type).asText();
  row.year = optionalInteger(meters.fieldByName(Column::year));
  row.serialNumber = meters.fieldByName(Column::serialNumber).asText();
  row.owner = meters.fieldByName(Column::owner).asText();
  row.maker = meters.fieldByName(Column::maker).asText();
  row.previousCheck = meters.fieldByName(Column::previousCheck).asDate();
  return row;
}

void Meter::write(Dataset& meters) const {
  namespace Column = Columns::Meter;
  meters.fieldByName(Column::base).setText(base);
  meters.fieldByName(Column::slot).setInteger(slot);
  meters.fieldByName(Column::inUse).setBool(inUse);
  meters.fieldByName(Column::type).setText(type);
  if (year)
    meters.fieldByName(Column::year).setInteger(*year);
  else
    meters.fieldByName(Column::year).setNull();
  meters.fieldByName(Column::serialNumber).setText(serialNumber);
  meters.fieldByName(Column::owner).setText(owner);
  meters.fieldByName(Column::maker).setText(maker);
  meters.fieldByName(Column::previousCheck).setDate(previousCheck);
}

TestPoint TestPoint::read(Dataset& points) {
  namespace Column = Columns::TestPoint;
  TestPoint row;
  row.key = points.fieldByName(Column::key).asInteger();
  row.meter = points.fieldByName(Column::meter).asInteger();
  row.voltagePercent = points.fieldByName(Column::voltagePercent).asReal();
  row.currentPercent = points.fieldByName(Column::currentPercent).asReal();
  row.powerFactor = points.fieldByName(Column::powerFactor).asText();
  row.error = optionalReal(points.fieldByName(Column::error));
  row.date = points.fieldByName(Column::date).asDate();
  row.marked = points.fieldByName(Column::mark).asText() == kMark;
  row.number = optionalInteger(points.fieldByName(Column::number));
  return row;
}

void TestPoint::write(Dataset& points) const {
  namespace Column = Columns::TestPoint;
  points.fieldByName(Column::meter).setInteger(meter);
  points.fieldByName(Column::voltagePercent).setReal(voltagePercent);
  points.fieldByName(Column::currentPercent).setReal(currentPercent);
  points.fieldByName(Column::powerFactor).setText(powerFactor);
  if (error)
    points.fieldByName(Column::error).setReal(*error);
  else
    points.fieldByName(Column::error).setNull();
  points.fieldByName(Column::date).setDate(date);
  // An unmarked point stores null, as the grid leaves it.
  points.fieldByName(Column::mark).setText(marked ? kMark : QString());
  if (number)
    points.fieldByName(Column::number).setInteger(*number);
  else
    points.fieldByName(Column::number).setNull();
}

QString ArchivedMeter::yearText() const { return ::yearText(year); }

ArchivedMeter ArchivedMeter::read(Dataset& meters) {
  namespace Column = Columns::ArchivedMeter;
  ArchivedMeter row;
  row.key = meters.fieldByName(Column::key).asInteger();
  row.base = meters.fieldByName(Column::base).asText();
  row.type = meters.fieldByName(Column::type).asText();
  row.year = optionalInteger(meters.fieldByName(Column::year));
  row.owner = meters.fieldByName(Column::owner).asText();
  row.maker = meters.fieldByName(Column::maker).asText();
  row.accuracyClass = optionalReal(meters.fieldByName(Column::accuracyClass));
  row.nominalVoltage = optionalReal(meters.fieldByName(Column::nominalVoltage));
  row.nominalCurrent = optionalReal(meters.fieldByName(Column::nominalCurrent));
  row.meterConstant = optionalReal(meters.fieldByName(Column::meterConstant));
  row.serialNumber = meters.fieldByName(Column::serialNumber).asText();
  return row;
}

ArchivedPoint ArchivedPoint::read(Dataset& points) {
  namespace Column = Columns::ArchivedPoint;
  ArchivedPoint row;
  row.key = points.fieldByName(Column::key).asInteger();
  row.archivedMeter = points.fieldByName(Column::archivedMeter).asInteger();
  row.voltagePercent = points.fieldByName(Column::voltagePercent).asReal();
  row.currentPercent = points.fieldByName(Column::currentPercent).asReal();
  row.powerFactor = points.fieldByName(Column::powerFactor).asText();
  row.error = optionalReal(points.fieldByName(Column::error));
  row.date = points.fieldByName(Column::date).asDate();
  row.previousCheck = points.fieldByName(Column::previousCheck).asDate();
  row.number = optionalInteger(points.fieldByName(Column::number));
  return row;
}

}  // namespace Row
