#include <QTest>

#include "LinkTestSupport.h"
#include "link/ParameterFields.h"
#include "link/ProgrammingSequences.h"
#include "support/TestRegistry.h"

Q_DECLARE_METATYPE(ParameterField)
Q_DECLARE_METATYPE(ProgrammingRun)

class ProgrammingTest : public QObject {
  Q_OBJECT
 private slots:
  void sequences_data();
  void sequences();
  void longestRunFitsTheQueue();
  void programmingFromAnotherScreen();
  void errorModeClearsMeasuredAndSetsKind();
  void clamp_data();
  void clamp();
  void fieldKeys();
};

void ProgrammingTest::sequences_data() {
  QTest::addColumn<ProgrammingRun>("run");
  QTest::addColumn<QByteArray>("keys");  // "E" stands for ВВ
  QTest::newRow("power, active, three-phase")
      << powerModeRun(PowerKind::Active, ConnectionScheme::ThreePhase, "220", "5", "10", "60")
      << QByteArray("1E1E3E220E5E10E60E");
  QTest::newRow("power, reactive: no scheme")
      << powerModeRun(PowerKind::Reactive, ConnectionScheme::FourWire, "57.7", "0.01", "1", "999")
      << QByteArray("1E2E57.7E0.01E1E999E");
  QTest::newRow("energy, four-wire") << energyModeRun(PowerKind::Active, ConnectionScheme::FourWire, "100")
                                     << QByteArray("2E1E5E100E");
  QTest::newRow("energy, reactive") << energyModeRun(PowerKind::Reactive, ConnectionScheme::TwoPhase, "100")
                                    << QByteArray("2E2E100E");
  QTest::newRow("error, 1600 is 1.6")
      << errorModeRun(PowerKind::Active, ConnectionScheme::SinglePhase, "220", "1600", "10")
      << QByteArray("3E1E1E220E1.6E10E");
  QTest::newRow("error, 0.1 is 0.0001")
      << errorModeRun(PowerKind::Reactive, ConnectionScheme::ThreeWire, "220", "0.1", "5")
      << QByteArray("3E2E220E0.0001E5E");
  QTest::newRow("error, 99999999 is 99999.999")
      << errorModeRun(PowerKind::Active, ConnectionScheme::ThreeWire, "456", "99999999", "999")
      << QByteArray("3E1E4E456E99999.999E999E");
}

void ProgrammingTest::sequences() {
  QFETCH(ProgrammingRun, run);
  QFETCH(QByteArray, keys);
  QCOMPARE(run.keys, keys.replace('E', '\r'));
}

void ProgrammingTest::longestRunFitsTheQueue() {
  // Every field at its longest text still fits the 100 places of the queue.
  const ProgrammingRun run =
      powerModeRun(PowerKind::Active, ConnectionScheme::FourWire, "456.1", "10.0001", "99999", "999");
  QVERIFY(run.keys.size() <= KeyQueue::Capacity);
  QCOMPARE(run.keys.size(), 30);
  // A run longer than the queue keeps its first 100 keys and never writes beyond.
  KeyQueue queue;
  QCOMPARE(queue.load(QByteArray(150, '7')), KeyQueue::Capacity);
  QCOMPARE(queue.keyLast, 100);
}

void ProgrammingTest::programmingFromAnotherScreen() {
  LinkEngine engine;
  RecordingOwner owner;
  engine.setOwner(&owner);
  showRows(engine, "Ф1  220.00 В");
  engine.idleTurn();
  engine.queue().keyIndex = 7;
  const ProgrammingRun run =
      powerModeRun(PowerKind::Active, ConnectionScheme::ThreePhase, "220", "5", "10", "60");
  engine.program(run);
  QCOMPARE(owner.sent, QByteArray("\x13\x7f"));  // СБР first (no menu showing), then ЗБ
  QCOMPARE(run.keys.size(), 18);
  QCOMPARE(engine.queue().keyIndex, 1);
  QCOMPARE(engine.queue().keyLast, 18);
  QVERIFY(engine.timerEnabled(LinkTimer::KeyQueueTimer));
  QVERIFY(!engine.decoder().eraseHold);
}

