#pragma once

#include <QString>

// Kinds of values a field holds. Every value is read and written through these,
// never through what the database driver happens to report.
enum class FieldType { Text, Integer, Real, Bool, Date, AutoIncrement };

// One column of a table or of a statement's result.
struct FieldDef {
  QString name;  // as the table declares it ("NameBase"); matched case-insensitively
  FieldType type = FieldType::Text;
  int size = 0;           // longest text for Text fields (characters), 0: unlimited
  bool required = false;  // a row is not stored while the field is null or empty text
  QString label;          // column title in grids; the name when empty
  bool visible = true;    // shown by default in grids

  QString displayLabel() const { return label.isEmpty() ? name : label; }
};
