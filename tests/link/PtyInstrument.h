#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTest>

#include "link/PortNames.h"
#include "settings/ProgramDir.h"

// The instrument's end of a pseudo-terminal, played by the test itself: what
// the program writes is read here, and screens are written back. Its device
// is entered as "Com1" in the program directory's sources/ports.ini; given a
// link path, the link is made to point at the device and entered instead, so
// that a later instrument can take the same port name (a device plugged in
// again).
class PtyInstrument {
 public:
  explicit PtyInstrument(const QString& linkPath = {}) {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) qFatal("openpty failed");
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    device_ = QString::fromLocal8Bit(name);
    QString portPath = device_;
    if (!linkPath.isEmpty()) {
      QFile::remove(linkPath);
      if (!QFile::link(device_, linkPath)) qFatal("cannot link %s", qPrintable(linkPath));
      portPath = linkPath;
    }
    writePortDevice(programPath(QStringLiteral("sources/ports.ini")), QStringLiteral("Com1"), portPath);
  }
  ~PtyInstrument() { hangUp(); }
  PtyInstrument(const PtyInstrument&) = delete;
  PtyInstrument& operator=(const PtyInstrument&) = delete;

  QString device() const { return device_; }

  // The instrument goes away (an adapter pulled): this end closes, and the
  // device disappears once the program lets go of it.
  void hangUp() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
  }

  // Everything the program wrote within `ms` (the event loop keeps running).
  QByteArray received(int ms = 300) {
    QByteArray bytes;
    QElapsedTimer timer;
    timer.start();
    do {
      QTest::qWait(10);
      char buffer[256];
      ssize_t n;
      while ((n = read(master_, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<qsizetype>(n));
    } while (timer.elapsed() < ms);
    return bytes;
  }
  void send(const QByteArray& bytes) {
    if (write(master_, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size())
      qFatal("pty write");
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  QString device_;
};
