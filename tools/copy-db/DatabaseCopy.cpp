#include "DatabaseCopy.h"

#include "database/Connection.h"
#include "database/FieldValue.h"
#include "database/Schema.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <stdexcept>

namespace {

// Rows sent in one insert statement.
constexpr int kRowsPerInsert = 200;

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

qint64 rowCount(Connection& connection, const TableDef& table) {
  QSqlQuery query =
      connection.execute({QStringLiteral("select count(*) from ") + table.name, {}, table.name});
  const qint64 rows = query.next() ? query.value(0).toLongLong() : 0;
  connection.recycle(std::move(query));
  return rows;
}

void requireEmptyTarget(Connection& target) {
  QStringList filled;
  for (const TableDef* table : Schema::tables())
    if (const qint64 rows = rowCount(target, *table); rows > 0)
      filled << QStringLiteral("%1 (%2)").arg(table->name).arg(rows);
  if (!filled.isEmpty())
    fail(QStringLiteral("Целевая база данных не пуста: %1. Копирование возможно только в пустую базу.")
             .arg(filled.join(QStringLiteral(", "))));
}

QString insertStatement(const TableDef& table, int rows) {
  QStringList columns;
  QStringList marks;
  for (const FieldDef& field : table.fields) {
    columns << field.name;
    marks << QStringLiteral("?");
  }
  const QString row = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
  QStringList values;
  for (int i = 0; i < rows; ++i) values << row;
  return QStringLiteral("insert into %1 (%2) values %3")
      .arg(table.name, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

// The rows of one table, by key, in batches; the values as the target's
// columns take them (SQLite's 0/1 and date texts become booleans and dates).
qint64 copyTable(Connection& source, Connection& target, const TableDef& table) {
  QSqlQuery rows = source.execute(
      {QStringLiteral("select * from %1 order by %2").arg(table.name, table.keyField), {}, table.name});
  const QSqlRecord record = rows.record();
  QVector<int> columns;
  for (const FieldDef& field : table.fields) {
    const int column = record.indexOf(field.name);
    if (column < 0) fail(QStringLiteral("В исходной таблице %1 нет поля %2.").arg(table.name, field.name));
    columns << column;
  }
  qint64 copied = 0;
  QVariantList batch;
  int batchRows = 0;
  const auto flush = [&] {
    if (batchRows == 0) return;
    target.run({insertStatement(table, batchRows), batch, table.name});
    batch.clear();
    batchRows = 0;
  };
  const int key = record.indexOf(table.keyField);
  while (rows.next()) {
    for (int i = 0; i < table.fields.size(); ++i) {
      const QVariant value = FieldValue::fromDatabase(rows.value(columns[i]), table.fields[i].type);
      // Never copied as 0 or as no date: the lab decides what the value was.
      if (FieldValue::isUnreadable(value))
        fail(QStringLiteral("значение не читается как %1: %2: %3 = %4, поле %5: «%6».")
                 .arg(table.fields[i].type == FieldType::Date ? QStringLiteral("дата")
                                                              : QStringLiteral("число"),
                      table.name, table.keyField, rows.value(key).toString(), table.fields[i].name,
                      value.toString()));
      batch << value;
    }
    ++copied;
    if (++batchRows == kRowsPerInsert) flush();
  }
  flush();
  source.recycle(std::move(rows));
  return copied;
}

// New rows get keys after the copied ones.
void continueKeys(Connection& target, const TableDef& table) {
  if (!target.isPostgres()) return;  // SQLite takes the next key after the largest
  target
      .execute({QStringLiteral("select setval(pg_get_serial_sequence('%1', '%2'), "
                               "coalesce((select max(%2) from %1), 0) + 1, false)")
                    .arg(table.name.toLower(), table.keyField.toLower()),
                {},
                {}})
      .finish();
}

}  // namespace

QList<CopiedTable> copyDatabase(Connection& source, Connection& target) {
  QList<CopiedTable> copied;
  Connection::Transaction transaction(target);
  requireEmptyTarget(target);
  for (const TableDef* table : Schema::tables()) {
    try {
      copied.append({table->name, copyTable(source, target, *table)});
    } catch (const std::exception& error) {
      fail(QStringLiteral("Таблица %1: %2").arg(table->name, QString::fromUtf8(error.what())));
    }
    continueKeys(target, *table);
  }
  transaction.commit();
  return copied;
}
