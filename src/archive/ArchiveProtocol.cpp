#include "archive/ArchiveProtocol.h"

#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/FieldText.h"
#include "database/Rows.h"
#include "reports/PointJudging.h"
#include "reports/ProgramProgress.h"
#include "reports/ReportData.h"
#include "reports/XlReport.h"

#include <QDate>
#include <QString>

#include <cstddef>
#include <optional>

namespace {

// An exportRows field and the field of a dataset it is taken from.
struct FieldSource {
  QLatin1String rxField;
  QLatin1String sourceField;
};

namespace Rx = Columns::ExportRow;

// Fields 1..5: the archived meter's identity.
constexpr FieldSource kMeterFields[] = {{Rx::type, Columns::ArchivedMeter::type},
                                        {Rx::serialNumber, Columns::ArchivedMeter::serialNumber},
                                        {Rx::year, Columns::ArchivedMeter::year},
                                        {Rx::owner, Columns::ArchivedMeter::owner},
                                        {Rx::maker, Columns::ArchivedMeter::maker}};
// Fields 6..9: the nominal values of the base the meter came from.
constexpr FieldSource kBaseFields[] = {{Rx::accuracyClass, Columns::Base::accuracyClass},
                                       {Rx::nominalVoltage, Columns::Base::nominalVoltage},
                                       {Rx::nominalCurrent, Columns::Base::nominalCurrent},
                                       {Rx::meterConstant, Columns::Base::meterConstant}};
// Fields 10..15: the archived test point.
constexpr FieldSource kPointFields[] = {{Rx::voltagePercent, Columns::ArchivedPoint::voltagePercent},
                                        {Rx::currentPercent, Columns::ArchivedPoint::currentPercent},
                                        {Rx::powerFactor, Columns::ArchivedPoint::powerFactor},
                                        {Rx::error, Columns::ArchivedPoint::error},
                                        {Rx::date, Columns::ArchivedPoint::date},
                                        {Rx::previousCheck, Columns::ArchivedPoint::previousCheck}};

// The fields' edit texts (reals with the locale's separator, dates in its
// short format); a null field leaves the row's field unassigned.
template <std::size_t N>
void copyFields(MemoryDataset& rows, Dataset& source, const FieldSource (&fields)[N]) {
  for (const FieldSource& field : fields) {
    const QString text = source.fieldByName(field.sourceField).asText();
    if (!text.isEmpty()) rows.setText(field.rxField, text);
  }
}

// exportRows as the report's data source; a field never assigned stays blank.
class MemoryDatasetSource : public ReportDataSource {
 public:
  explicit MemoryDatasetSource(const MemoryDataset& rows) : rows_(rows) {}
  QStringList fieldNames() const override { return rows_.fieldNames(); }
  qsizetype rowCount() const override { return rows_.recordCount(); }
  std::optional<QString> value(qsizetype row, int field) const override {
    const QVariant value = rows_.valueAt(static_cast<int>(row), field);
    if (value.isNull()) return std::nullopt;
    return value.toString();
  }

 private:
  const MemoryDataset& rows_;
};

// The point's limit when it is judged.
void writeLimit(MemoryDataset& rows, const TableDataset& points, const AccuracyLimits& limits,
                std::optional<double> accuracyClass) {
  if (!accuracyClass) return;
  const PointJudgement judgement = judgeDatasetRow(points, points.currentRow(), limits, *accuracyClass);
  if (judgement.state != PointState::NotJudged) rows.setText(Rx::limit, limitText(judgement.limit));
}

// The archived meter's verdict over all its archived points, against the
// program of its class and type.
Verdict archivedMeterVerdict(Dataset& meter, Dataset& points, const AccuracyLimits& limits,
                             const VerificationPrograms& programs, double accuracyClass) {
  const QList<ProgramPoint> program =
      programs.programFor(accuracyClass, Row::ArchivedMeter::read(meter).type);
  return assessMeter(program, markedMeasuredPoints(points, limits, accuracyClass)).verdict;
}

}  // namespace

std::optional<double> archivedClass(Dataset& meter) { return Row::ArchivedMeter::read(meter).accuracyClass; }

bool fillArchiveProtocolRows(DataModule& dm) {
  return fillArchiveProtocolRows(dm, programLimits(), verificationPrograms());
}

bool fillArchiveProtocolRows(DataModule& dm, const AccuracyLimits& limits,
                             const VerificationPrograms& programs) {
  MemoryDataset& rows = *dm.exportRows;
  rows.close();
  rows.open();

  QueryDataset& meters = *dm.archivedMeters;
  if (!meters.isOpen() || meters.isEmpty()) return false;

  TableDataset& points = *dm.archivedPoints;
  for (meters.first(); !meters.eof(); meters.next()) {
    dm.bases->reopen(Statements::baseByName(Row::ArchivedMeter::read(meters).base));
    if (points.isEmpty()) continue;

    const std::optional<double> accuracyClass = archivedClass(meters);
    const QString verdict =
        accuracyClass ? verdictWord(archivedMeterVerdict(meters, points, limits, programs, *accuracyClass))
                      : QString();
    points.first();
    rows.append();
    copyFields(rows, meters, kMeterFields);
    if (!dm.bases->isEmpty()) copyFields(rows, *dm.bases, kBaseFields);
    copyFields(rows, points, kPointFields);
    writeLimit(rows, points, limits, accuracyClass);
    if (!verdict.isEmpty()) rows.setText(Rx::verdict, verdict);
    for (points.next(); !points.eof(); points.next()) {
      rows.append();
      copyFields(rows, points, kPointFields);
      writeLimit(rows, points, limits, accuracyClass);
    }
  }
  return true;
}

QByteArray buildArchiveWorkbook(const MemoryDataset& rows, const QString& templatePath, const QDate& today) {
  const MemoryDatasetSource source(rows);
  // Fixed values, so that the workbook tells the same whenever it is opened.
  ReportTable totals({Columns::ExportTotals::count, Columns::ExportTotals::date});
  totals.appendRow({QString::number(rows.recordCount()), fieldEditText(today, FieldType::Date)});
  ExcelTemplateReport report;
  report.templatePath = templatePath;
  report.addDataSource(QStringLiteral("RxData"), QStringLiteral("Range1"), source);
  report.addDataSource(QStringLiteral("RxTotals"), QStringLiteral("Totals"), totals,
                       ExcelTemplateReport::Range::Optional);
  return report.build();
}
