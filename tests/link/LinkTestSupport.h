#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "link/InstrumentScreen.h"
#include "link/Koi7.h"
#include "link/LinkEngine.h"
#include "settings/Cp1251.h"

// Builders of the instrument's display stream for the link tests.
namespace stream {

// Text as the instrument sends it: Cyrillic capitals in their 7-bit codes.
inline QByteArray Text(const QString& text) {
  QByteArray bytes = cp1251::encode(text);
  for (char& byte : bytes) byte = static_cast<char>(Koi7Code(static_cast<uint8_t>(byte)));
  return bytes;
}
inline QByteArray At(int row, int column) {
  return QByteArray("\x1bY") + static_cast<char>(32 + row) + static_cast<char>(32 + column);
}
inline QByteArray FrameEnd() { return QByteArray("\x1bH\x1bJ\x07", 5); }
// A fresh screen: the frame end closing the previous one, then the rows placed by ESC Y.
inline QByteArray Screen(const QString& row0, const QString& row1 = {}, const QString& row2 = {}) {
  return FrameEnd() + At(0, 0) + Text(row0) + At(1, 0) + Text(row1) + At(2, 0) + Text(row2);
}

}  // namespace stream

// Every byte decoded on its own turn.
inline void Feed(LinkEngine& engine, const QByteArray& bytes) {
  for (const char byte : bytes) engine.ByteArrived(static_cast<uint8_t>(byte));
}

// A screen row without its trailing spaces.
inline QString RowText(const InstrumentScreen& screen, int row) {
  QString text = screen.Text(row);
  while (text.endsWith(u' ')) text.chop(1);
  return text;
}

// Puts `rows` straight into the screen and runs the recognition (no stream).
inline void ShowRows(LinkEngine& engine, const QString& row0, const QString& row1 = {},
                     const QString& row2 = {}) {
  engine.Screen().Clear();
  engine.Decoder().Reset();
  Feed(engine, stream::At(0, 0) + stream::Text(row0) + stream::At(1, 0) + stream::Text(row1) +
                   stream::At(2, 0) + stream::Text(row2));
}

// An owner that records what the engine asks for.
class RecordingOwner : public LinkOwner {
 public:
  void SendKey(uint8_t key) override { sent.append(static_cast<char>(key)); }
  void ClosePort() override { events << QStringLiteral("ClosePort"); }
  void OpenPort() override { events << QStringLiteral("OpenPort"); }
  void ApplyPortChoice() override { events << QStringLiteral("ApplyPortChoice"); }
  void RunSave() override { events << QStringLiteral("RunSave"); }
  void FrameEnding(const InstrumentScreen& screen) override { frames.append(screen); }
  void ControlsChanged() override { ++controlsChanges; }
  void ScreenChanged() override { ++screenChanges; }

  QByteArray sent;
  QStringList events;
  QList<InstrumentScreen> frames;
  int controlsChanges = 0;
  int screenChanges = 0;
};
