#include "reports/ErrorChart.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "reports/AccuracyLimits.h"

namespace {

constexpr double kLeastLargestCurrent = 120;
constexpr double kErrorMargin = 1.2;

// Power factors that read the same ("0.5/L", "0.50/L") fall into one group;
// cos φ = 1 is one group whatever letter follows it.
struct PowerFactorGroup {
  int rank = 0;  // 0 cos φ = 1, 1 inductive, 2 capacitive, 3 without letter, 4 unreadable
  int milli = 0;
  QString unreadable;
  auto order() const { return std::make_tuple(rank, -milli, unreadable); }
  bool operator<(const PowerFactorGroup& other) const { return order() < other.order(); }
};

PowerFactorGroup groupOf(const QString& text) {
  const std::optional<PowerFactor> factor = parsePowerFactor(text);
  if (!factor) return {4, 0, text.trimmed()};
  const int milli = static_cast<int>(std::lround(factor->value * 1000));
  if (milli == 1000) return {0, milli, {}};
  const QChar letter = factor->letter.toUpper();
  const int rank = letter == QLatin1Char('L') ? 1 : letter == QLatin1Char('C') ? 2 : 3;
  return {rank, milli, {}};
}

QString decimalText(int milli) {
  QString text = QString::number(milli / 1000.0, 'f', 3);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

QString captionOf(const PowerFactorGroup& group) {
  switch (group.rank) {
    case 0:
      return QStringLiteral("cos φ = 1");
    case 1:
      return decimalText(group.milli) + QStringLiteral(" инд.");
    case 2:
      return decimalText(group.milli) + QStringLiteral(" емк.");
    case 3:
      return QStringLiteral("cos φ = ") + decimalText(group.milli);
    default:
      return group.unreadable.isEmpty() ? QStringLiteral("cos φ не указан") : group.unreadable;
  }
}

// The points that can be drawn, judged against the limits, by power factor;
// each group remembers a text of its power factor for looking up limits.
struct GroupedPoints {
  QString powerFactorText;
  std::vector<ErrorChartPoint> points;
};

std::map<PowerFactorGroup, GroupedPoints> groupPoints(const std::vector<ErrorPointRow>& rows,
                                                      const std::optional<ChartLimits>& limits) {
  std::map<PowerFactorGroup, GroupedPoints> groups;
  for (const ErrorPointRow& row : rows) {
    if (!row.error || !(row.currentPercent > 0) || !std::isfinite(*row.error)) continue;
    ErrorChartPoint point{row.currentPercent, *row.error, row.marked, false};
    if (limits && limits->limits)
      point.beyond =
          judgePoint(*limits->limits, limits->accuracyClass, row.powerFactor, row.currentPercent, row.error)
              .state == PointState::Beyond;
    GroupedPoints& group = groups[groupOf(row.powerFactor)];
    if (group.points.empty()) group.powerFactorText = row.powerFactor;
    group.points.push_back(point);
  }
  for (auto& [key, group] : groups)
    std::stable_sort(
        group.points.begin(), group.points.end(),
        [](const ErrorChartPoint& a, const ErrorChartPoint& b) { return a.current < b.current; });
  return groups;
}

double largestLimit(const std::vector<LimitStep>& envelope) {
  double largest = 0;
  for (const LimitStep& step : envelope) largest = std::max(largest, step.limit);
  return largest;
}

ErrorChart finish(std::vector<ErrorCurve> curves) {
  ErrorChart chart;
  chart.curves = std::move(curves);
  chart.current = currentAxisRange(chart.curves);
  if (chart.isEmpty()) chart.emptyText = kNoPointsText;
  return chart;
}

}  // namespace

int ErrorChart::pointCount() const {
  int count = 0;
  for (const ErrorCurve& curve : curves)
    for (const auto& branch : curve.branches) count += static_cast<int>(branch.size());
  return count;
}

QString powerFactorCaption(const QString& powerFactor) { return captionOf(groupOf(powerFactor)); }

AxisRange currentAxisRange(const std::vector<ErrorCurve>& curves) {
  AxisRange range{1, kLeastLargestCurrent};
  for (const ErrorCurve& curve : curves)
    for (const auto& branch : curve.branches)
      for (const ErrorChartPoint& point : branch) {
        range.to = std::max(range.to, point.current);
        if (point.current < range.from) range.from = std::pow(10.0, std::floor(std::log10(point.current)));
      }
  return range;
}

AxisRange errorAxisRange(const std::vector<ErrorCurve>& curves) {
  double extent = 0;
  for (const ErrorCurve& curve : curves) {
    extent = std::max(extent, largestLimit(curve.envelope));
    for (const auto& branch : curve.branches)
      for (const ErrorChartPoint& point : branch) extent = std::max(extent, std::abs(point.error));
  }
  if (extent <= 0) return {-1, 1};
  return {-extent * kErrorMargin, extent * kErrorMargin};
}

std::vector<LimitStep> limitEnvelope(const ChartLimits& limits, const QString& powerFactor,
                                     const AxisRange& current) {
  std::vector<LimitStep> steps;
  if (!limits.limits) return steps;
  std::vector<double> bounds{current.from, current.to};
  for (const LimitRow& row : limits.limits->rowsForClass(limits.accuracyClass)) {
    for (const double bound : {row.currentFrom, row.currentTo.value_or(current.to)})
      if (bound > current.from && bound < current.to) bounds.push_back(bound);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  for (size_t i = 0; i + 1 < bounds.size(); ++i) {
    // Any current inside the range finds its row; the middle keeps clear of
    // the question which side a bound belongs to.
    const double middle = std::sqrt(bounds[i] * bounds[i + 1]);
    const std::optional<LimitRow> row = limits.limits->rowFor(limits.accuracyClass, powerFactor, middle);
    if (!row) continue;
    if (!steps.empty() && steps.back().to == bounds[i] && steps.back().limit == row->limit)
      steps.back().to = bounds[i + 1];
    else
      steps.push_back({bounds[i], bounds[i + 1], row->limit});
  }
  return steps;
}

QList<QList<QPointF>> envelopeLines(const std::vector<LimitStep>& envelope, int sign) {
  QList<QList<QPointF>> lines;
  double lastEnd = 0;
  for (const LimitStep& step : envelope) {
    if (lines.isEmpty() || step.from != lastEnd) lines.append(QList<QPointF>{});
    lines.last() << QPointF(step.from, sign * step.limit) << QPointF(step.to, sign * step.limit);
    lastEnd = step.to;
  }
  return lines;
}

ErrorChart meterErrorChart(const std::vector<ErrorPointRow>& rows, const std::optional<ChartLimits>& limits) {
  std::vector<ErrorCurve> curves;
  std::vector<QString> powerFactors;
  for (auto& [key, group] : groupPoints(rows, limits)) {
    curves.push_back({captionOf(key), {std::move(group.points)}, {}});
    powerFactors.push_back(group.powerFactorText);
  }
  ErrorChart chart = finish(std::move(curves));
  if (limits)
    for (size_t i = 0; i < chart.curves.size(); ++i)
      chart.curves[i].envelope = limitEnvelope(*limits, powerFactors[i], chart.current);
  chart.error = errorAxisRange(chart.curves);
  return chart;
}

ErrorChart groupErrorChart(const std::vector<MeterErrorRows>& meters,
                           const std::optional<ChartLimits>& limits) {
  std::vector<ErrorCurve> curves;
  std::map<PowerFactorGroup, QString> powerFactors;
  for (const MeterErrorRows& meter : meters) {
    const QString caption = meter.serialNumber.trimmed();
    ErrorCurve curve{caption.isEmpty() ? QStringLiteral("без номера") : caption, {}, {}};
    for (auto& [key, group] : groupPoints(meter.rows, limits)) {
      curve.branches.push_back(std::move(group.points));
      powerFactors.emplace(key, group.powerFactorText);
    }
    if (!curve.branches.empty()) curves.push_back(std::move(curve));
  }
  ErrorChart chart = finish(std::move(curves));
  if (limits && powerFactors.size() == 1)
    chart.commonEnvelope = limitEnvelope(*limits, powerFactors.begin()->second, chart.current);
  chart.error = errorAxisRange(chart.curves);
  const double limit = largestLimit(chart.commonEnvelope) * kErrorMargin;
  chart.error = {std::min(chart.error.from, -limit), std::max(chart.error.to, limit)};
  return chart;
}
