#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// What a produced .xlsx holds, read back from its XML: the first sheet's cell
// texts (shared or inline strings, numbers as written), formulas, merged
// ranges and the workbook's defined names.
struct WorkbookContent {
  QMap<QString, QString> cells;     // "A5" -> text
  QMap<QString, QString> formulas;  // "E7" -> "COUNTA(M5:M5)"
  QStringList merges;
  QMap<QString, QString> definedNames;  // name -> reference

  // The text of a cell, empty when absent.
  QString at(const QString& reference) const { return cells.value(reference); }
  // The row numbers that hold a text or a formula.
  QList<int> rowsInUse() const;
};

WorkbookContent readWorkbook(const QByteArray& xlsx);
