#include <sys/resource.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <QTimer>
#include "support/Keyboard.h"
#include "support/Widgets.h"

#include "LinkTestSupport.h"
#include "TerminalFixture.h"
#include "app/Startup.h"
#include "settings/NumericText.h"
#include "settings/SmallFile.h"
#include "support/TestRegistry.h"
#include "ui/MessageService.h"

// The terminal window offscreen, on a pseudo-terminal whose other end the
// test plays: the keypad and keyboard, the entry fields, the tabs and their
// settings, the main window's states, the end of the program.
class TerminalWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void createdFoldedAndHidden();
  void foldingAndTabDependentControls();
  void keyboard_data();
  void keyboard();
  void resetOnMainMenuRestartsTheConnection();
  void unavailablePort();
  void lostDeviceClosesThePortAndComesBack();
  void mainWindowFollowsTheMenu();
  void entryFields();
  void tabSettings();
  void programmingNeedsEveryParameter();
  void programmingTheErrorModeWithoutBase();
  void energyCount();
  void programEndsWithTheWindowOpen();
};

namespace {

const QString kMenu[] = {QStringLiteral("МОЩНОСТЬ     1"), QStringLiteral("ЭНЕРГИЯ      2"),
                         QStringLiteral("ОПР.ПОГРЕШН. 3 >")};

QByteArray mainMenu() { return stream::screen(kMenu[0], kMenu[1], kMenu[2]); }
QByteArray errorPageScreen() {
  return stream::screen("ПОГРЕШН.  1-4 %", "   0.125  -0.250", "   1.500   ?    ");
}
QByteArray phaseVoltages() { return stream::screen("Ф1  220.00 В", "Ф2  220.00 В", "Ф3  220.00 В"); }

enum ScreenKind { Voltage, Errors, Menu };

// A key press with the text the keyboard layout gives it, delivered as the
// keyboard does: to the terminal window's focus widget (no entry field).
void press(TerminalFixture& fixture, int key, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
  fixture.terminal().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&fixture.terminal()));
  QWidget* focus = keyboard::keyReceiver();
  QVERIFY2(focus && focus->window() == &fixture.terminal(), "the terminal window does not have the focus");
  QVERIFY2(!qobject_cast<QLineEdit*>(focus), "an entry field has the focus");
  keyboard::pressWithText(key, text, modifiers);
}

// The window open and connected to `pty`, the start keys read.
void open(TerminalFixture& fixture, PtyInstrument& pty) {
  fixture.beginMeasurement();
  QCOMPARE(pty.received(), QByteArray("\x0e\x08"));
}

}  // namespace

void TerminalWindowTest::createdFoldedAndHidden() {
  TerminalFixture fixture;
  QVERIFY(!fixture.terminal().isVisible());
  QCOMPARE(fixture.terminal().windowTitle(), QStringLiteral("ВТ3417"));
  QCOMPARE(fixture.terminal().height(), TerminalWindow::FoldedHeight);
  QCOMPARE(fixture.terminal().width(), TerminalWindow::FormWidth);
  QVERIFY(fixture.terminal().loop().suspended());
  QVERIFY(!fixture.control("programmingTabs")->isVisibleTo(&fixture.terminal()));
  for (const char* name :
       {"voltageModeButton", "currentModeButton", "powerFactorModeButton", "powerModeButton", "saveButton",
        "saveOnceButton", "energyButton", "programPowerButton"})
    QVERIFY2(!fixture.control(name)->isEnabled(), name);
  QCOMPARE(fixture.control<QAbstractButton>("saveButton")->toolTip(), QStringLiteral("Сохранить(S)"));
  QCOMPARE(fixture.control<QAbstractButton>("saveOnceButton")->toolTip(),
           QStringLiteral("Сохранить однократно(A)"));
  QCOMPARE(fixture.control<QAbstractButton>("enterKeyButton")->toolTip(), QStringLiteral("Ввод(Enter)"));
  QCOMPARE(fixture.control<QLineEdit>("meterConstantEdit")->maxLength(), 8);
}

