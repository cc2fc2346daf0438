#pragma once

#include "database/FieldDef.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The five tables of the measurement database and their lookups.
struct IndexDef {
  QString name;
  QStringList columns;
  bool unique = false;
};

struct TableDef {
  QString name;              // as named in statements ("master")
  QString fileName;          // the table's historical file name ("Master.DB"), for messages
  QVector<FieldDef> fields;  // in declaration order
  QString keyField;          // auto-increment key ("Num" or "N")
  QVector<IndexDef> indexes;

  // Index into fields, matched case-insensitively; -1 when absent.
  int fieldIndex(const QString& name) const;
  const FieldDef* field(const QString& name) const;
};

namespace Schema {

const TableDef& base();
const TableDef& master();
const TableDef& slave();
const TableDef& masterArhive();
const TableDef& slaveArhiv();
// All five, in creation order.
QVector<const TableDef*> tables();
// The table of that name (case-insensitive), nullptr when unknown.
const TableDef* find(const QString& tableName);

// Statements that create a table and its indexes. Only this differs per engine:
// driverName is a Qt driver name ("QSQLITE", "QPSQL").
QStringList createStatements(const TableDef& table, const QString& driverName);

}  // namespace Schema
