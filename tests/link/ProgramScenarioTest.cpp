#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>

#include <cmath>
#include <memory>

#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "SimulatorProcess.h"
#include "TerminalFixture.h"
#include "reports/DocxReadBack.h"
#include "settings/NumericText.h"
#include "ui/MessageService.h"

namespace {

const QString kNextPoint = QStringLiteral("Следующая точка: ");

// The load the simulator's trainer sets: current in amperes of the base's
// 5 A, the power factor with the angle that gives its letter, the meters'
// errors ("-": the instrument shows none).
struct Load {
  double amperes;
  double powerFactor;
  double angle;
  QString errors;
  QString km;  // as the program stores the power factor
};

const QString kBothRead = QStringLiteral("0.3 -0.2 - - - - - -");
const QString kSecondUnread = QStringLiteral("0.3 - - - - - - -");

// The shipped program of class 1, in its order.
const Load kProgram[] = {{0.25, 1, 0, kBothRead, "1.00"},
                         {0.5, 1, 0, kBothRead, "1.00"},
                         {5, 1, 0, kBothRead, "1.00"},
                         {0.5, 0.5, 60, kBothRead, "0.50/L"},
                         {1, 0.5, 60, kBothRead, "0.50/L"},
                         {5, 0.5, 60, kBothRead, "0.50/L"},
                         {0.5, 0.8, 323.13, kBothRead, "0.80/C"},
                         {1, 0.8, 323.13, kBothRead, "0.80/C"},
                         {5, 0.8, 323.13, kSecondUnread, "0.80/C"}};
const QString kProgramTexts[] = {
    "5 % Iном, cos φ = 1, 100 % Uном",         "10 % Iном, cos φ = 1, 100 % Uном",
    "100 % Iном, cos φ = 1, 100 % Uном",       "10 % Iном, cos φ = 0,5 инд., 100 % Uном",
    "20 % Iном, cos φ = 0,5 инд., 100 % Uном", "100 % Iном, cos φ = 0,5 инд., 100 % Uном",
    "10 % Iном, cos φ = 0,8 емк., 100 % Uном", "20 % Iном, cos φ = 0,8 емк., 100 % Uном",
    "100 % Iном, cos φ = 0,8 емк., 100 % Uном"};

MeasuredValues& values() { return programMeasuredValues(); }

void copyShipped(const TempProgramDir& dir, const QString& name) {
  QFile::remove(dir.filePath("sources/" + name));
  QVERIFY(QFile::copy(sourceTreePath("data/sources/" + name), dir.filePath("sources/" + name)));
}

// The simulator on a scenario file the test rewrites for every load.
class Bench {
 public:
  explicit Bench(TerminalFixture& fixture)
      : fixture_(fixture), scenario_(fixture.dir.filePath("load.scenario")) {
    writeScenario(kProgram[0]);
    sim_ = std::make_unique<SimulatorProcess>(fixture.dir, QStringList{"--scenario", scenario_});
  }

  // The trainer sets the load; the operator reads current, voltage, power
  // factor and the page of meters 1-4 and presses "Сохранить".
  void measureAndSave(const Load& load) {
    writeScenario(load);
    sim_->reload();
    values().clearMeasured();
    // The mode keys work from an error page; "-" steps from voltage to
    // current and power factor.
    QVERIFY(showPage14());
    clickWhenEnabled(fixture_, "voltageModeButton");
    QVERIFY(fixture_.waitFor([] { return textToNumber(values().voltagePercent()) == 100; }));
    clickWhenEnabled(fixture_, "minusKeyButton");
    const double percent = std::round(load.amperes * 20);  // whole % of the base's 5 A
    QVERIFY(fixture_.waitFor([percent] { return textToNumber(values().currentPercent()) == percent; }));
    clickWhenEnabled(fixture_, "minusKeyButton");
    QVERIFY(fixture_.waitFor([&load] { return values().powerFactorText == load.km; }));
    QVERIFY(showPage14());
    const qint64 before = stored();
    fixture_.control<QAbstractButton>("saveButton")->click();
    QCOMPARE(stored(), before + 2);
  }

  qint64 stored() { return fixture_.count("select count(*) from slave"); }

