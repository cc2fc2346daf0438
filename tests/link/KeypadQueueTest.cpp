#include <QTest>

#include <functional>

#include "LinkTestSupport.h"
#include "link/VirtualLinkDriver.h"
#include "support/TestRegistry.h"

using namespace stream;

namespace {
const QString kPowerRow = QStringLiteral("Р     3300.00 ВТ");
const QString kEntryRows[] = {QStringLiteral("НАПРЯЖЕНИЕ, В"), QStringLiteral("46.1 ... 456"),
                              QStringLiteral("> 12")};
}  // namespace

class KeypadQueueTest : public QObject {
  Q_OBJECT
 private slots:
  void keyBytes_data();
  void keyBytes();
  void keyboard_data();
  void keyboard();
  void queueSendsEveryKeyOnce();
  void queueWaitsWhileBytesArrive();
  void eraseOnEntryScreen();
  void eraseOnPowerScreenLeavesMirror();
  void resetOnMainMenuRestartsConnection();
  void resetElsewhereOnlySends();
  void modeKeyIPressesMinusThreeTimes();
  void modeKeyKMWaitsForPowerScreen();
  void enterOnPowerScreen();
};

using EngineAction = std::function<void(LinkEngine&)>;
Q_DECLARE_METATYPE(EngineAction)

void KeypadQueueTest::keyBytes_data() {
  QTest::addColumn<EngineAction>("action");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("leavesScreen");  // "-" and ВШ reset entry lock, arming and save state
  QTest::newRow("digit 7") << EngineAction([](LinkEngine& e) { e.pressDigit(7); }) << QByteArray("7")
                           << false;
  QTest::newRow("page key 1-4") << EngineAction([](LinkEngine& e) { e.pressDigit0(); }) << QByteArray("0")
                                << false;
  QTest::newRow("page key 5-8") << EngineAction([](LinkEngine& e) { e.pressDigit1(); }) << QByteArray("1")
                                << false;
  QTest::newRow("point") << EngineAction([](LinkEngine& e) { e.pressPoint(); }) << QByteArray(".") << false;
  QTest::newRow("minus") << EngineAction([](LinkEngine& e) { e.pressMinus(); }) << QByteArray("\x11") << true;
  QTest::newRow("ВШ") << EngineAction([](LinkEngine& e) { e.pressCursorBack(); }) << QByteArray("\x08")
                      << true;
  QTest::newRow("ВВ") << EngineAction([](LinkEngine& e) { e.pressEnterKey(); }) << QByteArray("\r") << false;
  QTest::newRow("ЗБ") << EngineAction([](LinkEngine& e) { e.pressErase(); }) << QByteArray("\x7f") << false;
  QTest::newRow("Ctrl+N") << EngineAction([](LinkEngine& e) { e.pressCtrlN(); }) << QByteArray("\x0e")
                          << false;
  QTest::newRow("Ctrl+O") << EngineAction([](LinkEngine& e) { e.pressCtrlO(); }) << QByteArray("\x0f")
                          << false;
  QTest::newRow("I disabled") << EngineAction([](LinkEngine& e) { e.pressCurrentMode(); }) << QByteArray()
                              << false;
  QTest::newRow("KM disabled") << EngineAction([](LinkEngine& e) { e.pressPowerFactorMode(); })
                               << QByteArray() << false;
}

void KeypadQueueTest::keyBytes() {
  QFETCH(EngineAction, action);
  QFETCH(bool, leavesScreen);
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  engine.resetTerminal();
  engine.flags().enterLock = 1;
  engine.leds().page14Lit = true;
  engine.decoder().eraseHold = true;
  action(engine);
  QTEST(owner.sent, "bytes");
  QCOMPARE(engine.flags().enterLock, leavesScreen ? 0 : 1);
  QCOMPARE(engine.leds().ledArm, !leavesScreen);
  if (!owner.sent.isEmpty() && owner.sent != "\x0e" && owner.sent != "\x0f" && owner.sent != "\x7f") {
    QVERIFY(!engine.decoder().eraseHold);  // every sent key but these clears the echo hold
  }
}

