#pragma once

#include <cstdint>

// The bytes that stand for the instrument's keys.
namespace KeyCode {
constexpr uint8_t Digit0 = '0';  // "0".."9" are 48..57
constexpr uint8_t Point = '.';
constexpr uint8_t Minus = 17;      // "-": next screen
constexpr uint8_t Vsh = 8;         // ВШ: back to the voltage screen
constexpr uint8_t Enter = 13;      // ВВ
constexpr uint8_t Erase = 127;     // ЗБ
constexpr uint8_t Reset = 19;      // СБР
constexpr uint8_t LinkStart = 14;  // sent when a connection opens (Ctrl+N)
constexpr uint8_t LinkEnd = 15;    // sent when it closes (Ctrl+O)

constexpr uint8_t digit(int d) { return static_cast<uint8_t>(Digit0 + d); }
}  // namespace KeyCode
