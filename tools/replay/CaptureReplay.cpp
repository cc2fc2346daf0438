#include "CaptureReplay.h"

#include "link/LinkEngine.h"
#include "link/VirtualLinkDriver.h"

namespace {

constexpr qint64 RunOnAfterLastChunk = 1000;

// Writes every screen at its frame end as the next item of the "screens" array.
class ScreenWriter final : public LinkOwner {
 public:
  ScreenWriter(const LinkEngine& engine, QIODevice& out) : engine_(engine), out_(out) {}
  void SetDriver(const VirtualLinkDriver* driver) { driver_ = driver; }
  void SendKey(uint8_t) override {}
  void FrameEnding(const InstrumentScreen& screen) override;

 private:
  const LinkEngine& engine_;
  QIODevice& out_;
  const VirtualLinkDriver* driver_ = nullptr;
  bool first_ = true;
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

void ScreenWriter::FrameEnding(const InstrumentScreen& screen) {
  ReplayedScreen entry;
  entry.time = driver_ ? driver_->Now() : 0;
  for (int row = 0; row < InstrumentScreen::Rows; ++row) entry.rows[row] = screen.Text(row);
  entry.recognition = engine_.Recognition();
  if (!first_) out_.write(",");
  first_ = false;
  out_.write(ScreenJson(entry));
}

bool CaptureReader::Next(CaptureChunk& chunk) {
  while (!device_.atEnd()) {
    QByteArray line = device_.readLine(kLongestLine + 2);  // room for the line end
    ++lineNumber_;
    if (line.size() > kLongestLine && !line.endsWith('\n')) {
      error_ = QStringLiteral("line %1: longer than %2 characters").arg(lineNumber_).arg(kLongestLine);
      return false;
    }
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    QString why;
    switch (ParseCaptureLine(line, chunk, why)) {
      case CaptureLine::Ignored:
        continue;
      case CaptureLine::Chunk:
        if (chunk.time >= lastTime_) {
          lastTime_ = chunk.time;
          return true;
        }
        why = QStringLiteral("time %1 ms is before the previous chunk's %2 ms").arg(chunk.time).arg(lastTime_);
        break;
      case CaptureLine::Malformed:
        break;
    }
    error_ = QStringLiteral("line %1: %2").arg(lineNumber_).arg(why);
    return false;
  }
  return false;
}

bool CheckCapture(QIODevice& device, QString& error) {
  CaptureReader reader(device);
  CaptureChunk chunk;
  while (reader.Next(chunk)) {
  }
  error = reader.Error();
  return error.isEmpty();
}

bool ReplayCapture(QIODevice& capture, QIODevice& out, QString& error) {
  MeasuredValues measured;
  LinkEngine engine(measured);
  ScreenWriter writer(engine, out);
  VirtualLinkDriver driver(engine, &writer);
  writer.SetDriver(&driver);

  out.write("{\"screens\":[");
  engine.ResetTerminal();
  engine.IdleTurn();
  CaptureReader reader(capture);
  CaptureChunk chunk;
  qint64 lastTime = 0;
  while (reader.Next(chunk)) {
    driver.AdvanceTo(chunk.time);
    driver.Feed(chunk.bytes);
    lastTime = chunk.time;
  }
  error = reader.Error();
  if (!error.isEmpty()) return false;
  driver.AdvanceTo(lastTime + RunOnAfterLastChunk);

  const MeasuredValues& m = measured;
  out.write("],\"measured\":{\"PhaseVoltageText\":" + JsonStrings(m.PhaseVoltageText) +
            ",\"PhaseCurrentText\":" + JsonStrings(m.PhaseCurrentText) +
            ",\"PowerFactorText\":" + JsonString(m.PowerFactorText) +
            ",\"MeterErrorText\":" + JsonStrings(m.MeterErrorText) +
            "},\"leds\":{\"L14\":" + JsonFlag(engine.Leds().page14Lit) +
            ",\"L58\":" + JsonFlag(engine.Leds().page58Lit) + "}}");
  return true;
}
