#include <sys/resource.h>

#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "support/Keyboard.h"
#include <QTimer>

#include "LinkTestSupport.h"
#include "TerminalFixture.h"
#include "settings/NumericText.h"
#include "ui/MessageService.h"
#include "app/Startup.h"
#include "support/TestRegistry.h"

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

QByteArray MainMenu() { return stream::Screen(kMenu[0], kMenu[1], kMenu[2]); }
QByteArray ErrorPageScreen() {
  return stream::Screen("ПОГРЕШН.  1-4 %", "   0.125  -0.250", "   1.500   ?    ");
}
QByteArray PhaseVoltages() { return stream::Screen("Ф1  220.00 В", "Ф2  220.00 В", "Ф3  220.00 В"); }

enum ScreenKind { Voltage, Errors, Menu };

// A key press with the text the keyboard layout gives it, delivered as the
// keyboard does: to the terminal window's focus widget (no entry field).
void Press(int key, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
  theTerminalWindow->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(theTerminalWindow));
  QWidget* focus = keyboard::KeyReceiver();
  QVERIFY2(focus && focus->window() == theTerminalWindow, "the terminal window does not have the focus");
  QVERIFY2(!qobject_cast<QLineEdit*>(focus), "an entry field has the focus");
  keyboard::PressWithText(key, text, modifiers);
}

// The window open and connected to `pty`, the start keys read.
void Open(TerminalFixture& fixture, PtyInstrument& pty) {
  fixture.beginMeasurement();
  QCOMPARE(pty.Received(), QByteArray("\x0e\x08"));
}

}  // namespace

void TerminalWindowTest::createdFoldedAndHidden() {
  TerminalFixture fixture;
  QVERIFY(!theTerminalWindow->isVisible());
  QCOMPARE(theTerminalWindow->windowTitle(), QStringLiteral("ВТ3417"));
  QCOMPARE(theTerminalWindow->height(), TerminalWindow::FoldedHeight);
  QCOMPARE(theTerminalWindow->width(), TerminalWindow::FormWidth);
  QVERIFY(theTerminalWindow->Loop().Suspended());
  QVERIFY(!fixture.control("programmingTabs")->isVisibleTo(theTerminalWindow));
  for (const char* name : {"voltageModeButton", "currentModeButton", "powerFactorModeButton", "powerModeButton", "saveButton", "saveOnceButton", "energyButton", "programPowerButton"})
    QVERIFY2(!fixture.control(name)->isEnabled(), name);
  QCOMPARE(fixture.control<QAbstractButton>("saveButton")->toolTip(), QStringLiteral("Сохранить(S)"));
  QCOMPARE(fixture.control<QAbstractButton>("saveOnceButton")->toolTip(), QStringLiteral("Сохранить однократно(A)"));
  QCOMPARE(fixture.control<QAbstractButton>("enterKeyButton")->toolTip(), QStringLiteral("Ввод(Enter)"));
  QCOMPARE(fixture.control<QLineEdit>("meterConstantEdit")->maxLength(), 8);
}

void TerminalWindowTest::foldingAndTabDependentControls() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  auto* more = fixture.control<QAbstractButton>("detailsButton");
  auto* pages = fixture.control<QTabWidget>("programmingTabs");
  more->click();
  QCOMPARE(theTerminalWindow->height(), TerminalWindow::UnfoldedHeight);
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
  QCOMPARE(theTerminalWindow->height(), TerminalWindow::FoldedHeight);
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
  Open(fixture, pty);
  pty.Send(screen == Errors ? ErrorPageScreen() : PhaseVoltages());
  // The whole screen arrived and an idle turn has set the keys' states.
  QVERIFY(fixture.waitFor([] {
    return !TerminalFixture::mirrorRow(2).trimmed().isEmpty() && theTerminalWindow->Engine().WatchdogTag() == 1;
  }));
  pty.Received(100);
  Press(key, text, Qt::KeyboardModifiers(modifiers));
  QCOMPARE(pty.Received(400), expected);
}

// СБР on the main menu closes the port (19, 15) and opens it again 200 ms
// later (14, 8).
void TerminalWindowTest::resetOnMainMenuRestartsTheConnection() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return theTerminalWindow->Engine().Flags().MenuScreen; }));
  fixture.control<QAbstractButton>("resetKeyButton")->click();
  QCOMPARE(pty.Received(600), QByteArray("\x13\x0f\x0e\x08"));
  QVERIFY(theTerminalWindow->Line().Connected());
  QCOMPARE(theTerminalWindow->StatusPanel(0)->text(), QStringLiteral("COM порт открыт"));
  QVERIFY(TerminalFixture::mirrorRow(0).trimmed().isEmpty());
}

