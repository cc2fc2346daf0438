#include "link/TerminalDecoder.h"

#include "link/Koi7.h"

DecodeOutcome TerminalDecoder::decode(uint8_t byte, InstrumentScreen& screen) {
  // The frame-end sequence takes precedence over a pending coordinate; it never
  // falls back on an unexpected byte.
  if (byte == ESC && FrameSeq == 0) {
    FrameSeq = 1;
    return DecodeOutcome::Moved;
  }
  if (byte == 'H' && FrameSeq == 1) {
    FrameSeq = 2;
    return DecodeOutcome::Moved;
  }
  if (byte == ESC && FrameSeq == 2) {
    FrameSeq = 3;
    return DecodeOutcome::Moved;
  }
  if (byte == 'J' && FrameSeq == 3) {
    FrameSeq = 4;
    return DecodeOutcome::Moved;
  }
  if (byte == BEL && FrameSeq == 4) return DecodeOutcome::FrameComplete;
  if (AddressState == 2) {
    CursorColumn = static_cast<uint8_t>(byte - 32);
    AddressState = 0;
    return DecodeOutcome::Moved;
  }
  if (AddressState == 1) {
    CursorRow = static_cast<uint8_t>(byte - 32);
    AddressState = 2;
    return DecodeOutcome::Moved;
  }
  if (byte == 'Y' && FrameSeq == 1) {
    AddressState = 1;
    FrameSeq = 0;
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
  if (FrameSeq != 0 || AddressState != 0 || EraseHold) return DecodeOutcome::Dropped;

  const bool inside = InstrumentScreen::contains(CursorRow, CursorColumn);
  if (inside) {
    screen.set(CursorRow, CursorColumn, byte);
    FrameHasCharacter = true;
  }
  ++CursorColumn;
  return inside ? DecodeOutcome::Stored : DecodeOutcome::Dropped;
}

void TerminalDecoder::carriageReturn(const InstrumentScreen& screen) {
  // A value line "Ф… В" is refreshed in place: CR returns to its start.
  const bool refreshInPlace = CursorColumn > 0 &&
                              screen.atOrSpace(CursorRow, CursorColumn - 1) == cp1251Capital(u'В') &&
                              screen.atOrSpace(CursorRow, 0) == cp1251Capital(u'Ф');
  if (refreshInPlace) {
    CursorColumn = 0;
  } else {
    ++CursorRow;
  }
}

bool TerminalDecoder::eraseLastChar(InstrumentScreen& screen) {
  if (CursorColumn == 0) return false;
  const int column = CursorColumn - 1;
  if (!InstrumentScreen::contains(CursorRow, column)) return false;
  const uint8_t ch = screen.at(CursorRow, column);
  const bool erasable = (ch >= '0' && ch <= '9') || ch == '.' || ch == '-';
  if (!erasable) return false;
  --CursorColumn;
  screen.set(CursorRow, column, ' ');
  EraseHold = true;
  return true;
}
