#include <QTest>

#include "support/TestRegistry.h"

#include "reports/AccuracyLimits.h"
#include "reports/ErrorChart.h"

namespace {

// Class 1 as the shipped file has it, with a gap below 5 % for cos φ = 1.
const QString kLimitsText = QStringLiteral(
    "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n"
    "1;1;5;10;1.5\n"
    "1;1;10;;1.0\n"
    "1;0.5/L;10;20;1.5\n"
    "1;0.5/L;20;;1.0\n"
    "1;0.8/C;20;;1.0\n");

AccuracyLimits limits() {
  QStringList problems;
  AccuracyLimits limits = AccuracyLimits::parse(kLimitsText, QStringLiteral("limits.csv"), &problems);
  if (!problems.isEmpty()) qFatal("%s", qPrintable(problems.join('\n')));
  return limits;
}

ErrorPointRow row(double current, const QString& powerFactor, std::optional<double> error,
                  bool marked = true) {
  return {current, powerFactor, error, marked};
}

QStringList captions(const ErrorChart& chart) {
  QStringList captions;
  for (const ErrorCurve& curve : chart.curves) captions << curve.caption;
  return captions;
}

QList<int> branchSizes(const ErrorCurve& curve) {
  QList<int> sizes;
  for (const auto& branch : curve.branches) sizes << int(branch.size());
  return sizes;
}

}  // namespace

using Steps = std::vector<LimitStep>;
Q_DECLARE_METATYPE(Steps)

class ErrorChartTest : public QObject {
  Q_OBJECT
 private slots:
  void curvesByPowerFactor_data();
  void curvesByPowerFactor();
  void pointsWithoutPlaceAreLeftOut();
  void currentAxis_data();
  void currentAxis();
  void errorAxisCoversPointsAndLimits();
  void envelope_data();
  void envelope();
  void envelopeLines();
  void pointsBeyondTheirLimit_data();
  void pointsBeyondTheirLimit();
  void groupChartHasACurvePerMeter();
  void groupEnvelopeOnlyForOnePowerFactor();
};

void ErrorChartTest::curvesByPowerFactor_data() {
  QTest::addColumn<QStringList>("powerFactors");
  QTest::addColumn<QStringList>("captions");
  QTest::addColumn<QList<int>>("counts");
  QTest::newRow("the instrument's texts")
      << QStringList{"0.8/C", "0.50/L", "1.000", "0.866/", "0.5/L"}
      << QStringList{"cos φ = 1", "0,5 инд.", "0,8 емк.", "cos φ = 0,866"} << QList<int>{1, 2, 1, 1};
  QTest::newRow("cos φ = 1 whatever the letter")
      << QStringList{"1.000", "1.0/L", "1", "1,000"} << QStringList{"cos φ = 1"} << QList<int>{4};
  QTest::newRow("inductive by falling cos φ")
      << QStringList{"0.25/L", "0.8/L", "0.5/L", "0.8/C"}
      << QStringList{"0,8 инд.", "0,5 инд.", "0,25 инд.", "0,8 емк."} << QList<int>{1, 1, 1, 1};
  QTest::newRow("unreadable text stands as it is")
      << QStringList{"1.000", "ошибка", ""} << QStringList{"cos φ = 1", "cos φ не указан", "ошибка"}
      << QList<int>{1, 1, 1};
}

void ErrorChartTest::curvesByPowerFactor() {
  QFETCH(QStringList, powerFactors);
  QFETCH(QStringList, captions);
  QFETCH(QList<int>, counts);
  std::vector<ErrorPointRow> rows;
  for (const QString& powerFactor : powerFactors) rows.push_back(row(100, powerFactor, 0.1));
  const ErrorChart chart = meterErrorChart(rows, std::nullopt);
  QCOMPARE(::captions(chart), captions);
  QList<int> sizes;
  for (const ErrorCurve& curve : chart.curves) {
    QCOMPARE(curve.branches.size(), size_t(1));
    sizes << branchSizes(curve);
  }
  QCOMPARE(sizes, counts);
}

