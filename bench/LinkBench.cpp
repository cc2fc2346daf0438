// Throughput of the link engine: decoding, recognition and parsing of a
// realistic display stream, on one core. Run by hand: bench_link [megabytes]
#include <cstdio>
#include <ctime>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include "link/Koi7.h"
#include "link/LinkEngine.h"
#include "settings/Cp1251.h"

namespace {

// The line: 9600 baud, 11 bits per character (start, 7 data, parity, 2 stop).
constexpr double LineBytesPerSecond = 9600.0 / 11;

QByteArray koi7(const QString& text) {
  QByteArray bytes = cp1251::encode(text);
  for (char& byte : bytes) byte = static_cast<char>(koi7Code(static_cast<uint8_t>(byte)));
  return bytes;
}

QByteArray screen(const QString& row0, const QString& row1, const QString& row2) {
  QByteArray bytes("\x1bH\x1bJ\x07", 5);
  const QString rows[] = {row0, row1, row2};
  for (int row = 0; row < 3; ++row)
    bytes += QByteArray("\x1bY") + char(32 + row) + char(32) + koi7(rows[row]);
  return bytes;
}

// One round of the instrument's screens, as a measurement session shows them,
// ending on an error page.
QByteArray sessionRound() {
  QByteArray round;
  round += screen("Ф1  220.12 В", "Ф2  219.87 В", "Ф3  220.40 В");
  round += screen("Ф1  5.0012 А", "Ф2  4.9987 А", "Ф3  5.0003 А");
  round += screen("Ф1  500.12 МА", "Ф2  499.87 МА", "Ф3  500.03 МА");
  round += screen("УГОЛ  30.00 ГРАД", "   КМ  0.866", "");
  round += screen("МОЩН. АКТИВНАЯ", "3 ФАЗА", "Р     3300.00 ВТ");
  round += QByteArray("\x1bH\x1bJ\x07", 5) + koi7("МОЩНОСТЬ     1\r\nЭНЕРГИЯ      2\r\nОПР.ПОГРЕШН. 3 >");
  round += screen("ПОГРЕШН.  1-4 %", "   0.120  0.310 ", "  -0.050 -0.270 ");
  round += screen("ПОГРЕШН.  5-8 %", "   0.080  0.220 ", "  -0.140 -0.090 ");
  return round;
}

class QuietOwner final : public LinkOwner {
 public:
  void sendKey(uint8_t) override {}
  void screenChanged() override { ++screens; }
  void controlsChanged() override { ++controls; }
  long screens = 0;
  long controls = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int megabytes = argc > 1 ? QByteArray(argv[1]).toInt() : 64;
  const QByteArray round = sessionRound();
  const qint64 rounds = qMax<qint64>(1, megabytes * 1000000LL / round.size());

  MeasuredValues values;
  LinkEngine engine(values);
  QuietOwner owner;
  engine.setOwner(&owner);
  engine.resetTerminal();

  // CPU time of this process: the figure for one core, whatever else the machine runs.
  const std::clock_t cpuStart = std::clock();
  QElapsedTimer timer;
  timer.start();
  for (qint64 i = 0; i < rounds; ++i) {
    for (const char byte : round) engine.byteArrived(static_cast<uint8_t>(byte));
    // The line falls quiet on the error page: the watchdog reads it.
    engine.idleTurn();
    engine.timerFired(LinkTimer::Watchdog);
  }
  const double wallSeconds = timer.nsecsElapsed() / 1e9;
  const double seconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double bytes = static_cast<double>(rounds) * round.size();
  const double bytesPerSecond = bytes / seconds;

  std::printf("bytes decoded:   %.0f (%lld rounds of %lld bytes, 8 screens each)\n", bytes,
              static_cast<long long>(rounds), static_cast<long long>(round.size()));
  std::printf("time:            %.3f s CPU (%.3f s wall)\n", seconds, wallSeconds);
  std::printf("throughput:      %.1f MB/s on one core (%.1f MB/s wall)\n", bytesPerSecond / 1e6,
              bytes / wallSeconds / 1e6);
  std::printf("line rate:       %.0f bytes/s (9600 baud 7O2)\n", LineBytesPerSecond);
  std::printf("ratio:           %.0f x the line rate\n", bytesPerSecond / LineBytesPerSecond);
  std::printf("check:           U1 %s, I1 %s, KM %s, meter 8 \"%s\"\n",
              qPrintable(values.phaseVoltageText[0]), qPrintable(values.phaseCurrentText[0]),
              qPrintable(values.powerFactorText), qPrintable(values.meterErrorText[7]));
  return bytesPerSecond >= 10e6 ? 0 : 1;
}