void TerminalWindowTest::foldingAndTabDependentControls() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  auto* more = fixture.control<QAbstractButton>("detailsButton");
  auto* pages = fixture.control<QTabWidget>("programmingTabs");
  more->click();
  QCOMPARE(fixture.terminal().height(), TerminalWindow::UnfoldedHeight);
  QVERIFY(pages->isVisible());
  const QStringList titles = {pages->tabText(0), pages->tabText(1), pages->tabText(2)};
  QCOMPARE(titles, (QStringList{"Мощность", "Энергия", "Погрешность"}));
  pages->setCurrentIndex(1);
  QVERIFY(fixture.control("energyButton")->isVisible());
  QVERIFY(!fixture.control("pageIndicatorFrame")->isVisible());
  pages->setCurrentIndex(2);
  QVERIFY(!fixture.control("energyButton")->isVisible());
  QVERIFY(fixture.control("pageIndicatorFrame")->isVisible());
  more->click();
  QCOMPARE(fixture.terminal().height(), TerminalWindow::FoldedHeight);
  QVERIFY(!pages->isVisible());
}

void TerminalWindowTest::keyboard_data() {
  QTest::addColumn<int>("screen");
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QByteArray>("expected");
  const int none = Qt::NoModifier;
  QTest::newRow("digit") << int(Voltage) << int(Qt::Key_7) << "7" << none << QByteArray("7");
  QTest::newRow("point") << int(Voltage) << int(Qt::Key_Period) << "." << none << QByteArray(".");
  QTest::newRow("minus") << int(Voltage) << int(Qt::Key_Minus) << "-" << none << QByteArray("\x11");
  QTest::newRow("Backspace is ВШ") << int(Voltage) << int(Qt::Key_Backspace) << "\b" << none
                                   << QByteArray("\x08");
  QTest::newRow("Enter is ВВ") << int(Voltage) << int(Qt::Key_Return) << "\r" << none << QByteArray("\x0d");
  QTest::newRow("Delete is ЗБ") << int(Voltage) << int(Qt::Key_Delete) << "" << none << QByteArray("\x7f");
  QTest::newRow("Esc off the menu") << int(Voltage) << int(Qt::Key_Escape) << "\x1b" << none
                                    << QByteArray("\x13");
  QTest::newRow("P, no measuring screen") << int(Voltage) << int(Qt::Key_P) << "p" << none << QByteArray();
  QTest::newRow("P on an error page") << int(Errors) << int(Qt::Key_P) << "p" << none << QByteArray("\x11");
  QTest::newRow("З on an error page") << int(Errors) << 0x417 << "з" << none << QByteArray("\x11");
  QTest::newRow("U on an error page") << int(Errors) << int(Qt::Key_U) << "U" << none << QByteArray("\x08");
  QTest::newRow("Г on an error page") << int(Errors) << 0x413 << "г" << none << QByteArray("\x08");
  // KM: "-" now and one more once an error page or a power screen shows.
  QTest::newRow("K on an error page")
      << int(Errors) << int(Qt::Key_K) << "k" << none << QByteArray("\x11\x11");
  QTest::newRow("Л on an error page") << int(Errors) << 0x41b << "л" << none << QByteArray("\x11\x11");
  QTest::newRow("Ш on an error page") << int(Errors) << 0x428 << "ш" << none << QByteArray("\x11\x11");
  QTest::newRow("I, no measuring screen") << int(Voltage) << int(Qt::Key_I) << "i" << none << QByteArray();
  QTest::newRow("Ф, save disabled") << int(Voltage) << 0x424 << "ф" << none << QByteArray();
  QTest::newRow("other letter") << int(Errors) << int(Qt::Key_X) << "x" << none << QByteArray();
  QTest::newRow("Ctrl+N") << int(Voltage) << int(Qt::Key_N) << "\x0e" << int(Qt::ControlModifier)
                          << QByteArray("\x0e");
  QTest::newRow("Ctrl+O") << int(Voltage) << int(Qt::Key_O) << "\x0f" << int(Qt::ControlModifier)
                          << QByteArray("\x0f");
}

void TerminalWindowTest::keyboard() {
  QFETCH(int, screen);
  QFETCH(int, key);
  QFETCH(QString, text);
  QFETCH(int, modifiers);
  QFETCH(QByteArray, expected);
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(screen == Errors ? errorPageScreen() : phaseVoltages());
  // The whole screen arrived and an idle turn has set the keys' states.
  QVERIFY(fixture.waitFor([&fixture] {
    return !fixture.mirrorRow(2).trimmed().isEmpty() && fixture.terminal().engine().watchdogTag() == 1;
  }));
  pty.received(100);
  press(fixture, key, text, Qt::KeyboardModifiers(modifiers));
  QCOMPARE(pty.received(400), expected);
}