void TerminalWindowTest::unavailablePort() {
  TerminalFixture fixture;
  QVERIFY(
      WritePortDevice(fixture.dir.filePath("sources/ports.ini"), "Com1", fixture.dir.filePath("no-port")));
  fixture.beginMeasurement();
  QVERIFY(theTerminalWindow->isVisible());
  QVERIFY(!theTerminalWindow->Line().Connected());
  QCOMPARE(theTerminalWindow->StatusPanel(0)->text(), QStringLiteral("COM порт не доступен"));
  QCOMPARE(theTerminalWindow->StatusPanel(1)->text(), QStringLiteral("Используемый порт: Com1"));
  fixture.control<QAbstractButton>("key0Button")->click();  // dropped silently
  theTerminalWindow->close();
  QVERIFY(theMainWindow->isEnabled());
}

namespace {

// What the save button depends on, for a failure message.
QString SaveState() {
  const LinkEngine& e = theTerminalWindow->Engine();
  return QStringLiteral("led14 %1 page14 %2 lock %3 once %4 lost %5 mirror '%6' '%7' connected %8")
      .arg(e.Leds().page14Lit)
      .arg(e.Recognition().ErrorPage14)
      .arg(e.Flags().EnterLock)
      .arg(e.Flags().SaveOnceActive)
      .arg(e.Reconnecting())
      .arg(TerminalFixture::mirrorRow(0), TerminalFixture::mirrorRow(1))
      .arg(theTerminalWindow->Line().Connected());
}

// Processor time this process has used, in milliseconds.
double ProcessorMs() {
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
  LoadProgramConfig();
  Config.ActiveTab = 2;  // the error tab, where saving is possible
  SaveProgramConfig();
  const QString link = fixture.dir.filePath("instrument");
  auto first = std::make_unique<PtyInstrument>(link);
  Open(fixture, *first);
  first->Send(ErrorPageScreen());
  QVERIFY2(fixture.waitFor([] { return TerminalFixture::control("saveButton")->isEnabled(); }), qPrintable(SaveState()));

  first->HangUp();
  QElapsedTimer noticed;
  noticed.start();
  QVERIFY(fixture.waitFor(
      [] { return theTerminalWindow->StatusPanel(0)->text() == QStringLiteral("COM порт не доступен"); }, 1000));
  QVERIFY2(noticed.elapsed() < 1000, qPrintable(QString::number(noticed.elapsed())));
  QVERIFY(!theTerminalWindow->Line().Connected());
  first.reset();
  fixture.control<QAbstractButton>("key0Button")->click();  // goes nowhere
  QVERIFY(!fixture.control("saveButton")->isEnabled());
  QVERIFY(!theTerminalWindow->Engine().Leds().page14Lit);
  QVERIFY(TerminalFixture::mirrorRow(0).trimmed().isEmpty());

  // Ten seconds of the program's own event loop (QTest::qWait would poll).
  const double before = ProcessorMs();
  QEventLoop idle;
  QTimer::singleShot(10000, &idle, &QEventLoop::quit);
  idle.exec();
  const double busy = (ProcessorMs() - before) / 10000;
  QVERIFY2(busy < 0.01, qPrintable(QStringLiteral("%1 % of a core").arg(busy * 100)));
  QVERIFY(theTerminalWindow->Engine().Reconnecting());

  PtyInstrument second(link);
  QCOMPARE(second.Received(1500), QByteArray("\x0e\x08"));  // tried once a second
  QCOMPARE(theTerminalWindow->StatusPanel(0)->text(), QStringLiteral("COM порт открыт"));
  second.Send(ErrorPageScreen());
  QVERIFY2(fixture.waitFor([] { return TerminalFixture::control("saveButton")->isEnabled(); }), qPrintable(SaveState()));
  theTerminalWindow->close();
  QCOMPARE(second.Received(), QByteArray("\x13\x0f"));
}

// While the terminal window shows, the main window takes input only on the
// instrument's main menu; "Начать измерение" again only raises the window.
void TerminalWindowTest::mainWindowFollowsTheMenu() {
  TerminalFixture fixture;
  fixture.addChosenBase({1});
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  QVERIFY(!ActionsAllowed);
  QVERIFY(!theMainWindow->deleteBaseAction()->isEnabled());
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return theMainWindow->isEnabled(); }));
  pty.Send(PhaseVoltages());
  QVERIFY(fixture.waitFor([] { return !theMainWindow->isEnabled(); }));
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return theMainWindow->isEnabled(); }));
  theMainWindow->beginMeasurementAction()->trigger();
  QCOMPARE(pty.Received(300), QByteArray());
  QCOMPARE(TerminalFixture::mirrorRow(0), kMenu[0].leftJustified(17));

  theTerminalWindow->close();
  QCOMPARE(pty.Received(), QByteArray("\x13\x0f"));
  QVERIFY(!theTerminalWindow->Line().Connected());
  QVERIFY(theTerminalWindow->Loop().Suspended());
  QVERIFY(ActionsAllowed);
  QVERIFY(theMainWindow->deleteBaseAction()->isEnabled());
  QVERIFY(theMainWindow->isEnabled());
}

