#include "DatabaseCopy.h"

#include "database/Connection.h"
#include "database/FieldValue.h"
#include "database/Schema.h"
#include "database/Statements.h"
#include "database/TableWriter.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

qint64 rowCount(Connection& connection, const TableDef& table) {
  QSqlQuery query = connection.execute(Statements::rowCount(table.name));
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
  TableWriter writer(target, table, true);
  const int key = record.indexOf(table.keyField);
  while (rows.next()) {
    QVariantList row;
    for (int i = 0; i < table.fields.size(); ++i) {
      const QVariant value = FieldValue::fromDatabase(rows.value(columns[i]), table.fields[i].type);
      // Never copied as 0 or as no date: the lab decides what the value was.
      if (FieldValue::isUnreadable(value))
        fail(QStringLiteral("значение не читается как %1: %2: %3 = %4, поле %5: «%6».")
                 .arg(table.fields[i].type == FieldType::Date ? QStringLiteral("дата")
                                                              : QStringLiteral("число"),
                      table.name, table.keyField, rows.value(key).toString(), table.fields[i].name,
                      value.toString()));
      row << value;
    }
    writer.add(row);
    ++copied;
  }
  writer.flush();
  source.recycle(std::move(rows));
  return copied;
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
    continueKeysAfterLargest(target, *table);
  }
  transaction.commit();
  return copied;
}
