#include "database/QueryDataset.h"

#include "database/Schema.h"

QueryDataset::QueryDataset(Connection* connection, QObject* parent) : Dataset(connection, parent) {}

void QueryDataset::setStatement(const Statement& statement) {
  if (isOpen()) close();
  statement_ = statement;
}

void QueryDataset::reopen(const Statement& statement) {
  // An open query takes the new rows in one step, so that its details follow
  // once and never show the whole table in between.
  if (!isOpen()) {
    statement_ = statement;
    return open();
  }
  statement_ = statement;
  requery();
}

FieldDef QueryDataset::describeColumn(const QSqlField& column) const {
  if (const TableDef* table = Schema::find(statement_.table))
    if (const FieldDef* field = table->field(column.name())) {
      FieldDef def = *field;
      def.required = false;
      return def;
    }
  return Dataset::describeColumn(column);
}
