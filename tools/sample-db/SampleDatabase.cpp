#include "SampleDatabase.h"

#include <QFileInfo>

#include <cmath>

#include "database/Connection.h"
#include "database/Dataset.h"
#include "database/Schema.h"
#include "database/TableDataset.h"

namespace {

qint64 postAndKey(TableDataset& table) {
  table.post();
  return table.fieldByName(table.table().keyField).asInteger();
}

}  // namespace

SampleRows::SampleRows(Connection& connection)
    : bases_(std::make_unique<TableDataset>(&connection, Schema::base())),
      meters_(std::make_unique<TableDataset>(&connection, Schema::master())),
      points_(std::make_unique<TableDataset>(&connection, Schema::slave())) {
  bases_->open();
  meters_->open();
  points_->open();
}

SampleRows::~SampleRows() = default;

qint64 SampleRows::addBase(const QString& name, double voltage, double current, double constant,
                           double accuracyClass) {
  bases_->append();
  bases_->fieldByName(QStringLiteral("NameBase")).setText(name);
  bases_->fieldByName(QStringLiteral("Nvoltage")).setReal(voltage);
  bases_->fieldByName(QStringLiteral("NTok")).setReal(current);
  bases_->fieldByName(QStringLiteral("Pered")).setReal(constant);
  bases_->fieldByName(QStringLiteral("KlasT")).setReal(accuracyClass);
  return postAndKey(*bases_);
}

qint64 SampleRows::addMeter(const QString& base, const Meter& meter) {
  meters_->append();
  meters_->fieldByName(QStringLiteral("Base")).setText(base);
  meters_->fieldByName(QStringLiteral("NumberCh")).setInteger(meter.slot);
  meters_->fieldByName(QStringLiteral("Tip")).setText(meter.type);
  meters_->fieldByName(QStringLiteral("MyNumber")).setText(meter.number);
  meters_->fieldByName(QStringLiteral("MyYear")).setInteger(meter.year);
  meters_->fieldByName(QStringLiteral("MyUser")).setText(meter.user);
  meters_->fieldByName(QStringLiteral("MyMaker")).setText(meter.maker);
  if (meter.oldDate.isValid()) meters_->fieldByName(QStringLiteral("Olddate")).setDate(meter.oldDate);
  meters_->fieldByName(QStringLiteral("MyVisible")).setBool(meter.inUse);
  return postAndKey(*meters_);
}

qint64 SampleRows::addPoint(qint64 meterNum, const Point& point) {
  points_->append();
  points_->fieldByName(QStringLiteral("Num")).setInteger(meterNum);
  points_->fieldByName(QStringLiteral("Voltage")).setReal(point.voltage);
  points_->fieldByName(QStringLiteral("Tok")).setReal(point.current);
  points_->fieldByName(QStringLiteral("KM")).setText(point.powerFactor);
  points_->fieldByName(QStringLiteral("Opogr")).setReal(point.error);
  if (point.date.isValid()) points_->fieldByName(QStringLiteral("Date")).setDate(point.date);
  points_->fieldByName(QStringLiteral("Rep")).setText(point.rep);
  if (point.count > 0) points_->fieldByName(QStringLiteral("Count")).setInteger(point.count);
  return postAndKey(*points_);
}

bool createSampleDatabase(const QString& databaseFile) {
  if (QFileInfo::exists(databaseFile)) return false;
  const std::unique_ptr<Connection> connection =
      Connection::openSqliteFile(databaseFile, QStringLiteral("VT3417 sample"));
  {
    SampleRows rows(*connection);
    Connection::Transaction transaction(*connection);
    const QDate testDay(2024, 3, 5);

    // A base of three single-phase meters, measured at the loads of a
    // verification: each meter's error drifts with falling current, and
    // meter 4 goes beyond its class at 0,8 емк.
    const QString first = QStringLiteral("СО-505 ПАРТИЯ 12");
    rows.addBase(first, 220, 5, 1600, 2);
    const struct {
      int slot;
      const char* number;
      double offset;  // error at the nominal current, %
      double drift;   // added per decade below the nominal current, %
    } firstMeters[] = {{1, "0114523", 0.42, 0.35}, {2, "0114527", -0.21, -0.30}, {4, "0114530", 0.95, 0.60}};
    const struct {
      double current;
      const char* powerFactor;
      double shift;  // of the error at this power factor, %
    } loads[] = {{100, "1.000", 0},    {50, "1.000", 0},     {10, "1.000", 0},    {5, "1.000", 0},
                 {120, "1.000", 0},    {100, "0.50/L", 0.2}, {20, "0.50/L", 0.2}, {10, "0.50/L", 0.3},
                 {100, "0.8/C", -0.3}, {20, "0.8/C", 0.6}};
    for (const auto& meter : firstMeters) {
      const qint64 num = rows.addMeter(
          first, {meter.slot, QStringLiteral("СО-505"), QString::fromLatin1(meter.number), 2022,
                  QStringLiteral("ГОРЭЛЕКТРОСЕТЬ"), QStringLiteral("ЭНЕРГОМЕРА"), QDate(2016, 4, 12), true});
      int count = 0;
      for (const auto& load : loads) {
        const double error = meter.offset + meter.drift * std::log10(100 / load.current) +
                             load.shift * (meter.offset > 0 ? 1 + meter.offset : 1);
        rows.addPoint(
            num, {100, load.current, QString::fromLatin1(load.powerFactor), std::round(error * 100) / 100,
                  testDay, count < 6 ? QStringLiteral("R") : QString(), count + 1});
        ++count;
      }
    }
    // A meter kept in the base but not in use: it has no node in the tree.
    rows.addMeter(
        first, {3, QStringLiteral("СО-505"), QStringLiteral("0114529"), 2021,
                QStringLiteral("ГОРЭЛЕКТРОСЕТЬ"), QStringLiteral("ЭНЕРГОМЕРА"), QDate(2016, 4, 12), false});

    // A three-phase base, not measured yet.
    const QString second = QStringLiteral("ЦЭ6803 ТРЕХФАЗНЫЕ");
    rows.addBase(second, 57.7, 1, 5000, 1);
    rows.addMeter(
        second, {1, QStringLiteral("ЦЭ6803В"), QStringLiteral("9841207"), 2023,
                 QStringLiteral("ЗАВОД МЕТАЛЛИСТ"), QStringLiteral("ЭНЕРГОМЕРА"), QDate(2019, 9, 30), true});
    rows.addMeter(
        second, {2, QStringLiteral("ЦЭ6803В"), QStringLiteral("9841215"), 2023,
                 QStringLiteral("ЗАВОД МЕТАЛЛИСТ"), QStringLiteral("ЭНЕРГОМЕРА"), QDate(2019, 9, 30), true});
    transaction.commit();
  }
  return true;
}
