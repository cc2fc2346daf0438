#include "reports/XlsxCopyBlock.h"

#include <charconv>
#include <cstring>
#include <stdexcept>

#include "reports/XmlText.h"

namespace xlsx {

// A cell of a template row as XML text around what each copy fills in.
struct CopyBlock::Cell {
  std::string open;         // "<c"
  std::string beforeR;      // the attributes before "r", without "t"
  std::string afterR;       // the attributes after "r", without "t"
  std::string keptBeforeR;  // the same with "t" (a kept cell keeps its type)
  std::string keptAfterR;
  std::string column;    // letters of the cell's column
  std::string children;  // a kept cell's content as written
  std::string close;     // "</c>"
  // A formula cell: its f element around the formula and the array range,
  // and the children other than f and v (a cached value is dropped).
  std::string formulaOpen;   // "<f" with the attributes before "ref"
  std::string formulaAfter;  // the attributes after "ref"
  std::string formulaRange;  // the value of "ref"; empty when none
  bool hasFormulaRange = false;
  std::string formulaClose;  // "</f>"
  std::string otherChildren;
};

// A template row as XML text around its row number and its cells.
struct CopyBlock::Row {
  std::string open;  // "<row" with the attributes before "r"
  std::string afterR;
  std::string close;  // "</row>"
  // In order: a cell (its index) or anything else in the row as written (index -1).
  std::vector<std::pair<int, std::string>> children;
  std::vector<Cell> cells;
};

namespace {

struct StringWriter : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

std::string written(pugi::xml_node node) {
  StringWriter writer;
  node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
  return writer.text;
}

std::string rowText(int row) {
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, row).ptr;
  return std::string(buffer, end);
}

void add(std::string& out, const char* text, size_t size) { out.append(text, size); }
void add(QByteArray& out, const char* text, size_t size) { out.append(text, static_cast<qsizetype>(size)); }
void add(QByteArray& out, const std::string& text) { add(out, text.data(), text.size()); }

// Text as XML writes it in an attribute value or in an element's content.
template <typename Text>
void appendEscaped(Text& out, const char* text, bool attribute) {
  const char* run = text;  // characters written as they are
  for (const char* p = text;; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    const bool plain = c >= 0x20 ? c != '&' && c != '<' && c != '>' && (c != '"' || !attribute)
                                 : c != 0 && !attribute && (c == '\t' || c == '\n' || c == '\r');
    if (plain) continue;
    add(out, run, static_cast<size_t>(p - run));
    run = p + 1;
    if (c == 0) return;
    if (c == '&') {
      add(out, "&amp;", 5);
    } else if (c == '<') {
      add(out, "&lt;", 4);
    } else if (c == '>') {
      add(out, "&gt;", 4);
    } else if (c == '"') {
      add(out, "&quot;", 6);
    } else {
      const std::string code = "&#" + rowText(c) + ";";
      add(out, code.data(), code.size());
    }
  }
}

// ` name="value"` for each attribute not left out, split at "r".
void splitAttributes(pugi::xml_node node, const char* skipped, std::string& before, std::string& after) {
  std::string* target = &before;
  for (const pugi::xml_attribute attribute : node.attributes()) {
    if (std::strcmp(attribute.name(), "r") == 0) {
      target = &after;
      continue;
    }
    if (skipped != nullptr && std::strcmp(attribute.name(), skipped) == 0) continue;
    *target += ' ';
    *target += attribute.name();
    *target += "=\"";
    appendEscaped(*target, attribute.value(), true);
    *target += '"';
  }
}

// A reference's relative rows moved by `offset`, as copying a cell moves them.
bool shiftRelativeRows(FormulaRef& ref, int offset) {
  if (ref.kind == FormulaRef::Kind::Columns || offset == 0) return false;
  bool changed = false;
  for (CellRef* cell : {&ref.first, &ref.last}) {
    if (cell->absoluteRow) continue;
    cell->row += offset;
    if (cell->row > kMaxRow)
      throw std::runtime_error("The report does not fit on the sheet: more than 1048576 rows.");
    changed = true;
  }
  return changed;
}

}  // namespace

CopyBlock::CopyBlock(std::unique_ptr<pugi::xml_document> templateDocument, std::vector<TemplateRow> rows,
                     const ooxml::XmlNames& names, QString sheetName, const ReportDataSource& source,
                     int firstRow, const RowInsertion& insertion)
    : templateDocument_(std::move(templateDocument)),
      templateRows_(std::move(rows)),
      sheetName_(std::move(sheetName)),
      source_(source),
      firstRow_(firstRow),
      insertion_(insertion) {
  inlineOpen_ = "<" + names("is") + "><" + names("t") + ">";
  textOpenPreserved_ = "<" + names("is") + "><" + names("t") + " xml:space=\"preserve\">";
  inlineClose_ = "</" + names("t") + "></" + names("is") + ">";
  for (const TemplateRow& templateRow : templateRows_) {
    Row row;
    row.open = std::string("<") + templateRow.row.name();
    splitAttributes(templateRow.row, nullptr, row.open, row.afterR);
    row.close = std::string("</") + templateRow.row.name() + ">";
    size_t index = 0;
    for (const pugi::xml_node child : templateRow.row.children()) {
      if (!names.is(child, "c")) {
        row.children.emplace_back(-1, written(child));
        continue;
      }
      Cell cell;
      cell.open = std::string("<") + child.name();
      cell.close = std::string("</") + child.name() + ">";
      splitAttributes(child, "t", cell.beforeR, cell.afterR);
      splitAttributes(child, nullptr, cell.keptBeforeR, cell.keptAfterR);
      cell.column = templateRow.columns[index];
      for (const pugi::xml_node content : child.children()) {
        cell.children += written(content);
        if (names.is(content, "f")) {
          cell.formulaOpen = std::string("<") + content.name();
          // "ref" is no cell name, but splits the same way as "r" does.
          for (const pugi::xml_attribute attribute : content.attributes()) {
            std::string& target = cell.hasFormulaRange ? cell.formulaAfter : cell.formulaOpen;
            if (std::strcmp(attribute.name(), "ref") == 0) {
              cell.hasFormulaRange = true;
              cell.formulaRange = attribute.value();
              continue;
            }
            target += ' ';
            target += attribute.name();
            target += "=\"";
            appendEscaped(target, attribute.value(), true);
            target += '"';
          }
          cell.formulaClose = std::string("</") + content.name() + ">";
        } else if (!names.is(content, "v")) {
          cell.otherChildren += written(content);
        }
      }
      row.cells.push_back(std::move(cell));
      row.children.emplace_back(static_cast<int>(index), std::string());
      ++index;
    }
    rows_.push_back(std::move(row));
  }
}

