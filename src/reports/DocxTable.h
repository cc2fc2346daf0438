#pragma once

#include <QString>

#include <pugixml.hpp>

#include <optional>
#include <vector>

#include "reports/PackageXml.h"

// A table of a Word document, addressed as Word addresses it: rows and columns
// counted from 1. Rows are indexed once, so writing thousands of cells does not
// search the document again.
class WordTable {
 public:
  WordTable(pugi::xml_node table, const ooxml::XmlNames& w);

  int rowCount() const { return static_cast<int>(rows_.size()); }
  // Cells of the row (a cell spanning several grid columns counts once).
  int cellCount(int row) const;

  // Appends a copy of the last row: its row, cell and paragraph properties
  // with empty text. A heading row's repeat flag, vertical merges, bookmarks,
  // content controls and revision marks are not copied.
  void appendRow();

  // Replaces the text of the cell covering grid column `column` of row `row`.
  // The column counts grid columns, so a cell spanning two columns is reached
  // by either; columns skipped at the row's start (gridBefore) count too.
  // The text takes the formatting of the cell's first run (or, in an empty
  // cell, of its paragraph mark). Throws std::runtime_error for a missing cell.
  void setCellText(int row, int column, const QString& text);

 private:
  struct CellSpan {
    int firstColumn;
    int lastColumn;
    pugi::xml_node cell;
  };
  const std::vector<CellSpan>& cellsOf(int row) const;
  pugi::xml_node cellAt(int row, int column) const;
  void indexRows(pugi::xml_node container);

  pugi::xml_node table_;
  const ooxml::XmlNames& w_;
  std::vector<pugi::xml_node> rows_;
  mutable std::vector<std::optional<std::vector<CellSpan>>> cells_;
};