 private:
  // "1-4" until the instrument shows meters 1-4 and saving is possible: a
  // key the instrument missed is pressed again, as the operator would.
  bool showPage14() {
    const auto lit = [this] {
      return fixture_.terminal().engine().leds().page14Lit && fixture_.control("saveButton")->isEnabled();
    };
    for (int attempt = 0; attempt < 3 && !lit(); ++attempt) {
      clickWhenEnabled(fixture_, "pages14Button");
      fixture_.waitFor(lit, 10000);
    }
    return lit();
  }

  void writeScenario(const Load& load) {
    QFile file(scenario_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write the scenario");
    file.write(QStringLiteral("nominal_voltage = 220\nnominal_current = 5\nvoltage = 220\ncurrent = %1\n"
                              "power_factor = %2\npower_factor_decimals = 2\nangle = %3\nerrors = %4\n"
                              "refresh_ms = 400\n")
                   .arg(load.amperes)
                   .arg(load.powerFactor)
                   .arg(load.angle)
                   .arg(load.errors)
                   .toUtf8());
  }

  TerminalFixture& fixture_;
  QString scenario_;
  std::unique_ptr<SimulatorProcess> sim_;
};

QString nextPointLine(TerminalFixture& fixture) { return fixture.control<QLabel>("nextPointLabel")->text(); }
QString noteLine(TerminalFixture& fixture) {
  return fixture.terminal().statusPanel(TerminalWindow::kProgramNotePanel)->text();
}
QString verdictPanel(TerminalFixture& fixture) {
  return widgets::child<QLabel>(fixture.mainWindow(),
                                "statusPanel" + QString::number(MainWindow::kVerdictPanel))
      ->text();
}
QTreeWidgetItem* meterNode(TerminalFixture& fixture, const QString& caption) {
  return widgets::child<QTreeWidget>(fixture.mainWindow(), "baseTree")
      ->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive)
      .value(0);
}

// The protocol the command just wrote (the newest in "protocols").
DocxReadBack writtenProtocol(TerminalFixture& fixture, const char* command) {
  const QDir protocols(fixture.dir.filePath("protocols"));
  const QStringList before = protocols.entryList({"*.docx"}, QDir::Files);
  widgets::trigger(fixture.mainWindow(), command);
  QStringList written = protocols.entryList({"*.docx"}, QDir::Files);
  for (const QString& name : before) written.removeOne(name);
  if (written.size() != 1) qFatal("%s wrote no protocol", command);
  return readDocx(protocols.filePath(written.first()));
}

}  // namespace

// A verification by the shipped program of class 1: the real windows, the
// instrument simulator on a pseudo-terminal, the protocols read back.
class ProgramScenarioTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
#ifndef VT3417_SIM
    QSKIP("the simulator is built on POSIX systems only");
