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
  QTest::newRow("point") << EngineAction([](LinkEngine& e) { e.pressPoint(); }) << QByteArray(".")
                         << false;
  QTest::newRow("minus") << EngineAction([](LinkEngine& e) { e.pressMinus(); }) << QByteArray("\x11")
                         << true;
  QTest::newRow("ВШ") << EngineAction([](LinkEngine& e) { e.pressCursorBack(); }) << QByteArray("\x08")
                      << true;
  QTest::newRow("ВВ") << EngineAction([](LinkEngine& e) { e.pressEnterKey(); }) << QByteArray("\r")
                      << false;
  QTest::newRow("ЗБ") << EngineAction([](LinkEngine& e) { e.pressErase(); }) << QByteArray("\x7f")
                      << false;
  QTest::newRow("Ctrl+N") << EngineAction([](LinkEngine& e) { e.pressCtrlN(); }) << QByteArray("\x0e")
                          << false;
  QTest::newRow("Ctrl+O") << EngineAction([](LinkEngine& e) { e.pressCtrlO(); }) << QByteArray("\x0f")
                          << false;
  QTest::newRow("I disabled") << EngineAction([](LinkEngine& e) { e.pressCurrentMode(); }) << QByteArray()
                              << false;
  QTest::newRow("KM disabled") << EngineAction([](LinkEngine& e) { e.pressPowerFactorMode(); }) << QByteArray()
                               << false;
}

void KeypadQueueTest::keyBytes() {
  QFETCH(EngineAction, action);
  QFETCH(bool, leavesScreen);
  LinkEngine engine;
  RecordingOwner owner;
  engine.SetOwner(&owner);
  engine.ResetTerminal();
  engine.Flags().EnterLock = 1;
  engine.Leds().page14Lit = true;
  engine.Decoder().EraseHold = true;
  action(engine);
  QTEST(owner.sent, "bytes");
  QCOMPARE(engine.Flags().EnterLock, leavesScreen ? 0 : 1);
  QCOMPARE(engine.Leds().LedArm, !leavesScreen);
  if (!owner.sent.isEmpty() && owner.sent != "\x0e" && owner.sent != "\x0f" && owner.sent != "\x7f") {
    QVERIFY(!engine.Decoder().EraseHold);  // every sent key but these clears the echo hold
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
  engine.SetOwner(&owner);
  LinkControls& c = engine.Controls();
  c.voltageModeEnabled = c.currentModeEnabled = c.powerFactorModeEnabled = c.powerModeEnabled = modeKeysEnabled;
  c.saveEnabled = c.saveOnceEnabled = modeKeysEnabled;
  engine.KeyTyped(key);
  QTEST(owner.sent, "bytes");
  QTEST(owner.events.contains(QStringLiteral("RunSave")), "saveRequested");
}

void KeypadQueueTest::queueSendsEveryKeyOnce() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.ResetTerminal();
  engine.Flags().MenuScreen = true;
  const QByteArray keys("3\r1\r2\r220\r1.6\r10\r");
  engine.Program({ProgrammingMode::Error, PowerKind::Active, keys});
  QCOMPARE(owner.sent, QByteArray("\x7f"));  // the menu shows: only ЗБ goes out at once
  owner.sent.clear();

  driver.Advance(599);
  QVERIFY(owner.sent.isEmpty());  // the first key waits for the first tick
  driver.Advance(1);
  QCOMPARE(owner.sent, keys.left(1));
  driver.Advance(600 * (keys.size() - 1));
  QCOMPARE(owner.sent, keys);
  QVERIFY(!engine.TimerEnabled(LinkTimer::KeyQueueTimer));
  driver.Advance(5000);
  QCOMPARE(owner.sent, keys);
}

void KeypadQueueTest::queueWaitsWhileBytesArrive() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.ResetTerminal();
  engine.Flags().MenuScreen = true;
  engine.Program({ProgrammingMode::Energy, PowerKind::Reactive, QByteArray("2\r2\r")});
  owner.sent.clear();

  // Several ticks pass while the instrument sends: they do not accumulate.
  engine.TimerFired(LinkTimer::KeyQueueTimer);
  for (int i = 0; i < 50; ++i) engine.ByteArrived('x');
  engine.TimerFired(LinkTimer::KeyQueueTimer);
  Feed(engine, "yyy");
  QVERIFY(owner.sent.isEmpty());
  engine.IdleTurn();
  QCOMPARE(owner.sent, QByteArray("2"));
  engine.IdleTurn();
  QCOMPARE(owner.sent, QByteArray("2"));
  engine.TimerFired(LinkTimer::KeyQueueTimer);
  engine.IdleTurn();
  QCOMPARE(owner.sent, QByteArray("2\r"));
}

void KeypadQueueTest::eraseOnEntryScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.SetOwner(&owner);
  ShowRows(engine, kEntryRows[0], kEntryRows[1], kEntryRows[2]);
  engine.pressErase();
  QCOMPARE(owner.sent, QByteArray("\x7f"));
  QCOMPARE(RowText(engine.Screen(), 2), QStringLiteral("> 1"));
  QCOMPARE(engine.Decoder().CursorColumn, 3);
  Feed(engine, "   7");  // the instrument's own echo is not written ...
  QCOMPARE(RowText(engine.Screen(), 2), QStringLiteral("> 1"));
  engine.pressDigit(5);  // ... until the next key
  Feed(engine, "5");
  QCOMPARE(RowText(engine.Screen(), 2), QStringLiteral("> 15"));

  engine.pressErase();
  engine.pressErase();
  engine.pressErase();  // ">" is not erased
  QCOMPARE(RowText(engine.Screen(), 2), QStringLiteral(">"));
  QCOMPARE(engine.Decoder().CursorColumn, 2);
}

