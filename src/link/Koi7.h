#pragma once

#include <array>
#include <cstdint>

// The instrument sends Cyrillic capitals in the 7-bit positions 96..126 of the
// KOI-7 N2 set; the screen stores them in Windows-1251.

// Windows-1251 code of a Cyrillic capital А..Я.
constexpr uint8_t cp1251Capital(char16_t letter) { return static_cast<uint8_t>(0xC0 + (letter - u'А')); }

// CyrillicCodes[i]: the 7-bit code by which the capital with Windows-1251 code
// 192 + i arrives. Entry 26 (Ъ) is 0: that letter never arrives.
extern const std::array<uint8_t, 32> CyrillicCodes;

namespace koi7 {
extern const std::array<uint8_t, 256> kReceivedToStored;
}

// A received byte as the screen stores it: 96..126 become their Windows-1251
// capitals, every other byte is kept.
inline uint8_t mapReceivedByte(uint8_t byte) { return koi7::kReceivedToStored[byte]; }

// The byte the instrument sends for a Windows-1251 character: capitals (and
// small letters, shown as capitals) become their 7-bit codes, ASCII stays, any
// other character (Ъ included) becomes "?".
uint8_t koi7Code(uint8_t cp1251);
