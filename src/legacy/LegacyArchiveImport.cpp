// The archive's part of the import: archived meters merge by type and serial
// number, as the archive transfer merges them, and receive only the points
// they do not have yet.
#include "database/Columns.h"
#include "database/Connection.h"
#include "database/FieldValue.h"
#include "legacy/LegacyImporter.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Merged archived meters renumbered by one statement.
constexpr qsizetype kMetersPerRenumbering = 500;
// Archived meters whose earlier points are kept at hand at once.
constexpr qsizetype kPointListsKept = 2000;

QString identity(const QVariant& type, const QVariant& number) {
  return type.toString() + QChar(0x1f) + number.toString();
}

const QLatin1String kPointValueColumns[] = {
    Columns::ArchivedPoint::voltagePercent, Columns::ArchivedPoint::currentPercent,
    Columns::ArchivedPoint::powerFactor,    Columns::ArchivedPoint::error,
    Columns::ArchivedPoint::date,           Columns::ArchivedPoint::previousCheck,
};

}  // namespace

void LegacyImporter::readArchiveOfTarget() {
  QSqlQuery meters = target_->execute(Statements::allArchivedMeters());
  const QSqlRecord record = meters.record();
  const int key = record.indexOf(Columns::ArchivedMeter::key);
  const int type = record.indexOf(Columns::ArchivedMeter::type);
  const int number = record.indexOf(Columns::ArchivedMeter::serialNumber);
  while (meters.next())
    archivedMeterByIdentity_.insert(identity(meters.value(type), meters.value(number)),
                                    {meters.value(key).toLongLong(), 0});
  target_->recycle(std::move(meters));
  QSqlQuery largest = target_->execute(Statements::largestArchivedPointKey());
  lastPointBefore_ = largest.next() ? largest.value(0).toLongLong() : 0;
  target_->recycle(std::move(largest));
}

// Another bench archiving the same meter waits until the import is committed
// (as two transfers of one meter take turns); a meter deleted meanwhile sends
// the import back to its start.
void LegacyImporter::holdArchivedMeter(qint64 archivedMeter) {
  if (!options_.write) return;
  QSqlQuery held = target_->executeWrite(Statements::holdArchivedMeter(archivedMeter));
  const int rows = held.numRowsAffected();
  target_->recycle(std::move(held));
  if (rows != 1)
    throw DatabaseError(QStringLiteral("Счетчик удален из архива на другом рабочем месте."), {}, true, false);
}

void LegacyImporter::importArchivedMeters() {
  const TableDef& def = tables_[ArchivedMeterTable]->table();
  const int key = def.fieldIndex(Columns::ArchivedMeter::key);
  const int type = def.fieldIndex(Columns::ArchivedMeter::type);
  const int number = def.fieldIndex(Columns::ArchivedMeter::serialNumber);
  forEachRow(ArchivedMeterTable, [&](qint64 record, QVariantList& row) {
    const qint64 oldKey = row[key].toLongLong();
    if (archivedMeterKeys_.contains(oldKey) || skippedArchivedMeters_.contains(oldKey)) {
      problem(ArchivedMeterTable, record,
              QStringLiteral("ключ %1 повторяется; счетчик пропущен.").arg(oldKey));
      skippedArchivedMeters_.insert(oldKey);
      skipped(ArchivedMeterTable);
      return;
    }
    const QString meter = identity(row[type], row[number]);
    if (const auto known = archivedMeterByIdentity_.constFind(meter);
        known != archivedMeterByIdentity_.constEnd()) {
      const QString name =
          QStringLiteral("счетчик «%1» № %2").arg(row[type].toString(), row[number].toString());
      problem(ArchivedMeterTable, record,
              known->record == 0
                  ? name + QStringLiteral(" уже есть в архиве; точки, которых у него нет, добавлены к нему.")
                  : name + QStringLiteral(" уже был в записи %1; его точки добавлены к тому счетчику.")
                               .arg(known->record));
      skipped(ArchivedMeterTable);
      if (known->record == 0 && !archivedBefore_.contains(known->key)) {
        holdArchivedMeter(known->key);
        archivedBefore_.insert(known->key);
      }
      mergedArchivedMeters_.insert(known->key);
      archivedMeterKeys_.insert(oldKey, known->key);
      return;
    }
    qint64 newKey = oldKey;
    if (summary_.keysKept)
      store(ArchivedMeterTable, row);
    else
      newKey = storeReturningKey(ArchivedMeterTable, row);
    archivedMeterByIdentity_.insert(meter, {newKey, record});
    archivedMeterKeys_.insert(oldKey, newKey);
  });
}

