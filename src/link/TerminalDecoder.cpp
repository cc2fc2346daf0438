#include "link/TerminalDecoder.h"

#include "link/Koi7.h"

DecodeOutcome TerminalDecoder::decode(uint8_t byte, InstrumentScreen& screen) {
  // The frame-end sequence takes precedence over a pending coordinate; it never
  // falls back on an unexpected byte.
  if (byte == ESC && frameSeq == 0) {
    frameSeq = 1;
    return DecodeOutcome::Moved;
  }
  if (byte == 'H' && frameSeq == 1) {
    frameSeq = 2;
    return DecodeOutcome::Moved;
  }
  if (byte == ESC && frameSeq == 2) {
    frameSeq = 3;
    return DecodeOutcome::Moved;
  }
  if (byte == 'J' && frameSeq == 3) {
    frameSeq = 4;
    return DecodeOutcome::Moved;
  }
  if (byte == BEL && frameSeq == 4) return DecodeOutcome::FrameComplete;
  if (addressState == 2) {
    cursorColumn = static_cast<uint8_t>(byte - 32);
    addressState = 0;
    return DecodeOutcome::Moved;
  }
  if (addressState == 1) {
    cursorRow = static_cast<uint8_t>(byte - 32);
    addressState = 2;
    return DecodeOutcome::Moved;
  }
  if (byte == 'Y' && frameSeq == 1) {
    addressState = 1;
    frameSeq = 0;
    return DecodeOutcome::Moved;
  }
  if (byte == CR) {
    carriageReturn(screen);
    return DecodeOutcome::Moved;
  }
  if (byte == LF) {
    lineFeed();
    return DecodeOutcome::Moved;
  }
  if (frameSeq != 0 || addressState != 0 || eraseHold) return DecodeOutcome::Dropped;

  const bool inside = InstrumentScreen::contains(cursorRow, cursorColumn);
  if (inside) {
    screen.set(cursorRow, cursorColumn, byte);
    frameHasCharacter = true;
  }
  ++cursorColumn;
  return inside ? DecodeOutcome::Stored : DecodeOutcome::Dropped;
}

void TerminalDecoder::carriageReturn(const InstrumentScreen& screen) {
  // A value line "Ф… В" is refreshed in place: CR returns to its start.
  const bool refreshInPlace = cursorColumn > 0 &&
                              screen.atOrSpace(cursorRow, cursorColumn - 1) == cp1251Capital(u'В') &&
                              screen.atOrSpace(cursorRow, 0) == cp1251Capital(u'Ф');
  if (refreshInPlace) {
    cursorColumn = 0;
  } else {
    ++cursorRow;
  }
}

bool TerminalDecoder::eraseLastChar(InstrumentScreen& screen) {
  if (cursorColumn == 0) return false;
  const int column = cursorColumn - 1;
  if (!InstrumentScreen::contains(cursorRow, column)) return false;
  const uint8_t ch = screen.at(cursorRow, column);
  const bool erasable = (ch >= '0' && ch <= '9') || ch == '.' || ch == '-';
  if (!erasable) return false;
  --cursorColumn;
  screen.set(cursorRow, column, ' ');
  eraseHold = true;
  return true;
}
