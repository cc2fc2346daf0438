#include "PtyLine.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "link/CaptureFormat.h"

namespace {

qint64 monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

PtyLine::~PtyLine() {
  if (master_ >= 0) close(master_);
}

bool PtyLine::open(QString& error) {
  int slave = -1;
  char name[256] = {};
  if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
    error =
        QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  // Without a slave open the master reports a hang-up: that tells us when the
  // program has its port closed.
  close(slave);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  path_ = QString::fromLocal8Bit(name);
  startNs_ = monotonicNs();
  return true;
}

bool PtyLine::startCapture(const QString& path, QString& error) {
  capture_.setFileName(path);
  if (!capture_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    error = QStringLiteral("cannot write %1: %2").arg(path, capture_.errorString());
    return false;
  }
  record("# vt3417-sim: milliseconds since start, bytes sent\n");
  error = captureError_;
  return error.isEmpty();
}

void PtyLine::record(const QByteArray& line) {
  if (!capture_.isOpen() || !captureError_.isEmpty()) return;
  if (!appendToFile(capture_, line))
    captureError_ = QStringLiteral("cannot write %1: %2").arg(capture_.fileName(), capture_.errorString());
}

bool appendToFile(QFile& file, const QByteArray& bytes) {
  return file.write(bytes) == bytes.size() && file.flush();
}

qint64 PtyLine::elapsedMs() const { return (monotonicNs() - startNs_) / 1000000; }

PtyLine::Wait PtyLine::waitForInput(int msecs) {
  pollfd fd{master_, POLLIN, 0};
  const int ready = poll(&fd, 1, msecs);
  if (ready < 0) return errno == EINTR ? Wait::Interrupted : Wait::Timeout;
  if (ready == 0) return Wait::Timeout;
  if (fd.revents & POLLIN) return Wait::Data;
  return Wait::NoTerminal;  // POLLHUP: no program has the port open
}

QByteArray PtyLine::readInput() {
  char buffer[256];
  const ssize_t n = read(master_, buffer, sizeof buffer);
  return n > 0 ? QByteArray(buffer, static_cast<qsizetype>(n)) : QByteArray();
}

void PtyLine::send(const QByteArray& bytes) {
  if (bytes.isEmpty()) return;
  const ssize_t n = write(master_, bytes.constData(), static_cast<size_t>(bytes.size()));
  if (n > 0) record(formatCaptureLine(elapsedMs(), bytes.left(n)) + '\n');
}
