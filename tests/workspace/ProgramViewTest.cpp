#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidgetItem>

#include "WorkspaceFixture.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "database/DataModule.h"
#include "database/FieldText.h"
#include "settings/ProgramDir.h"
#include "ui/MessageService.h"
#include "workspace/MainWindow.h"

namespace {

const QString kBase = QStringLiteral("Б1");

void writeSource(const QString& name, const QByteArray& text) {
  QFile file(programPath("sources/" + name));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

SampleRows::Point pointOf(double current, const QString& powerFactor, double error, const QString& rep) {
  SampleRows::Point point = pointAt(100, rep);
  point.current = current;
  point.powerFactor = powerFactor;
  point.error = error;
  return point;
}

QString verdictPanel(MainWindow* form) {
  return widgets::child<QLabel>(form, "statusPanel" + QString::number(MainWindow::kVerdictPanel))->text();
}

// The program view's column of states, "|"-joined.
QString states(MainWindow* form) {
  auto* table = widgets::child<QTableWidget>(form, "programTable");
  QStringList texts;
  for (int row = 0; row < table->rowCount(); ++row) texts << table->item(row, 5)->text();
  return texts.join('|');
}

// The colour a cell of the program view shows on screen.
QColor shownTint(MainWindow* form, int row, int column) {
  auto* table = widgets::child<QTableWidget>(form, "programTable");
  table->scrollToItem(table->item(row, column));
  const QImage picture = table->viewport()->grab().toImage();
  const QPoint inside = table->visualItemRect(table->item(row, column)).topLeft() + QPoint(2, 2);
  return picture.pixelColor(inside * picture.devicePixelRatio());
}

}  // namespace

// The pane "Программа" beside the chart, the verdict in the status bar and
// the progress in the tree follow the chosen meter's points at once.
class ProgramViewTest : public QObject {
  Q_OBJECT
 private slots:
  void programFollowsThePoints() {
    WorkspaceFixture fixture;
    writeSource("limits.csv", "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n1;1;5;;1.0\n1;0.5/L;10;;1.0\n");
    writeSource("programs.csv",
                "Класс;Тип;Напряжение, %;Ток, %;cos φ\n1;;100;5;1\n1;;100;100;1\n1;;100;100;0.5/L\n");
    fixture.rows().addBase(kBase);  // class 1
    const qint64 meter = fixture.rows().addMeter(kBase, meterIn(1));
    fixture.rows().addPoint(meter, pointOf(5, "1.000", 0.4, "R"));
    fixture.rows().addPoint(meter, pointOf(100, "1.000", 1.2, "R"));  // beyond ±1,0
    fixture.rows().addPoint(meter, pointOf(100, "0.50/L", 0.3, {}));
    MainWindow* form = fixture.openWindow();
    QCOMPARE(widgets::child<QLabel>(form, "programCaption")->text(), "Программа поверки: счетчик не выбран");

    fixture.leftClick("Б1/1");
    QCOMPARE(verdictPanel(form), "Не годен");
    QCOMPARE(fixture.node("Б1/1")->toolTip(0), "Не годен: 2 из 3 точек");
    QCOMPARE(states(form), "✓|✗|нет");
    auto* table = widgets::child<QTableWidget>(form, "programTable");
    QCOMPARE(table->item(1, 3)->text(), realEditText(1.2) + " ✗");
    QCOMPARE(table->item(1, 4)->text(), "±1,0");
    QCOMPARE(table->item(1, 5)->toolTip(), "Предел ±1,0 %");
    const QColor beyond = shownTint(form, 1, 5);
    QVERIFY2(beyond.red() > beyond.green() + 20, qPrintable(beyond.name()));

    fixture.clickCell(2, "Rep");  // marks the 0,5 инд. point
    QCOMPARE(states(form), "✓|✗|✓");
    QCOMPARE(widgets::child<QLabel>(form, "programCaption")->text(), "Программа поверки: 3 из 3 точек");

    // The beyond point's error edited: judged again at once.
    TableDataset* points = fixture.dm().testPoints;
    QVERIFY(points->moveTo(1));
    points->edit();
    points->fieldByName("Opogr").setReal(0.6);
    points->post();
    QTRY_COMPARE(verdictPanel(form), "Годен");
    QCOMPARE(states(form), "✓|✓|✓");
    QCOMPARE(fixture.node("Б1/1")->toolTip(0), "Годен: 3 из 3 точек");

    widgets::trigger(form, "unmarkAllAction");
    QCOMPARE(verdictPanel(form), "Не оценён: нет 3 из 3 точек");
    QCOMPARE(states(form), "нет|нет|нет");

    fixture.leftClick("Б1");
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(verdictPanel(form), "");
  }

  // A damaged line of the programs file is said once, and the rest of the file works.
  void damagedProgramsFileIsSaidOnce() {
    WorkspaceFixture fixture;
    writeSource("limits.csv", "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n1;1;5;;1.0\n");
    writeSource("programs.csv", "Класс;Тип;Напряжение, %;Ток, %;cos φ\n1;;сто;5;1\n1;;100;100;1\n");
    fixture.rows().addBase(kBase);
    const qint64 meter = fixture.rows().addMeter(kBase, meterIn(1));
    fixture.rows().addPoint(meter, pointOf(100, "1.000", 0.4, "R"));
    MessageService::ScriptedAnswers answers;
    MainWindow* form = fixture.openWindow();
    fixture.leftClick("Б1/1");
    fixture.leftClick("Б1");
    fixture.leftClick("Б1/1");
    QTRY_COMPARE(answers.shown().size(), size_t(1));
    QTest::qWait(50);
    QCOMPARE(answers.shown().size(), size_t(1));
    QVERIFY2(answers.texts()[0].contains("строка 2: напряжение «сто» не положительное число"),
             qPrintable(answers.texts()[0]));
    QCOMPARE(verdictPanel(form), "Годен");
    QCOMPARE(states(form), "✓");
  }
};

VT3417_REGISTER_TEST(ProgramViewTest)
#include "ProgramViewTest.moc"
