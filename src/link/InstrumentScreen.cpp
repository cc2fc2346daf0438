#include "link/InstrumentScreen.h"

#include "settings/Cp1251.h"

QByteArray InstrumentScreen::cells(int row, int first, int last) const {
  QByteArray bytes;
  bytes.reserve(last - first + 1);
  for (int column = first; column <= last; ++column) bytes.append(static_cast<char>(at(row, column)));
  return bytes;
}

QString InstrumentScreen::text(int row, int first, int last) const {
  return cp1251::decode(cells(row, first, last));
}
