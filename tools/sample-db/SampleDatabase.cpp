#include "SampleDatabase.h"

#include <QFileInfo>

#include "database/Connection.h"
#include "database/Dataset.h"
#include "database/Schema.h"

namespace {

qint64 PostAndKey(TableDataset& table) {
  table.post();
  return table.fieldByName(table.table().keyField).asInteger();
}

}  // namespace

SampleRows::SampleRows(Connection& connection)
    : bases_(std::make_unique<TableDataset>(&connection, Schema::Base())),
      meters_(std::make_unique<TableDataset>(&connection, Schema::Master())),
      points_(std::make_unique<TableDataset>(&connection, Schema::Slave())) {
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
  return PostAndKey(*bases_);
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
  return PostAndKey(*meters_);
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
  return PostAndKey(*points_);
}

bool CreateSampleDatabase(const QString& databaseFile) {
  if (QFileInfo::exists(databaseFile)) return false;
  const std::unique_ptr<Connection> connection =
      Connection::openSqliteFile(databaseFile, QStringLiteral("VT3417 sample"));
  {
    SampleRows rows(*connection);
    Connection::Transaction transaction(*connection);
    const QDate testDay(2024, 3, 5);

    // A base of three single-phase meters of class 2, measured at a few loads;
    // the first one beyond its limit at 0.50/L, the second at 50 % (a marked point).
    const QString first = QStringLiteral("СО-505 ПАРТИЯ 12");
    rows.addBase(first, 220, 5, 1600, 2);
    const struct {
      int slot;
      const char* number;
      double errors[4];
    } firstMeters[] = {{1, "0114523", {0.42, 0.31, -0.12, 2.35}},
                       {2, "0114527", {-0.21, -2.35, -0.48, 0.12}},
                       {4, "0114530", {0.95, 0.88, 0.71, 1.02}}};
    const struct {
      double current;
      const char* powerFactor;
    } loads[] = {{100, "1.000"}, {50, "1.000"}, {10, "1.000"}, {100, "0.50/L"}};
    for (const auto& meter : firstMeters) {
      const qint64 num = rows.addMeter(
          first, {meter.slot, QStringLiteral("СО-505"), QString::fromLatin1(meter.number), 2022,
                  QStringLiteral("ГОРЭЛЕКТРОСЕТЬ"), QStringLiteral("ЭНЕРГОМЕРА"), QDate(2016, 4, 12), true});
      for (int i = 0; i < 4; ++i)
        rows.addPoint(num, {100, loads[i].current, QString::fromLatin1(loads[i].powerFactor), meter.errors[i],
                            testDay, i < 2 ? QStringLiteral("R") : QString(), i + 1});
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
