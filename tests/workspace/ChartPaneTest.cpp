#include <QAction>
#include <QChart>
#include <QFile>
#include <QLegendMarker>
#include <QMenu>
#include <QTest>
#include <QXYSeries>

#include "WorkspaceFixture.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "database/DataModule.h"
#include "settings/ProgramDir.h"
#include "ui/FileDialogs.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/ErrorChartView.h"
#include "workspace/MainWindow.h"

using FileDialogs::ScriptedSaveNames;

namespace {

const QString kBase = QStringLiteral("Б1");

SampleRows::Point pointOf(double current, const QString& powerFactor, double error, const QString& rep = {}) {
  SampleRows::Point point = pointAt(100, rep);
  point.current = current;
  point.powerFactor = powerFactor;
  point.error = error;
  return point;
}

// Drawn points of the chart pane, and those drawn filled ("R").
struct Drawn {
  int points = 0;
  int marked = 0;
  bool operator==(const Drawn&) const = default;
};

Drawn drawnPoints(MainWindow* form) {
  Drawn drawn;
  for (const ErrorCurve& curve : widgets::child<ErrorChartView>(form, "errorChart")->content().curves)
    for (const auto& branch : curve.branches)
      for (const ErrorChartPoint& point : branch) {
        ++drawn.points;
        drawn.marked += point.marked ? 1 : 0;
      }
  return drawn;
}

// The legend's entries: series without a caption have their entry hidden.
QStringList legendCaptions(MainWindow* form) {
  QStringList captions;
  for (QLegendMarker* marker :
       widgets::child<ErrorChartView>(form, "errorChart")->chart()->legend()->markers())
    if (!marker->label().isEmpty()) captions << marker->label();
  return captions;
}

char* toString(const Drawn& drawn) {
  return qstrdup(QByteArray::number(drawn.points) + " points, " + QByteArray::number(drawn.marked) +
                 " marked");
}

}  // namespace

class ChartPaneTest : public QObject {
  Q_OBJECT
 private slots:
  void chartFollowsTheChosenMeter();
  void chartFollowsChangesOfThePoints_data();
  void chartFollowsChangesOfThePoints();
  void pointsBeyondTheClassLimitAreRed();
  void saveChart_data();
  void saveChart();
  void saveChartFailureIsTold();
};

void ChartPaneTest::chartFollowsTheChosenMeter() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(kBase);
  const qint64 meter1 = fixture.rows().addMeter(kBase, meterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(kBase, meterIn(2));
  fixture.rows().addMeter(kBase, meterIn(3));
  fixture.rows().addPoint(meter1, pointOf(100, "1.000", 0.2, "R"));
  fixture.rows().addPoint(meter1, pointOf(10, "0.5/L", -0.3));
  fixture.rows().addPoint(meter1, pointOf(20, "0.50/L", -0.1));
  fixture.rows().addPoint(meter2, pointOf(50, "0.8/C", 0.4, "R"));
  MainWindow* form = fixture.openWindow();
  QTRY_COMPARE(widgets::child<ErrorChartView>(form, "errorChart")->chart()->title(),
               QStringLiteral("Счетчик не выбран"));

  fixture.leftClick("Б1/1");
  QTRY_COMPARE(drawnPoints(form), (Drawn{3, 1}));
  QCOMPARE(legendCaptions(form), (QStringList{"cos φ = 1", "0,5 инд."}));
  QVERIFY(widgets::child<ErrorChartView>(form, "errorChart")->chart()->title().isEmpty());
  QCOMPARE(
      widgets::child<ErrorChartView>(form, "errorChart")->chart()->axes(Qt::Horizontal).at(0)->titleText(),
      "Ток, % от номинального");
  QCOMPARE(widgets::child<ErrorChartView>(form, "errorChart")->chart()->axes(Qt::Vertical).at(0)->titleText(),
           "Погрешность, %");

  fixture.leftClick("Б1/2");
  QTRY_COMPARE(drawnPoints(form), (Drawn{1, 1}));
  QCOMPARE(legendCaptions(form), QStringList{"0,8 емк."});

  fixture.leftClick("Б1/3");
  QTRY_COMPARE(widgets::child<ErrorChartView>(form, "errorChart")->chart()->title(),
               QStringLiteral("Нет измеренных точек"));
  QVERIFY(widgets::child<ErrorChartView>(form, "errorChart")->chart()->series().isEmpty());

  fixture.leftClick("Б1");
  QTRY_COMPARE(widgets::child<ErrorChartView>(form, "errorChart")->chart()->title(),
               QStringLiteral("Счетчик не выбран"));
}

