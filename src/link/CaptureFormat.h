#pragma once

#include <QByteArray>
#include <QString>

// A timed capture of the instrument's stream, one chunk per line:
// "<milliseconds since start> <bytes as two-digit hex separated by spaces>".
// Blank lines and lines starting with "#" are ignored.
struct CaptureChunk {
  qint64 time = 0;
  QByteArray bytes;
};

enum class CaptureLine { Chunk, Ignored, Malformed };

// A capture covers at most days: a later time is a damaged line, not a time
// to wait for (and stays far from the end of a 64-bit count of milliseconds).
inline constexpr qint64 kLongestCaptureMs = 7LL * 24 * 60 * 60 * 1000;

// Parse one line (without its line end). On Malformed, `error` says why.
CaptureLine parseCaptureLine(const QByteArray& line, CaptureChunk& chunk, QString& error);
// The line (without line end) for a chunk.
QByteArray formatCaptureLine(qint64 time, const QByteArray& bytes);
