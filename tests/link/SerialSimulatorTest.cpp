#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <functional>

#include "LinkTestSupport.h"
#include "link/LinkQtTimers.h"
#include "link/SerialLine.h"
#include "link/PortNames.h"
#include "settings/NumericText.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

namespace {

// The window's part in miniature: the engine on a real port with real timers,
// turned by a loop that waits for data instead of spinning.
class PortSession final : public LinkOwner {
 public:
  PortSession() : timers_(engine_) {
    SetInstrumentLine(comm);
    comm.SetComNo(SerialLine::Com1);
    engine_.SetOwner(this);
  }
  ~PortSession() override { engine_.SetOwner(nullptr); }

  void SendKey(uint8_t key) override {
    if (comm.Connected()) comm.WriteByte(key);
  }
  void OpenPort() override {
    comm.Flush();
    if (comm.Connected()) return;
    comm.Open();
    if (!comm.Connected()) return;
    SendKey(14);
    SendKey(8);
  }
  void TimerChanged(LinkTimer timer, bool enabled) override { timers_.Apply(timer, enabled); }
  void FrameEnding(const InstrumentScreen& screen) override { frames.append(screen); }

  // Turn the receive loop until `done` holds or `ms` pass. With `fastKeys`
  // every idle turn is a KeyQueueTimer tick, so a programming run needs no 600 ms per key.
  bool RunUntil(const std::function<bool()>& done, int ms, bool fastKeys = false) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
      QCoreApplication::processEvents();
      if (comm.PendingBytes() > 0) {
        engine_.ByteArrived(comm.ReadByte());
        continue;
      }
      if (fastKeys && engine_.TimerEnabled(LinkTimer::KeyQueueTimer)) engine_.TimerFired(LinkTimer::KeyQueueTimer);
      engine_.IdleTurn();
      if (done()) return true;
      comm.WaitForData(5);
    }
    return done();
  }
  bool SawFrame(const QString& row0Start) const {
    for (const InstrumentScreen& frame : frames) {
      if (frame.Text(0).startsWith(row0Start)) return true;
    }
    return false;
  }

  SerialLine comm;
  MeasuredValues values;
  QList<InstrumentScreen> frames;
  LinkEngine& engine() { return engine_; }

 private:
  LinkEngine engine_{values};
  LinkQtTimers timers_;
};

}  // namespace

class SerialSimulatorTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void portNames();
  void closedPort();
  void settingsAndNumbers();
  void simulatorSession();
  void replayOfSimulatorCapture();
  void replayRejectsMalformedLine_data();
  void replayRejectsMalformedLine();

 private:
  QString captureFile_;
  QTemporaryDir work_;
};

void SerialSimulatorTest::initTestCase() {
#ifndef VT3417_SIM
  QSKIP("the simulator is built on POSIX systems only");
#endif
  QVERIFY(work_.isValid());
}