// A point without an error or with a current a logarithmic axis cannot show
// is not drawn; the others go in order of current, with their marks.
void ErrorChartTest::pointsWithoutPlaceAreLeftOut() {
  const std::vector<ErrorPointRow> rows{row(100, "1.000", 0.2, true),   row(5, "1.000", -0.4, false),
                                        row(50, "1.000", std::nullopt), row(0, "1.000", 0.3),
                                        row(-10, "1.000", 0.3),         row(20, "1.000", 0.1, true)};
  const ErrorChart chart = meterErrorChart(rows, std::nullopt);
  QCOMPARE(chart.pointCount(), 3);
  const std::vector<ErrorChartPoint>& branch = chart.curves.at(0).branches.at(0);
  QCOMPARE(branch[0].current, 5.0);
  QCOMPARE(branch[0].error, -0.4);
  QVERIFY(!branch[0].marked);
  QCOMPARE(branch[1].current, 20.0);
  QCOMPARE(branch[2].current, 100.0);
  QVERIFY(branch[2].marked);

  const ErrorChart nothing = meterErrorChart({row(50, "1.000", std::nullopt)}, std::nullopt);
  QVERIFY(nothing.isEmpty());
  QCOMPARE(nothing.emptyText, kNoPointsText);
}

void ErrorChartTest::currentAxis_data() {
  QTest::addColumn<QList<double>>("currents");
  QTest::addColumn<double>("from");
  QTest::addColumn<double>("to");
  QTest::newRow("up to nominal") << QList<double>{5, 100} << 1.0 << 120.0;
  QTest::newRow("maximum current") << QList<double>{10, 400} << 1.0 << 400.0;
  QTest::newRow("below one percent") << QList<double>{0.5, 100} << 0.1 << 120.0;
  QTest::newRow("one percent") << QList<double>{1, 120} << 1.0 << 120.0;
  QTest::newRow("no points") << QList<double>{} << 1.0 << 120.0;
}

void ErrorChartTest::currentAxis() {
  QFETCH(QList<double>, currents);
  QFETCH(double, from);
  QFETCH(double, to);
  std::vector<ErrorPointRow> rows;
  for (const double current : currents) rows.push_back(row(current, "1.000", 0.1));
  const ErrorChart chart = meterErrorChart(rows, std::nullopt);
  QCOMPARE(chart.current.from, from);
  QCOMPARE(chart.current.to, to);
}

void ErrorChartTest::errorAxisCoversPointsAndLimits() {
  const ErrorChart small = meterErrorChart({row(50, "1.000", -0.3), row(100, "1.000", 0.2)}, std::nullopt);
  QVERIFY(small.error.from <= -0.3 && small.error.to >= 0.3);
  QCOMPARE(small.error.from, -small.error.to);

  const AccuracyLimits limits = ::limits();
  const ErrorChart withLimits =
      meterErrorChart({row(50, "1.000", -0.3), row(100, "1.000", 0.2)}, ChartLimits{&limits, 1});
  QVERIFY(withLimits.error.to >= 1.5);  // the step from 5 % to 10 %
  QCOMPARE(withLimits.error.from, -withLimits.error.to);

  const ErrorChart zero = meterErrorChart({row(50, "1.000", 0)}, std::nullopt);
  QCOMPARE(zero.error.from, -1.0);
  QCOMPARE(zero.error.to, 1.0);
}

void ErrorChartTest::envelope_data() {
  QTest::addColumn<double>("accuracyClass");
  QTest::addColumn<QString>("powerFactor");
  QTest::addColumn<double>("largestCurrent");
  QTest::addColumn<Steps>("steps");
  QTest::newRow("cos φ = 1, gap below 5 %") << 1.0 << "1.000" << 100.0 << Steps{{5, 10, 1.5}, {10, 120, 1.0}};
  QTest::newRow("inductive, as the KM text reads")
      << 1.0 << "0.50/L" << 100.0 << Steps{{10, 20, 1.5}, {20, 120, 1.0}};
  QTest::newRow("up to the largest current") << 1.0 << "0.8/C" << 600.0 << Steps{{20, 600, 1.0}};
  QTest::newRow("class without rows") << 2.0 << "1.000" << 100.0 << Steps{};
  QTest::newRow("power factor without rows") << 1.0 << "0.25/L" << 100.0 << Steps{};
}

void ErrorChartTest::envelope() {
  QFETCH(double, accuracyClass);
  QFETCH(QString, powerFactor);
  QFETCH(double, largestCurrent);
  QFETCH(Steps, steps);
  const AccuracyLimits limits = ::limits();
  const ErrorChart chart =
      meterErrorChart({row(largestCurrent, powerFactor, 0.1)}, ChartLimits{&limits, accuracyClass});
  QCOMPARE(chart.curves.at(0).envelope, steps);
}

