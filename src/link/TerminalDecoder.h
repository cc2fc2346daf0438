#pragma once

#include <cstdint>

#include "link/InstrumentScreen.h"

// What one received byte did to the screen.
enum class DecodeOutcome {
  Stored,         // a character was written into the screen
  FrameComplete,  // ESC H ESC J BEL closed the screen; the owner finishes the frame
  Moved,          // cursor or sequence state changed, nothing written
  Dropped,        // ignored (also a character addressed outside the grid)
};

// Rebuilds the instrument's display from its terminal stream: printable
// characters at the cursor, ESC Y row column addressing (VT52, offset 32),
// CR and LF, and ESC H ESC J BEL closing every screen. Bytes arrive already
// mapped from KOI-7 (mapReceivedByte).
//
// The cursor is kept in unsigned bytes with their wrap-around arithmetic; a
// character addressed outside the 3 x 17 grid is dropped so that nothing is
// ever written outside the screen, and the next ESC Y or frame end recovers.
class TerminalDecoder {
 public:
  static constexpr uint8_t ESC = 27, BEL = 7, CR = 13, LF = 10;

  uint8_t frameSeq = 0;      // 0..4: how much of ESC H ESC J has been seen
  uint8_t addressState = 0;  // 0 normal, 1 next byte is a row, 2 next byte is a column
  uint8_t cursorRow = 0;
  uint8_t cursorColumn = 0;
  bool eraseHold = false;          // while set, printable characters are not stored
  bool frameHasCharacter = false;  // a character was stored since the last frame end

  // Decode one mapped byte. On FrameComplete the caller runs its frame end and
  // then sets frameSeq to 0.
  DecodeOutcome decode(uint8_t byte, InstrumentScreen& screen);

  void carriageReturn(const InstrumentScreen& screen);
  void lineFeed() { cursorColumn = 0; }
  // Blank the digit, point or minus left of the cursor and hold the mirror
  // until the next key. Returns whether the screen changed.
  bool eraseLastChar(InstrumentScreen& screen);

  void reset() {
    frameSeq = addressState = cursorRow = cursorColumn = 0;
    eraseHold = frameHasCharacter = false;
  }
};