#endif
  }

  // Meter 1 measures all nine points within its limits; meter 2 shows no
  // error at the last one.
  void verificationByTheShippedProgram() {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));  // as in the lab
    const auto restoreLocale = qScopeGuard([] { QLocale::setDefault(QLocale::system()); });
    TerminalFixture fixture;
    for (const char* name : {"limits.csv", "programs.csv", "look.doc", "Glook.doc"})
      copyShipped(fixture.dir, name);
    fixture.addChosenBase({1, 2});
    fixture.dm->bases->reopen(Statements::baseByName("Б1"));
    fixture.dm->chosenBase->edit();
    fixture.dm->chosenBase->fieldByName("KlasT").setReal(1);
    fixture.dm->chosenBase->post();
    loadProgramConfig();
    Config.ActiveTab = 2;  // the error tab: saving is possible
    saveProgramConfig();
    // "Сервис > Программы поверки" shows the shipped programs.
    widgets::trigger(fixture.mainWindow(), "programsAction");
    QWidget* programs = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->objectName() == "ProgramsWindow") programs = window;
    QVERIFY(programs && programs->isVisible());
    QCOMPARE(widgets::child<QTableWidget>(programs, "programsTable")->rowCount(), 36);
    programs->close();
    QVERIFY(fixture.mainWindow().isEnabled());

    Bench bench(fixture);
    MessageService::ScriptedAnswers answers;
    fixture.beginMeasurement();
    QCOMPARE(nextPointLine(fixture), kNextPoint + kProgramTexts[0]);

    // A point no program asks for is stored all the same, and said once.
    bench.measureAndSave({2.5, 1, 0, kBothRead, "1.00"});
    QCOMPARE(noteLine(fixture), "Точка вне программы");
    QCOMPARE(nextPointLine(fixture), kNextPoint + kProgramTexts[0]);
    for (int i = 0; i < 9; ++i) {
      bench.measureAndSave(kProgram[i]);
      QCOMPARE(noteLine(fixture), "");
      // The last point is still missing for meter 2.
      QCOMPARE(nextPointLine(fixture), kNextPoint + kProgramTexts[i < 8 ? i + 1 : 8]);
    }
    fixture.terminal().close();
    QVERIFY(fixture.waitFor([&] { return fixture.mainWindow().isEnabled(); }));

    for (const char* meter : {"Счетчик 1", "Счетчик 2"}) {
      fixture.chooseNode(meter);
      widgets::trigger(fixture.mainWindow(), "markAllAction");
    }
    QCOMPARE(meterNode(fixture, "Счетчик 1")->toolTip(0), "Годен: 9 из 9 точек");
    QCOMPARE(meterNode(fixture, "Счетчик 2")->toolTip(0), "Не оценён: 8 из 9 точек");
    QCOMPARE(verdictPanel(fixture), "Не оценён: нет 1 из 9 точек");
    auto* program = widgets::child<QTableWidget>(fixture.mainWindow(), "programTable");
    QCOMPARE(program->rowCount(), 9);
    QCOMPARE(program->item(0, 3)->text(), "-0,2 ✓");
    QCOMPARE(program->item(0, 5)->text(), "✓");
    QCOMPARE(program->item(8, 3)->text(), "");
    QCOMPARE(program->item(8, 5)->text(), "нет");
    // The passed point is green, as the grid shows errors within.
    program->scrollToItem(program->item(0, 5));
    const QImage picture = program->viewport()->grab().toImage();
    const QPoint inside = program->visualItemRect(program->item(0, 5)).topLeft() + QPoint(2, 2);
    const QColor tint = picture.pixelColor(inside * picture.devicePixelRatio());
    QVERIFY2(tint.green() > tint.red() + 20, qPrintable(tint.name()));

    const DocxReadBack single = writtenProtocol(fixture, "singleProtocolAction");
    const QStringList missing =
        single.missingParagraphs({"Заключение не дано: не измерены точки программы: 100 % 0,8 емк.",
                                  "Заключение: счётчик признан ____________________ к применению."});
    QVERIFY2(missing.isEmpty(), qPrintable(single.allText().split('\n').filter("Заключение").join("|")));
    const DocxReadBack group = writtenProtocol(fixture, "groupProtocolAction");
    QCOMPARE(group.table.last().value(1), "Заключение");
    QCOMPARE(group.table.last().mid(4, 2), (QStringList{"годен", ""}));
    QCOMPARE(
        group.missingParagraphs({"Заключение: счётчики признаны годными к применению: №1; не оценены: №2."}),
        QStringList());

    fixture.chooseNode("Счетчик 1");
    QCOMPARE(verdictPanel(fixture), "Годен");
    const DocxReadBack fit = writtenProtocol(fixture, "singleProtocolAction");
    QCOMPARE(fit.missingParagraphs({"Заключение: счётчик признан годным к применению."}), QStringList());
    QVERIFY(!fit.allText().contains("Заключение не дано"));
    QVERIFY2(answers.shown().empty(), qPrintable(answers.texts().join('\n')));

    // Meter 2 measures the last point: the program is done.
    fixture.chooseNode("Б1");
    fixture.beginMeasurement();
    QCOMPARE(nextPointLine(fixture), kNextPoint + kProgramTexts[8]);
    bench.measureAndSave({5, 0.8, 323.13, kBothRead, "0.80/C"});
    QCOMPARE(nextPointLine(fixture), "Программа выполнена");
  }
};

VT3417_REGISTER_TEST(ProgramScenarioTest)
#include "ProgramScenarioTest.moc"