void KeypadQueueTest::keyboard_data() {
  QTest::addColumn<QChar>("key");
  QTest::addColumn<bool>("modeKeysEnabled");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("saveRequested");
  QTest::newRow("Backspace") << QChar(8) << false << QByteArray("\x08") << false;
  QTest::newRow("Esc") << QChar(27) << false << QByteArray("\x13") << false;
  QTest::newRow("Enter") << QChar(13) << false << QByteArray("\r") << false;
  QTest::newRow("minus") << QChar(u'-') << false << QByteArray("\x11") << false;
  QTest::newRow("digit") << QChar(u'5') << false << QByteArray("5") << false;
  QTest::newRow("P disabled") << QChar(u'p') << false << QByteArray() << false;
  QTest::newRow("P enabled") << QChar(u'p') << true << QByteArray("\x11") << false;
  QTest::newRow("З as P") << QChar(u'з') << true << QByteArray("\x11") << false;
  QTest::newRow("U as ВШ") << QChar(u'u') << true << QByteArray("\x08") << false;
  QTest::newRow("Г as ВШ") << QChar(u'Г') << true << QByteArray("\x08") << false;
  QTest::newRow("K as KM") << QChar(u'л') << true << QByteArray("\x11") << false;
  QTest::newRow("S saves") << QChar(u's') << true << QByteArray() << true;
  QTest::newRow("Ы saves") << QChar(u'ы') << true << QByteArray() << true;
  QTest::newRow("S disabled") << QChar(u's') << false << QByteArray() << false;
  QTest::newRow("single save with ф") << QChar(u'ф') << true << QByteArray("\r") << false;
  QTest::newRow("other letter") << QChar(u'q') << true << QByteArray() << false;
}

void KeypadQueueTest::keyboard() {
  QFETCH(QChar, key);
  QFETCH(bool, modeKeysEnabled);
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  LinkControls& c = engine.controls();
  c.voltageModeEnabled = c.currentModeEnabled = c.powerFactorModeEnabled = c.powerModeEnabled =
      modeKeysEnabled;
  c.saveEnabled = c.saveOnceEnabled = modeKeysEnabled;
  engine.keyTyped(key);
  QTEST(owner.sent, "bytes");
  QTEST(owner.events.contains(QStringLiteral("RunSave")), "saveRequested");
}

void KeypadQueueTest::queueSendsEveryKeyOnce() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  engine.flags().menuScreen = true;
  const QByteArray keys("3\r1\r2\r220\r1.6\r10\r");
  engine.program({ProgrammingMode::Error, PowerKind::Active, keys});
  QCOMPARE(owner.sent, QByteArray("\x7f"));  // the menu shows: only ЗБ goes out at once
  owner.sent.clear();

  driver.advance(599);
  QVERIFY(owner.sent.isEmpty());  // the first key waits for the first tick
  driver.advance(1);
  QCOMPARE(owner.sent, keys.left(1));
  driver.advance(600 * (keys.size() - 1));
  QCOMPARE(owner.sent, keys);
  QVERIFY(!engine.timerEnabled(LinkTimer::KeyQueueTimer));
  driver.advance(5000);
  QCOMPARE(owner.sent, keys);
}

void KeypadQueueTest::queueWaitsWhileBytesArrive() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  engine.flags().menuScreen = true;
  engine.program({ProgrammingMode::Energy, PowerKind::Reactive, QByteArray("2\r2\r")});
  owner.sent.clear();

  // Several ticks pass while the instrument sends: they do not accumulate.
  engine.timerFired(LinkTimer::KeyQueueTimer);
  for (int i = 0; i < 50; ++i) engine.byteArrived('x');
  engine.timerFired(LinkTimer::KeyQueueTimer);
  feed(engine, "yyy");
  QVERIFY(owner.sent.isEmpty());
  engine.idleTurn();
  QCOMPARE(owner.sent, QByteArray("2"));
  engine.idleTurn();
  QCOMPARE(owner.sent, QByteArray("2"));
  engine.timerFired(LinkTimer::KeyQueueTimer);
  engine.idleTurn();
  QCOMPARE(owner.sent, QByteArray("2\r"));
}

void KeypadQueueTest::eraseOnEntryScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  showRows(engine, kEntryRows[0], kEntryRows[1], kEntryRows[2]);
  engine.pressErase();
  QCOMPARE(owner.sent, QByteArray("\x7f"));
  QCOMPARE(rowText(engine.screen(), 2), QStringLiteral("> 1"));
  QCOMPARE(engine.decoder().cursorColumn, 3);
  feed(engine, "   7");  // the instrument's own echo is not written ...
  QCOMPARE(rowText(engine.screen(), 2), QStringLiteral("> 1"));
  engine.pressDigit(5);  // ... until the next key
  feed(engine, "5");
  QCOMPARE(rowText(engine.screen(), 2), QStringLiteral("> 15"));

  engine.pressErase();
  engine.pressErase();
  engine.pressErase();  // ">" is not erased
  QCOMPARE(rowText(engine.screen(), 2), QStringLiteral(">"));
  QCOMPARE(engine.decoder().cursorColumn, 2);
}

