#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reports/PackageXml.h"
#include "reports/ReportData.h"
#include "reports/XlsxReferences.h"

namespace xlsx {

// The element that stands in a sheet's data for the copies of a filled range
// until the sheet is written out.
inline constexpr char kCopiesMarker[] = "vt3417-copies";

// What a cell of a template row becomes in each copy.
struct CellPlan {
  enum class Kind { Keep, Field, Text, Formula };
  Kind kind = Kind::Keep;
  int field = -1;
  QString formula;
  bool arrayFormula = false;
  std::vector<std::pair<QString, int>> parts;  // literal text, then a field (-1: none)
};

// A row of the range that is repeated once per data row.
struct TemplateRow {
  pugi::xml_node row;                // in the document the block keeps
  int offset = 0;                    // rows below the range's first row
  std::vector<CellPlan> cells;       // one per cell, in order
  std::vector<std::string> columns;  // column letters of the cells, in order
};

// The copies of a filled range's rows, one copy per data row, written out as
// XML text copy by copy when the sheet is saved: a report of many rows is
// never held as a document. Each copy is what copying the template rows and
// filling their cells would give (row and cell numbers of the copy, field
// values as inline strings, formulas moved with the copy).
class CopyBlock {
 public:
  CopyBlock(std::unique_ptr<pugi::xml_document> templateDocument, std::vector<TemplateRow> rows,
            const ooxml::XmlNames& names, QString sheetName, const ReportDataSource& source, int firstRow,
            const RowInsertion& insertion);
  ~CopyBlock();

  qsizetype copies() const { return source_.rowCount(); }
  // Appends the rows of copy `copy` (0-based) to `out`.
  void writeCopy(qsizetype copy, QByteArray& out) const;

  // Rows were inserted later on `sheet` (this block's own sheet when
  // `sameSheet`): the copies' rows and references follow them as the rows
  // and formulas in the document did.
  void follow(const QString& sheet, bool sameSheet, const RowInsertion& insertion);

 private:
  struct Cell;
  struct Row;
  struct Later {
    QString sheet;
    bool sameSheet;
    RowInsertion insertion;
  };
  void writeCell(const Cell& cell, const CellPlan& plan, const std::string& rowNumber, qsizetype copy,
                 QByteArray& out) const;
  void writeInlineString(const Cell& cell, const std::optional<QString>& value, QByteArray& out) const;
  bool targetsThisSheet(const FormulaRef& ref) const;

  std::unique_ptr<pugi::xml_document> templateDocument_;
  std::vector<TemplateRow> templateRows_;
  std::vector<Row> rows_;
  std::string inlineOpen_;   // "<is><t>", in the sheet's prefix
  std::string inlineClose_;  // "</t></is>"
  std::string textOpenPreserved_;
  QString sheetName_;
  const ReportDataSource& source_;
  int firstRow_;
  RowInsertion insertion_;
  std::vector<Later> later_;
};

}  // namespace xlsx