void ChartPaneTest::chartFollowsChangesOfThePoints_data() {
  QTest::addColumn<QString>("change");
  QTest::addColumn<int>("points");
  QTest::addColumn<int>("marked");
  QTest::newRow("mark by a click") << "click" << 3 << 2;
  QTest::newRow("mark all") << "mark all" << 3 << 3;
  QTest::newRow("unmark all") << "unmark all" << 3 << 0;
  QTest::newRow("renumber drops the empty reading") << "renumber" << 2 << 1;
  QTest::newRow("a saved result") << "save" << 4 << 1;
  QTest::newRow("clearing the base") << "clear" << 0 << 0;
}

// The chart is redrawn after each kind of change of the chosen meter's points.
void ChartPaneTest::chartFollowsChangesOfThePoints() {
  QFETCH(QString, change);
  QFETCH(int, points);
  QFETCH(int, marked);
  WorkspaceFixture fixture;
  fixture.rows().addBase(kBase);
  const qint64 meter = fixture.rows().addMeter(kBase, meterIn(1));
  fixture.rows().addPoint(meter, pointOf(100, "1.000", 0.2, "R"));
  fixture.rows().addPoint(meter, pointOf(50, "1.000", 0.1));
  SampleRows::Point empty = pointOf(20, "1.000", 0.3);
  empty.voltage = 0;
  fixture.rows().addPoint(meter, empty);
  MainWindow* form = fixture.openWindow();
  fixture.leftClick("Б1/1");
  QTRY_COMPARE(drawnPoints(form), (Drawn{3, 1}));

  MessageService::ScriptedAnswers answers({MessageService::Answer::Yes});
  if (change == "click") {
    fixture.clickCell(1, "Rep");
  } else if (change == "mark all") {
    widgets::child<QAction>(form, "markAllAction")->trigger();
  } else if (change == "unmark all") {
    widgets::child<QAction>(form, "unmarkAllAction")->trigger();
  } else if (change == "renumber") {
    form->renumberTestPoints();
  } else if (change == "save") {
    TableDataset* rows = fixture.dm().testPoints;
    rows->append();
    rows->fieldByName("Num").setInteger(meter);
    rows->fieldByName("Voltage").setReal(100);
    rows->fieldByName("Tok").setReal(5);
    rows->fieldByName("KM").setText("1.000");
    rows->fieldByName("Opogr").setReal(0.5);
    rows->post();
  } else if (change == "clear") {
    widgets::child<QAction>(form, "clearBaseAction")->trigger();
  }
  QTRY_COMPARE(drawnPoints(form), (Drawn{points, marked}));
}

