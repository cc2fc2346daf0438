#include <QTest>

#include <stdexcept>

#include "LinkTestSupport.h"
#include "link/VirtualLinkDriver.h"
#include "support/TestRegistry.h"

using namespace stream;

namespace {
const QString kPowerRow = QStringLiteral("Р     3300.00 ВТ");
}

class SupervisionTest : public QObject {
  Q_OBJECT
 private slots:
  void buttonStates_data();
  void buttonStates();
  void watchdogFiresOncePerQuietPeriod();
  void singleSaveWalksBothPages();
  void singleSaveOffPowerScreenSendsEraseAtFrameEnd();
  void failingSingleSaveEndsAtOnce();
  void lostLineStopsSavingAndReopensThePort();
  void energyCount();
  void startWithoutPowerScreenDoesNothing();
  void ownerHearsOfChanges();
};

// Screen, flags and inputs → enabled states of the window's controls.
void SupervisionTest::buttonStates_data() {
  QTest::addColumn<QString>("screen");  // "power", "page", "voltage"
  QTest::addColumn<bool>("ledLit");
  QTest::addColumn<int>("enterLock");
  QTest::addColumn<bool>("saveOnceActive");
  QTest::addColumn<bool>("baseChosen");
  QTest::addColumn<int>("activeTab");
  QTest::addColumn<QString>("expected");  // voltageModeButton currentModeButton powerFactorModeButton
                                          // powerModeButton ВВ saveButton saveOnceButton as 0/1

  QTest::newRow("page read, error tab") << "page" << true << 0 << false << true << 2 << "1111111";
  QTest::newRow("page not read yet") << "page" << false << 0 << false << true << 2 << "1111100";
  QTest::newRow("power screen") << "power" << false << 0 << false << true << 2 << "1110101";
  QTest::newRow("voltage screen") << "voltage" << false << 0 << false << true << 2 << "0000100";
  QTest::newRow("other tab") << "page" << true << 0 << false << true << 1 << "1111100";
  QTest::newRow("no base") << "page" << true << 0 << false << false << 2 << "1111100";
  QTest::newRow("single save running") << "page" << true << 2 << true << true << 2 << "1111000";
  QTest::newRow("single save done, lock 2") << "page" << true << 2 << false << true << 2 << "1111001";
  QTest::newRow("ВВ on power screen, lock 1") << "page" << true << 1 << false << true << 2 << "1111110";
}

void SupervisionTest::buttonStates() {
  QFETCH(QString, screen);
  QFETCH(bool, ledLit);
  QFETCH(int, enterLock);
  QFETCH(bool, saveOnceActive);
  QFETCH(bool, baseChosen);
  QFETCH(int, activeTab);
  QFETCH(QString, expected);
  LinkEngine engine;
  if (screen == u"power") showRows(engine, "МОЩН.", "", kPowerRow);
  if (screen == u"page") showRows(engine, "ПОГРЕШН.  1-4", " 0.1");
  if (screen == u"voltage") showRows(engine, "Ф1  220.00 В");
  engine.leds().page14Lit = ledLit;
  engine.flags().enterLock = static_cast<uint8_t>(enterLock);
  engine.flags().saveOnceActive = saveOnceActive;
  engine.setBaseChosen(baseChosen);
  engine.setActiveTab(activeTab);
  engine.checkMenuAndButtons();
  const LinkControls& c = engine.controls();
  const bool states[] = {c.voltageModeEnabled, c.currentModeEnabled, c.powerFactorModeEnabled,
                         c.powerModeEnabled,   c.enterKeyEnabled,    c.saveEnabled,
                         c.saveOnceEnabled};
  QString actual;
  for (const bool state : states) actual += state ? u'1' : u'0';
  QCOMPARE(actual, expected);
}

void SupervisionTest::watchdogFiresOncePerQuietPeriod() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  int fires = 0;
  MeasuredValues& values = engine.measured();
  auto countRead = [&] {
    if (values.meterErrorText[0] == u"   0.500 ") ++fires;
    values.meterErrorText[0].clear();
  };
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.500"));
  driver.advance(249);
  countRead();
  QCOMPARE(fires, 0);
  driver.advance(1);
  countRead();
  QCOMPARE(fires, 1);
  driver.advance(5000);  // idle turns go on, the watchdog is not re-armed
  countRead();
  QCOMPARE(fires, 1);
  QCOMPARE(engine.watchdogTag(), 1);

  // Bytes every 200 ms keep it from firing; the first quiet 250 ms fires it.
  for (int i = 0; i < 5; ++i) {
    driver.advance(200);
    driver.feed(at(1, 0) + "   0.500");
  }
  countRead();
  QCOMPARE(fires, 1);
  driver.advance(250);
  countRead();
  QCOMPARE(fires, 2);
}