// Steps that meet make one line with a vertical jump; a gap starts another.
void ErrorChartTest::envelopeLines() {
  const Steps steps{{5, 10, 1.5}, {10, 20, 1.0}, {40, 120, 0.5}};
  const QList<QList<QPointF>> upper = ::envelopeLines(steps, 1);
  QCOMPARE(upper.size(), 2);
  QCOMPARE(upper[0], (QList<QPointF>{{5, 1.5}, {10, 1.5}, {10, 1.0}, {20, 1.0}}));
  QCOMPARE(upper[1], (QList<QPointF>{{40, 0.5}, {120, 0.5}}));
  QCOMPARE(::envelopeLines(steps, -1)[1], (QList<QPointF>{{40, -0.5}, {120, -0.5}}));
  QVERIFY(::envelopeLines({}, 1).isEmpty());
}

void ErrorChartTest::pointsBeyondTheirLimit_data() {
  QTest::addColumn<double>("current");
  QTest::addColumn<QString>("powerFactor");
  QTest::addColumn<double>("error");
  QTest::addColumn<bool>("beyond");
  QTest::newRow("within") << 50.0 << "1.000" << 0.9 << false;
  QTest::newRow("on the limit") << 50.0 << "1.000" << -1.0 << false;
  QTest::newRow("beyond") << 50.0 << "1.000" << -1.2 << true;
  QTest::newRow("wider limit at small current") << 7.0 << "1.000" << 1.2 << false;
  QTest::newRow("beyond at small current") << 7.0 << "1.000" << 1.6 << true;
  QTest::newRow("inductive beyond") << 50.0 << "0.5/L" << 1.1 << true;
  QTest::newRow("no limit there") << 2.0 << "1.000" << 5.0 << false;
}

void ErrorChartTest::pointsBeyondTheirLimit() {
  QFETCH(double, current);
  QFETCH(QString, powerFactor);
  QFETCH(double, error);
  QFETCH(bool, beyond);
  const AccuracyLimits limits = ::limits();
  const ErrorChart judged = meterErrorChart({row(current, powerFactor, error)}, ChartLimits{&limits, 1});
  QCOMPARE(judged.curves.at(0).branches.at(0).at(0).beyond, beyond);
  const ErrorChart unjudged = meterErrorChart({row(current, powerFactor, error)}, std::nullopt);
  QVERIFY(!unjudged.curves.at(0).branches.at(0).at(0).beyond);
}

// Each meter is one curve named by its serial number; its power factors are
// branches that are not joined; a meter without drawable points has no curve.
void ErrorChartTest::groupChartHasACurvePerMeter() {
  const AccuracyLimits limits = ::limits();
  const std::vector<MeterErrorRows> meters{
      {"011234", {row(100, "1.000", 0.2), row(10, "1.000", 0.4), row(100, "0.5/L", 1.2)}},
      {"017777", {row(100, "1.000", std::nullopt)}},
      {"019999", {row(100, "1.000", -0.1)}}};
  const ErrorChart chart = groupErrorChart(meters, ChartLimits{&limits, 1});
  QCOMPARE(::captions(chart), (QStringList{"011234", "019999"}));
  QCOMPARE(branchSizes(chart.curves[0]), (QList<int>{2, 1}));
  QCOMPARE(chart.curves[0].branches[0][0].current, 10.0);
  QVERIFY(chart.curves[0].branches[1][0].beyond);
  QVERIFY(chart.commonEnvelope.empty());  // two power factors, two envelopes: none drawn
  QVERIFY(chart.curves[0].envelope.empty());
}

void ErrorChartTest::groupEnvelopeOnlyForOnePowerFactor() {
  const AccuracyLimits limits = ::limits();
  const std::vector<MeterErrorRows> meters{{"1", {row(50, "0.5/L", 0.2)}}, {"2", {row(100, "0.50/L", -0.1)}}};
  const ErrorChart chart = groupErrorChart(meters, ChartLimits{&limits, 1});
  QCOMPARE(chart.commonEnvelope, (Steps{{10, 20, 1.5}, {20, 120, 1.0}}));
  QVERIFY(chart.error.to >= 1.5);
  QVERIFY(groupErrorChart({}, std::nullopt).isEmpty());
}

VT3417_REGISTER_TEST(ErrorChartTest)
#include "ErrorChartTest.moc"
