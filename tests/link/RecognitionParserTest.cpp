#include <QTest>

#include "LinkTestSupport.h"
#include "link/ScreenParsers.h"
#include "support/TestRegistry.h"

class RecognitionParserTest : public QObject {
  Q_OBJECT
 private slots:
  void recognition_data();
  void recognition();
  void menuScreen_data();
  void menuScreen();
  void phaseValues_data();
  void phaseValues();
  void powerFactor_data();
  void powerFactor();
  void power();
  void errorPageFields();
  void indicatorCycle();
  void unarmedPageStillCopies();
  void singleSaveAccumulatesIndicators();
  void emptyFrameKeepsTheValues_data();
  void emptyFrameKeepsTheValues();
};

void RecognitionParserTest::recognition_data() {
  QTest::addColumn<QStringList>("rows");
  QTest::addColumn<int>("previousMode");
  QTest::addColumn<bool>("valueScreen");
  QTest::addColumn<int>("screenMode");
  QTest::addColumn<bool>("page14");
  QTest::addColumn<bool>("page58");
  QTest::addColumn<bool>("powerScreen");

  QTest::newRow("voltage") << QStringList{"Ф1  220.12 В", "", ""} << 2 << true << 1 << false << false
                           << false;
  QTest::newRow("current") << QStringList{"Ф1  5.0012 А", "", ""} << 1 << true << 2 << false << false
                           << false;
  QTest::newRow("last letter wins") << QStringList{"ФА  1.0 В А В", "", ""} << 2 << true << 1 << false
                                    << false << false;
  QTest::newRow("no unit keeps mode")
      << QStringList{"Ф1  220.12", "", ""} << 2 << true << 2 << false << false << false;
  QTest::newRow("А in column 16 unseen")
      << QStringList{"Ф1  220.12 В    А", "", ""} << 2 << true << 1 << false << false << false;
  QTest::newRow("line 2-1") << QStringList{"2-1 380.0  В", "", ""} << 2 << true << 1 << false << false
                            << false;
  QTest::newRow("line 2-3") << QStringList{"2-3 5.0    А", "", ""} << 1 << true << 2 << false << false
                            << false;
  QTest::newRow("line 3-1 is not recognised")
      << QStringList{"3-1 380.0  В", "", ""} << 1 << false << 4 << false << false << false;
  QTest::newRow("КМ wins over Ф") << QStringList{"Ф УГОЛ 30 В", "   КМ 0.866", ""} << 1 << true << 3 << false
                                  << false << false;
  QTest::newRow("page 1-4") << QStringList{"ПОГРЕШН.  1-4", " 0.1", ""} << 1 << false << 4 << true << false
                            << false;
  QTest::newRow("page 5-8") << QStringList{"ПОГРЕШН.  5-8", " 0.1", ""} << 1 << false << 4 << false << true
                            << false;
  QTest::newRow("page digit elsewhere")
      << QStringList{"ПОГРЕШН. 1-4", "", ""} << 1 << false << 4 << false << false << false;
  QTest::newRow("power ВТ") << QStringList{"МОЩН.", "", "Р     3300.00 ВТ"} << 1 << false << 4 << false
                            << false << true;
  QTest::newRow("power ВАР") << QStringList{"МОЩН.", "", "Р    3300.00 ВАР"} << 1 << false << 4 << false
                             << false << true;
  QTest::newRow("ВТ one column early")
      << QStringList{"МОЩН.", "", "Р    3300.00 ВТ"} << 1 << false << 4 << false << false << false;
  QTest::newRow("other") << QStringList{"МОЩНОСТЬ", "ЭНЕРГИЯ", "ОПР"} << 1 << false << 4 << false << false
                         << false;
}

void RecognitionParserTest::recognition() {
  QFETCH(QStringList, rows);
  QFETCH(int, previousMode);
  LinkEngine engine;
  engine.recognition().screenMode = static_cast<uint8_t>(previousMode);
  showRows(engine, rows[0], rows[1], rows[2]);
  const ScreenRecognition& r = engine.recognition();
  QTEST(r.valueScreen, "valueScreen");
  QTEST(static_cast<int>(r.screenMode), "screenMode");
  QTEST(r.errorPage14, "page14");
  QTEST(r.errorPage58, "page58");
  QTEST(r.powerScreen, "powerScreen");
  QTEST(engine.controls().energyButtonEnabled, "powerScreen");
}

void RecognitionParserTest::menuScreen_data() {
  QTest::addColumn<QStringList>("rows");
  QTest::addColumn<bool>("menu");
  QTest::newRow("main menu") << QStringList{"МОЩНОСТЬ     1", "ЭНЕРГИЯ      2", "ОПР.ПОГРЕШН. 3 >1"} << true;
  QTest::newRow("two rows only") << QStringList{"МОЩНОСТЬ", "ЭНЕРГИЯ", "ПОГРЕШНОСТЬ"} << false;
  QTest::newRow("power screen") << QStringList{"МОЩН. АКТИВНАЯ", "", "Р     3300.00 ВТ"} << false;
}