CopyBlock::~CopyBlock() = default;

void CopyBlock::follow(const QString& sheet, bool sameSheet, const RowInsertion& insertion) {
  later_.push_back({sheet, sameSheet, insertion});
}

bool CopyBlock::targetsThisSheet(const FormulaRef& ref) const {
  return ref.sheet.isEmpty() || ref.sheet.compare(sheetName_, Qt::CaseInsensitive) == 0;
}

void CopyBlock::writeCopy(qsizetype copy, QByteArray& out) const {
  for (size_t index = 0; index < templateRows_.size(); ++index) {
    const TemplateRow& templateRow = templateRows_[index];
    const Row& row = rows_[index];
    int number = firstRow_ + static_cast<int>(copy) * insertion_.height() + templateRow.offset;
    for (const Later& later : later_)
      if (later.sameSheet) number = later.insertion.moved(number);
    const std::string rowNumber = rowText(number);
    add(out, row.open);
    out += " r=\"";
    add(out, rowNumber);
    out += '"';
    add(out, row.afterR);
    if (row.children.empty()) {
      out += "/>";
      continue;
    }
    out += '>';
    for (const auto& [cell, text] : row.children) {
      if (cell < 0)
        add(out, text);
      else
        writeCell(row.cells[static_cast<size_t>(cell)], templateRow.cells[static_cast<size_t>(cell)],
                  rowNumber, copy, out);
    }
    add(out, row.close);
  }
}

void CopyBlock::writeCell(const Cell& cell, const CellPlan& plan, const std::string& rowNumber,
                          qsizetype copy, QByteArray& out) const {
  const bool kept = plan.kind == CellPlan::Kind::Keep;
  add(out, cell.open);
  add(out, kept ? cell.keptBeforeR : cell.beforeR);
  out += " r=\"";
  add(out, cell.column);
  add(out, rowNumber);
  out += '"';
  add(out, kept ? cell.keptAfterR : cell.afterR);
  switch (plan.kind) {
    case CellPlan::Kind::Keep:
      if (cell.children.empty()) {
        out += "/>";
        return;
      }
      out += '>';
      add(out, cell.children);
      break;
    case CellPlan::Kind::Field:
      writeInlineString(cell, source_.value(copy, plan.field), out);
      return;
    case CellPlan::Kind::Text: {
      QString text;
      for (const auto& [literal, field] : plan.parts) {
        text += literal;
        if (field >= 0) text += source_.value(copy, field).value_or(QString());
      }
      writeInlineString(cell, text, out);
      return;
    }
    case CellPlan::Kind::Formula: {
      const int offset = static_cast<int>(copy) * insertion_.height();
      const auto inCopy = [&](FormulaRef& ref) {
        // A reference to another sheet moves as a copied cell's reference does.
        bool changed = targetsThisSheet(ref) ? insertion_.mapInCopy(ref, static_cast<int>(copy))
                                             : shiftRelativeRows(ref, offset);
        for (const Later& later : later_) {
          const bool targets = later.sameSheet ? targetsThisSheet(ref)
                                               : !ref.sheet.isEmpty() &&
                                                     ref.sheet.compare(later.sheet, Qt::CaseInsensitive) == 0;
          if (targets && later.insertion.mapOutside(ref)) changed = true;
        }
        return changed;
      };
      out += '>';
      add(out, cell.formulaOpen);
      if (cell.hasFormulaRange) {
        const QString range = QString::fromUtf8(cell.formulaRange.c_str());
        out += " ref=\"";
        appendEscaped(out, (plan.arrayFormula ? shiftRelative(range, offset, 0) : range).toUtf8().constData(),
                      true);
        out += '"';
      }
      add(out, cell.formulaAfter);
      out += '>';
      appendEscaped(out, rewriteFormula(plan.formula, inCopy).toUtf8().constData(), false);
      add(out, cell.formulaClose);
      add(out, cell.otherChildren);
      break;
    }
  }
  add(out, cell.close);
}

void CopyBlock::writeInlineString(const Cell& cell, const std::optional<QString>& value,
                                  QByteArray& out) const {
  if (!value) {
    out += "/>";
    return;
  }
  const QString safe = xmlSafeText(*value);
  const bool preserved = !safe.isEmpty() && (safe.front().isSpace() || safe.back().isSpace() ||
                                             safe.contains(QLatin1Char('\n')));
  out += " t=\"inlineStr\">";
  add(out, preserved ? textOpenPreserved_ : inlineOpen_);
  appendEscaped(out, safe.toUtf8().constData(), false);
  add(out, inlineClose_);
  add(out, cell.close);
}

}  // namespace xlsx
