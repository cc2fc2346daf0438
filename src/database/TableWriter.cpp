#include "database/TableWriter.h"

#include "database/Connection.h"

#include <QStringList>

TableWriter::TableWriter(Connection& connection, const TableDef& table, bool withKeys, int rowsPerStatement)
    : connection_(connection), table_(table), withKeys_(withKeys), rowsPerStatement_(rowsPerStatement) {}

QString TableWriter::insertSql(int rows, bool withKeys) const {
  QStringList columns;
  QStringList marks;
  for (const FieldDef& field : table_.fields) {
    if (!withKeys && field.type == FieldType::AutoIncrement) continue;
    columns << field.name;
    marks << QStringLiteral("?");
  }
  const QString row = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
  QStringList values;
  for (int i = 0; i < rows; ++i) values << row;
  return QStringLiteral("insert into %1 (%2) values %3")
      .arg(table_.name, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

void TableWriter::append(const QVariantList& row, bool withKeys, QVariantList& values) const {
  for (qsizetype i = 0; i < table_.fields.size(); ++i)
    if (withKeys || table_.fields[i].type != FieldType::AutoIncrement) values << row.value(i);
}

void TableWriter::add(const QVariantList& row) {
  append(row, withKeys_, pending_);
  if (++pendingRows_ == rowsPerStatement_) flush();
}

void TableWriter::flush() {
  if (pendingRows_ == 0) return;
  connection_.run({insertSql(pendingRows_, withKeys_), pending_, table_.name});
  pending_.clear();
  pendingRows_ = 0;
}

qint64 TableWriter::insertReturningKey(const QVariantList& row) {
  QVariantList values;
  append(row, false, values);
  // Both engines return the new row's columns ("returning"; SQLite since 3.35).
  QSqlQuery query = connection_.executeWrite(
      {insertSql(1, false) + QStringLiteral(" returning ") + table_.keyField, values, table_.name});
  const qint64 key = query.next() ? query.value(0).toLongLong() : 0;
  connection_.recycle(std::move(query));
  if (key <= 0)
    throw std::runtime_error(QStringLiteral("Таблица %1: база данных не выдала ключ новой записи.")
                                 .arg(table_.name)
                                 .toStdString());
  return key;
}

void continueKeysAfterLargest(Connection& connection, const TableDef& table) {
  if (!connection.isPostgres()) return;  // SQLite takes the next key after the largest by itself
  QSqlQuery query = connection.execute({QStringLiteral("select setval(pg_get_serial_sequence('%1', '%2'), "
                                                       "coalesce((select max(%2) from %1), 0) + 1, false)")
                                            .arg(table.name.toLower(), table.keyField.toLower()),
                                        {},
                                        {}});
  connection.recycle(std::move(query));
}
