#include "database/TableDataset.h"

#include "database/FieldValue.h"

#include <QSqlRecord>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

}  // namespace

TableDataset::TableDataset(Connection* connection, const TableDef& table, QObject* parent)
    : Dataset(connection, parent), table_(table) {
  for (const FieldDef& field : table_.fields)
    if (!field.label.isEmpty()) setDisplayLabel(field.name, field.label);
}

void TableDataset::setMaster(Dataset* master, const QString& masterField, const QString& detailField) {
  if (master_) disconnect(master_, nullptr, this, nullptr);
  master_ = master;
  masterField_ = masterField;
  detailField_ = detailField;
  if (!master_) return;
  connect(master_, &Dataset::currentRowChanged, this, &TableDataset::followMaster);
  connect(master_, &Dataset::rowsReset, this, &TableDataset::followMaster);
  connect(master_, &Dataset::rowChanged, this, [this](int row) {
    if (master_ && row == master_->currentRow()) followMaster();
  });
  followMaster();
}

std::optional<QVariant> TableDataset::masterValue() const {
  if (!master_ || !master_->isOpen()) return std::nullopt;
  const int index = master_->fieldIndex(masterField_);
  if (index < 0) return QVariant();
  return master_->field(index).value();
}

void TableDataset::followMaster() {
  const std::optional<QVariant> value = masterValue();
  if (value == rangeValue_) return;
  rangeValue_ = value;
  invalidate();
}

Statement TableDataset::pageStatement(const Statement& select, int rows) const {
  Statement page{QStringLiteral("select * from ") + table_.name, {}, table_.name};
  QStringList conditions;
  if (rangeValue_) {
    conditions << detailField_ + QStringLiteral(" = ?");
    page.values << *rangeValue_;
  }
  if (const int last = fetchedCount() - 1; last >= 0) {
    conditions << table_.keyField + QStringLiteral(" > ?");
    page.values << valueAt(last, fieldIndex(table_.keyField));
  }
  if (!conditions.isEmpty()) page.sql += QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
  page.sql += QStringLiteral(" order by %1 limit ?").arg(table_.keyField);
  page.values << qint64(rows);
  Q_UNUSED(select);
  return page;
}

Statement TableDataset::selectStatement() const {
  Statement statement{QStringLiteral("select * from ") + table_.name, {}, table_.name};
  rangeValue_ = masterValue();
  if (const std::optional<QVariant>& value = rangeValue_) {
    statement.sql += QStringLiteral(" where ") + detailField_ + QStringLiteral(" = ?");
    statement.values << *value;
  }
  statement.sql += QStringLiteral(" order by ") + table_.keyField;
  return statement;
}

FieldDef TableDataset::describeColumn(const QSqlField& column) const {
  if (const FieldDef* field = table_.field(column.name())) return *field;
  return Dataset::describeColumn(column);
}

void TableDataset::checkFields() const {
  for (const FieldDef& field : table_.fields)
    if (fieldIndex(field.name) < 0)
      fail(QStringLiteral("В таблице %1 нет поля %2.").arg(table_.fileName, field.name));
}

bool TableDataset::belongsHere(const QVector<QVariant>& row) const {
  if (!rangeValue_) return true;
  const int index = fieldIndex(detailField_);
  return index < 0 || (!rangeValue_->isNull() && row.value(index) == *rangeValue_);
}

QVector<QVariant> TableDataset::storeInsert(const QVector<QVariant>& buffer) {
  QStringList columns;
  QStringList marks;
  Statement statement{{}, {}, table_.name};
  for (int i = 0; i < fieldCount(); ++i) {
    if (fieldDef(i).type == FieldType::AutoIncrement || buffer[i].isNull()) continue;
    columns << fieldDef(i).name;
    marks << QStringLiteral("?");
    statement.values << buffer[i];
  }
  statement.sql =
      columns.isEmpty()
          ? QStringLiteral("insert into %1 default values returning *").arg(table_.name)
          : QStringLiteral("insert into %1 (%2) values (%3) returning *")
                .arg(table_.name, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
  QSqlQuery query = connection()->executeWrite(statement);
  if (!query.next()) fail(QStringLiteral("Запись в таблицу %1 не сохранена.").arg(table_.fileName));
  QVector<QVariant> stored(fieldCount());
  for (int i = 0; i < fieldCount(); ++i) {
    const int column = query.record().indexOf(fieldDef(i).name);
    stored[i] = column < 0 ? buffer[i] : FieldValue::fromDatabase(query.value(column), fieldDef(i).type);
  }
  // Ending the statement commits the row now.
  connection()->recycle(std::move(query));
  return stored;
}

void TableDataset::storeUpdate(const QVector<QVariant>& original, const QVector<QVariant>& buffer) {
  Statement statement{{}, {}, table_.name};
  QStringList assignments;
  for (int i = 0; i < fieldCount(); ++i) {
    if (fieldDef(i).type == FieldType::AutoIncrement || original[i] == buffer[i]) continue;
    assignments << fieldDef(i).name + QStringLiteral(" = ?");
    statement.values << buffer[i];
  }
  if (assignments.isEmpty()) return;
  const int key = fieldIndex(table_.keyField);
  statement.sql = QStringLiteral("update %1 set %2 where %3 = ?")
                      .arg(table_.name, assignments.join(QStringLiteral(", ")), table_.keyField);
  statement.values << original[key];
  QSqlQuery query = connection()->executeWrite(statement);
  const int rows = query.numRowsAffected();
  connection()->recycle(std::move(query));
  // Another bench deleted the row meanwhile: the edit is not taken for stored.
  if (rows == 0)
    fail(QStringLiteral("Запись таблицы %1 не найдена: она удалена на другом рабочем месте.")
             .arg(table_.fileName));
}

void TableDataset::storeDelete(const QVector<QVariant>& row) {
  const int key = fieldIndex(table_.keyField);
  connection()->run({QStringLiteral("delete from %1 where %2 = ?").arg(table_.name, table_.keyField),
                     {row[key]},
                     table_.name});
}
