#pragma once

#include <signal.h>

#include <QAbstractButton>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "TerminalFixture.h"
#include "support/TempProgramDir.h"

// vt3417-sim serving a program directory as Com1, started with these
// arguments (scenario settings); it notes every byte it receives.
class SimulatorProcess {
 public:
  SimulatorProcess(const TempProgramDir& dir, const QStringList& arguments)
      : received_(dir.filePath("received.bin")) {
#ifdef VT3417_SIM
    process_.start(
        VT3417_SIM,
        QStringList{"--program-dir", dir.path(), "--port", "Com1", "--received", received_} + arguments);
    if (!process_.waitForReadyRead(5000)) qFatal("vt3417-sim did not start");
    device_ = QString::fromUtf8(process_.readLine()).trimmed();
#endif
  }
  ~SimulatorProcess() {
    process_.terminate();
    process_.waitForFinished(5000);
  }

  QString device() const { return device_; }
  QByteArray received() const {
    QFile file(received_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The bytes received since the last call.
  QByteArray newlyReceived() {
    const QByteArray all = received();
    const QByteArray fresh = all.mid(seen_);
    seen_ = all.size();
    return fresh;
  }
  // The scenario file and settings read again (SIGHUP), as a trainer changes the load.
  void reload() { ::kill(static_cast<pid_t>(process_.processId()), SIGHUP); }

 private:
  QProcess process_;
  QString received_;
  QString device_;
  qsizetype seen_ = 0;
};

// A click once the button is enabled (the window enables it on the next quiet turn).
inline void clickWhenEnabled(TerminalFixture& fixture, const char* name) {
  auto* button = fixture.control<QAbstractButton>(name);
  if (!fixture.waitFor([button] { return button->isEnabled(); })) qWarning("%s stays disabled", name);
  button->click();
}
