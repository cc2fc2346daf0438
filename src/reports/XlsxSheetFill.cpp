#include "reports/XlsxSheetFill.h"

#include <QRegularExpression>

#include <charconv>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>

#include "reports/XmlText.h"

namespace xlsx {

namespace {

std::string rowText(int row) {
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, row).ptr;
  return std::string(buffer, end);
}

// Column letters at the start of a cell name such as "E12".
QString columnPart(const char* cellName) {
  QString letters;
  for (const char* p = cellName; *p != '\0' && ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')); ++p)
    letters += QLatin1Char(*p);
  return letters;
}

int columnOf(pugi::xml_node cell) { return columnNumber(columnPart(cell.attribute("r").value())); }

QString inlineText(pugi::xml_node inlineString, const ooxml::XmlNames& x) {
  QString text;
  for (const pugi::xml_node child : inlineString.children()) {
    if (x.is(child, "t")) text += QString::fromUtf8(child.text().get());
    if (x.is(child, "r")) text += QString::fromUtf8(child.child(x("t").c_str()).text().get());
  }
  return text;
}

QString cellText(pugi::xml_node cell, const ooxml::XmlNames& x, const std::vector<QString>& sharedStrings) {
  const char* type = cell.attribute("t").value();
  if (std::strcmp(type, "s") == 0) {
    const long long index = cell.child(x("v").c_str()).text().as_llong(-1);
    if (index >= 0 && index < static_cast<long long>(sharedStrings.size()))
      return sharedStrings[static_cast<size_t>(index)];
  } else if (std::strcmp(type, "inlineStr") == 0) {
    return inlineText(cell.child(x("is").c_str()), x);
  }
  return {};
}

void removeAttribute(pugi::xml_node node, const char* name) {
  if (pugi::xml_attribute attribute = node.attribute(name)) node.remove_attribute(attribute);
}

// A formula whose text changed no longer has a valid cached result.
void setFormula(pugi::xml_node cell, pugi::xml_node formula, const ooxml::XmlNames& x, const QString& text) {
  formula.text().set(text.toUtf8().constData());
  if (pugi::xml_node value = cell.child(x("v").c_str())) cell.remove_child(value);
  removeAttribute(cell, "t");
}

template <typename Visit>
void forEachCell(pugi::xml_node sheetData, const ooxml::XmlNames& x, Visit visit) {
  for (pugi::xml_node row = sheetData.first_child(); row; row = row.next_sibling()) {
    if (!x.is(row, "row")) continue;
    for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling())
      if (x.is(cell, "c")) visit(row, cell);
  }
}

}  // namespace

void expandSharedFormulas(pugi::xml_node worksheet, const ooxml::XmlNames& x) {
  struct Master {
    QString formula;
    CellRef at;
  };
  std::map<std::string, Master> masters;
  const pugi::xml_node sheetData = worksheet.child(x("sheetData").c_str());
  const std::string formulaName = x("f");
  auto sharedFormula = [&](pugi::xml_node cell) {
    const pugi::xml_node formula = cell.child(formulaName.c_str());
    return std::strcmp(formula.attribute("t").value(), "shared") == 0 ? formula : pugi::xml_node();
  };
  forEachCell(sheetData, x, [&](pugi::xml_node, pugi::xml_node cell) {
    const pugi::xml_node formula = sharedFormula(cell);
    if (!formula || !formula.attribute("ref") || *formula.text().get() == '\0') return;
    if (const std::optional<CellRef> at = parseCell(QString::fromUtf8(cell.attribute("r").value())))
      masters[formula.attribute("si").value()] = {QString::fromUtf8(formula.text().get()), *at};
  });
  forEachCell(sheetData, x, [&](pugi::xml_node, pugi::xml_node cell) {
    pugi::xml_node formula = sharedFormula(cell);
    if (!formula) return;
    const auto master = masters.find(formula.attribute("si").value());
    const std::optional<CellRef> at = parseCell(QString::fromUtf8(cell.attribute("r").value()));
    if (master != masters.end() && at) {
      const int rows = at->row - master->second.at.row;
      const int columns = at->column - master->second.at.column;
      if (rows != 0 || columns != 0)
        formula.text().set(shiftRelative(master->second.formula, rows, columns).toUtf8().constData());
    }
    for (const char* attribute : {"t", "ref", "si"}) removeAttribute(formula, attribute);
  });
}

