#pragma once

#include <QList>
#include <QPointF>
#include <QString>

#include <optional>
#include <vector>

class AccuracyLimits;

// What an error chart shows, worked out from test points without drawing
// anything: error against load current (in % of the nominal current, on a
// logarithmic axis), one curve per power factor of a meter or one per meter of
// a base, the limits of the meter's class as steps, points beyond their limit.
// ErrorChartRenderer draws it.

// A test point as the database holds it.
struct ErrorPointRow {
  double currentPercent = 0;
  QString powerFactor;          // the KM text: "1.000", "0.5/L", "0.8/C", "0.866/"
  std::optional<double> error;  // none: not measured
  bool marked = false;          // "R": goes into the protocol and the archive
};

struct ErrorChartPoint {
  double current = 0;
  double error = 0;
  bool marked = false;
  bool beyond = false;  // outside the limit of its class, power factor and current
};

// From `from` to `to` % of the nominal current the error may be ±limit %.
struct LimitStep {
  double from = 0;
  double to = 0;
  double limit = 0;
  bool operator==(const LimitStep&) const = default;
};

// A line of the chart with its legend caption. Its points are split by power
// factor into branches, each ordered by current and drawn as a line of its own
// (a meter's curve at cos φ = 1 is not joined to its curve at 0,5 инд.).
struct ErrorCurve {
  QString caption;
  std::vector<std::vector<ErrorChartPoint>> branches;
  std::vector<LimitStep> envelope;  // empty: no limits for it
};

struct AxisRange {
  double from = 0;
  double to = 0;
};

struct ErrorChart {
  std::vector<ErrorCurve> curves;
  AxisRange current;                      // x, logarithmic
  AxisRange error;                        // y, symmetric about 0
  std::vector<LimitStep> commonEnvelope;  // limits of every curve (a base's chart)
  QString emptyText;                      // shown instead of curves when there is nothing to draw

  bool isEmpty() const { return curves.empty(); }
  int pointCount() const;
};

// The class limits a chart judges against; none: no envelope, no red points.
struct ChartLimits {
  const AccuracyLimits* limits = nullptr;
  double accuracyClass = 0;
};

inline const QString kCurrentAxisTitle = QStringLiteral("Ток, % от номинального");
inline const QString kErrorAxisTitle = QStringLiteral("Погрешность, %");
inline const QString kNoPointsText = QStringLiteral("Нет измеренных точек");

// The legend caption of a power factor text: "cos φ = 1", "0,5 инд.",
// "0,8 емк.", "cos φ = 0,866"; an unreadable text stands as it is, an empty
// one is "cos φ не указан".
QString powerFactorCaption(const QString& powerFactor);

// One meter: a curve per power factor (cos φ = 1 first, then inductive and
// capacitive ones by falling cos φ), with the class envelope of that power
// factor. Points without an error or with a current that is not positive (it
// has no place on a logarithmic axis) are left out.
ErrorChart meterErrorChart(const std::vector<ErrorPointRow>& rows, const std::optional<ChartLimits>& limits);

// A base: a curve per meter, captioned by its serial number ("без номера"
// without one), its power factors as branches; the envelope
// only when every point has the same power factor.
struct MeterErrorRows {
  QString serialNumber;
  std::vector<ErrorPointRow> rows;
};
ErrorChart groupErrorChart(const std::vector<MeterErrorRows>& meters,
                           const std::optional<ChartLimits>& limits);

// 1 % up to the largest current, at least 120 %; a smaller positive current
// than 1 % widens the axis down to its decade.
AxisRange currentAxisRange(const std::vector<ErrorCurve>& curves);
// ±(largest error or limit shown) with a margin; ±1 when everything is 0.
AxisRange errorAxisRange(const std::vector<ErrorCurve>& curves);

// The steps of the limits for the class and power factor over the current
// range, as the limits file gives them (a range without a row has no step).
std::vector<LimitStep> limitEnvelope(const ChartLimits& limits, const QString& powerFactor,
                                     const AxisRange& current);

// The envelope as lines to draw: steps that meet are joined by a vertical
// line; sign +1 gives the upper, -1 the lower edge.
QList<QList<QPointF>> envelopeLines(const std::vector<LimitStep>& envelope, int sign);
