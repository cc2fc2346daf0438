#include "link/Koi7.h"

const std::array<uint8_t, 32> CyrillicCodes = {
    97,  98,  119, 103, 100, 101, 118, 122,  // А Б В Г Д Е Ж З
    105, 106, 107, 108, 109, 110, 111, 112,  // И Й К Л М Н О П
    114, 115, 116, 117, 102, 104, 99,  126,  // Р С Т У Ф Х Ц Ч
    123, 125, 0,   121, 120, 124, 96,  113,  // Ш Щ Ъ Ы Ь Э Ю Я
};

namespace koi7 {

const std::array<uint8_t, 256> kReceivedToStored = [] {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(b);
  for (int i = 0; i < 32; ++i) {
    if (CyrillicCodes[i] != 0) table[CyrillicCodes[i]] = static_cast<uint8_t>(192 + i);
  }
  return table;
}();

}  // namespace koi7

uint8_t koi7Code(uint8_t cp1251) {
  if (cp1251 < 96) return cp1251;
  if (cp1251 < 128) return '?';  // the 7-bit positions 96..127 carry letters, not ASCII
  if (cp1251 >= 192) {
    const uint8_t code = CyrillicCodes[(cp1251 - 192) % 32];
    return code != 0 ? code : '?';
  }
  return '?';
}