bool rewriteSheetFormulas(pugi::xml_node worksheet, const ooxml::XmlNames& x,
                          const std::function<bool(FormulaRef&)>& visit) {
  bool changed = false;
  const std::string formulaName = x("f");
  forEachCell(worksheet.child(x("sheetData").c_str()), x, [&](pugi::xml_node, pugi::xml_node cell) {
    const pugi::xml_node formula = cell.child(formulaName.c_str());
    if (!formula || *formula.text().get() == '\0') return;
    const QString text = QString::fromUtf8(formula.text().get());
    const QString rewritten = rewriteFormula(text, visit);
    if (rewritten == text) return;
    setFormula(cell, formula, x, rewritten);
    changed = true;
  });
  return changed;
}

SheetFill::SheetFill(pugi::xml_node worksheet, const ooxml::XmlNames& names, QString sheetName,
                     const std::vector<QString>& sharedStrings, const QString& alias,
                     const ReportDataSource& source, FillRange range)
    : worksheet_(worksheet),
      sheetData_(worksheet.child(names("sheetData").c_str())),
      x_(names),
      sheetName_(std::move(sheetName)),
      sharedStrings_(sharedStrings),
      alias_(alias),
      source_(source),
      fieldNames_(source.fieldNames()),
      range_(range),
      insertion_(range.firstRow, range.lastRow, static_cast<int>(std::max<qsizetype>(1, source.rowCount()))) {
  if (static_cast<long long>(range.lastRow) + insertion_.added() > kMaxRow)
    throw std::runtime_error("The report does not fit on the sheet: more than 1048576 rows.");
}

bool SheetFill::targetsThisSheet(const FormulaRef& ref) const {
  return ref.sheet.isEmpty() || ref.sheet.compare(sheetName_, Qt::CaseInsensitive) == 0;
}

void SheetFill::run() {
  if (!sheetData_) return;
  normaliseReferences();
  expandSharedFormulas(worksheet_, x_);
  if (source_.rowCount() == 0) {
    clearBlock();
    dropCachedResults();
    return;
  }
  auto store = std::make_unique<pugi::xml_document>();
  pugi::xml_node anchor;
  for (pugi::xml_node row = sheetData_.first_child(); row; row = row.next_sibling())
    if (x_.is(row, "row") && row.attribute("r").as_int() < range_.firstRow) anchor = row;
  std::vector<TemplateRow> templateRows = takeTemplateRows(*store);
  moveRowsBelow();
  // The copies take the template rows' place when the sheet is written out.
  marker_ =
      anchor ? sheetData_.insert_child_after(kCopiesMarker, anchor) : sheetData_.prepend_child(kCopiesMarker);
  copies_ = std::make_shared<CopyBlock>(std::move(store), std::move(templateRows), x_, sheetName_, source_,
                                        range_.firstRow, insertion_);
  adjustSheetParts();
  dropCachedResults();
}

void SheetFill::dropCachedResults() {
  // Results cached in the template describe the template's data, not the report's.
  const std::string formulaName = x_("f");
  forEachCell(sheetData_, x_, [&](pugi::xml_node, pugi::xml_node cell) {
    if (!cell.child(formulaName.c_str())) return;
    if (pugi::xml_node value = cell.child(x_("v").c_str())) cell.remove_child(value);
    removeAttribute(cell, "t");
  });
}

void SheetFill::normaliseReferences() {
  // Row and cell numbers may be left out in a file; give every one explicitly.
  int rowNumber = 0;
  for (pugi::xml_node row = sheetData_.first_child(); row; row = row.next_sibling()) {
    if (!x_.is(row, "row")) continue;
    if (pugi::xml_attribute r = row.attribute("r"))
      rowNumber = r.as_int();
    else
      row.prepend_attribute("r") = ++rowNumber;
    int column = 0;
    for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling()) {
      if (!x_.is(cell, "c")) continue;
      if (pugi::xml_attribute r = cell.attribute("r"))
        column = columnOf(cell);
      else
        cell.prepend_attribute("r") = cellName(++column, rowNumber).toUtf8().constData();
    }
  }
}

