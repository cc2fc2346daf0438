#include <QTest>

#include "LinkTestSupport.h"
#include "support/TestRegistry.h"

using namespace stream;

class DecoderTest : public QObject {
  Q_OBJECT
 private slots:
  void decode_data();
  void decode();
  void frameEndParsesThenClears();
  void koi7Mapping_data();
  void koi7Mapping();
  void eraseHoldKeepsMirrorButNotCursor();
  void outsideGridIsNeverWritten();
};

void DecoderTest::decode_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("rows");
  QTest::addColumn<int>("cursorRow");
  QTest::addColumn<int>("cursorColumn");

  QTest::newRow("CR moves down, LF to column 0")
      << QByteArray("AB\r\nCD") << QStringList{"AB", "CD", ""} << 1 << 2;
  QTest::newRow("CR alone keeps the column")
      << QByteArray("AB\rCD") << QStringList{"AB", "  CD", ""} << 1 << 4;
  QTest::newRow("LF alone returns on the same row")
      << QByteArray("ABC\nX") << QStringList{"XBC", "", ""} << 0 << 1;
  QTest::newRow("Ф..В line: CR returns to its start")
      << text("Ф1 220 В") + "\r" + text("Ф1 221") << QStringList{"Ф1 221 В", "", ""} << 0 << 6;
  QTest::newRow("Ф line not ending in В moves down")
      << text("Ф1 5 А") + "\r" + "X" << QStringList{"Ф1 5 А", "      X", ""} << 1 << 7;
  QTest::newRow("В line not starting with Ф moves down")
      << text("U 220 В") + "\r" << QStringList{"U 220 В", "", ""} << 1 << 7;
  QTest::newRow("CR at column 0 moves down") << text("Ф") + "\r\n\r" << QStringList{"Ф", "", ""} << 2 << 0;
  QTest::newRow("ESC Y 33 37 is row 1 column 5")
      << QByteArray("\x1bY!%Z") << QStringList{"", "     Z", ""} << 1 << 6;
  QTest::newRow("text after frame end dropped until BEL")
      << QByteArray("\x1bH\x1bJ") + "AB\r\nC" + "\x07" + "D" << QStringList{"D", "", ""} << 0 << 1;
  QTest::newRow("ESC K holds until H or Y")
      << QByteArray("\x1bKABC\x1bY  D") << QStringList{"D", "", ""} << 0 << 1;
  QTest::newRow("lone ESC then Y addresses")
      << QByteArray("A\x1bY\"\"B") << QStringList{"A", "", "  B"} << 2 << 3;
  QTest::newRow("coordinate 27 advances the frame sequence instead")
      << QByteArray("\x1bY\x1b") + "HX" << QStringList{"", "", ""} << 56 << 0;
  QTest::newRow("BEL outside the sequence is stored")
      << QByteArray("A\x07") << QStringList{"A\x07", "", ""} << 0 << 2;
  QTest::newRow("other control bytes are stored")
      << QByteArray("\x01\x7f") << QStringList{"\x01\x7f", "", ""} << 0 << 2;
}

void DecoderTest::decode() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, rows);
  QFETCH(int, cursorRow);
  QFETCH(int, cursorColumn);
  LinkEngine engine;
  engine.resetTerminal();
  feed(engine, bytes);
  for (int row = 0; row < 3; ++row) QCOMPARE(rowText(engine.screen(), row), rows[row]);
  QCOMPARE(engine.decoder().cursorRow, cursorRow);
  QCOMPARE(engine.decoder().cursorColumn, cursorColumn);
}

