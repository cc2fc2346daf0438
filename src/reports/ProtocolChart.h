#pragma once

#include <QString>

#include <optional>

#include "reports/ErrorChart.h"

class Connection;
class WordDocument;

// The error chart of a verification protocol: made from the marked points,
// drawn off-screen and put into the template's picture placeholder.

inline const QString kChartPlaceholder = QStringLiteral("<Lgrf>");

// The class limits of a base from the program's limits file; none when the
// base has no accuracy class.
std::optional<ChartLimits> baseChartLimits(Connection& connection, const QString& baseName);

// The chosen meter's marked points, a curve per power factor.
ErrorChart singleProtocolChart(Connection& connection, qint64 meterNum, const QString& baseName);
// The marked points of every meter in use of the base, a curve per meter.
ErrorChart groupProtocolChart(Connection& connection, const QString& baseName);

// Puts the chart as a picture as wide as the text into the paragraph of the
// placeholder; without anything to draw the paragraph goes.
void placeProtocolChart(WordDocument& document, const ErrorChart& chart);
