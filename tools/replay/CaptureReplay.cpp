#include "CaptureReplay.h"

#include "link/LinkEngine.h"
#include "link/VirtualLinkDriver.h"

namespace {

constexpr qint64 RunOnAfterLastChunk = 1000;

// Writes every screen at its frame end as the next item of the "screens" array.
class ScreenWriter final : public LinkOwner {
 public:
  ScreenWriter(const LinkEngine& engine, QIODevice& out) : engine_(engine), out_(out) {}
  void setDriver(const VirtualLinkDriver* driver) { driver_ = driver; }
  void sendKey(uint8_t) override {}
  void frameEnding(const InstrumentScreen& screen) override;

 private:
  const LinkEngine& engine_;
  QIODevice& out_;
  const VirtualLinkDriver* driver_ = nullptr;
  bool first_ = true;
};

QByteArray jsonString(const QString& text) {
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

QByteArray jsonFlag(bool flag) { return flag ? "1" : "0"; }

template <std::size_t N>
QByteArray jsonStrings(const std::array<QString, N>& texts) {
  QByteArrayList items;
  for (const QString& text : texts) items.append(jsonString(text));
  return '[' + items.join(',') + ']';
}

QByteArray screenJson(const ReplayedScreen& screen) {
  const ScreenRecognition& r = screen.recognition;
  return "{\"t\":" + QByteArray::number(screen.time) + ",\"rows\":" + jsonStrings(screen.rows) +
         ",\"ValueScreen\":" + jsonFlag(r.valueScreen) +
         ",\"ScreenMode\":" + QByteArray::number(r.screenMode) +
         ",\"ErrorPage14\":" + jsonFlag(r.errorPage14) + ",\"ErrorPage58\":" + jsonFlag(r.errorPage58) +
         ",\"PowerScreen\":" + jsonFlag(r.powerScreen) + '}';
}

}  // namespace

void ScreenWriter::frameEnding(const InstrumentScreen& screen) {
  ReplayedScreen entry;
  entry.time = driver_ ? driver_->now() : 0;
  for (int row = 0; row < InstrumentScreen::Rows; ++row) entry.rows[row] = screen.text(row);
  entry.recognition = engine_.recognition();
  if (!first_) out_.write(",");
  first_ = false;
  out_.write(screenJson(entry));
}

bool CaptureReader::next(CaptureChunk& chunk) {
  while (!device_.atEnd()) {
    QByteArray line = device_.readLine(kLongestLine + 2);  // room for the line end
    ++lineNumber_;
    if (line.size() > kLongestLine && !line.endsWith('\n')) {
      error_ = QStringLiteral("line %1: longer than %2 characters").arg(lineNumber_).arg(kLongestLine);
      return false;
    }
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    // Editors may put a byte-order mark before the first line.
    if (lineNumber_ == 1 && line.startsWith("\xEF\xBB\xBF")) line.remove(0, 3);
    QString why;
    switch (parseCaptureLine(line, chunk, why)) {
      case CaptureLine::Ignored:
        continue;
      case CaptureLine::Chunk:
        if (chunk.time >= lastTime_) {
          lastTime_ = chunk.time;
          return true;
        }
        why =
            QStringLiteral("time %1 ms is before the previous chunk's %2 ms").arg(chunk.time).arg(lastTime_);
        break;
      case CaptureLine::Malformed:
        break;
    }
    error_ = QStringLiteral("line %1: %2").arg(lineNumber_).arg(why);
    return false;
  }
  return false;
}

bool checkCapture(QIODevice& device, QString& error) {
  CaptureReader reader(device);
  CaptureChunk chunk;
  while (reader.next(chunk)) {
  }
  error = reader.error();
  return error.isEmpty();
}

bool replayCapture(QIODevice& capture, QIODevice& out, QString& error) {
  MeasuredValues measured;
  LinkEngine engine(measured);
  ScreenWriter writer(engine, out);
  VirtualLinkDriver driver(engine, &writer);
  writer.setDriver(&driver);

  out.write("{\"screens\":[");
  engine.resetTerminal();
  engine.idleTurn();
  CaptureReader reader(capture);
  CaptureChunk chunk;
  qint64 lastTime = 0;
  while (reader.next(chunk)) {
    driver.advanceTo(chunk.time);
    driver.feed(chunk.bytes);
    lastTime = chunk.time;
  }
  error = reader.error();
  if (!error.isEmpty()) return false;
  driver.advanceTo(lastTime + RunOnAfterLastChunk);

  const MeasuredValues& m = measured;
  out.write("],\"measured\":{\"PhaseVoltageText\":" + jsonStrings(m.phaseVoltageText) +
            ",\"PhaseCurrentText\":" + jsonStrings(m.phaseCurrentText) + ",\"PowerFactorText\":" +
            jsonString(m.powerFactorText) + ",\"MeterErrorText\":" + jsonStrings(m.meterErrorText) +
            "},\"leds\":{\"L14\":" + jsonFlag(engine.leds().page14Lit) +
            ",\"L58\":" + jsonFlag(engine.leds().page58Lit) + "}}");
  return true;
}