CellPlan SheetFill::planCell(pugi::xml_node cell) const {
  static const QString kToken = QStringLiteral("(?<![\\p{L}\\p{N}_.])%1\\.([\\p{L}_][\\p{L}\\p{N}_]*)");
  const QRegularExpression token(kToken.arg(QRegularExpression::escape(alias_)),
                                 QRegularExpression::CaseInsensitiveOption);
  CellPlan plan;
  const int column = columnOf(cell);
  const bool inRange = column >= range_.firstColumn && column <= range_.lastColumn;
  const pugi::xml_node formula = cell.child(x_("f").c_str());
  const QString text = formula ? QString::fromUtf8(formula.text().get()) : cellText(cell, x_, sharedStrings_);
  auto fieldIndex = [&](const QRegularExpressionMatch& match) {
    const QString name = match.captured(1);
    for (qsizetype i = 0; i < fieldNames_.size(); ++i)
      if (fieldNames_[i].compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
  };
  if (inRange) {
    QString whole = text.trimmed();
    if (whole.startsWith(QLatin1Char('='))) whole.remove(0, 1);
    const QRegularExpressionMatch match = token.match(whole);
    if (match.hasMatch() && match.capturedStart() == 0 && match.capturedLength() == whole.size() &&
        fieldIndex(match) >= 0) {
      plan.kind = CellPlan::Kind::Field;
      plan.field = fieldIndex(match);
      return plan;
    }
  }
  if (formula) {
    if (text.isEmpty()) return plan;
    plan.kind = CellPlan::Kind::Formula;
    plan.formula = text;
    plan.arrayFormula = std::strcmp(formula.attribute("t").value(), "array") == 0;
    return plan;
  }
  if (!inRange) return plan;
  qsizetype done = 0;
  for (QRegularExpressionMatchIterator it = token.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    const int field = fieldIndex(match);
    if (field < 0) continue;
    plan.parts.emplace_back(text.mid(done, match.capturedStart() - done), field);
    done = match.capturedEnd();
  }
  if (plan.parts.empty()) return plan;
  plan.parts.emplace_back(text.mid(done), -1);
  plan.kind = CellPlan::Kind::Text;
  return plan;
}

std::vector<TemplateRow> SheetFill::takeTemplateRows(pugi::xml_document& store) {
  std::vector<TemplateRow> rows;
  for (pugi::xml_node row = sheetData_.first_child(); row;) {
    const pugi::xml_node next = row.next_sibling();
    const int number = row.attribute("r").as_int();
    if (x_.is(row, "row") && insertion_.inBlock(number)) {
      TemplateRow templateRow;
      templateRow.row = store.append_copy(row);
      templateRow.offset = number - range_.firstRow;
      for (pugi::xml_node cell = templateRow.row.first_child(); cell; cell = cell.next_sibling()) {
        if (!x_.is(cell, "c")) continue;
        templateRow.cells.push_back(planCell(cell));
        templateRow.columns.push_back(columnPart(cell.attribute("r").value()).toStdString());
      }
      rows.push_back(std::move(templateRow));
      sheetData_.remove_child(row);
    }
    row = next;
  }
  return rows;
}

void SheetFill::moveRowsBelow() {
  const auto outside = [this](FormulaRef& ref) {
    return targetsThisSheet(ref) && insertion_.mapOutside(ref);
  };
  const std::string formulaName = x_("f");
  forEachCell(sheetData_, x_, [&](pugi::xml_node, pugi::xml_node cell) {
    const pugi::xml_node formula = cell.child(formulaName.c_str());
    if (formula && *formula.text().get() != '\0') {
      const QString text = QString::fromUtf8(formula.text().get());
      const QString rewritten = rewriteFormula(text, outside);
      if (rewritten != text) setFormula(cell, formula, x_, rewritten);
      if (pugi::xml_attribute ref = formula.attribute("ref")) {  // the cells an array formula fills
        if (std::optional<FormulaRef> cells = parseRef(QString::fromUtf8(ref.value()))) {
          cells->first.row = insertion_.moved(cells->first.row);
          cells->last.row = insertion_.moved(cells->last.row);
          ref = formatRef(*cells).toUtf8().constData();
        }
      }
    }
  });
  if (insertion_.added() == 0) return;
  for (pugi::xml_node row = sheetData_.first_child(); row; row = row.next_sibling()) {
    const int number = row.attribute("r").as_int();
    if (!x_.is(row, "row") || number <= range_.lastRow) continue;
    const int moved = insertion_.moved(number);
    const std::string rowNumber = rowText(moved);
    row.attribute("r") = moved;
    for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling())
      if (x_.is(cell, "c"))
        cell.attribute("r") = (columnPart(cell.attribute("r").value()).toStdString() + rowNumber).c_str();
  }
}