void SerialSimulatorTest::portNames() {
  TempProgramDir dir;
#ifndef Q_OS_WIN
  QCOMPARE(PortDevice("Com1"), QStringLiteral("/dev/ttyS0"));
  QCOMPARE(PortDevice("Com2"), QStringLiteral("/dev/ttyS1"));
#endif
  const QString ini = dir.filePath("sources/ports.ini");
  QFile file(ini);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("# ports of this bench\r\n[ports]\r\ncom2 = /dev/pts/9\r\nCom1=\r\n");
  file.close();
  QCOMPARE(PortDevice("Com2"), QStringLiteral("/dev/pts/9"));
  QVERIFY(WritePortDevice(ini, "Com1", "/dev/pts/3"));
  QVERIFY(WritePortDevice(ini, "Com1", "/dev/pts/4"));
  QCOMPARE(PortDevice("Com1"), QStringLiteral("/dev/pts/4"));
  QCOMPARE(PortDevice("Com2"), QStringLiteral("/dev/pts/9"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll().count("Com1="), 1);
}

void SerialSimulatorTest::closedPort() {
  TempProgramDir dir;
  QVERIFY(WritePortDevice(dir.filePath("sources/ports.ini"), "Com1", dir.filePath("no-such-device")));
  SerialLine comm;
  QSignalSpy activated(&comm, &SerialLine::OnActivate);
  QSignalSpy deactivated(&comm, &SerialLine::OnDeActivate);
  comm.SetComNo(SerialLine::Com1);
  comm.Open();
  QVERIFY(!comm.Connected());
  QCOMPARE(comm.Handle(), SerialLine::PortHandle(-1));
  QCOMPARE(activated.count(), 0);
  comm.Close();
  QCOMPARE(deactivated.count(), 1);  // also when nothing was open
  comm.Flush();
  QCOMPARE(comm.PendingBytes(), 0);
  QCOMPARE(comm.Write("x", 1), 0);
  QCOMPARE(comm.ReadByte(), 0);
}

void SerialSimulatorTest::settingsAndNumbers() {
  QCOMPARE(SerialLine::BaudRateValue(SerialLine::BR___9600), 9600);
  QCOMPARE(SerialLine::BaudRateValue(SerialLine::BR_256000), 256000);
  QCOMPARE(SerialLine::BaudRateValue(15), 9600);
  QCOMPARE(SerialLine::StopBitsValue(3), QSerialPort::OneStop);
  QCOMPARE(SerialLine::ParityValue(SerialLine::paSpace), QSerialPort::SpaceParity);
  QCOMPARE(SerialLine::ParityValue(9), QSerialPort::NoParity);
  QCOMPARE(SerialLine::PortName(SerialLine::Lpt1), QStringLiteral("Lpt1"));
  SerialLine comm;
  QCOMPARE(comm.ComNo(), SerialLine::Com2);
  QCOMPARE(comm.ByteSize(), 8);
  SetInstrumentLine(comm);
  QCOMPARE(comm.Parity(), SerialLine::paOdd);
  QCOMPARE(comm.StopBits(), SerialLine::SB_TWOSTOPBITS);
  QCOMPARE(comm.ByteSize(), 7);
}

// The real serial path: SerialLine on one end of a pseudo-terminal, the
// simulator on the other.
void SerialSimulatorTest::simulatorSession() {
#ifdef VT3417_SIM
  TempProgramDir dir;
  captureFile_ = work_.filePath("session.cap");
  QProcess sim;
  sim.start(VT3417_SIM,
            {"--program-dir", dir.path(), "--port", "Com1", "--capture", captureFile_, "--set",
             "refresh_ms=400", "--set", "voltage=220.12 219.87 220.4", "--set",
             "current=0.5012 0.4987 0.5003", "--set", "errors=0.12 -0.05 0.31 -0.27 1.5 - -2.25 0.5"});
  QVERIFY(sim.waitForReadyRead(5000));
  const QString device = QString::fromUtf8(sim.readLine()).trimmed();
  QCOMPARE(PortDevice("Com1"), device);

  PortSession session;
  LinkEngine& engine = session.engine();
  QSignalSpy activated(&session.comm, &SerialLine::OnActivate);
  session.OpenPort();
  QVERIFY(session.comm.Connected());
  QCOMPARE(activated.count(), 1);

  // 14 and 8 start the connection and show the voltage screen.
  QVERIFY(session.RunUntil([&] { return !session.values.PhaseVoltageText[2].isEmpty(); }, 5000));
  QVERIFY(session.SawFrame(QStringLiteral("МОЩ")));
  QCOMPARE(session.values.PhaseVoltageText, (std::array<QString, 3>{"220.12", "219.87", "220.40"}));

  engine.pressMinus();
  QVERIFY(session.RunUntil([&] { return !session.values.PhaseCurrentText[0].isEmpty(); }, 5000));
  QCOMPARE(session.values.PhaseCurrentText, (std::array<QString, 3>{"0.5012", "0.4987", "0.5003"}));
  engine.pressMinus();
  QVERIFY(session.RunUntil([&] { return !session.values.PowerFactorText.isEmpty(); }, 5000));
  QCOMPARE(session.values.PowerFactorText, QStringLiteral("0.866/"));

  engine.pressDigit1();  // page 5-8; the watchdog reads it when the line falls quiet
  QVERIFY(session.RunUntil([&] { return engine.Leds().page58Lit; }, 5000));
  QCOMPARE(TextToNumber(session.values.MeterErrorText[4]), 1.5);
  QCOMPARE(session.values.MeterErrorText[5].trimmed(), QString());
  QCOMPARE(TextToNumber(session.values.MeterErrorText[6]), -2.25);
  engine.pressDigit0();
  QVERIFY(session.RunUntil([&] { return engine.Leds().page14Lit && engine.Leds().page58Lit; }, 5000));
  QCOMPARE(TextToNumber(session.values.MeterErrorText[1]), -0.05);

  engine.pressReset();  // to the main menu
  QVERIFY(session.RunUntil([&] { return engine.Flags().MenuScreen; }, 5000));
  QVERIFY(engine.Controls().programmingEnabled);

  // Programming walks the instrument's dialogues; it answers with the error page.
  engine.Program(ErrorModeRun(PowerKind::Active, ConnectionScheme::ThreePhase, "220", "1600", "10"));
  QVERIFY(session.values.MeterErrorText[1].isEmpty());
  QVERIFY(session.RunUntil([&] { return engine.Recognition().ErrorPage14; }, 10000, true));
  QVERIFY(!engine.TimerEnabled(LinkTimer::KeyQueueTimer));
  QVERIFY(session.RunUntil([&] { return !session.values.MeterErrorText[1].isEmpty(); }, 5000));

  // Assigning another port number closes the port and leaves it closed.
  session.comm.SetComNo(SerialLine::Com1);
  QVERIFY(session.comm.Connected());
  session.comm.SetComNo(SerialLine::Com2);
  QVERIFY(!session.comm.Connected());
  QTest::qWait(300);

  sim.terminate();
  QVERIFY(sim.waitForFinished(5000));
  QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
  const QString log = QString::fromUtf8(sim.readAllStandardError());
  QVERIFY2(log.contains(QStringLiteral("programmed error mode: 1 3 220 1.6 10")), qPrintable(log));
#endif
}

void SerialSimulatorTest::replayOfSimulatorCapture() {
#ifdef VT3417_REPLAY
  if (captureFile_.isEmpty()) QSKIP("needs the capture of simulatorSession");
  QProcess replay;
  replay.start(VT3417_REPLAY, {captureFile_});
  QVERIFY(replay.waitForFinished(10000));
  QCOMPARE(replay.exitCode(), 0);
  QJsonParseError error;
  const QJsonObject result = QJsonDocument::fromJson(replay.readAllStandardOutput(), &error).object();
  QCOMPARE(error.error, QJsonParseError::NoError);

  const QJsonObject measured = result["measured"].toObject();
  QCOMPARE(measured["PhaseVoltageText"].toArray(), (QJsonArray{"220.12", "219.87", "220.40"}));
  QCOMPARE(measured["PhaseCurrentText"].toArray(), (QJsonArray{"0.5012", "0.4987", "0.5003"}));
  const QJsonArray errors = measured["MeterErrorText"].toArray();
  const double expected[] = {0.12, -0.05, 0.31, -0.27, 1.5, 0, -2.25, 0.5};
  for (int meter = 0; meter < 8; ++meter) QCOMPARE(TextToNumber(errors[meter].toString()), expected[meter]);

  bool sawVoltage = false;
  for (const QJsonValue& screen : result["screens"].toArray()) {
    const QJsonObject s = screen.toObject();
    QCOMPARE(s["rows"].toArray().size(), 3);
    QCOMPARE(s["rows"].toArray()[0].toString().size(), 17);
    if (s["rows"].toArray()[0].toString().startsWith(u"Ф1")) {
      sawVoltage = sawVoltage || (s["ValueScreen"].toInt() == 1 && s["ScreenMode"].toInt() == 1);
    }
  }
  QVERIFY(sawVoltage);
#endif
}

void SerialSimulatorTest::replayRejectsMalformedLine_data() {
  QTest::addColumn<QByteArray>("capture");
  QTest::addColumn<QString>("message");
  QTest::newRow("bad byte") << QByteArray("# c\n0 1b 48\n\n10 1b 4\n") << "line 4: \"4\" is not a byte";
  QTest::newRow("no time") << QByteArray("1b 48\n") << "line 1: expected the time";
  QTest::newRow("time goes back") << QByteArray("100 41\n50 42\n") << "line 2: time 50 ms is before";
  // Times of no capture: a sane bound, not an overflow on the way.
  QTest::newRow("largest 64-bit time") << QByteArray("0 41\n# note\n9223372036854775807 42\n")
                                       << "line 3: time 9223372036854775807 ms is beyond the longest capture";
  QTest::newRow("eight days") << QByteArray("0 41\n691200000 42\n") << "line 2: time 691200000 ms is beyond";
  QTest::newRow("line without an end")
      << QByteArray("0 41\n5 " + QByteArray(3 << 20, 'a')) << "line 2: longer than 1048576 characters";
}

void SerialSimulatorTest::replayRejectsMalformedLine() {
#ifdef VT3417_REPLAY
  QFETCH(QByteArray, capture);
  QFETCH(QString, message);
  const QString path = work_.filePath("bad.cap");
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(capture);
  file.close();
  QProcess replay;
  replay.start(VT3417_REPLAY, {path});
  QVERIFY(replay.waitForFinished(10000));
  QVERIFY(replay.exitCode() != 0);
  QVERIFY(replay.readAllStandardOutput().isEmpty());
  const QString stderrText = QString::fromUtf8(replay.readAllStandardError());
  QVERIFY2(stderrText.contains(message), qPrintable(stderrText));
#endif
}

VT3417_REGISTER_TEST(SerialSimulatorTest)
#include "SerialSimulatorTest.moc"
