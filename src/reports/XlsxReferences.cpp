#include "reports/XlsxReferences.h"

#include <stdexcept>

namespace xlsx {
namespace {

bool isAsciiLetter(QChar c) {
  return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isNameChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('\\') ||
         c == QLatin1Char('?');
}

// Reads "$?LETTERS" at i; returns the column or 0.
int readColumn(QStringView text, qsizetype& i, bool& absolute) {
  qsizetype j = i;
  absolute = j < text.size() && text[j] == QLatin1Char('$');
  if (absolute) ++j;
  const qsizetype start = j;
  while (j < text.size() && isAsciiLetter(text[j]) && j - start < 4) ++j;
  if (j == start || j - start > 3) return 0;
  const int column = columnNumber(text.mid(start, j - start));
  if (column == 0) return 0;
  i = j;
  return column;
}

// Reads "$?DIGITS" at i; returns the row or 0.
int readRow(QStringView text, qsizetype& i, bool& absolute) {
  qsizetype j = i;
  absolute = j < text.size() && text[j] == QLatin1Char('$');
  if (absolute) ++j;
  const qsizetype start = j;
  long long row = 0;
  while (j < text.size() && isDigit(text[j]) && j - start < 8) row = row * 10 + text[j++].digitValue();
  if (j == start || row < 1 || row > kMaxRow) return 0;
  if (j < text.size() && isDigit(text[j])) return 0;
  i = j;
  return static_cast<int>(row);
}

bool readCell(QStringView text, qsizetype& i, CellRef& cell) {
  qsizetype j = i;
  cell.column = readColumn(text, j, cell.absoluteColumn);
  if (cell.column == 0) return false;
  cell.row = readRow(text, j, cell.absoluteRow);
  if (cell.row == 0) return false;
  i = j;
  return true;
}

// The reference part after an optional sheet prefix, at i.
bool readRefBody(QStringView text, qsizetype& i, FormulaRef& ref) {
  qsizetype j = i;
  if (readCell(text, j, ref.first)) {
    ref.kind = FormulaRef::Kind::Cell;
    ref.last = ref.first;
    qsizetype k = j;
    if (k < text.size() && text[k] == QLatin1Char(':')) {
      ++k;
      if (readCell(text, k, ref.last)) {
        ref.kind = FormulaRef::Kind::Area;
        j = k;
      }
    }
    i = j;
    return true;
  }
  j = i;
  ref.first.row = readRow(text, j, ref.first.absoluteRow);
  if (ref.first.row != 0 && j < text.size() && text[j] == QLatin1Char(':')) {  // whole rows 5:7
    ++j;
    ref.last.row = readRow(text, j, ref.last.absoluteRow);
    if (ref.last.row != 0) {
      ref.kind = FormulaRef::Kind::Rows;
      i = j;
      return true;
    }
  }
  ref.first.row = 0;
  ref.last.row = 0;
  j = i;
  ref.first.column = readColumn(text, j, ref.first.absoluteColumn);
  if (ref.first.column != 0 && j < text.size() && text[j] == QLatin1Char(':')) {  // whole columns A:C
    ++j;
    ref.last.column = readColumn(text, j, ref.last.absoluteColumn);
    if (ref.last.column != 0) {
      ref.kind = FormulaRef::Kind::Columns;
      i = j;
      return true;
    }
  }
  return false;
}

// A sheet prefix ("Лист1!", "'Мой лист'!") at i, if there is one.
void readSheetPrefix(QStringView text, qsizetype& i, FormulaRef& ref) {
  qsizetype j = i;
  QString name;
  if (j < text.size() && text[j] == QLatin1Char('\'')) {
    ++j;
    for (;;) {
      if (j >= text.size()) return;
      if (text[j] == QLatin1Char('\'')) {
        if (j + 1 < text.size() && text[j + 1] == QLatin1Char('\'')) {
          name += QLatin1Char('\'');
          j += 2;
          continue;
        }
        ++j;
        break;
      }
      name += text[j++];
    }
  } else {
    while (j < text.size() && (isNameChar(text[j]) || text[j] == QLatin1Char(':'))) name += text[j++];
  }
  if (j >= text.size() || text[j] != QLatin1Char('!') || name.isEmpty()) return;
  ++j;
  ref.prefix = text.mid(i, j - i).toString();
  ref.sheet = name;
  // "[1]Sheet!" names another workbook, "Sheet1:Sheet3!" a span of sheets.
  ref.external = name.startsWith(QLatin1Char('[')) || name.contains(QLatin1Char(':'));
  i = j;
}

// A whole reference at i, ending where a name cannot go on.
std::optional<FormulaRef> matchRef(QStringView text, qsizetype& i) {
  FormulaRef ref;
  qsizetype j = i;
  readSheetPrefix(text, j, ref);
  if (!readRefBody(text, j, ref)) return std::nullopt;
  if (j < text.size() && (isNameChar(text[j]) || text[j] == QLatin1Char('(') || text[j] == QLatin1Char('!') ||
                          text[j] == QLatin1Char('$') || text[j] == QLatin1Char('[')))
    return std::nullopt;  // a function or a defined name that merely starts like a reference
  i = j;
  return ref;
}

QString formatCell(const CellRef& cell, bool column, bool row) {
  QString text;
  if (column) {
    if (cell.absoluteColumn) text += QLatin1Char('$');
    text += columnLetters(cell.column);
  }
  if (row) {
    if (cell.absoluteRow) text += QLatin1Char('$');
    text += QString::number(cell.row);
  }
  return text;
}

void checkRow(int row) {
  if (row > kMaxRow)
    throw std::runtime_error("The report does not fit on the sheet: more than 1048576 rows.");
}

bool hasRows(const FormulaRef& ref) { return ref.kind != FormulaRef::Kind::Columns; }

}  // namespace

int columnNumber(QStringView letters) {
  if (letters.isEmpty() || letters.size() > 3) return 0;
  int column = 0;
  for (const QChar c : letters) {
    if (!isAsciiLetter(c)) return 0;
    column = column * 26 + (c.toUpper().unicode() - u'A' + 1);
  }
  return column <= kMaxColumn ? column : 0;
}

QString columnLetters(int column) {
  QString letters;
  while (column > 0) {
    const int digit = (column - 1) % 26;
    letters.prepend(QChar(u'A' + digit));
    column = (column - 1) / 26;
  }
  return letters;
}

std::optional<CellRef> parseCell(QStringView text) {
  qsizetype i = 0;
  CellRef cell;
  if (!readCell(text, i, cell) || i != text.size()) return std::nullopt;
  return cell;
}

QString cellName(int column, int row) { return columnLetters(column) + QString::number(row); }

QString formatRef(const FormulaRef& ref) {
  const bool columns = ref.kind != FormulaRef::Kind::Rows;
  const bool rows = ref.kind != FormulaRef::Kind::Columns;
  QString text = ref.prefix + formatCell(ref.first, columns, rows);
  if (ref.kind != FormulaRef::Kind::Cell) text += QLatin1Char(':') + formatCell(ref.last, columns, rows);
  return text;
}

std::optional<FormulaRef> parseRef(QStringView text) {
  qsizetype i = 0;
  std::optional<FormulaRef> ref = matchRef(text, i);
  if (!ref || i != text.size()) return std::nullopt;
  return ref;
}

QString rewriteFormula(const QString& formula, const std::function<bool(FormulaRef&)>& visit) {
  QString out;
  out.reserve(formula.size() + 8);
  const QStringView text(formula);
  qsizetype i = 0;
  while (i < text.size()) {
    const QChar c = text[i];
    if (c == QLatin1Char('"')) {  // string literal, "" inside
      const qsizetype start = i++;
      while (i < text.size()) {
        if (text[i] == QLatin1Char('"')) {
          if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      out += text.mid(start, i - start);
      continue;
    }
    if (c == QLatin1Char('[')) {  // structured reference or external book index
      const qsizetype start = i;
      int depth = 0;
      do {
        if (text[i] == QLatin1Char('[')) ++depth;
        if (text[i] == QLatin1Char(']')) --depth;
        ++i;
      } while (i < text.size() && depth > 0);
      out += text.mid(start, i - start);
      continue;
    }
    // A reference starts where a name cannot be going on; after "[1]" it
    // belongs to another workbook and is copied as written.
    const QChar previous = i > 0 ? text[i - 1] : QChar(u' ');
    const bool afterBook = previous == QLatin1Char(']');
    if (afterBook || (!isNameChar(previous) && previous != QLatin1Char('$') && previous != QLatin1Char('!') &&
                      previous != QLatin1Char('\''))) {
      qsizetype end = i;
      if (std::optional<FormulaRef> ref = matchRef(text, end)) {
        const qsizetype start = i;
        i = end;
        if (!afterBook && !ref->external && visit(*ref))
          out += formatRef(*ref);
        else
          out += text.mid(start, end - start);
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

QString shiftRelative(const QString& formula, int rows, int columns) {
  return rewriteFormula(formula, [&](FormulaRef& ref) {
    for (CellRef* cell : {&ref.first, &ref.last}) {
      if (ref.kind != FormulaRef::Kind::Columns && !cell->absoluteRow) cell->row += rows;
      if (ref.kind != FormulaRef::Kind::Rows && !cell->absoluteColumn) cell->column += columns;
    }
    return rows != 0 || columns != 0;
  });
}

RowInsertion::RowInsertion(int first, int last, int copies)
    : first_(first), last_(last), added_((copies - 1) * (last - first + 1)) {}

bool RowInsertion::mapOutside(FormulaRef& ref) const {
  if (!hasRows(ref) || added_ == 0) return false;
  const int firstRow = moved(ref.first.row);
  const int lastRow = ref.kind == FormulaRef::Kind::Cell ? moved(ref.last.row) : rangeEnd(ref.last.row);
  if (firstRow == ref.first.row && lastRow == ref.last.row) return false;
  checkRow(lastRow);
  checkRow(firstRow);
  ref.first.row = firstRow;
  ref.last.row = lastRow;
  return true;
}

bool RowInsertion::mapInCopy(FormulaRef& ref, int copy) const {
  if (!hasRows(ref)) return false;
  bool changed = false;
  for (CellRef* cell : {&ref.first, &ref.last}) {
    int row = moved(cell->row);
    if (!cell->absoluteRow) row += copy * height();
    checkRow(row);
    changed = changed || row != cell->row;
    cell->row = row;
  }
  return changed;
}

}  // namespace xlsx
