#pragma once

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QString>

// The mirror of the instrument's display: 3 rows of 17 Windows-1251 cells,
// addressed by (row, column) counted from 0. A cleared screen holds spaces.
class InstrumentScreen {
 public:
  static constexpr int Rows = 3;
  static constexpr int Columns = 17;

  InstrumentScreen() { clear(); }

  void clear() {
    for (auto& row : cells_) row.fill(' ');
  }
  static constexpr bool contains(int row, int column) {
    return row >= 0 && row < Rows && column >= 0 && column < Columns;
  }
  // Callers address cells inside the grid; see Contains().
  uint8_t at(int row, int column) const { return cells_[row][column]; }
  void set(int row, int column, uint8_t ch) { cells_[row][column] = ch; }
  // A cell outside the grid reads as a space.
  uint8_t atOrSpace(int row, int column) const { return contains(row, column) ? at(row, column) : ' '; }

  // Cells (row, first) .. (row, last) as Windows-1251 bytes / as text.
  QByteArray cells(int row, int first = 0, int last = Columns - 1) const;
  QString text(int row, int first = 0, int last = Columns - 1) const;

  bool operator==(const InstrumentScreen&) const = default;

 private:
  std::array<std::array<uint8_t, Columns>, Rows> cells_;
};
