#include "link/ScreenRecognition.h"

#include "link/Koi7.h"

namespace {

constexpr uint8_t CellCode(char16_t ch) { return ch < 128 ? static_cast<uint8_t>(ch) : Cp1251Capital(ch); }

// Runs after every stored character, so the tests compare cells directly,
// cheapest first.
constexpr uint8_t Ef = Cp1251Capital(u'Ф'), Ka = Cp1251Capital(u'К'), Em = Cp1251Capital(u'М');
constexpr uint8_t Pe = Cp1251Capital(u'П'), O = Cp1251Capital(u'О'), Ge = Cp1251Capital(u'Г');
constexpr uint8_t A = Cp1251Capital(u'А'), Ve = Cp1251Capital(u'В'), Er = Cp1251Capital(u'Р');
constexpr uint8_t Te = Cp1251Capital(u'Т');

bool IsPhaseScreen(const InstrumentScreen& s) {
  const uint8_t first = s.At(0, 0);
  return first == Ef || (first == '2' && s.At(0, 1) == '-' && (s.At(0, 2) == '1' || s.At(0, 2) == '3'));
}

bool IsErrorPage(const InstrumentScreen& s) {
  return s.At(0, 0) == Pe && s.At(0, 1) == O && s.At(0, 2) == Ge;
}

}  // namespace

bool CellsRead(const InstrumentScreen& screen, int row, int first, std::u16string_view letters) {
  for (std::size_t i = 0; i < letters.size(); ++i) {
    if (screen.At(row, first + static_cast<int>(i)) != CellCode(letters[i])) return false;
  }
  return true;
}

void ScreenRecognition::Recognize(const InstrumentScreen& s) {
  if (s.At(1, 3) == Ka && s.At(1, 4) == Em) {
    ValueScreen = true;
    ScreenMode = PowerFactorScreen;
  } else if (IsPhaseScreen(s)) {
    // The unit letter decides: the last "А" (amperes) or "В" (volts) in row 0.
    for (int column = 0; column <= 15; ++column) {
      const uint8_t ch = s.At(0, column);
      if (ch == A) ScreenMode = CurrentScreen;
      if (ch == Ve) ScreenMode = VoltageScreen;
    }
    ValueScreen = true;
  } else {
    ValueScreen = false;
    ScreenMode = OtherScreen;
  }
  const bool errorPage = IsErrorPage(s);
  ErrorPage14 = errorPage && s.At(0, 12) == '4';
  ErrorPage58 = errorPage && s.At(0, 12) == '8';
  PowerScreen = (s.At(2, 13) == Ve && s.At(2, 14) == A && s.At(2, 15) == Er) ||
                (s.At(2, 14) == Ve && s.At(2, 15) == Te);
}

bool IsMenuScreen(const InstrumentScreen& screen) {
  return CellsRead(screen, 0, 0, u"МОЩ") && CellsRead(screen, 1, 0, u"ЭНЕ") &&
         CellsRead(screen, 2, 0, u"ОПР");
}