// СБР on the main menu closes the port (19, 15) and opens it again 200 ms
// later (14, 8).
void TerminalWindowTest::resetOnMainMenuRestartsTheConnection() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(mainMenu());
  QVERIFY(fixture.waitFor([&fixture] { return fixture.terminal().engine().flags().menuScreen; }));
  fixture.control<QAbstractButton>("resetKeyButton")->click();
  QCOMPARE(pty.received(600), QByteArray("\x13\x0f\x0e\x08"));
  QVERIFY(fixture.terminal().line().connected());
  QCOMPARE(fixture.terminal().statusPanel(0)->text(), QStringLiteral("COM порт открыт"));
  QVERIFY(fixture.mirrorRow(0).trimmed().isEmpty());
}

void TerminalWindowTest::unavailablePort() {
  TerminalFixture fixture;
  QVERIFY(
      writePortDevice(fixture.dir.filePath("sources/ports.ini"), "Com1", fixture.dir.filePath("no-port")));
  fixture.beginMeasurement();
  QVERIFY(fixture.terminal().isVisible());
  QVERIFY(!fixture.terminal().line().connected());
  QCOMPARE(fixture.terminal().statusPanel(0)->text(), QStringLiteral("COM порт не доступен"));
  QCOMPARE(fixture.terminal().statusPanel(1)->text(), QStringLiteral("Используемый порт: Com1"));
  fixture.control<QAbstractButton>("key0Button")->click();  // dropped silently
  fixture.terminal().close();
  QVERIFY(fixture.mainWindow().isEnabled());

  // A ports file too large to be one is not read (its device is not used),
  // and the operator is told why the port is not the one it names.
  PtyInstrument pty;
  const QString ini = fixture.dir.filePath("sources/ports.ini");
  QFile file(ini);
  QVERIFY(file.open(QIODevice::Append));
  file.write("#" + QByteArray(kSettingsFileMaxBytes, 'x') + '\n');
  file.close();
  MessageService::ScriptedAnswers answers;
  fixture.beginMeasurement();
  QCOMPARE(answers.texts().size(), 1);
  QVERIFY2(answers.texts().front().contains(QDir::toNativeSeparators(ini)),
           qPrintable(answers.texts().front()));
  QVERIFY2(answers.texts().front().contains("слишком велик"), qPrintable(answers.texts().front()));
  QCOMPARE(pty.received(300), QByteArray());
  fixture.terminal().close();
}

