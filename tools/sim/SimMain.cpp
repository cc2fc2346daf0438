// vt3417-sim: plays the instrument ВТ3417 on a pseudo-terminal for tests,
// demonstrations and operator training. Prints the device to open as the
// serial port and serves the program until it is stopped.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "PtyLine.h"
#include "SimInstrument.h"
#include "SimScenario.h"
#include "common/ToolCommandLine.h"
#include "link/CaptureFormat.h"
#include "link/PortNames.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_reload = 0;
void requestStop(int) { g_stop = 1; }
void requestReload(int) { g_reload = 1; }

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = requestStop;  // no SA_RESTART: poll() returns at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  struct sigaction reload {};
  reload.sa_handler = requestReload;
  sigaction(SIGHUP, &reload, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int fail(const QString& message) {
  std::fprintf(stderr, "vt3417-sim: %s\n", qUtf8Printable(message));
  return 1;
}

void log(SimInstrument& instrument) {
  for (const QString& line : instrument.takeLog())
    std::fprintf(stderr, "vt3417-sim: %s\n", qUtf8Printable(line));
}

bool buildScenario(const QCommandLineParser& options, SimScenario& scenario, QString& error) {
  if (options.isSet(QStringLiteral("scenario")) &&
      !scenario.load(options.value(QStringLiteral("scenario")), error)) {
    return false;
  }
  for (const QString& setting : options.values(QStringLiteral("set"))) {
    const qsizetype equals = setting.indexOf(u'=');
    if (equals <= 0) {
      error = QStringLiteral("--set expects key=value, got \"%1\"").arg(setting);
      return false;
    }
    if (!scenario.set(setting.left(equals).trimmed(), setting.mid(equals + 1), error)) return false;
  }
  return true;
}

// The run's length in milliseconds (0: until stopped); nothing for a text that
// is no such length. A run longer than the longest capture could not be
// replayed, and nan, inf or 1e300 have no count of milliseconds.
std::optional<qint64> durationMs(const QString& text) {
  bool ok = false;
  const double seconds = text.toDouble(&ok);
  if (!ok || !(seconds >= 0 && seconds * 1000 <= double(kLongestCaptureMs))) return std::nullopt;
  return static_cast<qint64>(std::ceil(seconds * 1000));
}

// Serve the terminal until stopped or `durationMs` (0: no limit) has passed.
// Every byte received from the program is appended to `received` if open;
// SIGHUP calls `reload` (the trainer changed the load). Returns why it
// stopped early: a capture or a received file that could not be written;
// empty otherwise.
QString serve(PtyLine& line, SimInstrument& instrument, int refreshMs, qint64 durationMs, QFile& received,
              const std::function<void()>& reload) {
  qint64 nextRefresh = line.elapsedMs() + refreshMs;
  while (!g_stop && (durationMs == 0 || line.elapsedMs() < durationMs)) {
    if (!line.captureError().isEmpty()) return line.captureError();
    if (g_reload) {
      g_reload = 0;
      reload();
    }
    const int wait = static_cast<int>(qBound(qint64{0}, nextRefresh - line.elapsedMs(), qint64{refreshMs}));
    switch (line.waitForInput(wait)) {
      case PtyLine::Wait::Data: {
        const QByteArray keys = line.readInput();
        if (keys.isEmpty()) {  // the terminal closed its end meanwhile
          instrument.disconnect();
          usleep(20000);
        }
        if (received.isOpen() && !appendToFile(received, keys))
          return QStringLiteral("cannot write %1: %2").arg(received.fileName(), received.errorString());
        for (const char key : keys) {
          const QByteArray reply = instrument.key(static_cast<uint8_t>(key));
          if (!reply.isEmpty()) nextRefresh = line.elapsedMs() + refreshMs;
          line.send(reply);
        }
        log(instrument);
        break;
      }
      case PtyLine::Wait::NoTerminal:
        instrument.disconnect();
        usleep(20000);
        break;
      case PtyLine::Wait::Timeout:
      case PtyLine::Wait::Interrupted:
        break;
    }
    if (line.elapsedMs() >= nextRefresh) {
      line.send(instrument.refresh());
      nextRefresh = line.elapsedMs() + refreshMs;
    }
  }
  return line.captureError();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral(
      "Plays the instrument VT3417 on a pseudo-terminal. Prints the device path, then serves until stopped.\n"
      "Scenario keys: nominal_voltage, nominal_current, voltage (1 or 3 values), current (1 or 3 values),\n"
      "current_unit (auto|a|ma), power_factor, power_factor_decimals (1..3), angle, power,\n"
      "errors (8 values, \"-\" for no meter), noise, error_noise, seed, refresh_ms.\n"
      "SIGHUP reads the scenario file and the --set settings again (refresh_ms stays)."));
  options.addOptions({
      {QStringLiteral("scenario"), QStringLiteral("Scenario file of \"key = value\" lines."),
       QStringLiteral("file")},
      {QStringLiteral("set"), QStringLiteral("One scenario setting (repeatable)."),
       QStringLiteral("key=value")},
      {QStringLiteral("program-dir"),
       QStringLiteral("Write the device into <dir>/sources/ports.ini (the folder sources must exist)."),
       QStringLiteral("dir")},
      {QStringLiteral("port"), QStringLiteral("The port name written there: Com1 (default) or Com2."),
       QStringLiteral("name"), QStringLiteral("Com1")},
      {QStringLiteral("capture"),
       QStringLiteral("Record everything sent, in the format of vt3417-replay (stops when it cannot)."),
       QStringLiteral("file")},
      {QStringLiteral("duration"), QStringLiteral("Stop after this many seconds (at most 604800, 7 days)."),
       QStringLiteral("seconds")},
      {QStringLiteral("received"),
       QStringLiteral("Append every byte received from the program to this file."), QStringLiteral("file")},
  });
  if (const std::optional<int> exitCode = tool_command_line::parse(options, app, 0)) return *exitCode;

  SimScenario scenario;
  QString error;
  if (!buildScenario(options, scenario, error)) return fail(error);
  const QString port = options.value(QStringLiteral("port"));
  if (port.compare(u"Com1", Qt::CaseInsensitive) != 0 && port.compare(u"Com2", Qt::CaseInsensitive) != 0) {
    return fail(QStringLiteral("--port must be Com1 or Com2"));
  }
  const std::optional<qint64> duration = options.isSet(QStringLiteral("duration"))
                                             ? durationMs(options.value(QStringLiteral("duration")))
                                             : std::optional<qint64>(0);
  if (!duration)
    return tool_command_line::usageError(options,
                                         QStringLiteral("--duration expects seconds from 0 to %1, got \"%2\"")
                                             .arg(kLongestCaptureMs / 1000)
                                             .arg(options.value(QStringLiteral("duration"))));
  // The program directory is the program's: the simulator only enters its port there.
  const QDir programDir(options.value(QStringLiteral("program-dir")));
  if (options.isSet(QStringLiteral("program-dir")) &&
      !QFileInfo(programDir.filePath(QStringLiteral("sources"))).isDir()) {
    return fail(QStringLiteral("%1 is not a program directory: it has no sources folder")
                    .arg(options.value(QStringLiteral("program-dir"))));
  }

  PtyLine line;
  if (!line.open(error)) return fail(error);
  if (options.isSet(QStringLiteral("capture")) &&
      !line.startCapture(options.value(QStringLiteral("capture")), error)) {
    return fail(error);
  }
  if (options.isSet(QStringLiteral("program-dir"))) {
    const QString portName =
        port.compare(u"Com1", Qt::CaseInsensitive) == 0 ? QStringLiteral("Com1") : QStringLiteral("Com2");
    const QString ini = programDir.filePath(QStringLiteral("sources/ports.ini"));
    if (!writePortDevice(ini, portName, line.devicePath()))
      return fail(QStringLiteral("cannot write %1").arg(ini));
  }
  QFile received(options.value(QStringLiteral("received")));
  if (options.isSet(QStringLiteral("received")) && !received.open(QIODevice::WriteOnly | QIODevice::Append)) {
    return fail(QStringLiteral("cannot write %1: %2").arg(received.fileName(), received.errorString()));
  }
  std::printf("%s\n", qUtf8Printable(line.devicePath()));
  std::fflush(stdout);

  installSignalHandlers();
  SimInstrument instrument(scenario);
  // The scenario file and the settings again; a broken file keeps what is measured.
  const auto reload = [&] {
    SimScenario fresh;
    QString why;
    if (!buildScenario(options, fresh, why)) {
      std::fprintf(stderr, "vt3417-sim: %s (scenario kept)\n", qUtf8Printable(why));
      return;
    }
    scenario = fresh;
    std::fprintf(stderr, "vt3417-sim: scenario read again\n");
  };
  const QString stopped = serve(line, instrument, scenario.refreshMs, *duration, received, reload);
  return stopped.isEmpty() ? 0 : fail(stopped);
}