void KeypadQueueTest::eraseOnPowerScreenLeavesMirror() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  showRows(engine, "МОЩН. АКТИВНАЯ", "", "Р     3300.00 ВТ");
  feed(engine, at(1, 0) + "12");
  engine.pressErase();
  QCOMPARE(owner.sent, QByteArray("\x7f"));
  QCOMPARE(rowText(engine.screen(), 1), QStringLiteral("12"));
  QVERIFY(!engine.decoder().eraseHold);
}

void KeypadQueueTest::resetOnMainMenuRestartsConnection() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  showRows(engine, "МОЩНОСТЬ     1", "ЭНЕРГИЯ      2", "ОПР.ПОГРЕШН. 3 >");
  engine.idleTurn();
  engine.flags().enterLock = 2;
  engine.leds().page58Lit = true;
  owner.events.clear();

  engine.pressReset();
  QCOMPARE(owner.sent, QByteArray("\x13"));
  QCOMPARE(owner.events, (QStringList{"ClosePort", "ApplyPortChoice"}));
  QVERIFY(engine.screen() == InstrumentScreen());
  QCOMPARE(engine.flags().enterLock, 0);
  QVERIFY(!engine.flags().menuScreen);
  QVERIFY(!engine.leds().page58Lit);
  QVERIFY(engine.timerEnabled(LinkTimer::ConnectTimer));

  driver.advance(199);
  QCOMPARE(owner.events.size(), 2);
  driver.advance(1);
  QCOMPARE(owner.events.last(), QStringLiteral("OpenPort"));
  QVERIFY(!engine.timerEnabled(LinkTimer::ConnectTimer));
  driver.advance(1000);
  QCOMPARE(owner.events.count(QStringLiteral("OpenPort")), 1);
}

void KeypadQueueTest::resetElsewhereOnlySends() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  showRows(engine, "Ф1  220.00 В");
  engine.idleTurn();
  engine.leds().page14Lit = true;
  engine.pressReset();
  QCOMPARE(owner.sent, QByteArray("\x13"));
  QVERIFY(owner.events.isEmpty());
  QVERIFY(!engine.leds().page14Lit);
  QVERIFY(!engine.timerEnabled(LinkTimer::ConnectTimer));
}

// I: "-" now, one more at the next frame end and one more once a power
// screen or an error page shows.
void KeypadQueueTest::modeKeyIPressesMinusThreeTimes() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  feed(engine, screen("ПОГРЕШН.  1-4", " 0.1"));
  engine.idleTurn();
  QVERIFY(engine.controls().currentModeEnabled);
  engine.pressCurrentMode();
  QCOMPARE(owner.sent, QByteArray("\x11"));
  QVERIFY(engine.timerEnabled(LinkTimer::MinusTimer));

  feed(engine, screen("Ф1  220.00 В"));
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));  // the frame end
  driver.advance(600);
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));  // MinusTimer waits: a voltage screen shows
  feed(engine, screen("МОЩН.", "", kPowerRow));
  driver.advance(150);
  QCOMPARE(owner.sent, QByteArray("\x11\x11\x11"));
  QVERIFY(!engine.timerEnabled(LinkTimer::MinusTimer));
  QVERIFY(!engine.flags().minusRepeat);
}

void KeypadQueueTest::modeKeyKMWaitsForPowerScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  feed(engine, screen("МОЩН.", "", kPowerRow));
  engine.idleTurn();
  QVERIFY(engine.controls().powerFactorModeEnabled && !engine.controls().powerModeEnabled);
  engine.pressPowerFactorMode();
  feed(engine, screen("ПОГРЕШН.  5-8"));
  QCOMPARE(owner.sent, QByteArray("\x11"));
  driver.advance(150);
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));
  driver.advance(1000);
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));
}

void KeypadQueueTest::enterOnPowerScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  showRows(engine, "МОЩН.", "", kPowerRow);
  engine.pressEnterKey();
  QCOMPARE(engine.flags().enterLock, 1);
  QVERIFY(engine.flags().enterOnPower);
  QCOMPARE(engine.controls().singleSaveMayEnter, 1);
  // An error page showing clears the power-screen entry; a later power screen
  // outside a single save then resets the tag.
  feed(engine, screen("ПОГРЕШН.  1-4"));
  QVERIFY(!engine.flags().enterOnPower);
  feed(engine, screen("МОЩН.", "", kPowerRow));
  QCOMPARE(engine.controls().singleSaveMayEnter, 0);
}

VT3417_REGISTER_TEST(KeypadQueueTest)
#include "KeypadQueueTest.moc"
