#include "CaptureReplay.h"

#include "link/LinkEngine.h"
#include "link/VirtualLinkDriver.h"

namespace {

constexpr qint64 RunOnAfterLastChunk = 1000;

// Keeps every screen at its frame end.
class ScreenRecorder final : public LinkOwner {
 public:
  explicit ScreenRecorder(const LinkEngine& engine) : engine_(engine) {}
  void SetDriver(const VirtualLinkDriver* driver) { driver_ = driver; }
  void SendKey(uint8_t) override {}
  void FrameEnding(const InstrumentScreen& screen) override {
    ReplayedScreen entry;
    entry.time = driver_ ? driver_->Now() : 0;
    for (int row = 0; row < InstrumentScreen::Rows; ++row) entry.rows[row] = screen.Text(row);
    entry.recognition = engine_.Recognition();
    screens.append(entry);
  }
  QList<ReplayedScreen> screens;

 private:
  const LinkEngine& engine_;
  const VirtualLinkDriver* driver_ = nullptr;
};

QByteArray JsonString(const QString& text) {
  QByteArray out = "\"";
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += QStringLiteral("\\u%1").arg(static_cast<int>(c), 4, 16, QChar(u'0')).toLatin1();
    } else {
      out += QString(ch).toUtf8();
    }
  }
  return out + '"';
}

QByteArray JsonFlag(bool flag) { return flag ? "1" : "0"; }

template <std::size_t N>
QByteArray JsonStrings(const std::array<QString, N>& texts) {
  QByteArrayList items;
  for (const QString& text : texts) items.append(JsonString(text));
  return '[' + items.join(',') + ']';
}

QByteArray ScreenJson(const ReplayedScreen& screen) {
  const ScreenRecognition& r = screen.recognition;
  return "{\"t\":" + QByteArray::number(screen.time) + ",\"rows\":" + JsonStrings(screen.rows) +
         ",\"ValueScreen\":" + JsonFlag(r.ValueScreen) +
         ",\"ScreenMode\":" + QByteArray::number(r.ScreenMode) +
         ",\"ErrorPage14\":" + JsonFlag(r.ErrorPage14) + ",\"ErrorPage58\":" + JsonFlag(r.ErrorPage58) +
         ",\"PowerScreen\":" + JsonFlag(r.PowerScreen) + '}';
}

}  // namespace

bool ReadCapture(QIODevice& device, QList<CaptureChunk>& chunks, QString& error) {
  qint64 lineNumber = 0;
  while (!device.atEnd()) {
    QByteArray line = device.readLine();
    ++lineNumber;
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    CaptureChunk chunk;
    QString why;
    const CaptureLine kind = ParseCaptureLine(line, chunk, why);
    if (kind == CaptureLine::Ignored) continue;
    if (kind == CaptureLine::Chunk && !chunks.isEmpty() && chunk.time < chunks.last().time) {
      why = QStringLiteral("time %1 ms is before the previous chunk's %2 ms")
                .arg(chunk.time)
                .arg(chunks.last().time);
    } else if (kind == CaptureLine::Chunk) {
      chunks.append(chunk);
      continue;
    }
    error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
    return false;
  }
  return true;
}

ReplayResult ReplayCapture(const QList<CaptureChunk>& chunks) {
  ReplayResult result;
  LinkEngine engine(result.measured);
  ScreenRecorder recorder(engine);
  VirtualLinkDriver driver(engine, &recorder);
  recorder.SetDriver(&driver);

  engine.ResetTerminal();
  engine.IdleTurn();
  for (const CaptureChunk& chunk : chunks) {
    driver.AdvanceTo(chunk.time);
    driver.Feed(chunk.bytes);
  }
  driver.AdvanceTo((chunks.isEmpty() ? 0 : chunks.last().time) + RunOnAfterLastChunk);

  result.screens = recorder.screens;
  result.led14 = engine.Leds().page14Lit;
  result.led58 = engine.Leds().page58Lit;
  return result;
}

QByteArray ReplayJson(const ReplayResult& result) {
  QByteArrayList screens;
  for (const ReplayedScreen& screen : result.screens) screens.append(ScreenJson(screen));
  const MeasuredValues& m = result.measured;
  return "{\"screens\":[" + screens.join(',') +
         "],\"measured\":{\"PhaseVoltageText\":" + JsonStrings(m.PhaseVoltageText) +
         ",\"PhaseCurrentText\":" + JsonStrings(m.PhaseCurrentText) +
         ",\"PowerFactorText\":" + JsonString(m.PowerFactorText) +
         ",\"MeterErrorText\":" + JsonStrings(m.MeterErrorText) +
         "},\"leds\":{\"L14\":" + JsonFlag(result.led14) + ",\"L58\":" + JsonFlag(result.led58) + "}}";
}
