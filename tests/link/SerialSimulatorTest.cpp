#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

#include "LinkTestSupport.h"
#include "link/LinkQtTimers.h"
#include "link/PortNames.h"
#include "link/SerialLine.h"
#include "settings/NumericText.h"
#include "settings/SmallFile.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

namespace {

// The window's part in miniature: the engine on a real port with real timers,
// turned by a loop that waits for data instead of spinning.
class PortSession final : public LinkOwner {
 public:
  PortSession() : timers_(engine_) {
    setInstrumentLine(comm);
    comm.setComNo(SerialLine::Com1);
    engine_.setOwner(this);
  }
  ~PortSession() override { engine_.setOwner(nullptr); }

  void sendKey(uint8_t key) override {
    if (comm.connected()) comm.writeByte(key);
  }
  void openPort() override {
    comm.flush();
    if (comm.connected()) return;
    comm.open();
    if (!comm.connected()) return;
    sendKey(14);
    sendKey(8);
  }
  void timerChanged(LinkTimer timer, bool enabled) override { timers_.apply(timer, enabled); }
  void frameEnding(const InstrumentScreen& screen) override { frames.append(screen); }

  // Turn the receive loop until `done` holds or `ms` pass. With `fastKeys`
  // every idle turn is a KeyQueueTimer tick, so a programming run needs no 600 ms per key.
  bool runUntil(const std::function<bool()>& done, int ms, bool fastKeys = false) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
      QCoreApplication::processEvents();
      if (comm.pendingBytes() > 0) {
        engine_.byteArrived(comm.readByte());
        continue;
      }
      if (fastKeys && engine_.timerEnabled(LinkTimer::KeyQueueTimer))
        engine_.timerFired(LinkTimer::KeyQueueTimer);
      engine_.idleTurn();
      if (done()) return true;
      comm.waitForData(5);
    }
    return done();
  }
  bool sawFrame(const QString& row0Start) const {
    for (const InstrumentScreen& frame : frames) {
      if (frame.text(0).startsWith(row0Start)) return true;
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
  void replayNamesWhatItCannotRead_data();
  void replayNamesWhatItCannotRead();
  void captureThatCannotBeWrittenStopsTheSimulator();

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
  const QString defaultCom1 = portDevice("Com1");
#ifndef Q_OS_WIN
  QCOMPARE(portDevice("Com1"), QStringLiteral("/dev/ttyS0"));
  QCOMPARE(portDevice("Com2"), QStringLiteral("/dev/ttyS1"));
#endif
  const QString ini = dir.filePath("sources/ports.ini");
  QFile file(ini);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("# ports of this bench\r\n[ports]\r\ncom2 = /dev/pts/9\r\nCom1=\r\n");
  file.close();
  QCOMPARE(portDevice("Com2"), QStringLiteral("/dev/pts/9"));
  QVERIFY(writePortDevice(ini, "Com1", "/dev/pts/3"));
  QVERIFY(writePortDevice(ini, "Com1", "/dev/pts/4"));
  QCOMPARE(portDevice("Com1"), QStringLiteral("/dev/pts/4"));
  QCOMPARE(portDevice("Com2"), QStringLiteral("/dev/pts/9"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll().count("Com1="), 1);
  file.close();

  // A file beyond the bound of settings files is not read: the ports keep
  // their default devices, and the file is not written over.
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  const QByteArray oversized = "Com1=/dev/pts/4\n#" + QByteArray(kSettingsFileMaxBytes, 'x') + '\n';
  file.write(oversized);
  file.close();
  QCOMPARE(portDevice("Com1"), defaultCom1);
  QVERIFY(!writePortDevice(ini, "Com2", "/dev/pts/5"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), oversized);
}

void SerialSimulatorTest::closedPort() {
  TempProgramDir dir;
  QVERIFY(writePortDevice(dir.filePath("sources/ports.ini"), "Com1", dir.filePath("no-such-device")));
  SerialLine comm;
  QSignalSpy activated(&comm, &SerialLine::onActivate);
  QSignalSpy deactivated(&comm, &SerialLine::onDeActivate);
  comm.setComNo(SerialLine::Com1);
  comm.open();
  QVERIFY(!comm.connected());
  QCOMPARE(comm.handle(), SerialLine::PortHandle(-1));
  QCOMPARE(activated.count(), 0);
  comm.close();
  QCOMPARE(deactivated.count(), 1);  // also when nothing was open
  comm.flush();
  QCOMPARE(comm.pendingBytes(), 0);
  QCOMPARE(comm.write("x", 1), 0);
  QCOMPARE(comm.readByte(), 0);
}

void SerialSimulatorTest::settingsAndNumbers() {
  QCOMPARE(SerialLine::portName(SerialLine::Lpt1), QStringLiteral("Lpt1"));
  SerialLine comm;
  QCOMPARE(comm.baudRate(), 9600);
  QCOMPARE(comm.stopBits(), QSerialPort::OneStop);
  QCOMPARE(comm.parity(), QSerialPort::NoParity);
  QCOMPARE(comm.comNo(), SerialLine::Com2);
  QCOMPARE(comm.byteSize(), 8);
  setInstrumentLine(comm);
  QCOMPARE(comm.baudRate(), 9600);
  QCOMPARE(comm.parity(), QSerialPort::OddParity);
  QCOMPARE(comm.stopBits(), QSerialPort::TwoStop);
  QCOMPARE(comm.byteSize(), 7);
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
  QCOMPARE(portDevice("Com1"), device);

  PortSession session;
  LinkEngine& engine = session.engine();
  QSignalSpy activated(&session.comm, &SerialLine::onActivate);
  session.openPort();
  QVERIFY(session.comm.connected());
  QCOMPARE(activated.count(), 1);

  // 14 and 8 start the connection and show the voltage screen.
  QVERIFY(session.runUntil([&] { return !session.values.phaseVoltageText[2].isEmpty(); }, 5000));
  QVERIFY(session.sawFrame(QStringLiteral("МОЩ")));
  QCOMPARE(session.values.phaseVoltageText, (std::array<QString, 3>{"220.12", "219.87", "220.40"}));

  engine.pressMinus();
  QVERIFY(session.runUntil([&] { return !session.values.phaseCurrentText[0].isEmpty(); }, 5000));
  QCOMPARE(session.values.phaseCurrentText, (std::array<QString, 3>{"0.5012", "0.4987", "0.5003"}));
  engine.pressMinus();
  QVERIFY(session.runUntil([&] { return !session.values.powerFactorText.isEmpty(); }, 5000));
  QCOMPARE(session.values.powerFactorText, QStringLiteral("0.866/"));

  engine.pressDigit1();  // page 5-8; the watchdog reads it when the line falls quiet
  QVERIFY(session.runUntil([&] { return engine.leds().page58Lit; }, 5000));
  QCOMPARE(textToNumber(session.values.meterErrorText[4]), 1.5);
  QCOMPARE(session.values.meterErrorText[5].trimmed(), QString());
  QCOMPARE(textToNumber(session.values.meterErrorText[6]), -2.25);
  engine.pressDigit0();
  QVERIFY(session.runUntil([&] { return engine.leds().page14Lit && engine.leds().page58Lit; }, 5000));
  QCOMPARE(textToNumber(session.values.meterErrorText[1]), -0.05);

  engine.pressReset();  // to the main menu
  QVERIFY(session.runUntil([&] { return engine.flags().menuScreen; }, 5000));
  QVERIFY(engine.controls().programmingEnabled);

  // Programming walks the instrument's dialogues; it answers with the error page.
  engine.program(errorModeRun(PowerKind::Active, ConnectionScheme::ThreePhase, "220", "1600", "10"));
  QVERIFY(session.values.meterErrorText[1].isEmpty());
  QVERIFY(session.runUntil([&] { return engine.recognition().errorPage14; }, 10000, true));
  QVERIFY(!engine.timerEnabled(LinkTimer::KeyQueueTimer));
  QVERIFY(session.runUntil([&] { return !session.values.meterErrorText[1].isEmpty(); }, 5000));

  // Assigning another port number closes the port and leaves it closed.
  session.comm.setComNo(SerialLine::Com1);
  QVERIFY(session.comm.connected());
  session.comm.setComNo(SerialLine::Com2);
  QVERIFY(!session.comm.connected());
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
  for (int meter = 0; meter < 8; ++meter) QCOMPARE(textToNumber(errors[meter].toString()), expected[meter]);

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

void SerialSimulatorTest::replayNamesWhatItCannotRead_data() {
  QTest::addColumn<QString>("input");  // "bom", "folder", "fifo" or a path
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("message");  // in standard error
  // An editor's byte-order mark before the first line is no part of the capture.
  QTest::newRow("byte-order mark") << "bom" << 0 << QString();
  // The capture is read twice: only a file can be.
  QTest::newRow("device") << "/dev/null" << 1 << "/dev/null is not a file but a device, a pipe or a socket";
  QTest::newRow("named pipe") << "fifo" << 1 << "is not a file but a device, a pipe or a socket";
  QTest::newRow("folder") << "folder" << 1 << "is a folder, not a capture";
  QTest::newRow("missing file") << "missing.cap" << 1 << "cannot read missing.cap: No such file";
}

void SerialSimulatorTest::replayNamesWhatItCannotRead() {
#ifdef VT3417_REPLAY
  QFETCH(QString, input);
  QFETCH(int, exitCode);
  QFETCH(QString, message);
  QTemporaryDir dir;
  QString path = input;
  const QByteArray capture("# c\n0 1b 48\n10 41 42\n");
  if (input == u"bom") {
    path = dir.filePath("bom.cap");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF" + capture);
  } else if (input == u"fifo") {
    path = dir.filePath("pipe.cap");
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  } else if (input == u"folder") {
    path = dir.path();
  }
  QProcess replay;
  replay.setWorkingDirectory(dir.path());
  replay.start(VT3417_REPLAY, {path});
  QVERIFY(replay.waitForFinished(10000));
  const QString err = QString::fromUtf8(replay.readAllStandardError());
  QVERIFY2(replay.exitCode() == exitCode, qPrintable(err));
  QVERIFY2(err.contains(message), qPrintable(err));
  if (input != u"bom") return;
  // Read as the same capture without the mark.
  const QByteArray output = replay.readAllStandardOutput();
  const QString plain = dir.filePath("plain.cap");
  QFile file(plain);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(capture);
  file.close();
  replay.start(VT3417_REPLAY, {plain});
  QVERIFY(replay.waitForFinished(10000));
  QCOMPARE(replay.exitCode(), 0);
  QCOMPARE(output, replay.readAllStandardOutput());
#endif
}

// A capture that can no longer be written (here the process's limit of file
// size) is reported, and the simulator stops rather than serve unrecorded.
void SerialSimulatorTest::captureThatCannotBeWrittenStopsTheSimulator() {
#ifdef VT3417_SIM
  TempProgramDir dir;
  const QString capture = work_.filePath("limited.cap");
  QProcess sim;
  sim.setChildProcessModifier([] {
    const rlimit limit{200, 200};  // the capture's first line fits, its first screen does not
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
  });
  sim.start(VT3417_SIM, {"--program-dir", dir.path(), "--capture", capture});
  QVERIFY(sim.waitForReadyRead(5000));
  PortSession session;
  session.openPort();  // the start keys: the instrument answers with its screens
  QVERIFY(session.comm.connected());
  QVERIFY(sim.waitForFinished(10000));
  QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
  const QString log = QString::fromUtf8(sim.readAllStandardError());
  QVERIFY2(sim.exitCode() == 1, qPrintable(log));
  QVERIFY2(log.contains(QStringLiteral("cannot write %1: ").arg(capture)), qPrintable(log));
#endif
}

VT3417_REGISTER_TEST(SerialSimulatorTest)
#include "SerialSimulatorTest.moc"
