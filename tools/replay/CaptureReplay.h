#pragma once

#include <array>

#include <QByteArray>
#include <QIODevice>
#include <QList>
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

struct ReplayResult {
  QList<ReplayedScreen> screens;
  MeasuredValues measured;
  bool led14 = false;
  bool led58 = false;
};

// Read a whole capture. On a malformed line returns false with `error`
// naming the line ("line 7: ...").
bool ReadCapture(QIODevice& device, QList<CaptureChunk>& chunks, QString& error);

// Run the link engine over the capture on a virtual clock, from the state a
// terminal reset leaves, and for 1000 ms past the last chunk.
ReplayResult ReplayCapture(const QList<CaptureChunk>& chunks);

// The result as one JSON object (UTF-8).
QByteArray ReplayJson(const ReplayResult& result);