void ProgrammingTest::errorModeClearsMeasuredAndSetsKind() {
  MeasuredValues values;
  values.nominalVoltageText = "220";
  values.phaseVoltageText[0] = "221";
  values.meterErrorText[7] = "0.1";
  LinkEngine engine(values);
  engine.program(powerModeRun(PowerKind::Reactive, ConnectionScheme::SinglePhase, "1", "1", "1", "1"));
  QCOMPARE(values.phaseVoltageText[0], QStringLiteral("221"));  // other modes keep what was read
  QVERIFY(!engine.flags().errorModeActive);

  engine.program(errorModeRun(PowerKind::Active, ConnectionScheme::SinglePhase, "220", "1600", "10"));
  QVERIFY(engine.flags().errorModeActive);
  QVERIFY(values.phaseVoltageText[0].isEmpty());
  QVERIFY(values.meterErrorText[7].isEmpty());
  QCOMPARE(values.nominalVoltageText, QStringLiteral("220"));

  engine.program(errorModeRun(PowerKind::Reactive, ConnectionScheme::SinglePhase, "220", "1600", "10"));
  QVERIFY(!engine.flags().errorModeActive);
}

void ProgrammingTest::clamp_data() {
  QTest::addColumn<ParameterField>("field");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("expected");
  QTest::newRow("MEdit1 0") << ParameterField::PowerVoltage << "0"
                            << "46.1";
  QTest::newRow("MEdit1 5000") << ParameterField::PowerVoltage << "5000"
                               << "456";
  QTest::newRow("MEdit1 220.50") << ParameterField::PowerVoltage << "220.50"
                                 << "220.5";
  QTest::newRow("MEdit2 0") << ParameterField::PowerCurrent << "0"
                            << "0.01";
  QTest::newRow("MEdit2 11") << ParameterField::PowerCurrent << "11"
                             << "10";
  QTest::newRow("MEdit3 0") << ParameterField::Divisions << "0"
                            << "1";
  QTest::newRow("MEdit3 100000") << ParameterField::Divisions << "100000"
                                 << "99999";
  QTest::newRow("MEdit4 1000") << ParameterField::PowerTime << "1000"
                               << "999";
  QTest::newRow("EEdit1 46") << ParameterField::EnergyVoltage << "46"
                             << "46.1";
  QTest::newRow("ENVoltage 460") << ParameterField::ErrorVoltage << "460"
                                 << "456";
  QTest::newRow("PEdit2 0.05") << ParameterField::MeterConstant << "0.05"
                               << "0.1";
  QTest::newRow("PEdit2 1600") << ParameterField::MeterConstant << "1600"
                               << "1600";
  QTest::newRow("PEdit3 0") << ParameterField::ErrorTime << "0"
                            << "1";
  QTest::newRow("not a number") << ParameterField::ErrorTime << "1.2a"
                                << "1";
  QTest::newRow("empty stays") << ParameterField::PowerVoltage << ""
                               << "";
}

void ProgrammingTest::clamp() {
  QFETCH(ParameterField, field);
  QFETCH(QString, text);
  QTEST(clampFieldText(field, text), "expected");
}

void ProgrammingTest::fieldKeys() {
  for (const QChar key : QStringLiteral("0123456789.\b")) QVERIFY(fieldAcceptsKey(key));
  for (const QChar key : QStringLiteral("-,e ФA\r")) QVERIFY(!fieldAcceptsKey(key));
  QCOMPARE(missingParametersText(ProgrammingMode::Energy),
           QStringLiteral("Необходимо задать значение всех параметров"));
}

VT3417_REGISTER_TEST(ProgrammingTest)
#include "ProgrammingTest.moc"
