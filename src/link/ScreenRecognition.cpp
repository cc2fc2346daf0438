#include "link/ScreenRecognition.h"

#include "link/Koi7.h"

namespace {

constexpr uint8_t cellCode(char16_t ch) { return ch < 128 ? static_cast<uint8_t>(ch) : cp1251Capital(ch); }

// Runs after every stored character, so the tests compare cells directly,
// cheapest first.
constexpr uint8_t Ef = cp1251Capital(u'Ф'), Ka = cp1251Capital(u'К'), Em = cp1251Capital(u'М');
constexpr uint8_t Pe = cp1251Capital(u'П'), O = cp1251Capital(u'О'), Ge = cp1251Capital(u'Г');
constexpr uint8_t A = cp1251Capital(u'А'), Ve = cp1251Capital(u'В'), Er = cp1251Capital(u'Р');
constexpr uint8_t Te = cp1251Capital(u'Т');

bool isPhaseScreen(const InstrumentScreen& s) {
  const uint8_t first = s.at(0, 0);
  return first == Ef || (first == '2' && s.at(0, 1) == '-' && (s.at(0, 2) == '1' || s.at(0, 2) == '3'));
}

bool isErrorPage(const InstrumentScreen& s) {
  return s.at(0, 0) == Pe && s.at(0, 1) == O && s.at(0, 2) == Ge;
}

}  // namespace

bool cellsRead(const InstrumentScreen& screen, int row, int first, std::u16string_view letters) {
  for (std::size_t i = 0; i < letters.size(); ++i) {
    if (screen.at(row, first + static_cast<int>(i)) != cellCode(letters[i])) return false;
  }
  return true;
}

void ScreenRecognition::recognize(const InstrumentScreen& s) {
  if (s.at(1, 3) == Ka && s.at(1, 4) == Em) {
    valueScreen = true;
    screenMode = PowerFactorScreen;
  } else if (isPhaseScreen(s)) {
    // The unit letter decides: the last "А" (amperes) or "В" (volts) in row 0.
    for (int column = 0; column <= 15; ++column) {
      const uint8_t ch = s.at(0, column);
      if (ch == A) screenMode = CurrentScreen;
      if (ch == Ve) screenMode = VoltageScreen;
    }
    valueScreen = true;
  } else {
    valueScreen = false;
    screenMode = OtherScreen;
  }
  const bool errorPage = isErrorPage(s);
  errorPage14 = errorPage && s.at(0, 12) == '4';
  errorPage58 = errorPage && s.at(0, 12) == '8';
  powerScreen = (s.at(2, 13) == Ve && s.at(2, 14) == A && s.at(2, 15) == Er) ||
                (s.at(2, 14) == Ve && s.at(2, 15) == Te);
}

bool isMenuScreen(const InstrumentScreen& screen) {
  return cellsRead(screen, 0, 0, u"МОЩ") && cellsRead(screen, 1, 0, u"ЭНЕ") &&
         cellsRead(screen, 2, 0, u"ОПР");
}