void RecognitionParserTest::menuScreen() {
  QFETCH(QStringList, rows);
  LinkEngine engine;
  showRows(engine, rows[0], rows[1], rows[2]);
  engine.idleTurn();
  QTEST(engine.flags().menuScreen, "menu");
  QTEST(engine.controls().programmingEnabled, "menu");
  QTEST(engine.controls().mainWindowEnabled, "menu");
}

void RecognitionParserTest::phaseValues_data() {
  QTest::addColumn<QStringList>("rows");
  QTest::addColumn<QStringList>("voltages");
  QTest::addColumn<QStringList>("currents");
  QTest::newRow("voltages") << QStringList{"Ф1  220.12 В", "Ф2  2l9.8x В", "Ф3"}
                            << QStringList{"220.12", "29.8", ""} << QStringList{"", "", ""};
  QTest::newRow("amperes") << QStringList{"Ф1  5.0012 А", "Ф2 -4.999  А", "Ф3  5 0 1  А"}
                           << QStringList{"", "", ""} << QStringList{"5.0012", "4.999", "501"};
  QTest::newRow("milliamperes") << QStringList{"Ф1  5.0    МА", "Ф2  250    МА", "Ф3"}
                                << QStringList{"", "", ""} << QStringList{"0.005", "0.25", ""};
  QTest::newRow("М and А apart is amperes")
      << QStringList{"Ф1  5.0    М А", "", ""} << QStringList{"", "", ""} << QStringList{"5.0", "", ""};
}

void RecognitionParserTest::phaseValues() {
  QFETCH(QStringList, rows);
  MeasuredValues values;
  LinkEngine engine(values);
  showRows(engine, rows[0], rows[1], rows[2]);
  feed(engine, stream::frameEnd());
  QTEST(QStringList(values.phaseVoltageText.begin(), values.phaseVoltageText.end()), "voltages");
  QTEST(QStringList(values.phaseCurrentText.begin(), values.phaseCurrentText.end()), "currents");
}

void RecognitionParserTest::powerFactor_data() {
  QTest::addColumn<QString>("factor");
  QTest::addColumn<QString>("angle");
  QTest::addColumn<bool>("active");
  QTest::addColumn<QString>("expected");
  QTest::newRow("unity") << "1.000"
                         << "0" << true << "1.000";
  QTest::newRow("minus one") << "-1"
                             << "180" << true << "-1";
  QTest::newRow("0.5 at 60 active") << "0.5"
                                    << "60" << true << "0.5/L";
  QTest::newRow("cut to six") << "0.866"
                              << "60" << true << "0.866/";
  QTest::newRow("90 active") << "0.01"
                             << "90" << true << "0.01/L";
  QTest::newRow("90 reactive") << "0.01"
                               << "90" << false << "0.01";
  QTest::newRow("0 active") << "0.5"
                            << "0" << true << "0.5";
  QTest::newRow("0 reactive") << "0.5"
                              << "0" << false << "0.5/L";
  QTest::newRow("120 active") << "0.5"
                              << "120" << true << "0.5/C";
  QTest::newRow("180 active") << "0.5"
                              << "180" << true << "0.5";
  QTest::newRow("180 reactive") << "0.5"
                                << "180" << false << "0.5/C";
  QTest::newRow("200 both") << "0.5"
                            << "200" << false << "0.5/L";
  QTest::newRow("270 active") << "0.5"
                              << "270" << true << "0.5/C";
  QTest::newRow("270 reactive") << "0.5"
                                << "270" << false << "0.5";
  QTest::newRow("360 active") << "0.5"
                              << "360" << true << "0.5";
  QTest::newRow("360 reactive") << "0.5"
                                << "360" << false << "0.5/C";
  QTest::newRow("negative factor") << "-0.5"
                                   << "300" << true << "-0.5/C";
}

void RecognitionParserTest::powerFactor() {
  QFETCH(QString, factor);
  QFETCH(QString, angle);
  QFETCH(bool, active);
  MeasuredValues values;
  LinkEngine engine(values);
  engine.flags().errorModeActive = active;
  showRows(engine, QStringLiteral("УГОЛ %1 ГРАД").arg(angle), QStringLiteral("   КМ %1").arg(factor));
  feed(engine, stream::frameEnd());
  QTEST(values.powerFactorText, "expected");
}

void RecognitionParserTest::power() {
  LinkEngine engine;
  showRows(engine, "МОЩН. АКТИВНАЯ", "", "Р  -3300.50   ВТ");
  QCOMPARE(readPower(engine.screen()), 3300.5);
}

void RecognitionParserTest::errorPageFields() {
  MeasuredValues values;
  LinkEngine engine(values);
  showRows(engine, "ПОГРЕШН.  5-8", "  -0.123  0.045X", "   0.311-12.345");
  engine.idleTurn();
  engine.timerFired(LinkTimer::Watchdog);
  QCOMPARE(values.meterErrorText[4], QStringLiteral("  -0.123 "));
  QCOMPARE(values.meterErrorText[6], QStringLiteral(" 0.045X"));
  QCOMPARE(values.meterErrorText[5], QStringLiteral("   0.311-"));
  QCOMPARE(values.meterErrorText[7], QStringLiteral("12.345 "));
  QVERIFY(values.meterErrorText[0].isEmpty());
}