LegacyImporter::PointValues LegacyImporter::pointValues(const QVariantList& row) const {
  const TableDef& def = tables_[ArchivedPointTable]->table();
  PointValues values;
  for (QLatin1String name : kPointValueColumns) values << row[def.fieldIndex(name)];
  return values;
}

bool LegacyImporter::archivedMeterHas(qint64 archivedMeter, const PointValues& values) {
  auto points = pointsBefore_.find(archivedMeter);
  if (points == pointsBefore_.end()) {
    if (pointsBefore_.size() >= kPointListsKept) pointsBefore_.clear();
    const TableDef& def = tables_[ArchivedPointTable]->table();
    QVector<PointValues> earlier;
    QSqlQuery query =
        target_->execute(Statements::archivedPointsOfMeterUpTo(archivedMeter, lastPointBefore_));
    const QSqlRecord record = query.record();
    while (query.next()) {
      PointValues point;
      for (QLatin1String name : kPointValueColumns)
        point << FieldValue::fromDatabase(query.value(record.indexOf(name)), def.field(name)->type);
      earlier << point;
    }
    target_->recycle(std::move(query));
    points = pointsBefore_.insert(archivedMeter, earlier);
  }
  return points->contains(values);
}

void LegacyImporter::importArchivedPoints() {
  const int meter = tables_[ArchivedPointTable]->table().fieldIndex(Columns::ArchivedPoint::archivedMeter);
  forEachRow(ArchivedPointTable, [&](qint64 record, QVariantList& row) {
    const qint64 oldMeter = row[meter].toLongLong();
    const auto newMeter = archivedMeterKeys_.constFind(oldMeter);
    if (row[meter].isNull() || newMeter == archivedMeterKeys_.constEnd()) {
      problem(
          ArchivedPointTable, record,
          (skippedArchivedMeters_.contains(oldMeter) ? QStringLiteral("счетчик архива с ключом %1 пропущен")
                                                     : QStringLiteral("нет счетчика архива с ключом %1"))
                  .arg(row[meter].isNull() ? QStringLiteral("(пусто)") : QString::number(oldMeter)) +
              QStringLiteral("; точка пропущена."));
      skipped(ArchivedPointTable);
      return;
    }
    row[meter] = newMeter.value();
    if (archivedBefore_.contains(newMeter.value()) && archivedMeterHas(newMeter.value(), pointValues(row))) {
      ++pointsAlreadyThere_;
      skipped(ArchivedPointTable);
      return;
    }
    if (mergedArchivedMeters_.contains(newMeter.value())) renumbered_.insert(newMeter.value());
    store(ArchivedPointTable, row);
  });
  if (pointsAlreadyThere_ > 0)
    problem(ArchivedPointTable, 0,
            QStringLiteral("точек, которые уже есть у тех же счетчиков архива: %1; они пропущены.")
                .arg(pointsAlreadyThere_));
}

void LegacyImporter::renumberMergedMeters() {
  if (!options_.write || renumbered_.isEmpty()) return;
  QList<qint64> meters(renumbered_.begin(), renumbered_.end());
  std::sort(meters.begin(), meters.end());
  for (qsizetype first = 0; first < meters.size(); first += kMetersPerRenumbering)
    target_->run(Statements::renumberArchivedPoints(meters.mid(first, kMetersPerRenumbering)));
}
