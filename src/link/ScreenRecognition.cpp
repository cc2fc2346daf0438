#include "link/ScreenRecognition.h"

#include "link/Koi7.h"

namespace {

constexpr uint8_t CellCode(char16_t ch) { return ch < 128 ? static_cast<uint8_t>(ch) : Cp1251Capital(ch); }

bool IsErrorPage(const InstrumentScreen& screen, char pageDigit) {
  return CellsRead(screen, 0, 0, u"ПОГ") && screen.At(0, 12) == static_cast<uint8_t>(pageDigit);
}

}  // namespace

bool CellsRead(const InstrumentScreen& screen, int row, int first, std::u16string_view letters) {
  for (std::size_t i = 0; i < letters.size(); ++i) {
    if (screen.At(row, first + static_cast<int>(i)) != CellCode(letters[i])) return false;
  }
  return true;
}

void ScreenRecognition::Recognize(const InstrumentScreen& screen) {
  if (CellsRead(screen, 1, 3, u"КМ")) {
    ValueScreen = true;
    ScreenMode = PowerFactorScreen;
  } else if (screen.At(0, 0) == Cp1251Capital(u'Ф') || CellsRead(screen, 0, 0, u"2-1") ||
             CellsRead(screen, 0, 0, u"2-3")) {
    // The unit letter decides: the last "А" (amperes) or "В" (volts) in row 0.
    for (int column = 0; column <= 15; ++column) {
      const uint8_t ch = screen.At(0, column);
      if (ch == Cp1251Capital(u'А')) ScreenMode = CurrentScreen;
      if (ch == Cp1251Capital(u'В')) ScreenMode = VoltageScreen;
    }
    ValueScreen = true;
  } else {
    ValueScreen = false;
    ScreenMode = OtherScreen;
  }
  ErrorPage14 = IsErrorPage(screen, '4');
  ErrorPage58 = IsErrorPage(screen, '8');
  PowerScreen = CellsRead(screen, 2, 13, u"ВАР") || CellsRead(screen, 2, 14, u"ВТ");
}

bool IsMenuScreen(const InstrumentScreen& screen) {
  return CellsRead(screen, 0, 0, u"МОЩ") && CellsRead(screen, 1, 0, u"ЭНЕ") &&
         CellsRead(screen, 2, 0, u"ОПР");
}
