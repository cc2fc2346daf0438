#include "reports/ProtocolChart.h"

#include <algorithm>

#include "reports/AccuracyLimits.h"
#include "reports/DocxPicture.h"
#include "reports/ErrorChartRenderer.h"
#include "reports/ErrorChartRows.h"
#include "reports/WordDocument.h"

namespace {

constexpr double kScreenDotsPerInch = 96;
constexpr double kHeightPerWidth = 0.5;
constexpr double kLargestHeightInches = 4.5;  // leaves room for the table on a landscape page

QSize pictureSize(qint64 columnTwips) {
  const double widthInches = double(columnTwips) / (docx::kEmuPerInch / docx::kEmuPerTwip);
  const double heightInches = std::min(widthInches * kHeightPerWidth, kLargestHeightInches);
  return QSize(qRound(widthInches * kScreenDotsPerInch), qRound(heightInches * kScreenDotsPerInch));
}

}  // namespace

std::optional<ChartLimits> baseChartLimits(Connection& connection, const QString& baseName) {
  const std::optional<double> accuracyClass = readAccuracyClass(connection, baseName);
  if (!accuracyClass) return std::nullopt;
  return ChartLimits{&programLimits(), *accuracyClass};
}

ErrorChart singleProtocolChart(Connection& connection, qint64 meterNum, const QString& baseName) {
  return meterErrorChart(readMeterErrorRows(connection, meterNum, true),
                         baseChartLimits(connection, baseName));
}

ErrorChart groupProtocolChart(Connection& connection, const QString& baseName) {
  return groupErrorChart(readBaseMarkedErrorRows(connection, baseName),
                         baseChartLimits(connection, baseName));
}

void placeProtocolChart(WordDocument& document, const ErrorChart& chart) {
  if (chart.isEmpty()) {
    document.removeParagraphsWith(kChartPlaceholder);
    return;
  }
  const QSize size = pictureSize(document.textColumnTwips());
  document.insertPicture(kChartPlaceholder, errorChartPng(chart, size), size,
                         QStringLiteral("График погрешности"));
}
