#pragma once

#include <array>

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "link/CaptureFormat.h"
#include "link/MeasuredValues.h"
#include "link/ScreenRecognition.h"

// One screen as it stood when its frame ended, before it was parsed and cleared.
struct ReplayedScreen {
  qint64 time = 0;
  std::array<QString, 3> rows;
  ScreenRecognition recognition;
};

// A capture read line by line, one chunk at a time, so that a capture of any
// size takes the memory of one line (at most kLongestLine characters).
class CaptureReader {
 public:
  static constexpr qint64 kLongestLine = 1 << 20;

  explicit CaptureReader(QIODevice& device) : device_(device) {}
  // The next chunk: false at the end, or on a malformed line (then Error()
  // names the line: "line 7: ...").
  bool next(CaptureChunk& chunk);
  const QString& error() const { return error_; }

 private:
  QIODevice& device_;
  qint64 lineNumber_ = 0;
  qint64 lastTime_ = 0;
  QString error_;
};

// Checks the whole capture; on the first malformed line returns false with
// `error` naming it. The device is read to its end.
bool checkCapture(QIODevice& device, QString& error);

// Runs the link engine over a checked capture on a virtual clock, from the
// state a terminal reset leaves, and for 1000 ms past the last chunk. The
// result, one JSON object, goes to `out` as the replay goes: every screen at
// its frame end, then the values read and the indicators. False when reading
// the capture failed on the way.
bool replayCapture(QIODevice& capture, QIODevice& out, QString& error);
