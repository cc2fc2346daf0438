#include "ArchiveFixture.h"

#include "database/DataModule.h"
#include "ui/Selection.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

ArchiveFixture::ArchiveFixture() : dm_(std::make_unique<DataModule>()) {
  const QStringList failures = dm_->openTables();
  if (!failures.isEmpty()) throw std::runtime_error(failures.join(QLatin1Char(' ')).toStdString());
}

ArchiveFixture::~ArchiveFixture() = default;

// The new row's key, read back with "returning" (both engines know it; a
// driver's last insert id is not portable).
qint64 ArchiveFixture::insert(const QString& table, const QString& sql, const QVariantList& values) {
  const TableDef* def = Schema::find(table);
  QSqlQuery query =
      dm_->connection()->executeWrite({sql + QStringLiteral(" returning ") + def->keyField, values, table});
  const qint64 key = query.next() ? query.value(0).toLongLong() : 0;
  dm_->connection()->recycle(std::move(query));
  return key;
}

qint64 ArchiveFixture::addBase(const QString& name, double voltage, double current, double constant,
                               double accuracyClass) {
  return insert(
      QStringLiteral("base"),
      QStringLiteral("insert into base (NameBase, Nvoltage, NTok, Pered, KlasT) values (?, ?, ?, ?, ?)"),
      {name, voltage, current, constant, accuracyClass});
}

qint64 ArchiveFixture::addMeter(const QString& base, int slot, const QString& type, const QString& number,
                                int year, const QString& user, const QString& maker, const QDate& oldDate) {
  return insert(
      QStringLiteral("master"),
      QStringLiteral("insert into master (Base, NumberCh, Tip, MyYear, MyVisible, MyNumber, MyUser, "
                     "MyMaker, Olddate) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
      {base, slot, type, year, true, number, user, maker, oldDate});
}

qint64 ArchiveFixture::addPoint(qint64 meterNum, double voltage, double current, const QString& powerFactor,
                                double error, const QDate& date, const QString& mark) {
  return insert(QStringLiteral("slave"),
                QStringLiteral("insert into slave (Num, Voltage, Tok, KM, Opogr, Date, Rep, Count) "
                               "values (?, ?, ?, ?, ?, ?, ?, 0)"),
                {meterNum, voltage, current, powerFactor, error, date, mark});
}

qint64 ArchiveFixture::addArchivedMeter(const QString& type, const QString& number, int year,
                                        const QString& base) {
  return insert(
      QStringLiteral("masterarhive"),
      QStringLiteral("insert into masterarhive (Base, Tip, MyYear, MyUser, Maker, KlasT, Nvoltage, NTok, "
                     "Pered, MyNumber) values (?, ?, ?, ?, ?, 1, 220, 5, 1600, ?)"),
      {base, type, year, QStringLiteral("ЛАБОРАТОРИЯ"), QStringLiteral("ЗАВОД"), number});
}

qint64 ArchiveFixture::addArchivedPoint(qint64 archivedMeterNum, int count, double error) {
  return insert(QStringLiteral("Slavearhiv"),
                QStringLiteral("insert into Slavearhiv (Num, Voltage, Tok, KM, Opogr, Date, OldDate, Count) "
                               "values (?, 100, 100, '0.5/L', ?, ?, ?, ?)"),
                {archivedMeterNum, error, QDate(2024, 3, 5), QDate(2020, 5, 14), count});
}

void ArchiveFixture::chooseMeter(const QString& base, int slot) {
  selection_.setBaseName(base);
  selection_.setSlot(slot);
  dm_->meters->reopen(Statements::meterInSlotInUse(base, slot));
  selection_.setMeterNum(static_cast<int>(dm_->meters->fieldByName(QStringLiteral("Num")).asInteger()));
  dm_->bases->reopen(Statements::baseByName(base));
  if (!dm_->testPoints->isOpen()) dm_->testPoints->open();
  dm_->markedPoints->reopen(Statements::markedPointsOfMeter(selection_.meterNum()));
  selection_.setMarkedCount(dm_->markedPoints->recordCount());
}

QList<QVariantList> ArchiveFixture::rows(const QString& sql, const QVariantList& values) const {
  QSqlQuery query = dm_->connection()->execute({sql, values, {}});
  QList<QVariantList> result;
  while (query.next()) {
    QVariantList row;
    for (int i = 0; i < query.record().count(); ++i) row << query.value(i);
    result << row;
  }
  return result;
}

int ArchiveFixture::count(const QString& sql, const QVariantList& values) const {
  return rows(sql, values).value(0).value(0).toInt();
}