void KeypadQueueTest::eraseOnPowerScreenLeavesMirror() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.SetOwner(&owner);
  ShowRows(engine, "МОЩН. АКТИВНАЯ", "", "Р     3300.00 ВТ");
  Feed(engine, At(1, 0) + "12");
  engine.pressErase();
  QCOMPARE(owner.sent, QByteArray("\x7f"));
  QCOMPARE(RowText(engine.Screen(), 1), QStringLiteral("12"));
  QVERIFY(!engine.Decoder().EraseHold);
}

void KeypadQueueTest::resetOnMainMenuRestartsConnection() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.ResetTerminal();
  ShowRows(engine, "МОЩНОСТЬ     1", "ЭНЕРГИЯ      2", "ОПР.ПОГРЕШН. 3 >");
  engine.IdleTurn();
  engine.Flags().EnterLock = 2;
  engine.Leds().page58Lit = true;
  owner.events.clear();

  engine.pressReset();
  QCOMPARE(owner.sent, QByteArray("\x13"));
  QCOMPARE(owner.events, (QStringList{"ClosePort", "ApplyPortChoice"}));
  QVERIFY(engine.Screen() == InstrumentScreen());
  QCOMPARE(engine.Flags().EnterLock, 0);
  QVERIFY(!engine.Flags().MenuScreen);
  QVERIFY(!engine.Leds().page58Lit);
  QVERIFY(engine.TimerEnabled(LinkTimer::ConnectTimer));

  driver.Advance(199);
  QCOMPARE(owner.events.size(), 2);
  driver.Advance(1);
  QCOMPARE(owner.events.last(), QStringLiteral("OpenPort"));
  QVERIFY(!engine.TimerEnabled(LinkTimer::ConnectTimer));
  driver.Advance(1000);
  QCOMPARE(owner.events.count(QStringLiteral("OpenPort")), 1);
}

void KeypadQueueTest::resetElsewhereOnlySends() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.SetOwner(&owner);
  ShowRows(engine, "Ф1  220.00 В");
  engine.IdleTurn();
  engine.Leds().page14Lit = true;
  engine.pressReset();
  QCOMPARE(owner.sent, QByteArray("\x13"));
  QVERIFY(owner.events.isEmpty());
  QVERIFY(!engine.Leds().page14Lit);
  QVERIFY(!engine.TimerEnabled(LinkTimer::ConnectTimer));
}

// I: "-" now, one more at the next frame end and one more once a power
// screen or an error page shows.
void KeypadQueueTest::modeKeyIPressesMinusThreeTimes() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  Feed(engine, Screen("ПОГРЕШН.  1-4", " 0.1"));
  engine.IdleTurn();
  QVERIFY(engine.Controls().currentModeEnabled);
  engine.pressCurrentMode();
  QCOMPARE(owner.sent, QByteArray("\x11"));
  QVERIFY(engine.TimerEnabled(LinkTimer::MinusTimer));

  Feed(engine, Screen("Ф1  220.00 В"));
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));  // the frame end
  driver.Advance(600);
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));  // MinusTimer waits: a voltage screen shows
  Feed(engine, Screen("МОЩН.", "", kPowerRow));
  driver.Advance(150);
  QCOMPARE(owner.sent, QByteArray("\x11\x11\x11"));
  QVERIFY(!engine.TimerEnabled(LinkTimer::MinusTimer));
  QVERIFY(!engine.Flags().MinusRepeat);
}

void KeypadQueueTest::modeKeyKMWaitsForPowerScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  Feed(engine, Screen("МОЩН.", "", kPowerRow));
  engine.IdleTurn();
  QVERIFY(engine.Controls().powerFactorModeEnabled && !engine.Controls().powerModeEnabled);
  engine.pressPowerFactorMode();
  Feed(engine, Screen("ПОГРЕШН.  5-8"));
  QCOMPARE(owner.sent, QByteArray("\x11"));
  driver.Advance(150);
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));
  driver.Advance(1000);
  QCOMPARE(owner.sent, QByteArray("\x11\x11"));
}

void KeypadQueueTest::enterOnPowerScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.SetOwner(&owner);
  ShowRows(engine, "МОЩН.", "", kPowerRow);
  engine.pressEnterKey();
  QCOMPARE(engine.Flags().EnterLock, 1);
  QVERIFY(engine.Flags().EnterOnPower);
  QCOMPARE(engine.Controls().singleSaveMayEnter, 1);
  // An error page showing clears the power-screen entry; a later power screen
  // outside a single save then resets the tag.
  Feed(engine, Screen("ПОГРЕШН.  1-4"));
  QVERIFY(!engine.Flags().EnterOnPower);
  Feed(engine, Screen("МОЩН.", "", kPowerRow));
  QCOMPARE(engine.Controls().singleSaveMayEnter, 0);
}

VT3417_REGISTER_TEST(KeypadQueueTest)
#include "KeypadQueueTest.moc"
