#pragma once

#include <QString>

#include <pugixml.hpp>

#include <memory>
#include <vector>

#include "reports/PackageXml.h"
#include "reports/ReportData.h"
#include "reports/XlsxCopyBlock.h"
#include "reports/XlsxReferences.h"

namespace xlsx {

// The cells of a worksheet a data source is written into.
struct FillRange {
  int firstRow = 0;
  int lastRow = 0;
  int firstColumn = 1;
  int lastColumn = kMaxColumn;
};

// Formulas of a worksheet written as "shared" (one master cell, the others
// pointing at it) become plain formulas, so that cells can move and be copied.
void expandSharedFormulas(pugi::xml_node worksheet, const ooxml::XmlNames& names);

// Rewrites every formula of a worksheet; cached results of changed formulas
// are dropped (the workbook recalculates on opening). Returns whether any changed.
bool rewriteSheetFormulas(pugi::xml_node worksheet, const ooxml::XmlNames& names,
                          const std::function<bool(FormulaRef&)>& visit);

// Writes the rows of a data source into the range of one worksheet: the
// range's rows are repeated once per data row, cells naming a field as
// "<alias>.<Field>" (as text, or as a formula) take that field's value, and
// everything below moves down with its formulas, merged cells, conditional
// formats, validations and hyperlinks. Without data rows the range's cells
// are emptied and nothing moves.
//
// The repeated rows are not put into the document: an element kCopiesMarker
// (marker()) stands where they go, and copies() writes them out when the
// sheet is saved.
class SheetFill {
 public:
  SheetFill(pugi::xml_node worksheet, const ooxml::XmlNames& names, QString sheetName,
            const std::vector<QString>& sharedStrings, const QString& alias, const ReportDataSource& source,
            FillRange range);
  void run();
  const RowInsertion& insertion() const { return insertion_; }
  // The copies of the range's rows and where they go; null when the source has no rows.
  const std::shared_ptr<CopyBlock>& copies() const { return copies_; }
  pugi::xml_node marker() const { return marker_; }

  // Whether a reference written on `fromSheet` (empty: this sheet) points into
  // the filled sheet.
  bool targetsThisSheet(const FormulaRef& ref) const;

 private:
  void normaliseReferences();
  std::vector<TemplateRow> takeTemplateRows(pugi::xml_document& store);
  CellPlan planCell(pugi::xml_node cell) const;
  void moveRowsBelow();
  void clearBlock();
  void dropCachedResults();
  void adjustSheetParts();
  QString mapRangeList(const QString& list) const;

  pugi::xml_node worksheet_;
  pugi::xml_node sheetData_;
  const ooxml::XmlNames& x_;
  QString sheetName_;
  const std::vector<QString>& sharedStrings_;
  QString alias_;
  const ReportDataSource& source_;
  QStringList fieldNames_;
  FillRange range_;
  RowInsertion insertion_;
  std::shared_ptr<CopyBlock> copies_;
  pugi::xml_node marker_;
};

}  // namespace xlsx