// Quiet periods during a single save press "0" until page 1-4 has been read,
// then "1" until page 5-8 has been read, then store once.
void SupervisionTest::singleSaveWalksBothPages() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  engine.setBaseChosen(true);
  engine.setActiveTab(LinkEngine::ErrorTab);
  driver.feed(screen("МОЩН.", "", kPowerRow));
  engine.pressEnterKey();  // ВВ on a power screen: the tag lets ЗБ follow at once
  driver.advance(300);
  owner.sent.clear();

  engine.saveOnce();
  QCOMPARE(engine.flags().enterLock, 1);
  QCOMPARE(owner.sent, QByteArray("\r"));
  driver.advance(150);  // MinusTimer: a power screen shows
  QCOMPARE(owner.sent, QByteArray("\r\x7f"));
  QVERIFY(!engine.flags().enterSaveStep);

  driver.feed(screen("МОЩН.", "", kPowerRow));  // the instrument's next refresh
  driver.advance(250);                          // quiet, page 1-4 not read: press "0"
  QCOMPARE(owner.sent, QByteArray("\r\x7f"
                                  "0"));
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  driver.advance(250);
  QVERIFY(engine.leds().page14Lit);
  QCOMPARE(owner.sent, QByteArray("\r\x7f"
                                  "01"));
  driver.feed(screen("ПОГРЕШН.  5-8", "   0.500"));
  QVERIFY(engine.leds().page14Lit);
  QVERIFY(owner.events.filter(QStringLiteral("RunSave")).isEmpty());
  driver.advance(250);
  QCOMPARE(owner.events.count(QStringLiteral("RunSave")), 1);
  QVERIFY(!engine.flags().saveOnceActive);
  QVERIFY(engine.flags().saveOnceDone);
  driver.feed(screen("ПОГРЕШН.  5-8", "   0.500"));
  driver.advance(1000);
  QCOMPARE(owner.events.count(QStringLiteral("RunSave")), 1);
  QCOMPARE(owner.sent, QByteArray("\r\x7f"
                                  "01"));
}

void SupervisionTest::singleSaveOffPowerScreenSendsEraseAtFrameEnd() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  engine.saveOnce();
  QCOMPARE(engine.flags().enterLock, 2);
  QVERIFY(!engine.timerEnabled(LinkTimer::MinusTimer));
  driver.advance(1000);
  QCOMPARE(owner.sent, QByteArray("\r"));  // no page walk before ЗБ went out
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  QCOMPARE(owner.sent, QByteArray("\r\x7f"));
  QCOMPARE(engine.controls().singleSaveMayEnter, 1);
  engine.idleTurn();
  QVERIFY(!engine.controls().enterKeyEnabled);
}

namespace {

// An owner whose store fails, as when the database refuses the rows.
class FailingSaveOwner : public RecordingOwner {
 public:
  void runSave(SaveKind kind) override {
    RecordingOwner::runSave(kind);
    throw std::runtime_error("database is locked");
  }
};

// An owner whose port can be unplugged and plugged in again.
class UnpluggableOwner : public RecordingOwner {
 public:
  bool deviceThere = false;
  bool open = false;
  void openPort() override {
    RecordingOwner::openPort();
    open = deviceThere;
  }
  bool portOpen() const override { return open; }
};

}  // namespace

// The single save's store fails: the save ends there (one error, no retry on
// the following quiet periods) and a new single save can be started.
void SupervisionTest::failingSingleSaveEndsAtOnce() {
  LinkEngine engine;
  FailingSaveOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  engine.setBaseChosen(true);
  engine.setActiveTab(LinkEngine::ErrorTab);
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  driver.advance(300);
  engine.saveOnce();
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));  // ЗБ goes out at the frame end
  driver.advance(250);                               // page 1-4 read: "1" turns to 5-8
  driver.feed(screen("ПОГРЕШН.  5-8", "   0.500"));
  QVERIFY(engine.flags().saveOnceActive);
  QVERIFY(owner.events.filter(QStringLiteral("RunSave")).isEmpty());
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, driver.advance(250));
  QCOMPARE(owner.events.count(QStringLiteral("RunSave")), 1);
  QVERIFY(!engine.flags().saveOnceActive);
  QVERIFY(!engine.timerEnabled(LinkTimer::Watchdog));
  driver.advance(2000);  // quiet periods go by
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  driver.advance(2000);
  QCOMPARE(owner.events.count(QStringLiteral("RunSave")), 1);
  QVERIFY(engine.controls().saveOnceEnabled);
}