namespace {

// What the save button depends on, for a failure message.
QString saveState(TerminalFixture& fixture) {
  const LinkEngine& e = fixture.terminal().engine();
  return QStringLiteral("led14 %1 page14 %2 lock %3 once %4 lost %5 mirror '%6' '%7' connected %8")
      .arg(e.leds().page14Lit)
      .arg(e.recognition().errorPage14)
      .arg(e.flags().enterLock)
      .arg(e.flags().saveOnceActive)
      .arg(e.reconnecting())
      .arg(fixture.mirrorRow(0), fixture.mirrorRow(1))
      .arg(fixture.terminal().line().connected());
}

// Processor time this process has used, in milliseconds.
double processorMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

// The instrument's end hangs up mid-session (an adapter pulled): within a
// second the status says so and the port is closed; keys go nowhere, nothing
// can be saved and the program idles; a new instrument at the same device
// path is connected as the first one was (14, 8) and works.
void TerminalWindowTest::lostDeviceClosesThePortAndComesBack() {
  TerminalFixture fixture;
  fixture.addChosenBase({1});
  loadProgramConfig();
  Config.ActiveTab = 2;  // the error tab, where saving is possible
  saveProgramConfig();
  const QString link = fixture.dir.filePath("instrument");
  auto first = std::make_unique<PtyInstrument>(link);
  open(fixture, *first);
  first->send(errorPageScreen());
  QVERIFY2(fixture.waitFor([&fixture] { return fixture.control("saveButton")->isEnabled(); }),
           qPrintable(saveState(fixture)));

  first->hangUp();
  QElapsedTimer noticed;
  noticed.start();
  QVERIFY(fixture.waitFor(
      [&fixture] {
        return fixture.terminal().statusPanel(0)->text() == QStringLiteral("COM порт не доступен");
      },
      5000));
  // At once, not after some timeout: well within the second a reconnection takes.
  QVERIFY2(noticed.elapsed() < 3000, qPrintable(QString::number(noticed.elapsed())));
  QVERIFY(!fixture.terminal().line().connected());
  first.reset();
  fixture.control<QAbstractButton>("key0Button")->click();  // goes nowhere
  QVERIFY(!fixture.control("saveButton")->isEnabled());
  QVERIFY(!fixture.terminal().engine().leds().page14Lit);
  QVERIFY(fixture.mirrorRow(0).trimmed().isEmpty());

  // Ten seconds of the program's own event loop (QTest::qWait would poll):
  // the receive loop turns about once per idle wait while it waits for the
  // device, never spins. Counted in turns, which a loaded machine can only
  // lower; the processor time is a second, looser guard.
  const double before = processorMs();
  const qint64 turnsBefore = fixture.terminal().loop().stepCount();
  QEventLoop idle;
  QTimer::singleShot(10000, &idle, &QEventLoop::quit);
  idle.exec();
  const qint64 turns = fixture.terminal().loop().stepCount() - turnsBefore;
  QVERIFY2(turns <= 3 * 10000 / ReceiveLoop::DefaultIdleWaitMs, qPrintable(QString::number(turns)));
  const double busy = (processorMs() - before) / 10000;
  QVERIFY2(busy < 0.05, qPrintable(QStringLiteral("%1 % of a core").arg(busy * 100)));
  QVERIFY(fixture.terminal().engine().reconnecting());

  PtyInstrument second(link);
  QCOMPARE(second.received(3000), QByteArray("\x0e\x08"));  // tried once a second
  QCOMPARE(fixture.terminal().statusPanel(0)->text(), QStringLiteral("COM порт открыт"));
  second.send(errorPageScreen());
  QVERIFY2(fixture.waitFor([&fixture] { return fixture.control("saveButton")->isEnabled(); }),
           qPrintable(saveState(fixture)));
  fixture.terminal().close();
  QCOMPARE(second.received(), QByteArray("\x13\x0f"));
}

// While the terminal window shows, the main window takes input only on the
// instrument's main menu; "Начать измерение" again only raises the window.
void TerminalWindowTest::mainWindowFollowsTheMenu() {
  TerminalFixture fixture;
  fixture.addChosenBase({1});
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  QVERIFY(!fixture.selection().actionsAllowed());
  QVERIFY(!widgets::child<QAction>(fixture.mainWindow(), "deleteBaseAction")->isEnabled());
  pty.send(mainMenu());
  QVERIFY(fixture.waitFor([&fixture] { return fixture.mainWindow().isEnabled(); }));
  pty.send(phaseVoltages());
  QVERIFY(fixture.waitFor([&fixture] { return !fixture.mainWindow().isEnabled(); }));
  pty.send(mainMenu());
  QVERIFY(fixture.waitFor([&fixture] { return fixture.mainWindow().isEnabled(); }));
  widgets::child<QAction>(fixture.mainWindow(), "beginMeasurementAction")->trigger();
  QCOMPARE(pty.received(300), QByteArray());
  QCOMPARE(fixture.mirrorRow(0), kMenu[0].leftJustified(17));

  fixture.terminal().close();
  QCOMPARE(pty.received(), QByteArray("\x13\x0f"));
  QVERIFY(!fixture.terminal().line().connected());
  QVERIFY(fixture.terminal().loop().suspended());
  QVERIFY(fixture.selection().actionsAllowed());
  QVERIFY(widgets::child<QAction>(fixture.mainWindow(), "deleteBaseAction")->isEnabled());
  QVERIFY(fixture.mainWindow().isEnabled());
}

// Only digits, "." and Backspace reach a field; Enter clamps every field and
// moves on; leaving a field clamps it.
void TerminalWindowTest::entryFields() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(mainMenu());  // the tabs are enabled on the main menu only
  QVERIFY(fixture.waitFor([&fixture] { return fixture.control("programmingTabs")->isEnabled(); }));
  fixture.control<QAbstractButton>("detailsButton")->click();
  fixture.control<QTabWidget>("programmingTabs")->setCurrentIndex(0);
  auto* voltage = fixture.control<QLineEdit>("powerVoltageEdit");
  auto* current = fixture.control<QLineEdit>("powerCurrentEdit");
  auto* errorVoltage = fixture.control<QLineEdit>("errorVoltageEdit");
  errorVoltage->setText("460");
  current->setText("0");
  QVERIFY(keyboard::typeInto(voltage, "2a2-0.5"));
  QCOMPARE(voltage->text(), QStringLiteral("220.5"));
  QCOMPARE(pty.received(100), QByteArray());  // typing in a field sends nothing
  keyboard::press(Qt::Key_Return);
  QCOMPARE(current->text(), QStringLiteral("0.01"));
  QCOMPARE(errorVoltage->text(), QStringLiteral("456"));
  QCOMPARE(voltage->text(), QStringLiteral("220.5"));
  QCOMPARE(fixture.terminal().focusWidget(), current);  // moved on when Enter was released
  current->setText("12");
  fixture.control<QLineEdit>("divisionsEdit")->setFocus();
  QCOMPARE(current->text(), QStringLiteral("10"));
  QCOMPARE(pty.received(100), QByteArray());
}

