#include "database/TableCheck.h"

#include <QSqlRecord>
#include <QStringList>

#include "database/Connection.h"
#include "database/Schema.h"

namespace {

// The order in which the start-up opens the tables and names them.
const QVector<const TableDef*>& tablesInOpeningOrder() {
  static const QVector<const TableDef*> tables = {&Schema::master(), &Schema::slave(), &Schema::base(),
                                                  &Schema::masterArhive(), &Schema::slaveArhiv()};
  return tables;
}

QString missingFieldsText(const TableDef& table, const QSqlRecord& record) {
  QStringList missing;
  for (const FieldDef& field : table.fields) {
    bool found = false;
    for (int i = 0; i < record.count() && !found; ++i)
      found = record.fieldName(i).compare(field.name, Qt::CaseInsensitive) == 0;
    if (!found) missing << field.name;
  }
  if (missing.isEmpty()) return {};
  if (missing.size() == 1) return QStringLiteral("В таблице %1 нет поля %2.").arg(table.fileName, missing[0]);
  return QStringLiteral("В таблице %1 нет полей %2.").arg(table.fileName, missing.join(QStringLiteral(", ")));
}

// Server tables of the program the user may not read and write (made by
// another user); the catalogue lists them whatever the user's rights.
QStringList tablesWithoutRights(Connection& connection) {
  QStringList names;
  for (const TableDef* table : tablesInOpeningOrder()) names << table->name.toLower();
  QSqlQuery query = connection.execute(
      {QStringLiteral(
           "select tablename from pg_catalog.pg_tables "
           "where schemaname = coalesce(current_schema(), 'public') "
           "and lower(tablename) in (?, ?, ?, ?, ?) "
           "and not (has_schema_privilege(schemaname, 'usage') and has_table_privilege("
           "quote_ident(schemaname) || '.' || quote_ident(tablename), 'select, insert, update, delete')) "
           "order by tablename"),
       {names[0], names[1], names[2], names[3], names[4]},
       {}});
  QStringList refused;
  while (query.next()) refused << query.value(0).toString();
  connection.recycle(std::move(query));
  return refused;
}

}  // namespace

QString tableProblems(Connection& connection) {
  const QSqlDatabase db = connection.database();
  if (connection.isPostgres())
    if (const QStringList refused = tablesWithoutRights(connection); !refused.isEmpty())
      return QStringLiteral(
                 "У пользователя %1 нет прав на таблицы %2 базы данных %3: их создал другой пользователь. "
                 "Попросите администратора сервера базы данных выдать этому пользователю права на них.")
          .arg(db.userName(), refused.join(QStringLiteral(", ")), db.databaseName());
  QStringList problems;
  for (const TableDef* table : tablesInOpeningOrder()) {
    const QSqlRecord record = db.record(connection.isPostgres() ? table->name.toLower() : table->name);
    if (record.isEmpty()) {
      problems << QStringLiteral("В базе данных нет таблицы %1 (%2).").arg(table->name, table->fileName);
      continue;
    }
    if (const QString fields = missingFieldsText(*table, record); !fields.isEmpty()) problems << fields;
  }
  return problems.join(QLatin1Char('\n'));
}
