#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// A1 references of a workbook and their rewriting when rows are inserted.
namespace xlsx {

constexpr int kMaxRow = 1048576;
constexpr int kMaxColumn = 16384;

int columnNumber(QStringView letters);  // "A" -> 1, "XFD" -> 16384; 0 when not a column
QString columnLetters(int column);

struct CellRef {
  int column = 0;
  int row = 0;
  bool absoluteColumn = false;
  bool absoluteRow = false;
};
std::optional<CellRef> parseCell(QStringView text);  // "B7", "$B$7"
QString cellName(int column, int row);               // "B7"

// One reference found in a formula or a range list.
struct FormulaRef {
  enum class Kind { Cell, Area, Rows, Columns };
  Kind kind = Kind::Cell;
  QString prefix;         // the sheet prefix as written ("'Лист 1'!"), empty when none
  QString sheet;          // the sheet name without quotes, empty when none
  bool external = false;  // another workbook or a span of sheets: never rewritten
  CellRef first;
  CellRef last;  // equal to first for a single cell
};
QString formatRef(const FormulaRef& ref);
std::optional<FormulaRef> parseRef(QStringView text);  // a whole text such as "Лист1!$A$5:$O$5"

// Calls visit for every reference in a formula; a reference the visitor
// changed (returns true) is written anew, everything else is kept as written.
QString rewriteFormula(const QString& formula, const std::function<bool(FormulaRef&)>& visit);

// Shifts the relative parts of a formula's references, as copying a cell by
// (rows, columns) does; used to expand shared formulas.
QString shiftRelative(const QString& formula, int rows, int columns);

// Rows [first, last] of a sheet repeated `copies` times (copies >= 1), the rows
// below moving down. References outside the block follow their rows; a range
// that ends inside the block grows over all copies. References written in copy
// k of the block move with it when relative.
class RowInsertion {
 public:
  RowInsertion(int first, int last, int copies);
  int height() const { return last_ - first_ + 1; }
  int added() const { return added_; }
  bool inBlock(int row) const { return row >= first_ && row <= last_; }
  int moved(int row) const { return row > last_ ? row + added_ : row; }  // a row outside the block
  int rangeEnd(int row) const { return row >= first_ ? row + added_ : row; }

  // A reference from outside the block; false when nothing changed.
  bool mapOutside(FormulaRef& ref) const;
  // A reference written in copy `copy` (0-based) of the block.
  bool mapInCopy(FormulaRef& ref, int copy) const;

 private:
  int first_;
  int last_;
  int added_;
};

}  // namespace xlsx