// Only digits, "." and Backspace reach a field; Enter clamps every field and
// moves on; leaving a field clamps it.
void TerminalWindowTest::entryFields() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(MainMenu());  // the tabs are enabled on the main menu only
  QVERIFY(fixture.waitFor([] { return TerminalFixture::control("programmingTabs")->isEnabled(); }));
  fixture.control<QAbstractButton>("detailsButton")->click();
  fixture.control<QTabWidget>("programmingTabs")->setCurrentIndex(0);
  auto* voltage = fixture.control<QLineEdit>("powerVoltageEdit");
  auto* current = fixture.control<QLineEdit>("powerCurrentEdit");
  auto* errorVoltage = fixture.control<QLineEdit>("errorVoltageEdit");
  errorVoltage->setText("460");
  current->setText("0");
  QVERIFY(keyboard::TypeInto(voltage, "2a2-0.5"));
  QCOMPARE(voltage->text(), QStringLiteral("220.5"));
  QCOMPARE(pty.Received(100), QByteArray());  // typing in a field sends nothing
  keyboard::Press(Qt::Key_Return);
  QCOMPARE(current->text(), QStringLiteral("0.01"));
  QCOMPARE(errorVoltage->text(), QStringLiteral("456"));
  QCOMPARE(voltage->text(), QStringLiteral("220.5"));
  QCOMPARE(theTerminalWindow->focusWidget(), current);  // moved on when Enter was released
  current->setText("12");
  fixture.control<QLineEdit>("divisionsEdit")->setFocus();
  QCOMPARE(current->text(), QStringLiteral("10"));
  QCOMPARE(pty.Received(100), QByteArray());
}

// Activation fills the tabs from ProgramConfig and the chosen base;
// deactivation stores them.
void TerminalWindowTest::tabSettings() {
  TerminalFixture fixture;
  fixture.addChosenBase({1}, 3200);
  LoadProgramConfig();
  Config.ActiveTab = 2;
  Config.ErrorKind = 2;
  Config.PowerScheme = 4;
  Config.ErrorTime = "30";
  Config.PowerVoltage = "57.7";
  SaveProgramConfig();
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  QCOMPARE(fixture.control<QTabWidget>("programmingTabs")->currentIndex(), 2);
  QVERIFY(fixture.control<QRadioButton>("PRbPassiv")->isChecked());
  QVERIFY(fixture.control<QRadioButton>("RB3Pr")->isChecked());
  QCOMPARE(fixture.control<QLineEdit>("errorTimeEdit")->text(), QStringLiteral("30"));
  QCOMPARE(fixture.control<QLineEdit>("powerVoltageEdit")->text(), QStringLiteral("57.7"));
  QCOMPARE(fixture.control<QLineEdit>("errorVoltageEdit")->text(), QStringLiteral("220"));
  QCOMPARE(fixture.control<QLineEdit>("meterConstantEdit")->text(), QStringLiteral("3200"));
  QCOMPARE(fixture.control<QLabel>("baseNameLabel")->text(), QStringLiteral("Б1"));

  fixture.control<QTabWidget>("programmingTabs")->setCurrentIndex(1);
  fixture.control<QRadioButton>("ERB2Fas")->setChecked(true);
  fixture.control<QLineEdit>("energyVoltageEdit")->setText("100.5");
  pty.Send(MainMenu());  // the main window takes input on the main menu only
  QVERIFY(fixture.waitFor([] { return theMainWindow->isEnabled(); }));
  theMainWindow->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(theMainWindow));
  Config = ProgramConfig{};
  LoadProgramConfig();
  QCOMPARE(Config.ActiveTab, 1);
  QCOMPARE(Config.EnergyScheme, 2);
  QCOMPARE(Config.EnergyKind, 1);
  QCOMPARE(Config.ErrorKind, 2);
  QCOMPARE(Config.EnergyVoltage, QStringLiteral("100.5"));
  QCOMPARE(Config.ErrorTime, QStringLiteral("30"));

  // Without a chosen base the error tab's base fields are empty.
  fixture.chooseNode("База счетчиков");
  QVERIFY(ChosenBaseName.isEmpty());
  theTerminalWindow->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(theTerminalWindow));
  QCOMPARE(fixture.control<QLabel>("baseNameLabel")->text(), QStringLiteral("База не выбрана"));
  QVERIFY(fixture.control<QLineEdit>("errorVoltageEdit")->text().isEmpty());
  QVERIFY(fixture.control<QLineEdit>("meterConstantEdit")->text().isEmpty());
}