void DecoderTest::frameEndParsesThenClears() {
  MeasuredValues values;
  LinkEngine engine(values);
  RecordingOwner owner;
  engine.setOwner(&owner);
  engine.resetTerminal();
  feed(engine, at(0, 0) + text("Ф1  220.5  В") + at(1, 0) + text("Ф2  219.0  В") + at(2, 4) + "221");
  QVERIFY(values.phaseVoltageText[0].isEmpty());  // nothing is read before the frame ends

  feed(engine, frameEnd());
  QCOMPARE(owner.frames.size(), 1);
  QCOMPARE(rowText(owner.frames.front(), 0), QStringLiteral("Ф1  220.5  В"));
  QCOMPARE(values.phaseVoltageText, (std::array<QString, 3>{"220.5", "219.0", "221"}));
  QVERIFY(engine.screen() == InstrumentScreen());
  QCOMPARE(engine.decoder().cursorRow, 0);
  QCOMPARE(engine.decoder().cursorColumn, 0);
  QCOMPARE(engine.decoder().frameSeq, 0);
}

void DecoderTest::koi7Mapping_data() {
  QTest::addColumn<int>("received");
  QTest::addColumn<int>("stored");
  QTest::newRow("96 is Ю") << 96 << 222;
  QTest::newRow("97 is А") << 97 << 192;
  QTest::newRow("102 is Ф") << 102 << 212;
  QTest::newRow("113 is Я") << 113 << 223;
  QTest::newRow("119 is В") << 119 << 194;
  QTest::newRow("126 is Ч") << 126 << 215;
  QTest::newRow("127 unchanged") << 127 << 127;
  QTest::newRow("95 unchanged") << 95 << 95;
  QTest::newRow("200 unchanged") << 200 << 200;
}

void DecoderTest::koi7Mapping() {
  QFETCH(int, received);
  QFETCH(int, stored);
  LinkEngine engine;
  engine.byteArrived(static_cast<uint8_t>(received));
  QCOMPARE(engine.screen().at(0, 0), stored);
  // The simulator's encoding is the inverse for every capital but Ъ.
  if (received >= 96 && received <= 126) QCOMPARE(koi7Code(static_cast<uint8_t>(stored)), received);
}

void DecoderTest::eraseHoldKeepsMirrorButNotCursor() {
  LinkEngine engine;
  feed(engine, "12");
  engine.decoder().eraseHold = true;
  feed(engine, "3" + at(1, 2) + "4\r\n");
  QCOMPARE(rowText(engine.screen(), 0), QStringLiteral("12"));
  QCOMPARE(rowText(engine.screen(), 1), QString());
  QCOMPARE(engine.decoder().cursorRow, 2);
  QCOMPARE(engine.decoder().cursorColumn, 0);
  engine.screen().set(0, 0, 'X');
  feed(engine, frameEnd());
  QCOMPARE(engine.screen().at(0, 0), ' ');
}

// A character addressed beyond the grid is dropped; the cursor keeps its
// arithmetic and the next ESC Y or frame end recovers.
void DecoderTest::outsideGridIsNeverWritten() {
  LinkEngine engine;
  feed(engine, at(1, 0) + QByteArray(20, 'X'));
  QCOMPARE(rowText(engine.screen(), 1), QString(17, u'X'));
  QCOMPARE(rowText(engine.screen(), 2), QString());
  QCOMPARE(engine.decoder().cursorColumn, 20);

  feed(engine, "\r\r\r\rY");  // rows 2..5
  QCOMPARE(engine.decoder().cursorRow, 5);
  QCOMPARE(rowText(engine.screen(), 2), QString());

  feed(engine, QByteArray("\x1bY") + char(0x10) + char(0x05) + "Z");  // row and column wrap below 0
  QCOMPARE(engine.decoder().cursorRow, 240);
  QCOMPARE(engine.decoder().cursorColumn, 230);

  feed(engine, at(2, 16) + "QR");
  QCOMPARE(engine.screen().at(2, 16), 'Q');
  QCOMPARE(rowText(engine.screen(), 0), QString());
  QCOMPARE(engine.decoder().cursorColumn, 18);
  // The engine's reads left of the cursor stay inside the grid as well.
  engine.decoder().cursorRow = 200;
  feed(engine, "\r");
  engine.pressErase();
  QCOMPARE(engine.decoder().eraseHold, false);
}

VT3417_REGISTER_TEST(DecoderTest)
#include "DecoderTest.moc"
