#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "LinkTestSupport.h"
#include "TerminalFixture.h"
#include "settings/NumericText.h"
#include "shell/MessageService.h"
#include "shell/Startup.h"
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

// A key press on the window with the text the keyboard layout gives it.
void Press(int key, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
  QTest::sendKeyEvent(QTest::Click, Form1, static_cast<Qt::Key>(key), text, modifiers);
}

// The window open and connected to `pty`, the start keys read.
void Open(TerminalFixture& fixture, PtyInstrument& pty) {
  fixture.beginMeasurement();
  QCOMPARE(pty.Received(), QByteArray("\x0e\x08"));
}

}  // namespace

void TerminalWindowTest::createdFoldedAndHidden() {
  TerminalFixture fixture;
  QVERIFY(!Form1->isVisible());
  QCOMPARE(Form1->windowTitle(), QStringLiteral("ВТ3417"));
  QCOMPARE(Form1->height(), TForm1::FoldedHeight);
  QCOMPARE(Form1->width(), TForm1::FormWidth);
  QVERIFY(Form1->MyThread1().Suspended());
  QVERIFY(!fixture.control("PageControl1")->isVisibleTo(Form1));
  for (const char* name : {"SBU", "SBI", "SBKM", "SBP", "Button1", "Button2", "Button3", "BitBtn1"})
    QVERIFY2(!fixture.control(name)->isEnabled(), name);
  QCOMPARE(fixture.control<QAbstractButton>("Button1")->toolTip(), QStringLiteral("Сохранить(S)"));
  QCOMPARE(fixture.control<QAbstractButton>("Button2")->toolTip(), QStringLiteral("Сохранить однократно(A)"));
  QCOMPARE(fixture.control<QAbstractButton>("SpeedButton13")->toolTip(), QStringLiteral("Ввод(Enter)"));
  QCOMPARE(fixture.control<QLineEdit>("PEdit2")->maxLength(), 8);
}

void TerminalWindowTest::foldingAndTabDependentControls() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  auto* more = fixture.control<QAbstractButton>("SpeedButton1");
  auto* pages = fixture.control<QTabWidget>("PageControl1");
  more->click();
  QCOMPARE(Form1->height(), TForm1::UnfoldedHeight);
  QVERIFY(pages->isVisible());
  const QStringList titles = {pages->tabText(0), pages->tabText(1), pages->tabText(2)};
  QCOMPARE(titles, (QStringList{"Мощность", "Энергия", "Погрешность"}));
  pages->setCurrentIndex(1);
  QVERIFY(fixture.control("Button3")->isVisible());
  QVERIFY(!fixture.control("PLed")->isVisible());
  pages->setCurrentIndex(2);
  QVERIFY(!fixture.control("Button3")->isVisible());
  QVERIFY(fixture.control("PLed")->isVisible());
  more->click();
  QCOMPARE(Form1->height(), TForm1::FoldedHeight);
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
    return !TerminalFixture::mirrorRow(2).trimmed().isEmpty() && Form1->Engine().DogTimerTag() == 1;
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
  QVERIFY(fixture.waitFor([] { return Form1->Engine().Flags().MenuScreen; }));
  fixture.control<QAbstractButton>("SpeedButton19")->click();
  QCOMPARE(pty.Received(600), QByteArray("\x13\x0f\x0e\x08"));
  QVERIFY(Form1->Comm1().Connected());
  QCOMPARE(Form1->StatusPanel(0)->text(), QStringLiteral("COM порт открыт"));
  QVERIFY(TerminalFixture::mirrorRow(0).trimmed().isEmpty());
}

void TerminalWindowTest::unavailablePort() {
  TerminalFixture fixture;
  QVERIFY(
      WritePortDevice(fixture.dir.filePath("sources/ports.ini"), "Com1", fixture.dir.filePath("no-port")));
  fixture.beginMeasurement();
  QVERIFY(Form1->isVisible());
  QVERIFY(!Form1->Comm1().Connected());
  QCOMPARE(Form1->StatusPanel(0)->text(), QStringLiteral("COM порт не доступен"));
  QCOMPARE(Form1->StatusPanel(1)->text(), QStringLiteral("Используемый порт: Com1"));
  fixture.control<QAbstractButton>("SpeedButton14")->click();  // dropped silently
  Form1->close();
  QVERIFY(Form2->isEnabled());
}

// While the terminal window shows, the main window takes input only on the
// instrument's main menu; "Начать измерение" again only raises the window.
void TerminalWindowTest::mainWindowFollowsTheMenu() {
  TerminalFixture fixture;
  fixture.addChosenBase({1});
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  QVERIFY(!ActionsAllowed);
  QVERIFY(!Form2->DELBase()->isEnabled());
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return Form2->isEnabled(); }));
  pty.Send(PhaseVoltages());
  QVERIFY(fixture.waitFor([] { return !Form2->isEnabled(); }));
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return Form2->isEnabled(); }));
  Form2->BeginTest()->trigger();
  QCOMPARE(pty.Received(300), QByteArray());
  QCOMPARE(TerminalFixture::mirrorRow(0), kMenu[0].leftJustified(17));

  Form1->close();
  QCOMPARE(pty.Received(), QByteArray("\x13\x0f"));
  QVERIFY(!Form1->Comm1().Connected());
  QVERIFY(Form1->MyThread1().Suspended());
  QVERIFY(ActionsAllowed);
  QVERIFY(Form2->DELBase()->isEnabled());
  QVERIFY(Form2->isEnabled());
}