void SheetFill::clearBlock() {
  forEachCell(sheetData_, x_, [&](pugi::xml_node row, pugi::xml_node cell) {
    const int column = columnOf(cell);
    if (insertion_.inBlock(row.attribute("r").as_int()) && column >= range_.firstColumn &&
        column <= range_.lastColumn) {
      cell.remove_children();
      removeAttribute(cell, "t");
    }
  });
}

QString SheetFill::mapRangeList(const QString& list) const {
  // Lists of ranges (conditional formats, validations, hyperlinks): a single
  // cell of the block counts as a range, so it spreads over the copies.
  QStringList items = list.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (QString& item : items) {
    std::optional<FormulaRef> ref = parseRef(item);
    if (!ref || !ref->sheet.isEmpty()) continue;
    if (ref->kind == FormulaRef::Kind::Cell) ref->kind = FormulaRef::Kind::Area;
    if (!insertion_.mapOutside(*ref)) continue;
    if (ref->first.row == ref->last.row && ref->first.column == ref->last.column)
      ref->kind = FormulaRef::Kind::Cell;
    item = formatRef(*ref);
  }
  return items.join(QLatin1Char(' '));
}

void SheetFill::adjustSheetParts() {
  if (insertion_.added() == 0) return;
  const auto outside = [this](FormulaRef& ref) {
    return targetsThisSheet(ref) && insertion_.mapOutside(ref);
  };
  // Merged cells: a merge inside the block is repeated in every copy.
  if (pugi::xml_node merges = worksheet_.child(x_("mergeCells").c_str())) {
    const qsizetype copies = source_.rowCount();
    int count = 0;
    for (pugi::xml_node merge = merges.first_child(); merge; merge = merge.next_sibling()) {
      if (!x_.is(merge, "mergeCell")) continue;
      ++count;
      std::optional<FormulaRef> area = parseRef(QString::fromUtf8(merge.attribute("ref").value()));
      if (!area) continue;
      if (insertion_.inBlock(area->first.row) && insertion_.inBlock(area->last.row)) {
        pugi::xml_node last = merge;
        for (qsizetype copy = 1; copy < copies; ++copy) {
          FormulaRef moved = *area;
          moved.first.row += static_cast<int>(copy) * insertion_.height();
          moved.last.row += static_cast<int>(copy) * insertion_.height();
          last = merges.insert_copy_after(merge, last);
          last.attribute("ref") = formatRef(moved).toUtf8().constData();
          ++count;
        }
        merge = last;
      } else if (insertion_.mapOutside(*area)) {
        merge.attribute("ref") = formatRef(*area).toUtf8().constData();
      }
    }
    if (pugi::xml_attribute attribute = merges.attribute("count")) attribute = count;
  }
  // Everything else that names cells of the sheet.
  const std::function<void(pugi::xml_node)> adjust = [&](pugi::xml_node node) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element || child == sheetData_ || x_.is(child, "mergeCells")) continue;
      if (pugi::xml_attribute sqref = child.attribute("sqref"))
        sqref = mapRangeList(QString::fromUtf8(sqref.value())).toUtf8().constData();
      if (x_.is(child, "hyperlink") || x_.is(child, "autoFilter") || x_.is(child, "sortState") ||
          x_.is(child, "dimension") || x_.is(child, "sortCondition"))
        if (pugi::xml_attribute ref = child.attribute("ref"))
          ref = mapRangeList(QString::fromUtf8(ref.value())).toUtf8().constData();
      if (x_.is(child, "brk") && child.attribute("id").as_int() > range_.lastRow)
        child.attribute("id") = child.attribute("id").as_int() + insertion_.added();
      const char* name = child.name();
      const char* colon = std::strchr(name, ':');
      const char* local = colon ? colon + 1 : name;
      const bool formulaText = std::strcmp(local, "formula") == 0 || std::strcmp(local, "formula1") == 0 ||
                               std::strcmp(local, "formula2") == 0 || (colon && std::strcmp(local, "f") == 0);
      if (formulaText) {
        child.text().set(rewriteFormula(QString::fromUtf8(child.text().get()), outside).toUtf8().constData());
      } else if (colon && std::strcmp(local, "sqref") == 0) {
        child.text().set(mapRangeList(QString::fromUtf8(child.text().get())).toUtf8().constData());
      } else {
        adjust(child);
      }
    }
  };
  adjust(worksheet_);
}

}  // namespace xlsx
