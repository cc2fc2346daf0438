#pragma once

#include "database/Schema.h"
#include "legacy/ParadoxTable.h"

#include <QString>
#include <QVariantList>
#include <QVector>

#include <memory>

// The file of one of the program's tables in a folder of the old bench
// program: the table's file name ("Master.DB") in any letter case. Index
// files beside it (.PX, .Xnn, .Ynn) are not looked at. Throws LegacyFileError
// when the folder has no such file or two that differ only in letter case.
QString findLegacyTableFile(const QString& folder, const TableDef& table);

// One table of the old bench program read as rows of the program's table of
// the same name: each field is found by name (any letter case) and must be of
// a kind that holds the program's values (an integer field may be short or
// long, a number field may hold integers, a text field may be no longer than
// the program's). Fields the program does not know are passed over.
class LegacyTable {
 public:
  // Opens and checks the file; throws LegacyFileError naming the file and the field.
  LegacyTable(const QString& folder, const TableDef& table);

  const TableDef& table() const { return table_; }
  QString fileName() const { return file_->fileName(); }
  int recordCount() const { return file_->recordCount(); }
  // Record `index` (0-based) as a row of the program's table: a value per
  // field in declaration order, of the field's kind; an empty field is null.
  QVariantList read(int index);

 private:
  const TableDef& table_;
  std::unique_ptr<ParadoxTable> file_;
  QVector<int> columns_;  // the file's field of each field of table_
};