void TerminalWindowTest::programmingNeedsEveryParameter() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return TerminalFixture::control("programEnergyButton")->isEnabled(); }));
  MessageService::ScriptedAnswers answers;
  fixture.control<QLineEdit>("energyVoltageEdit")->clear();
  fixture.control<QAbstractButton>("programEnergyButton")->click();
  QCOMPARE(answers.texts(), QStringList{"Необходимо задать значение всех параметров"});
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Режим автоматического программирования"));
  QCOMPARE(pty.Received(800), QByteArray());
}

// Without a base the operator types the voltage and the constant; reactive
// power sends no scheme.
void TerminalWindowTest::programmingTheErrorModeWithoutBase() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return TerminalFixture::control("programErrorButton")->isEnabled(); }));
  fixture.control<QLineEdit>("errorTimeEdit")->setText("9");
  {
    MessageService::ScriptedAnswers answers;
    fixture.control<QAbstractButton>("programErrorButton")->click();
    QCOMPARE(answers.texts(),
             QStringList{"Необходимо выбрать базу счетчиков или задать значение всех параметров"});
  }
  fixture.control<QLineEdit>("errorVoltageEdit")->setText("100");
  fixture.control<QLineEdit>("meterConstantEdit")->setText("0.1");
  fixture.control<QRadioButton>("PRbPassiv")->setChecked(true);
  fixture.control<QAbstractButton>("programErrorButton")->click();
  // ЗБ at once, then one key per 600 ms tick: 3 ВВ 2 ВВ 100 ВВ 0.0001 ВВ 9 ВВ.
  const QByteArray keys =
      "\x7f"
      "3\r2\r100\r0.0001\r9\r";
  QVERIFY(fixture.waitFor([&] { return !theTerminalWindow->TimerActive(LinkTimer::KeyQueueTimer); }, 15000));
  QCOMPARE(pty.Received(100), keys);
}

// "Старт" on a power screen: "." marks the start on the instrument, the power
// read at Start is added once per second; "Стоп" adds one more second and
// marks the end.
void TerminalWindowTest::energyCount() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(stream::Screen("МОЩН. АКТИВНАЯ", "1 ФАЗА", "Р     1100.00 ВТ"));
  auto* start = fixture.control<QPushButton>("energyButton");
  QVERIFY(fixture.waitFor([start] { return start->isEnabled(); }));
  fixture.control<QTabWidget>("programmingTabs")->setCurrentIndex(1);
  QVERIFY(start->isVisible());
  auto* energy = fixture.control<QLineEdit>("energyEdit");
  start->click();
  QCOMPARE(start->text(), QStringLiteral("Стоп"));
  QVERIFY(fixture.waitFor([energy] { return !energy->text().isEmpty(); }, 4000));
  QCOMPARE(pty.Received(100), QByteArray("."));
  const double perSecond = 1100.0 / 3600;
  QVERIFY(fixture.waitFor([&] { return TextToNumber(energy->text()) > 1.5 * perSecond; }, 4000));
  const double beforeStop = TextToNumber(energy->text());
  start->click();
  QCOMPARE(start->text(), QStringLiteral("Старт"));
  QVERIFY(fixture.waitFor([&] { return TextToNumber(energy->text()) > beforeStop; }, 3000));
  QCOMPARE(pty.Received(1500), QByteArray("."));
  const double seconds = TextToNumber(energy->text()) / perSecond;
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
  Open(fixture, pty);
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return theMainWindow->isEnabled(); }));
  QVERIFY(theTerminalWindow->Loop().isRunning());
  QTimer::singleShot(0, theMainWindow, [] { theMainWindow->close(); });
  RunUntilMainWindowCloses(theMainWindow);
  QVERIFY(theTerminalWindow->Loop().isFinished());
  QVERIFY(!theTerminalWindow->isVisible());
  QCOMPARE(pty.Received(), QByteArray("\x13\x0f"));
  DestroyWindows();
  QVERIFY(!theTerminalWindow);
}

VT3417_REGISTER_TEST(TerminalWindowTest)
#include "TerminalWindowTest.moc"
