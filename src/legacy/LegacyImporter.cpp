#include "legacy/LegacyImporter.h"

#include "database/Columns.h"
#include "database/Connection.h"

#include <QDate>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>

namespace {

// Progress is told after this many rows.
constexpr qint64 kProgressStep = 1000;

// The dates the program's date fields take.
const QDate kFirstDate(1900, 1, 1);
const QDate kLastDate(9999, 12, 31);

const QString kImportSuffix = QStringLiteral(" (импорт)");

bool isEmptyValue(const QVariant& value) {
  return value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
}

}  // namespace

LegacyImporter::LegacyImporter(const QString& folder, Connection* target, const LegacyImportOptions& options,
                               const ImportProgress& progress)
    : folder_(folder), target_(target), options_(options), progress_(progress) {}

ImportSummary LegacyImporter::run() {
  summary_.folder = folder_;
  openTables();
  readTarget();
  makeWriters();
  importBases();
  if (!summary_.canImport() && options_.write) throw BasesInUse{};
  importMeters();
  importPoints();
  importArchivedMeters();
  importArchivedPoints();
  renumberMergedMeters();
  if (options_.write && summary_.keysKept)
    for (const TableDef* table : Schema::tables()) continueKeysAfterLargest(*target_, *table);
  if (progress_ && !progress_(total_, total_)) throw ImportCancelled();
  return summary_;
}

// All five are opened and checked before a row is read: a missing or foreign
// table stops the import before anything happens.
void LegacyImporter::openTables() {
  for (const TableDef* table : Schema::tables()) {
    tables_.push_back(std::make_unique<LegacyTable>(folder_, *table));
    summary_.tables.append({tables_.back()->fileName(), tables_.back()->recordCount(), 0, 0});
    total_ += tables_.back()->recordCount();
  }
}

bool LegacyImporter::targetIsEmpty() {
  if (!target_) return true;
  for (const TableDef* table : Schema::tables()) {
    QSqlQuery query = target_->execute(Statements::rowCount(table->name));
    const qint64 rows = query.next() ? query.value(0).toLongLong() : 0;
    target_->recycle(std::move(query));
    if (rows > 0) return false;
  }
  return true;
}

void LegacyImporter::readTarget() {
  summary_.keysKept = targetIsEmpty();
  if (summary_.keysKept) return;
  QSqlQuery bases = target_->execute(Statements::allBases());
  const int name = bases.record().indexOf(Columns::Base::name);
  while (bases.next()) takenBaseNames_.insert(bases.value(name).toString());
  target_->recycle(std::move(bases));
  readArchiveOfTarget();
}

void LegacyImporter::makeWriters() {
  if (!options_.write) return;
  for (const TableDef* table : Schema::tables())
    writers_.push_back(std::make_unique<TableWriter>(*target_, *table, summary_.keysKept));
}

int LegacyImporter::column(TableIndex table, QLatin1String name) const {
  return tables_[table]->table().fieldIndex(name);
}

void LegacyImporter::problem(TableIndex table, qint64 record, const QString& text) {
  summary_.problems.append({summary_.tables[table].file, record, text});
}

void LegacyImporter::advance() {
  if (++done_ % kProgressStep == 0 && progress_ && !progress_(done_, total_)) throw ImportCancelled();
}

void LegacyImporter::forEachRow(TableIndex table, const std::function<void(qint64, QVariantList&)>& take) {
  LegacyTable& file = *tables_[table];
  for (int index = 0; index < file.recordCount(); ++index) {
    QVariantList row = file.read(index);
    const qint64 record = index + 1;
    if (hasRequiredFields(table, record, row)) {
      clearOutOfRange(table, record, row);
      take(record, row);
    } else {
      rememberSkipped(table, row);
      skipped(table);
    }
    advance();
  }
  if (!writers_.empty()) writers_[table]->flush();
}

// Rows that refer to a skipped meter are told so.
void LegacyImporter::rememberSkipped(TableIndex table, const QVariantList& row) {
  const QVariant key = row[tables_[table]->table().fieldIndex(tables_[table]->table().keyField)];
  if (table == MeterTable && !key.isNull()) skippedMeters_.insert(key.toLongLong());
  if (table == ArchivedMeterTable && !key.isNull()) skippedArchivedMeters_.insert(key.toLongLong());
}

bool LegacyImporter::hasRequiredFields(TableIndex table, qint64 record, const QVariantList& row) {
  const TableDef& def = tables_[table]->table();
  for (qsizetype i = 0; i < def.fields.size(); ++i) {
    const FieldDef& field = def.fields[i];
    if ((field.required || field.type == FieldType::AutoIncrement) && isEmptyValue(row[i])) {
      problem(table, record, QStringLiteral("не заполнено поле %1; запись пропущена.").arg(field.name));
      return false;
    }
  }
  return true;
}

void LegacyImporter::clearOutOfRange(TableIndex table, qint64 record, QVariantList& row) {
  const TableDef& def = tables_[table]->table();
  for (qsizetype i = 0; i < def.fields.size(); ++i) {
    QVariant& value = row[i];
    if (value.typeId() == QMetaType::QDate) {
      const QDate date = value.toDate();
      if (date.isValid() && date >= kFirstDate && date <= kLastDate) continue;
      problem(table, record,
              QStringLiteral("дата %1 в поле %2 вне допустимого диапазона (01.01.1900 - 31.12.9999); "
                             "поле оставлено пустым.")
                  .arg(date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QStringLiteral("?"),
                       def.fields[i].name));
      value = QVariant();
    } else if (value.typeId() == QMetaType::Double && !std::isfinite(value.toDouble())) {
      problem(table, record,
              QStringLiteral("в поле %1 не число; поле оставлено пустым.").arg(def.fields[i].name));
      value = QVariant();
    }
  }
}

