#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The instrument's end of a pseudo-terminal: the program opens the slave
// device as its serial port. Optionally records everything sent in the
// capture format of vt3417-replay.
class PtyLine {
 public:
  PtyLine() = default;
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  bool open(QString& error);
  QString devicePath() const { return path_; }
  bool startCapture(const QString& path, QString& error);

  enum class Wait { Data, Timeout, NoTerminal, Interrupted };
  // Wait up to `msecs` for bytes from the terminal.
  Wait waitForInput(int msecs);
  QByteArray readInput();
  // Send `bytes` (what the terminal cannot take at once is dropped) and record them.
  void send(const QByteArray& bytes);
  qint64 elapsedMs() const;
  // Why the capture could not be written (then nothing more is recorded);
  // empty while it is written.
  const QString& captureError() const { return captureError_; }

 private:
  void record(const QByteArray& line);

  int master_ = -1;
  QString path_;
  QFile capture_;
  QString captureError_;
  qint64 startNs_ = 0;
};

// Appends the bytes to the file and flushes them; false when not all of them
// reached it.
bool appendToFile(QFile& file, const QByteArray& bytes);
