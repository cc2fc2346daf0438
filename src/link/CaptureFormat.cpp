#include "link/CaptureFormat.h"

#include <QList>

namespace {

int hexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

CaptureLine parseCaptureLine(const QByteArray& line, CaptureChunk& chunk, QString& error) {
  const QByteArray trimmed = line.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith('#')) return CaptureLine::Ignored;
  const QList<QByteArray> fields = trimmed.simplified().split(' ');
  bool isNumber = false;
  const qint64 time = fields.front().toLongLong(&isNumber);
  if (!isNumber || time < 0 || fields.front().startsWith('+')) {
    error = QStringLiteral("expected the time in milliseconds, found \"%1\"")
                .arg(QString::fromLatin1(fields.front()));
    return CaptureLine::Malformed;
  }
  if (time > kLongestCaptureMs) {
    error = QStringLiteral("time %1 ms is beyond the longest capture, 7 days (%2 ms)")
                .arg(time)
                .arg(kLongestCaptureMs);
    return CaptureLine::Malformed;
  }
  QByteArray bytes;
  for (qsizetype i = 1; i < fields.size(); ++i) {
    const QByteArray& field = fields[i];
    const int high = field.size() == 2 ? hexValue(field[0]) : -1;
    const int low = field.size() == 2 ? hexValue(field[1]) : -1;
    if (high < 0 || low < 0) {
      error = QStringLiteral("\"%1\" is not a byte in two hex digits").arg(QString::fromLatin1(field));
      return CaptureLine::Malformed;
    }
    bytes.append(static_cast<char>(high * 16 + low));
  }
  chunk = {time, bytes};
  return CaptureLine::Chunk;
}

QByteArray formatCaptureLine(qint64 time, const QByteArray& bytes) {
  QByteArray line = QByteArray::number(time);
  if (!bytes.isEmpty()) line += ' ' + bytes.toHex(' ');
  return line;
}