// A lit indicator goes dark while the instrument sends and lights again when
// the line falls quiet; the page not showing keeps its remembered state.
void RecognitionParserTest::indicatorCycle() {
  LinkEngine engine;
  engine.resetTerminal();
  const PageIndicators& leds = engine.leds();
  auto quietPeriod = [&] {
    engine.idleTurn();
    engine.timerFired(LinkTimer::Watchdog);
  };

  feed(engine, stream::screen("ПОГРЕШН.  1-4", " 0.1", " 0.2"));
  quietPeriod();
  QVERIFY(leds.page14Lit && !leds.page58Lit);

  feed(engine, stream::screen("ПОГРЕШН.  5-8", " 0.5", " 0.6"));
  QVERIFY(!leds.page14Lit && !leds.page58Lit);  // both blink dark on the first byte
  QVERIFY(leds.pageLed14Saved);
  quietPeriod();
  QVERIFY(leds.page14Lit && leds.page58Lit);

  engine.pressMinus();  // "-" darkens both and disarms
  QVERIFY(!leds.page14Lit && !leds.page58Lit && !leds.ledArm);
  feed(engine, stream::screen("ПОГРЕШН.  1-4", " 0.1", " 0.2"));
  quietPeriod();
  QVERIFY(!leds.page14Lit);  // the first quiet period after "-" does not light its own page
  QVERIFY(leds.ledArm);
  feed(engine, stream::screen("ПОГРЕШН.  1-4", " 0.1", " 0.2"));
  quietPeriod();
  QVERIFY(leds.page14Lit && !leds.page58Lit);
}

void RecognitionParserTest::unarmedPageStillCopies() {
  MeasuredValues values;
  LinkEngine engine(values);
  engine.leds().ledArm = false;
  showRows(engine, "ПОГРЕШН.  1-4", "   0.250", "");
  engine.idleTurn();
  engine.timerFired(LinkTimer::Watchdog);
  QVERIFY(!engine.leds().page14Lit);
  QCOMPARE(values.meterErrorText[0], QStringLiteral("   0.250 "));
}

void RecognitionParserTest::singleSaveAccumulatesIndicators() {
  LinkEngine engine;
  engine.resetTerminal();
  engine.flags().saveOnceActive = true;
  engine.flags().enterSaveStep = true;  // keeps the page walk out of this test
  feed(engine, stream::screen("ПОГРЕШН.  1-4", " 0.1"));
  engine.idleTurn();
  engine.timerFired(LinkTimer::Watchdog);
  feed(engine, stream::screen("ПОГРЕШН.  5-8", " 0.5"));
  QVERIFY(engine.leds().page14Lit);  // received bytes do not darken during a single save
  engine.idleTurn();
  engine.timerFired(LinkTimer::Watchdog);
  QVERIFY(engine.leds().page14Lit && engine.leds().page58Lit);
}

void RecognitionParserTest::emptyFrameKeepsTheValues_data() {
  QTest::addColumn<QStringList>("rows");
  QTest::newRow("voltages") << QStringList{"Ф1  220.12 В", "Ф2  219.80 В", "Ф3  221.00 В"};
  QTest::newRow("currents") << QStringList{"Ф1  5.0012 А", "Ф2  4.999  А", "Ф3  5.01   А"};
  QTest::newRow("power factor") << QStringList{"УГОЛ 60 ГРАД", "   КМ 0.5", ""};
  QTest::newRow("error page") << QStringList{"ПОГРЕШН.  1-4", "  -0.123  0.045", "   0.311 -0.500"};
}

// A frame end right after another (an empty frame) carries no screen: neither
// its frame end nor a quiet period after it reads anything, and the values of
// the last real screen stay for the next save.
void RecognitionParserTest::emptyFrameKeepsTheValues() {
  QFETCH(QStringList, rows);
  MeasuredValues values;
  LinkEngine engine(values);
  engine.resetTerminal();
  const auto quietPeriod = [&engine] {
    engine.idleTurn();
    engine.timerFired(LinkTimer::Watchdog);
  };
  feed(engine, stream::screen(rows[0], rows[1], rows[2]));
  quietPeriod();                     // an error page is read now ...
  feed(engine, stream::frameEnd());  // ... a value screen at its frame end
  const MeasuredValues read = values;
  QVERIFY(read != MeasuredValues());

  feed(engine, stream::frameEnd());
  quietPeriod();
  feed(engine, stream::frameEnd() + stream::frameEnd());
  QCOMPARE(values, read);

  // The next real screen is read as always.
  feed(engine, stream::screen("Ф1  100.00 В", "Ф2  101.00 В", "Ф3  102.00 В") + stream::frameEnd());
  QCOMPARE(values.phaseVoltageText[2], QStringLiteral("102.00"));
}

VT3417_REGISTER_TEST(RecognitionParserTest)
#include "RecognitionParserTest.moc"