// The device went away: saving is off at once, the terminal starts anew, and
// the connect timer tries to open the port once a second until it opens.
void SupervisionTest::lostLineStopsSavingAndReopensThePort() {
  LinkEngine engine;
  UnpluggableOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  engine.setBaseChosen(true);
  engine.setActiveTab(LinkEngine::ErrorTab);
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  driver.advance(300);
  QVERIFY(engine.controls().saveEnabled);

  engine.lineLost();
  QVERIFY(!engine.controls().saveEnabled && !engine.controls().saveOnceEnabled);
  QVERIFY(!engine.leds().page14Lit);
  QVERIFY(rowText(engine.screen(), 0).isEmpty());
  QVERIFY(!engine.keyTyped(QChar(u'S')));  // the save key does nothing
  driver.advance(3000);
  QCOMPARE(owner.events.count(QStringLiteral("OpenPort")), 3);  // once a second
  QVERIFY(engine.reconnecting());
  QVERIFY(!engine.controls().saveEnabled);

  owner.deviceThere = true;
  driver.advance(1000);
  QVERIFY(owner.open);
  QVERIFY(!engine.reconnecting());
  QVERIFY(!engine.timerEnabled(LinkTimer::ConnectTimer));
  driver.advance(2000);
  QCOMPARE(owner.events.count(QStringLiteral("OpenPort")), 4);
  driver.feed(screen("ПОГРЕШН.  1-4", "   0.100"));
  driver.advance(300);
  QVERIFY(engine.controls().saveEnabled);  // saving again once a page is read anew

  // A window closed while reconnecting stops trying.
  engine.lineLost();
  engine.stopReconnecting();
  driver.advance(2000);
  QCOMPARE(owner.events.count(QStringLiteral("OpenPort")), 4);
}

void SupervisionTest::energyCount() {
  LinkEngine engine;
  RecordingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  driver.advanceTo(500);
  driver.feed(screen("МОЩН.", "", "Р       36.01 ВТ"));
  engine.toggleEnergyCount();
  QCOMPARE(engine.controls().energyButtonCaption(), QStringLiteral("Стоп"));
  QVERIFY(engine.energy().energyStartPending);
  QVERIFY(owner.sent.isEmpty());

  driver.advanceTo(1000);  // first change of the seconds field: "." marks the start
  QCOMPARE(owner.sent, QByteArray("."));
  QVERIFY(engine.controls().computedEnergyText().isEmpty());
  driver.advanceTo(2000);
  QCOMPARE(engine.controls().computedEnergyText(), QStringLiteral("0.01"));  // 36.01 / 3600 rounds to 0.01
  driver.advanceTo(10000);
  QCOMPARE(engine.controls().computedEnergyText(), QStringLiteral("0.09"));

  engine.toggleEnergyCount();
  QCOMPARE(engine.controls().energyButtonCaption(), QStringLiteral("Старт"));
  driver.advanceTo(11000);  // the stop still adds its second and presses "." again
  QCOMPARE(owner.sent, QByteArray(".."));
  QCOMPARE(engine.controls().computedEnergyText(), QStringLiteral("0.1"));
  driver.advanceTo(20000);
  QCOMPARE(engine.controls().computedEnergyText(), QStringLiteral("0.1"));
  QCOMPARE(owner.sent, QByteArray(".."));
  QVERIFY(qFuzzyCompare(engine.energy().energyTotal, 36.01 / 3600 * 10));
}

void SupervisionTest::startWithoutPowerScreenDoesNothing() {
  LinkEngine engine;
  showRows(engine, "Ф1  220.00 В");
  engine.toggleEnergyCount();
  QCOMPARE(engine.controls().energyButtonCaption(), QStringLiteral("Старт"));
  QVERIFY(!engine.energy().active());
}

void SupervisionTest::ownerHearsOfChanges() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  feed(engine, "AB");
  QCOMPARE(owner.screenChanges, 2);  // one per stored character
  QCOMPARE(owner.controlsChanges, 0);
  engine.idleTurn();
  QCOMPARE(owner.controlsChanges, 1);  // the main window follows the non-menu screen
  engine.idleTurn();
  QCOMPARE(owner.controlsChanges, 1);
  feed(engine, stream::at(2, 14) + text("ВТ"));
  QCOMPARE(owner.controlsChanges, 2);  // "Старт" enabled
  QCOMPARE(owner.screenChanges, 4);
}

VT3417_REGISTER_TEST(SupervisionTest)
#include "SupervisionTest.moc"
