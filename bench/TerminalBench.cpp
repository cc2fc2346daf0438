// bench_terminal: the terminal window on a pseudo-terminal whose other end
// this program plays as the instrument.
//
//   QT_QPA_PLATFORM=offscreen bench_terminal [seconds]
//
// 1. CPU time of the whole process while the window is open, the port
//    connected and the instrument silent (target: at most 1 % of one core).
// 2. Latency from a byte written by the instrument to its character on the
//    mirror: label text set, and label painted (target: median within 10 ms).
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include "database/DataModule.h"
#include "link/PortNames.h"
#include "link/TerminalWindow.h"
#include "settings/ProgramDir.h"
#include "ui/Selection.h"

namespace {

using Clock = std::chrono::steady_clock;

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A local loop: QCoreApplication::quit() would also close the windows.
void runEventLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void report(const char* what, std::vector<double> samples) {
  if (samples.empty()) {
    std::printf("%-28s no samples\n", what);
    return;
  }
  std::sort(samples.begin(), samples.end());
  const auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
  std::printf("%-28s n=%zu median %.3f ms, p90 %.3f ms, max %.3f ms\n", what, samples.size(), at(0.5),
              at(0.9), samples.back());
}

// Notes how long after the byte was written the changed row is painted.
class PaintWatch : public QObject {
 public:
  std::optional<Clock::time_point> pendingSince;  // the byte's time, until painted
  std::vector<double> latency;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && pendingSince) {
      latency.push_back(milliseconds(Clock::now() - *pendingSince));
      pendingSince.reset();
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int cpuSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;

  QTemporaryDir programDir;
  QDir(programDir.path()).mkpath(QStringLiteral("sources"));
  QDir::setCurrent(programDir.path());
  setProgramDir(programDir.path());

  int master = -1, slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  writePortDevice(programPath(QStringLiteral("sources/ports.ini")), QStringLiteral("Com1"),
                  QString::fromLocal8Bit(name));

  QDir(programDir.path()).mkpath(QStringLiteral("base"));
  DataModule dm;
  if (!dm.openTables().isEmpty()) qFatal("the database could not be prepared");
  Selection selection;
  auto terminal = std::make_unique<TerminalWindow>(dm, selection, nullptr);
  terminal->beginMeasurement();
  QElapsedTimer activation;
  activation.start();
  while (terminal->loop().suspended() && activation.elapsed() < 5000) QApplication::processEvents();
  if (!terminal->line().connected() || terminal->loop().suspended()) {
    std::fprintf(stderr, "bench_terminal: the window did not open or activate\n");
    return 1;
  }
  runEventLoopFor(500);
  char drain[64];
  while (read(master, drain, sizeof drain) > 0) {
  }

  // 1. Silent instrument.
  const qint64 stepsBefore = terminal->loop().stepCount();
  const double cpuBefore = processCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  runEventLoopFor(cpuSeconds * 1000);
  const double cpu = processCpuSeconds() - cpuBefore;
  const double seconds = wall.elapsed() / 1000.0;
  std::printf("silent instrument: %.1f s, CPU %.3f s = %.2f %% of one core, %.0f loop turns/s\n", seconds,
              cpu, 100 * cpu / seconds, (terminal->loop().stepCount() - stepsBefore) / seconds);

  // 2. One character at a time, with quiet gaps between them.
  auto* row = terminal->findChild<QLabel*>(QStringLiteral("displayLine1"));
  PaintWatch paints;
  row->installEventFilter(&paints);
  std::vector<double> textLatency;
  Clock::time_point written;
  int column = 0;
  QChar expected;
  bool waiting = false;
  QObject::connect(terminal.get(), &TerminalWindow::screenShown, row, [&] {
    if (waiting && row->text().at(column) == expected) {
      textLatency.push_back(milliseconds(Clock::now() - written));
      waiting = false;
      paints.pendingSince = written;
    }
  });
  QEventLoop sampling;
  QTimer sampler;
  int samples = 0;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    if (samples == 300) {
      sampling.quit();
      return;
    }
    column = samples % 17;
    // Every round writes other digits, so that every sample changes the row.
    const char digit = static_cast<char>('0' + (column + samples / 17) % 10);
    const char sequence[] = {27, 'Y', 32, static_cast<char>(32 + column), digit};
    // The cursor address goes first; the measured byte follows on its own.
    if (write(master, sequence, 4) != 4) return;
    QTimer::singleShot(5, row, [&, ch = sequence[4]] {
      expected = QChar(ch);
      written = Clock::now();
      waiting = true;
      if (write(master, &ch, 1) != 1) waiting = false;
      ++samples;
    });
  });
  sampler.start(40);
  sampling.exec();
  report("byte to mirror text:", textLatency);
  report("byte to mirror painted:", paints.latency);

  terminal->close();
  terminal.reset();
  close(master);
  close(slave);
  return 0;
}
