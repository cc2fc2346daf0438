#include "reports/DocxTable.h"

#include "reports/DocxText.h"

#include <cstring>
#include <stdexcept>

namespace {

bool isWrapper(const ooxml::XmlNames& w, pugi::xml_node node) {
  return w.is(node, "sdt") || w.is(node, "customXml") || w.is(node, "sdtContent");
}

void removeChildren(pugi::xml_node parent, const ooxml::XmlNames& w,
                    std::initializer_list<const char*> names) {
  for (const char* name : names)
    while (pugi::xml_node child = parent.child(w(name).c_str())) parent.remove_child(child);
}

// Revision marks and the like belong to the original; copies must not repeat them.
void cleanParagraphProperties(pugi::xml_node properties, const ooxml::XmlNames& w) {
  removeChildren(properties, w, {"pPrChange", "sectPr"});
  if (pugi::xml_node mark = properties.child(w("rPr").c_str()))
    removeChildren(mark, w, {"ins", "del", "moveFrom", "moveTo", "rPrChange"});
}

// Run properties taken from a run or from a paragraph mark (whose revision
// children a run's properties may not hold).
void cleanRunProperties(pugi::xml_node properties, const ooxml::XmlNames& w) {
  removeChildren(properties, w, {"ins", "del", "moveFrom", "moveTo", "rPrChange"});
}

pugi::xml_node firstParagraph(pugi::xml_node container, const ooxml::XmlNames& w) {
  for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
    if (w.is(child, "p")) return child;
    if (isWrapper(w, child))
      if (pugi::xml_node found = firstParagraph(child, w)) return found;
  }
  return {};
}

// The first run that shows text; its formatting is what replaced text takes.
pugi::xml_node firstTextRun(pugi::xml_node container, const ooxml::XmlNames& w) {
  for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element || w.is(child, "pPr") || w.is(child, "del") ||
        w.is(child, "moveFrom"))
      continue;
    if (w.is(child, "r")) {
      if (child.child(w("t").c_str())) return child;
    } else if (pugi::xml_node found = firstTextRun(child, w)) {
      return found;
    }
  }
  return {};
}

bool isIdentityAttribute(const char* name) {
  const char* colon = std::strchr(name, ':');
  const char* local = colon ? colon + 1 : name;
  return std::strcmp(local, "paraId") == 0 || std::strcmp(local, "textId") == 0;
}

}  // namespace

WordTable::WordTable(pugi::xml_node table, const ooxml::XmlNames& w) : table_(table), w_(w) {
  indexRows(table_);
  cells_.resize(rows_.size());
}

void WordTable::indexRows(pugi::xml_node container) {
  for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
    if (w_.is(child, "tr"))
      rows_.push_back(child);
    else if (isWrapper(w_, child))
      indexRows(child);  // rows wrapped in a content control
  }
}

const std::vector<WordTable::CellSpan>& WordTable::cellsOf(int row) const {
  std::optional<std::vector<CellSpan>>& cached = cells_.at(static_cast<size_t>(row - 1));
  if (cached) return *cached;
  std::vector<CellSpan> spans;
  const pugi::xml_node tr = rows_.at(static_cast<size_t>(row - 1));
  const std::string val = w_("val");
  int column =
      1 + tr.child(w_("trPr").c_str()).child(w_("gridBefore").c_str()).attribute(val.c_str()).as_int();
  auto add = [&](auto&& self, pugi::xml_node container) -> void {
    for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
      if (w_.is(child, "tc")) {
        const pugi::xml_node gridSpan = child.child(w_("tcPr").c_str()).child(w_("gridSpan").c_str());
        const int span = std::max(1, gridSpan.attribute(val.c_str()).as_int(1));
        spans.push_back({column, column + span - 1, child});
        column += span;
      } else if (isWrapper(w_, child)) {
        self(self, child);
      }
    }
  };
  add(add, tr);
  cached = std::move(spans);
  return *cached;
}

int WordTable::cellCount(int row) const {
  if (row < 1 || row > rowCount()) return 0;
  return static_cast<int>(cellsOf(row).size());
}

pugi::xml_node WordTable::cellAt(int row, int column) const {
  if (row >= 1 && row <= rowCount())
    for (const CellSpan& span : cellsOf(row))
      if (column >= span.firstColumn && column <= span.lastColumn) return span.cell;
  throw std::runtime_error(QStringLiteral("В таблице документа нет ячейки: строка %1, столбец %2.")
                               .arg(row)
                               .arg(column)
                               .toStdString());
}

void WordTable::appendRow() {
  if (rows_.empty()) throw std::runtime_error("В таблице документа нет строк.");
  const int lastRow = rowCount();
  const pugi::xml_node last = rows_.back();
  // The new row goes right after the last row (or the content control around it).
  pugi::xml_node anchor = last;
  while (anchor.parent() && anchor.parent() != table_) anchor = anchor.parent();
  pugi::xml_node row = table_.insert_child_after(w_("tr").c_str(), anchor);
  for (const pugi::xml_attribute attribute : last.attributes())
    if (!isIdentityAttribute(attribute.name())) row.append_attribute(attribute.name()) = attribute.value();
  if (pugi::xml_node exceptions = last.child(w_("tblPrEx").c_str())) row.append_copy(exceptions);
  if (pugi::xml_node properties = last.child(w_("trPr").c_str())) {
    pugi::xml_node copy = row.append_copy(properties);
    removeChildren(copy, w_, {"tblHeader", "ins", "del", "trPrChange"});
  }
  for (const CellSpan& span : cellsOf(lastRow)) {
    pugi::xml_node cell = row.append_child(w_("tc").c_str());
    if (pugi::xml_node properties = span.cell.child(w_("tcPr").c_str())) {
      pugi::xml_node copy = cell.append_copy(properties);
      removeChildren(copy, w_, {"vMerge", "tcPrChange", "cellIns", "cellDel", "cellMerge"});
    }
    pugi::xml_node paragraph = cell.append_child(w_("p").c_str());
    if (pugi::xml_node source = firstParagraph(span.cell, w_))
      if (pugi::xml_node properties = source.child(w_("pPr").c_str()))
        cleanParagraphProperties(paragraph.append_copy(properties), w_);
  }
  rows_.push_back(row);
  cells_.emplace_back();
}

void WordTable::setCellText(int row, int column, const QString& text) {
  pugi::xml_node cell = cellAt(row, column);
  const pugi::xml_node source = firstParagraph(cell, w_);
  pugi::xml_node paragraph = cell.append_child(w_("p").c_str());
  pugi::xml_node runProperties;
  if (source) {
    const pugi::xml_node paragraphProperties = source.child(w_("pPr").c_str());
    if (paragraphProperties) cleanParagraphProperties(paragraph.append_copy(paragraphProperties), w_);
    const pugi::xml_node run = firstTextRun(source, w_);
    runProperties = run ? run.child(w_("rPr").c_str()) : paragraphProperties.child(w_("rPr").c_str());
  }
  if (!text.isEmpty()) {
    pugi::xml_node run = paragraph.append_child(w_("r").c_str());
    if (runProperties) cleanRunProperties(run.append_copy(runProperties), w_);
    docx::writeRunText(w_, run.append_child(w_("t").c_str()), text);
  }
  // Everything else the cell held goes, as when Word sets a cell's text.
  for (pugi::xml_node child = cell.first_child(); child != paragraph;) {
    const pugi::xml_node next = child.next_sibling();
    if (!w_.is(child, "tcPr")) cell.remove_child(child);
    child = next;
  }
}
