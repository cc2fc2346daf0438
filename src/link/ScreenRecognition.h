#pragma once

#include <cstdint>
#include <string_view>

#include "link/InstrumentScreen.h"

// Which kind of screen the instrument shows, recomputed from characters at
// fixed places after every stored character.
enum ScreenModeValue : uint8_t {
  VoltageScreen = 1,
  CurrentScreen = 2,
  PowerFactorScreen = 3,
  OtherScreen = 4,
};

struct ScreenRecognition {
  bool valueScreen = false;  // voltage, current or power-factor screen
  uint8_t screenMode = VoltageScreen;
  bool errorPage14 = false;  // errors of meters 1..4
  bool errorPage58 = false;  // errors of meters 5..8
  bool powerScreen = false;  // row 2 ends in "ВАР" or "ВТ"

  // Run the tests over `screen`. screenMode keeps its value on a voltage or
  // current screen whose row 0 carries neither "А" nor "В".
  void recognize(const InstrumentScreen& screen);
};

// The instrument's main menu: rows beginning "МОЩ", "ЭНЕ", "ОПР".
bool isMenuScreen(const InstrumentScreen& screen);

// Row `row` holds `letters` (Windows-1251 capitals or ASCII given as UTF-16)
// from column `first` on.
bool cellsRead(const InstrumentScreen& screen, int row, int first, std::u16string_view letters);