qint64 LegacyImporter::storeReturningKey(TableIndex table, const QVariantList& row) {
  imported(table);
  if (!options_.write) return nextStandInKey_--;
  return writers_[table]->insertReturningKey(row);
}

void LegacyImporter::store(TableIndex table, const QVariantList& row) {
  imported(table);
  if (options_.write) writers_[table]->add(row);
}

// ---------------------------------------------------------------- working tables

QString LegacyImporter::freeBaseName(const QString& name) const {
  const int longest = tables_[BaseTable]->table().fields[column(BaseTable, Columns::Base::name)].size;
  for (int number = 1;; ++number) {
    const QString suffix = number == 1 ? kImportSuffix : QStringLiteral(" (импорт %1)").arg(number);
    const QString candidate = name.left(longest - suffix.size()) + suffix;
    if (!takenBaseNames_.contains(candidate)) return candidate;
  }
}

void LegacyImporter::importBases() {
  const int name = column(BaseTable, Columns::Base::name);
  forEachRow(BaseTable, [&](qint64 record, QVariantList& row) {
    const QString oldName = row[name].toString();
    if (const auto first = firstBaseRecord_.find(oldName); first != firstBaseRecord_.end()) {
      problem(BaseTable, record,
              QStringLiteral("база «%1» уже была в записи %2; запись пропущена, счетчики этой базы "
                             "относятся к первой.")
                  .arg(oldName)
                  .arg(first.value()));
      skipped(BaseTable);
      return;
    }
    firstBaseRecord_.insert(oldName, record);
    QString newName = oldName;
    if (takenBaseNames_.contains(oldName)) {
      if (!options_.renameBases) {
        summary_.refusals.append({summary_.tables[BaseTable].file, record,
                                  QStringLiteral("база «%1» уже есть в базе данных.").arg(oldName)});
        skipped(BaseTable);
        return;
      }
      newName = freeBaseName(oldName);
      problem(
          BaseTable, record,
          QStringLiteral("база «%1» уже есть в базе данных; импортирована как «%2».").arg(oldName, newName));
      row[name] = newName;
    }
    takenBaseNames_.insert(newName);
    baseNames_.insert(oldName, newName);
    store(BaseTable, row);
  });
}

void LegacyImporter::importMeters() {
  const int key = column(MeterTable, Columns::Meter::key);
  const int base = column(MeterTable, Columns::Meter::base);
  forEachRow(MeterTable, [&](qint64 record, QVariantList& row) {
    const qint64 oldKey = row[key].toLongLong();
    const auto name = baseNames_.constFind(row[base].toString());
    QString why;
    if (meterKeys_.contains(oldKey) || skippedMeters_.contains(oldKey))
      why = QStringLiteral("ключ %1 повторяется").arg(oldKey);
    else if (name == baseNames_.constEnd())
      why = QStringLiteral("нет базы «%1»").arg(row[base].toString());
    if (!why.isEmpty()) {
      problem(MeterTable, record, why + QStringLiteral("; счетчик пропущен."));
      skippedMeters_.insert(oldKey);
      skipped(MeterTable);
      return;
    }
    row[base] = name.value();
    if (summary_.keysKept) {
      store(MeterTable, row);
      meterKeys_.insert(oldKey, oldKey);
    } else {
      meterKeys_.insert(oldKey, storeReturningKey(MeterTable, row));
    }
  });
}

void LegacyImporter::importPoints() {
  const int meter = column(PointTable, Columns::TestPoint::meter);
  forEachRow(PointTable, [&](qint64 record, QVariantList& row) {
    const qint64 oldMeter = row[meter].toLongLong();
    const auto newMeter = meterKeys_.constFind(oldMeter);
    if (row[meter].isNull() || newMeter == meterKeys_.constEnd()) {
      problem(PointTable, record,
              (skippedMeters_.contains(oldMeter) ? QStringLiteral("счетчик с ключом %1 пропущен")
                                                 : QStringLiteral("нет счетчика с ключом %1"))
                      .arg(row[meter].isNull() ? QStringLiteral("(пусто)") : QString::number(oldMeter)) +
                  QStringLiteral("; точка пропущена."));
      skipped(PointTable);
      return;
    }
    row[meter] = newMeter.value();
    store(PointTable, row);
  });
}

// ---------------------------------------------------------------- the whole run

ImportSummary importLegacyTables(const QString& folder, Connection* target,
                                 const LegacyImportOptions& options, const ImportProgress& progress) {
  if (!options.write) return LegacyImporter(folder, target, options, progress).run();
  if (!target) throw std::logic_error("importLegacyTables: no database to write");
  ImportSummary summary;
  try {
    // A clash with another bench runs the whole import again from the start.
    target->runTransaction([&] { summary = LegacyImporter(folder, target, options, progress).run(); });
  } catch (const LegacyImporter::BasesInUse&) {
    // Nothing was written; the summary of a check tells everything that stands in the way.
    LegacyImportOptions check = options;
    check.write = false;
    return LegacyImporter(folder, target, check, progress).run();
  }
  return summary;
}