// Only digits, "." and Backspace reach a field; Enter clamps every field and
// moves on; leaving a field clamps it.
void TerminalWindowTest::entryFields() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(MainMenu());  // the tabs are enabled on the main menu only
  QVERIFY(fixture.waitFor([] { return TerminalFixture::control("PageControl1")->isEnabled(); }));
  fixture.control<QAbstractButton>("SpeedButton1")->click();
  fixture.control<QTabWidget>("PageControl1")->setCurrentIndex(0);
  auto* voltage = fixture.control<QLineEdit>("MEdit1");
  auto* current = fixture.control<QLineEdit>("MEdit2");
  auto* errorVoltage = fixture.control<QLineEdit>("ENVoltage");
  errorVoltage->setText("460");
  current->setText("0");
  voltage->setFocus();
  QTest::keyClicks(voltage, "2a2-0.5");
  QCOMPARE(voltage->text(), QStringLiteral("220.5"));
  QCOMPARE(pty.Received(100), QByteArray());  // typing in a field sends nothing
  QTest::keyClick(voltage, Qt::Key_Return);
  QCOMPARE(current->text(), QStringLiteral("0.01"));
  QCOMPARE(errorVoltage->text(), QStringLiteral("456"));
  QCOMPARE(voltage->text(), QStringLiteral("220.5"));
  QCOMPARE(Form1->focusWidget(), current);  // moved on when Enter was released
  current->setText("12");
  fixture.control<QLineEdit>("MEdit3")->setFocus();
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
  QCOMPARE(fixture.control<QTabWidget>("PageControl1")->currentIndex(), 2);
  QVERIFY(fixture.control<QRadioButton>("PRbPassiv")->isChecked());
  QVERIFY(fixture.control<QRadioButton>("RB3Pr")->isChecked());
  QCOMPARE(fixture.control<QLineEdit>("PEdit3")->text(), QStringLiteral("30"));
  QCOMPARE(fixture.control<QLineEdit>("MEdit1")->text(), QStringLiteral("57.7"));
  QCOMPARE(fixture.control<QLineEdit>("ENVoltage")->text(), QStringLiteral("220"));
  QCOMPARE(fixture.control<QLineEdit>("PEdit2")->text(), QStringLiteral("3200"));
  QCOMPARE(fixture.control<QLabel>("LNameBase")->text(), QStringLiteral("Б1"));

  fixture.control<QTabWidget>("PageControl1")->setCurrentIndex(1);
  fixture.control<QRadioButton>("ERB2Fas")->setChecked(true);
  fixture.control<QLineEdit>("EEdit1")->setText("100.5");
  pty.Send(MainMenu());  // the main window takes input on the main menu only
  QVERIFY(fixture.waitFor([] { return Form2->isEnabled(); }));
  Form2->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(Form2));
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
  Form1->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(Form1));
  QCOMPARE(fixture.control<QLabel>("LNameBase")->text(), QStringLiteral("База не выбрана"));
  QVERIFY(fixture.control<QLineEdit>("ENVoltage")->text().isEmpty());
  QVERIFY(fixture.control<QLineEdit>("PEdit2")->text().isEmpty());
}

void TerminalWindowTest::programmingNeedsEveryParameter() {
  TerminalFixture fixture;
  PtyInstrument& pty = fixture.pty();
  Open(fixture, pty);
  pty.Send(MainMenu());
  QVERIFY(fixture.waitFor([] { return TerminalFixture::control("BitBtn2")->isEnabled(); }));
  MessageService::ScriptedAnswers answers;
  fixture.control<QLineEdit>("EEdit1")->clear();
  fixture.control<QAbstractButton>("BitBtn2")->click();
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
  QVERIFY(fixture.waitFor([] { return TerminalFixture::control("BitBtn3")->isEnabled(); }));
  fixture.control<QLineEdit>("PEdit3")->setText("9");
  {
    MessageService::ScriptedAnswers answers;
    fixture.control<QAbstractButton>("BitBtn3")->click();
    QCOMPARE(answers.texts(),
             QStringList{"Необходимо выбрать базу счетчиков или задать значение всех параметров"});
  }
  fixture.control<QLineEdit>("ENVoltage")->setText("100");
  fixture.control<QLineEdit>("PEdit2")->setText("0.1");
  fixture.control<QRadioButton>("PRbPassiv")->setChecked(true);
  fixture.control<QAbstractButton>("BitBtn3")->click();
  // ЗБ at once, then one key per 600 ms tick: 3 ВВ 2 ВВ 100 ВВ 0.0001 ВВ 9 ВВ.
  const QByteArray keys =
      "\x7f"
      "3\r2\r100\r0.0001\r9\r";
  QVERIFY(fixture.waitFor([&] { return !Form1->TimerActive(LinkTimer::Timer1); }, 15000));
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
  auto* start = fixture.control<QPushButton>("Button3");
  QVERIFY(fixture.waitFor([start] { return start->isEnabled(); }));
  fixture.control<QTabWidget>("PageControl1")->setCurrentIndex(1);
  QVERIFY(start->isVisible());
  auto* energy = fixture.control<QLineEdit>("Eenergy");
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
  QVERIFY(fixture.waitFor([] { return Form2->isEnabled(); }));
  QVERIFY(Form1->MyThread1().isRunning());
  QTimer::singleShot(0, Form2, [] { Form2->close(); });
  RunUntilMainWindowCloses(Form2);
  QVERIFY(Form1->MyThread1().isFinished());
  QVERIFY(!Form1->isVisible());
  QCOMPARE(pty.Received(), QByteArray("\x13\x0f"));
  DestroyWindows();
  QVERIFY(!Form1);
}

VT3417_REGISTER_TEST(TerminalWindowTest)
#include "TerminalWindowTest.moc"
