#include "link/InstrumentScreen.h"

#include "settings/Cp1251.h"

QByteArray InstrumentScreen::Cells(int row, int first, int last) const {
  QByteArray bytes;
  bytes.reserve(last - first + 1);
  for (int column = first; column <= last; ++column) bytes.append(static_cast<char>(At(row, column)));
  return bytes;
}

QString InstrumentScreen::Text(int row, int first, int last) const {
  return cp1251::decode(Cells(row, first, last));
}