// Activation fills the tabs from ProgramConfig and the chosen base;
// deactivation stores them.
void TerminalWindowTest::tabSettings() {
  TerminalFixture fixture;
  fixture.addChosenBase({1}, 3200);
  loadProgramConfig();
  Config.ActiveTab = 2;
  Config.ErrorKind = 2;
  Config.PowerScheme = 4;
  Config.ErrorTime = "30";
  Config.PowerVoltage = "57.7";
  saveProgramConfig();
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  QCOMPARE(fixture.control<QTabWidget>("programmingTabs")->currentIndex(), 2);
  QVERIFY(fixture.control<QRadioButton>("errorReactiveRadio")->isChecked());
  QVERIFY(fixture.control<QRadioButton>("powerThreeWireRadio")->isChecked());
  QCOMPARE(fixture.control<QLineEdit>("errorTimeEdit")->text(), QStringLiteral("30"));
  QCOMPARE(fixture.control<QLineEdit>("powerVoltageEdit")->text(), QStringLiteral("57.7"));
  QCOMPARE(fixture.control<QLineEdit>("errorVoltageEdit")->text(), QStringLiteral("220"));
  QCOMPARE(fixture.control<QLineEdit>("meterConstantEdit")->text(), QStringLiteral("3200"));
  QCOMPARE(fixture.control<QLabel>("baseNameLabel")->text(), QStringLiteral("Б1"));

  fixture.control<QTabWidget>("programmingTabs")->setCurrentIndex(1);
  fixture.control<QRadioButton>("energyPhase2Radio")->setChecked(true);
  fixture.control<QLineEdit>("energyVoltageEdit")->setText("100.5");
  pty.send(mainMenu());  // the main window takes input on the main menu only
  QVERIFY(fixture.waitFor([&fixture] { return fixture.mainWindow().isEnabled(); }));
  fixture.mainWindow().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&fixture.mainWindow()));
  Config = ProgramConfig{};
  loadProgramConfig();
  QCOMPARE(Config.ActiveTab, 1);
  QCOMPARE(Config.EnergyScheme, 2);
  QCOMPARE(Config.EnergyKind, 1);
  QCOMPARE(Config.ErrorKind, 2);
  QCOMPARE(Config.EnergyVoltage, QStringLiteral("100.5"));
  QCOMPARE(Config.ErrorTime, QStringLiteral("30"));

  // Without a chosen base the error tab's base fields are empty.
  fixture.chooseNode("База счетчиков");
  QVERIFY(fixture.selection().baseName().isEmpty());
  fixture.terminal().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&fixture.terminal()));
  QCOMPARE(fixture.control<QLabel>("baseNameLabel")->text(), QStringLiteral("База не выбрана"));
  QVERIFY(fixture.control<QLineEdit>("errorVoltageEdit")->text().isEmpty());
  QVERIFY(fixture.control<QLineEdit>("meterConstantEdit")->text().isEmpty());
}

void TerminalWindowTest::programmingNeedsEveryParameter() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(mainMenu());
  QVERIFY(fixture.waitFor([&fixture] { return fixture.control("programEnergyButton")->isEnabled(); }));
  MessageService::ScriptedAnswers answers;
  fixture.control<QLineEdit>("energyVoltageEdit")->clear();
  fixture.control<QAbstractButton>("programEnergyButton")->click();
  QCOMPARE(answers.texts(), QStringList{"Необходимо задать значение всех параметров"});
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Режим автоматического программирования"));
  QCOMPARE(pty.received(800), QByteArray());
}