// With the lab's limits for the base's class, a point beyond its limit is
// drawn in red, filled when marked.
void ChartPaneTest::pointsBeyondTheClassLimitAreRed() {
  WorkspaceFixture fixture;
  QFile limits(programPath("sources/limits.csv"));
  QVERIFY(limits.open(QIODevice::WriteOnly));
  limits.write("Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n1;1;5;;1.0\n");
  limits.close();
  fixture.rows().addBase(kBase);  // class 1
  const qint64 meter = fixture.rows().addMeter(kBase, meterIn(1));
  fixture.rows().addPoint(meter, pointOf(100, "1.000", 0.2, "R"));
  fixture.rows().addPoint(meter, pointOf(50, "1.000", -1.4, "R"));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick("Б1/1");
  QTRY_COMPARE(drawnPoints(form), (Drawn{2, 2}));

  QList<QPointF> red;
  for (QAbstractSeries* series : widgets::child<ErrorChartView>(form, "errorChart")->chart()->series())
    if (auto* xy = qobject_cast<QXYSeries*>(series);
        !xy->lightMarker().isNull() && xy->color() == QColor(0xd6, 0x27, 0x28))
      red << xy->points();
  QCOMPARE(red, QList<QPointF>{QPointF(50, -1.4)});
  QVERIFY(legendCaptions(form).contains("Вне допуска"));
  const std::vector<LimitStep>& envelope =
      widgets::child<ErrorChartView>(form, "errorChart")->content().curves.at(0).envelope;
  QCOMPARE(envelope.size(), size_t(1));
  QCOMPARE(envelope[0].limit, 1.0);
}

void ChartPaneTest::saveChart_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("filter");
  QTest::addColumn<QString>("written");
  QTest::addColumn<QByteArray>("start");
  QTest::newRow("PNG") << "curve" << 0 << "curve.png" << QByteArray("\x89PNG\r\n\x1a\n");
  QTest::newRow("SVG") << "curve" << 1 << "curve.svg" << QByteArray("<?xml");
  QTest::newRow("typed extension wins") << "curve.svg" << 0 << "curve.svg" << QByteArray("<?xml");
  QTest::newRow("cancelled") << "" << 0 << "" << QByteArray();
}

void ChartPaneTest::saveChart() {
  QFETCH(QString, typed);
  QFETCH(int, filter);
  QFETCH(QString, written);
  QFETCH(QByteArray, start);
  WorkspaceFixture fixture;
  fixture.rows().addBase(kBase);
  const qint64 meter = fixture.rows().addMeter(kBase, meterIn(1));
  fixture.rows().addPoint(meter, pointOf(100, "1.000", 0.2, "R"));
  MainWindow* form = fixture.openWindow();
  QVERIFY(!widgets::child<QAction>(form, "saveChartAction")->isEnabled());  // nothing to save yet
  fixture.leftClick("Б1/1");
  QTRY_COMPARE(drawnPoints(form), (Drawn{1, 1}));

  QAction* save = widgets::child<QMenu>(form, "chartMenu")->actions().value(0);
  QCOMPARE(save->text(), QStringLiteral("Сохранить график…"));
  QVERIFY(save->isEnabled());
  const QString typedPath = typed.isEmpty() ? QString() : fixture.filePath(typed);
  ScriptedSaveNames names({{typedPath, filter}});
  save->trigger();
  QCOMPARE(names.requests().size(), size_t(1));
  QCOMPARE(names.requests()[0].filters.size(), 2);
  if (written.isEmpty()) {
    QVERIFY(QDir(fixture.filePath("")).entryList({"curve*"}).isEmpty());
    return;
  }
  QFile file(fixture.filePath(written));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  QVERIFY(bytes.startsWith(start));
  if (written.endsWith(".svg")) QVERIFY(bytes.contains("<svg"));
}

void ChartPaneTest::saveChartFailureIsTold() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(kBase);
  const qint64 meter = fixture.rows().addMeter(kBase, meterIn(1));
  fixture.rows().addPoint(meter, pointOf(100, "1.000", 0.2, "R"));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick("Б1/1");
  QTRY_COMPARE(drawnPoints(form), (Drawn{1, 1}));
  MessageService::ScriptedAnswers answers;
  ScriptedSaveNames names({{fixture.filePath("no such folder/curve.png"), 0}});
  widgets::child<ErrorChartView>(form, "errorChart")->saveChart();
  QCOMPARE(answers.shown().size(), size_t(1));
  QVERIFY2(answers.texts().value(0).contains("curve.png"), qPrintable(answers.texts().value(0)));
}

VT3417_REGISTER_TEST(ChartPaneTest)
#include "ChartPaneTest.moc"
