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

// Parse one line (without its line end). On Malformed, `error` says why.
CaptureLine ParseCaptureLine(const QByteArray& line, CaptureChunk& chunk, QString& error);
// The line (without line end) for a chunk.
QByteArray FormatCaptureLine(qint64 time, const QByteArray& bytes);