// Without a base the operator types the voltage and the constant; reactive
// power sends no scheme.
void TerminalWindowTest::programmingTheErrorModeWithoutBase() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(mainMenu());
  QVERIFY(fixture.waitFor([&fixture] { return fixture.control("programErrorButton")->isEnabled(); }));
  fixture.control<QLineEdit>("errorTimeEdit")->setText("9");
  {
    MessageService::ScriptedAnswers answers;
    fixture.control<QAbstractButton>("programErrorButton")->click();
    QCOMPARE(answers.texts(),
             QStringList{"Необходимо выбрать базу счетчиков или задать значение всех параметров"});
  }
  fixture.control<QLineEdit>("errorVoltageEdit")->setText("100");
  fixture.control<QLineEdit>("meterConstantEdit")->setText("0.1");
  fixture.control<QRadioButton>("errorReactiveRadio")->setChecked(true);
  fixture.control<QAbstractButton>("programErrorButton")->click();
  // ЗБ at once, then one key per 600 ms tick: 3 ВВ 2 ВВ 100 ВВ 0.0001 ВВ 9 ВВ.
  const QByteArray keys =
      "\x7f"
      "3\r2\r100\r0.0001\r9\r";
  QVERIFY(fixture.waitFor([&] { return !fixture.terminal().timerActive(LinkTimer::KeyQueueTimer); }, 15000));
  QCOMPARE(pty.received(100), keys);
}

// "Старт" on a power screen: "." marks the start on the instrument, the power
// read at Start is added once per second; "Стоп" adds one more second and
// marks the end.
void TerminalWindowTest::energyCount() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(stream::screen("МОЩН. АКТИВНАЯ", "1 ФАЗА", "Р     1100.00 ВТ"));
  auto* start = fixture.control<QPushButton>("energyButton");
  QVERIFY(fixture.waitFor([start] { return start->isEnabled(); }));
  fixture.control<QTabWidget>("programmingTabs")->setCurrentIndex(1);
  QVERIFY(start->isVisible());
  auto* energy = fixture.control<QLineEdit>("energyEdit");
  start->click();
  QCOMPARE(start->text(), QStringLiteral("Стоп"));
  QVERIFY(fixture.waitFor([energy] { return !energy->text().isEmpty(); }, 4000));
  QCOMPARE(pty.received(100), QByteArray("."));
  const double perSecond = 1100.0 / 3600;
  QVERIFY(fixture.waitFor([&] { return textToNumber(energy->text()) > 1.5 * perSecond; }, 4000));
  const double beforeStop = textToNumber(energy->text());
  start->click();
  QCOMPARE(start->text(), QStringLiteral("Старт"));
  QVERIFY(fixture.waitFor([&] { return textToNumber(energy->text()) > beforeStop; }, 3000));
  QCOMPARE(pty.received(1500), QByteArray("."));
  const double seconds = textToNumber(energy->text()) / perSecond;
  QVERIFY2(std::abs(seconds - std::round(seconds)) < 0.05, qPrintable(energy->text()));
  QCOMPARE(std::round(seconds), std::round(beforeStop / perSecond) + 1);
}

// Closing the main window with the terminal window open ends the run: the
// receive loop is stopped and waited for, the end of the message loop closes
// the terminal window too (the instrument hears 19 and 15), and destroying the
// windows afterwards is clean.
void TerminalWindowTest::programEndsWithTheWindowOpen() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  open(fixture, pty);
  pty.send(mainMenu());
  QVERIFY(fixture.waitFor([&fixture] { return fixture.mainWindow().isEnabled(); }));
  QVERIFY(fixture.terminal().loop().isRunning());
  QTimer::singleShot(0, &fixture.mainWindow(), [&fixture] { fixture.mainWindow().close(); });
  runUntilMainWindowCloses(&fixture.mainWindow());
  QVERIFY(fixture.terminal().loop().isFinished());
  QVERIFY(!fixture.terminal().isVisible());
  QCOMPARE(pty.received(), QByteArray("\x13\x0f"));
  const QPointer<TerminalWindow> terminal = &fixture.terminal();
  fixture.destroyWindows();
  QVERIFY(!terminal);
}

VT3417_REGISTER_TEST(TerminalWindowTest)
#include "TerminalWindowTest.moc"
