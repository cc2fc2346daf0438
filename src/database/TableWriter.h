#pragma once

#include "database/Schema.h"

#include <QString>
#include <QVariantList>

class Connection;

// Appends many rows to one table quickly: rows are collected and sent several
// at a time in one insert statement, with their values bound. A row holds a
// value for every field of the table in declaration order, the key first; the
// key is written as given (`withKeys`) or left to the database.
class TableWriter {
 public:
  TableWriter(Connection& connection, const TableDef& table, bool withKeys, int rowsPerStatement = 200);
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  void add(const QVariantList& row);
  // Sends the rows collected so far.
  void flush();
  // Stores one row at once and returns the key the database gave it (the
  // key in `row` is ignored).
  qint64 insertReturningKey(const QVariantList& row);

 private:
  QString insertSql(int rows, bool withKeys) const;
  void append(const QVariantList& row, bool withKeys, QVariantList& values) const;

  Connection& connection_;
  const TableDef& table_;
  bool withKeys_;
  int rowsPerStatement_;
  QVariantList pending_;
  int pendingRows_ = 0;
};

// After rows were stored with their own keys: keys the database hands out
// later continue after the largest one stored.
void continueKeysAfterLargest(Connection& connection, const TableDef& table);
