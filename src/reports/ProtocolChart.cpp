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

QSize PictureSize(qint64 columnTwips) {
  const double widthInches = double(columnTwips) / (docx::kEmuPerInch / docx::kEmuPerTwip);
  const double heightInches = std::min(widthInches * kHeightPerWidth, kLargestHeightInches);
  return QSize(qRound(widthInches * kScreenDotsPerInch), qRound(heightInches * kScreenDotsPerInch));
}

}  // namespace

std::optional<ChartLimits> BaseChartLimits(Connection& connection, const QString& baseName) {
  const std::optional<double> accuracyClass = ReadAccuracyClass(connection, baseName);
  if (!accuracyClass) return std::nullopt;
  return ChartLimits{&ProgramLimits(), *accuracyClass};
}

ErrorChart SingleProtocolChart(Connection& connection, qint64 meterNum, const QString& baseName) {
  return MeterErrorChart(ReadMeterErrorRows(connection, meterNum, true),
                         BaseChartLimits(connection, baseName));
}

ErrorChart GroupProtocolChart(Connection& connection, const QString& baseName) {
  return GroupErrorChart(ReadBaseMarkedErrorRows(connection, baseName),
                         BaseChartLimits(connection, baseName));
}

void PlaceProtocolChart(WordDocument& document, const ErrorChart& chart) {
  if (chart.isEmpty()) {
    document.removeParagraphsWith(kChartPlaceholder);
    return;
  }
  const QSize size = PictureSize(document.textColumnTwips());
  document.insertPicture(kChartPlaceholder, ErrorChartPng(chart, size), size,
                         QStringLiteral("График погрешности"));
}
