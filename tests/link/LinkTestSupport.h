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
inline QByteArray text(const QString& text) {
  QByteArray bytes = cp1251::encode(text);
  for (char& byte : bytes) byte = static_cast<char>(koi7Code(static_cast<uint8_t>(byte)));
  return bytes;
}
inline QByteArray at(int row, int column) {
  return QByteArray("\x1bY") + static_cast<char>(32 + row) + static_cast<char>(32 + column);
}
inline QByteArray frameEnd() { return QByteArray("\x1bH\x1bJ\x07", 5); }
// A fresh screen: the frame end closing the previous one, then the rows placed by ESC Y.
inline QByteArray screen(const QString& row0, const QString& row1 = {}, const QString& row2 = {}) {
  return frameEnd() + at(0, 0) + text(row0) + at(1, 0) + text(row1) + at(2, 0) + text(row2);
}

}  // namespace stream

// Every byte decoded on its own turn.
inline void feed(LinkEngine& engine, const QByteArray& bytes) {
  for (const char byte : bytes) engine.byteArrived(static_cast<uint8_t>(byte));
}

// A screen row without its trailing spaces.
inline QString rowText(const InstrumentScreen& screen, int row) {
  QString text = screen.text(row);
  while (text.endsWith(u' ')) text.chop(1);
  return text;
}

// Puts `rows` straight into the screen and runs the recognition (no stream).
inline void showRows(LinkEngine& engine, const QString& row0, const QString& row1 = {},
                     const QString& row2 = {}) {
  engine.screen().clear();
  engine.decoder().reset();
  feed(engine, stream::at(0, 0) + stream::text(row0) + stream::at(1, 0) + stream::text(row1) +
                   stream::at(2, 0) + stream::text(row2));
}

// An owner that records what the engine asks for.
class RecordingOwner : public LinkOwner {
 public:
  void sendKey(uint8_t key) override { sent.append(static_cast<char>(key)); }
  void closePort() override { events << QStringLiteral("ClosePort"); }
  void openPort() override { events << QStringLiteral("OpenPort"); }
  void applyPortChoice() override { events << QStringLiteral("ApplyPortChoice"); }
  void runSave(SaveKind /*kind*/) override { events << QStringLiteral("RunSave"); }
  void frameEnding(const InstrumentScreen& screen) override { frames.append(screen); }
  void controlsChanged() override { ++controlsChanges; }
  void screenChanged() override { ++screenChanges; }

  QByteArray sent;
  QStringList events;
  QList<InstrumentScreen> frames;
  int controlsChanges = 0;
  int screenChanges = 0;
};
