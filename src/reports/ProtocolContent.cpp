#include "reports/ProtocolContent.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>

#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/FieldText.h"
#include "database/Rows.h"
#include "reports/PointJudging.h"
#include "reports/WordDocument.h"
#include "settings/DayCount.h"
#include "settings/NumericText.h"
#include "settings/SettingsRecords.h"

namespace {

constexpr int kProtocolNumberLength = 10;
constexpr int kSingleHeadingRows = 1;
constexpr int kGroupHeadingRows = 3;  // two heading rows and the serial numbers
constexpr int kGroupSerialRow = 3;
constexpr int kGroupFirstErrorColumn = 5;  // slot 1; slot k in column k + 4
constexpr int kSlots = 8;
constexpr int kSingleLimitColumn = 6;
constexpr int kGroupConclusionTitleColumn = 2;

QString dateText(const QDate& date) { return fieldEditText(date, FieldType::Date); }

// A date of the settings files; day zero (30.12.1899) is a date never entered
// and is printed empty.
QString settingsDateText(double days) {
  const QDate date = dateFromDays(days);
  return date == dateFromDays(0) ? QString() : dateText(date);
}

QString text(Dataset* dataset, const QString& field) { return dataset->fieldByName(field).asText(); }

// Every value a protocol can show, by placeholder.
QHash<QString, QString> allPlaceholderTexts(DataModule& dm, const QString& protocolNumber,
                                            const InstallationInfo& installation, const QDate& today) {
  if (dm.meters->isEmpty()) throw std::runtime_error("Счетчик протокола не найден в базе данных.");
  return {
      {QStringLiteral("<Lnpr>"), protocolNumber},
      {QStringLiteral("<Ldat>"), dateText(today)},
      {QStringLiteral("<Ltch>"), text(dm.meters, Columns::Meter::type)},
      {QStringLiteral("<Lyar>"), text(dm.meters, Columns::Meter::year)},
      {QStringLiteral("<Lnum>"), text(dm.meters, Columns::Meter::serialNumber)},
      {QStringLiteral("<Lusr>"), text(dm.meters, Columns::Meter::owner)},
      {QStringLiteral("<Lmkr>"), text(dm.meters, Columns::Meter::maker)},
      {QStringLiteral("<Lpgr>"), text(dm.bases, Columns::Base::accuracyClass)},
      {QStringLiteral("<Lvlt>"), text(dm.chosenBase, Columns::Base::nominalVoltage)},
      {QStringLiteral("<Ltok>"), text(dm.chosenBase, Columns::Base::nominalCurrent)},
      {QStringLiteral("<Ldpp>"), text(dm.chosenMeter, Columns::Meter::previousCheck)},
      {QStringLiteral("<Ltpu>"), installation.InstallNumber},
      {QStringLiteral("<Lnpu>"), installation.CertNumber},
      {QStringLiteral("<Ldot>"), settingsDateText(installation.CertDate)},
      {QStringLiteral("<Lddo>"), settingsDateText(installation.CertValidTo)},
  };
}

// The placeholders and the conclusion line in one pass over the template's
// text: values from the database are never read as placeholders.
void replacePlaceholders(WordDocument& document, PlaceholderValues placeholders, const QString& conclusion) {
  placeholders.emplace_back(kConclusionPlaceholder, conclusion);
  document.replaceTexts(placeholders);
}

// Columns 1 to 4 of a data row: the point's running number and its test conditions.
void writePointConditions(WordTable& table, int row, int number, const ProtocolPoint& point) {
  table.setCellText(row, 1, QString::number(number));
  table.setCellText(row, 2, point.voltage);
  table.setCellText(row, 3, point.current);
  table.setCellText(row, 4, point.powerFactor);
}

// The row "Заключение" under the results with each meter's verdict under its errors.
void writeGroupConclusion(WordTable& table, const std::vector<GroupMeterColumn>& meters) {
  table.appendRow();
  const int row = table.rowCount();
  table.setCellText(row, kGroupConclusionTitleColumn, QStringLiteral("Заключение"));
  for (const GroupMeterColumn& meter : meters)
    table.setCellText(row, kGroupFirstErrorColumn + meter.slot - 1, verdictWord(meter.verdict));
}

}  // namespace

const QStringList& singleProtocolPlaceholders() {
  static const QStringList names = {
      QStringLiteral("<Lnpr>"), QStringLiteral("<Ldat>"), QStringLiteral("<Ltch>"), QStringLiteral("<Lyar>"),
      QStringLiteral("<Lnum>"), QStringLiteral("<Lusr>"), QStringLiteral("<Lmkr>"), QStringLiteral("<Lpgr>"),
      QStringLiteral("<Lvlt>"), QStringLiteral("<Ltok>"), QStringLiteral("<Ldpp>"), QStringLiteral("<Ltpu>"),
      QStringLiteral("<Lnpu>"), QStringLiteral("<Ldot>"), QStringLiteral("<Lddo>")};
  return names;
}

// The meter-specific year, serial number and owner are not in the group protocol.
const QStringList& groupProtocolPlaceholders() {
  static const QStringList names = {
      QStringLiteral("<Lnpr>"), QStringLiteral("<Ldat>"), QStringLiteral("<Ltch>"), QStringLiteral("<Lmkr>"),
      QStringLiteral("<Lpgr>"), QStringLiteral("<Lvlt>"), QStringLiteral("<Ltok>"), QStringLiteral("<Ldpp>"),
      QStringLiteral("<Ltpu>"), QStringLiteral("<Lnpu>"), QStringLiteral("<Ldot>"), QStringLiteral("<Lddo>")};
  return names;
}

PlaceholderValues protocolPlaceholderValues(DataModule& dm, const QStringList& placeholders,
                                            const QString& protocolNumber,
                                            const InstallationInfo& installation, const QDate& today) {
  const QHash<QString, QString> texts = allPlaceholderTexts(dm, protocolNumber, installation, today);
  PlaceholderValues values;
  values.reserve(static_cast<size_t>(placeholders.size()));
  for (const QString& placeholder : placeholders) values.emplace_back(placeholder, texts.value(placeholder));
  return values;
}

std::vector<ProtocolPoint> markedPoints(Dataset& slave, const JudgingBasis& basis) {
  std::vector<ProtocolPoint> points;
  if (!slave.isOpen()) slave.open();
  const FieldRef mark = slave.fieldByName(Columns::TestPoint::mark);
  const FieldRef voltage = slave.fieldByName(Columns::TestPoint::voltagePercent);
  const FieldRef current = slave.fieldByName(Columns::TestPoint::currentPercent);
  const FieldRef powerFactor = slave.fieldByName(Columns::TestPoint::powerFactor);
  const FieldRef error = slave.fieldByName(Columns::TestPoint::error);
  for (slave.first(); !slave.eof(); slave.next()) {
    if (mark.asText() != QLatin1String("R")) continue;
    ProtocolPoint point{voltage.asText(), current.asText(), powerFactor.asText(), error.asText(), {}};
    if (basis.limits)
      point.judgement = judgeStoredPoint(*basis.limits, basis.accuracyClass, current.value(),
                                         point.powerFactor, error.value());
    points.push_back(std::move(point));
  }
  return points;
}

std::vector<GroupMeterColumn> groupMeterColumns(DataModule& dm, const QString& baseName,
                                                const JudgingBasis& basis) {
  std::vector<GroupMeterColumn> columns;
  QueryDataset& meters = *dm.meters;
  meters.reopen(Statements::metersOfBaseInUse(baseName, true));
  for (meters.first(); !meters.eof(); meters.next()) {
    const Row::Meter meter = Row::Meter::read(meters);
    GroupMeterColumn column;
    column.slot = static_cast<int>(meter.slot);
    // Another slot would write into a neighbour's column or the test conditions.
    if (column.slot < 1 || column.slot > kSlots)
      throw std::runtime_error(QStringLiteral("Счетчик базы %1 стоит на месте %2: допустимы места 1..8.")
                                   .arg(baseName)
                                   .arg(column.slot)
                                   .toStdString());
    column.serialNumber = meter.serialNumber;
    column.points = markedPoints(*dm.testPoints, basis);
    column.verdict = assessMarkedPoints(*dm.testPoints, basis, meter.type).verdict;
    columns.push_back(std::move(column));
  }
  return columns;
}

void fillSingleProtocol(WordDocument& document, const PlaceholderValues& placeholders,
                        const std::vector<ProtocolPoint>& points, const MeterAssessment& assessment) {
  // The gaps are the program's own points (numbers and letters), put in before
  // the one pass over the template's text that replaces the conclusion.
  const QString gaps = programGapsText(assessment);
  if (!gaps.isEmpty()) document.insertParagraphBefore(kConclusionPlaceholder, kNoConclusionLead, gaps);
  replacePlaceholders(document, placeholders, singleConclusionText(assessment.verdict));
  WordTable& table = document.firstTable();
  for (size_t i = 0; i < points.size(); ++i) table.appendRow();
  int row = kSingleHeadingRows;
  int number = 0;
  const bool limitColumn = table.rowCount() > 0 && table.cellCount(table.rowCount()) >= kSingleLimitColumn;
  for (const ProtocolPoint& point : points) {
    writePointConditions(table, ++row, ++number, point);
    table.setCellText(row, 5, point.error);
    if (limitColumn && point.judgement.state != PointState::NotJudged)
      table.setCellText(row, kSingleLimitColumn, limitText(point.judgement.limit));
  }
}

namespace {

using Condition = std::tuple<QString, QString, QString>;

Condition conditionOf(const ProtocolPoint& point) {
  return {point.voltage.trimmed(), point.current.trimmed(), point.powerFactor.trimmed()};
}

// The data row (0-based) of each of a meter's points: its n-th point under a
// condition goes into the n-th row of that condition.
std::vector<size_t> rowsOfPoints(const std::vector<ProtocolPoint>& rows,
                                 const std::vector<ProtocolPoint>& points) {
  std::vector<size_t> result;
  std::map<Condition, int> seen;
  for (const ProtocolPoint& point : points) {
    const Condition condition = conditionOf(point);
    int occurrence = seen[condition]++;
    size_t row = 0;
    for (; row < rows.size(); ++row)
      if (conditionOf(rows[row]) == condition && occurrence-- == 0) break;
    result.push_back(row);  // rows.size(): not a row (groupRowConditions has one for every point)
  }
  return result;
}

}  // namespace

std::vector<ProtocolPoint> groupRowConditions(const std::vector<ProtocolPoint>& chosenPoints,
                                              const std::vector<GroupMeterColumn>& meters) {
  std::vector<ProtocolPoint> rows;
  std::map<Condition, int> rowsOfCondition;
  const auto addRows = [&](const std::vector<ProtocolPoint>& points) {
    std::map<Condition, int> seen;
    for (const ProtocolPoint& point : points) {
      const Condition condition = conditionOf(point);
      if (++seen[condition] > rowsOfCondition[condition]) {
        rows.push_back({point.voltage, point.current, point.powerFactor, QString(), {}});
        ++rowsOfCondition[condition];
      }
    }
  };
  addRows(chosenPoints);
  for (const GroupMeterColumn& meter : meters) addRows(meter.points);
  return rows;
}

void fillGroupProtocol(WordDocument& document, const PlaceholderValues& placeholders,
                       const std::vector<ProtocolPoint>& chosenPoints,
                       const std::vector<GroupMeterColumn>& meters) {
  replacePlaceholders(document, placeholders, groupConclusionText(meters));
  WordTable& table = document.firstTable();
  const std::vector<ProtocolPoint> rows = groupRowConditions(chosenPoints, meters);
  for (size_t i = 0; i < rows.size(); ++i) table.appendRow();

  int number = 0;
  for (const ProtocolPoint& condition : rows) {
    ++number;
    writePointConditions(table, kGroupHeadingRows + number, number, condition);
  }
  for (const GroupMeterColumn& meter : meters) {
    const int column = kGroupFirstErrorColumn + meter.slot - 1;
    table.setCellText(kGroupSerialRow, column, meter.serialNumber);
    const std::vector<size_t> meterRows = rowsOfPoints(rows, meter.points);
    for (size_t i = 0; i < meter.points.size(); ++i) {
      if (meterRows[i] >= rows.size()) continue;
      table.setCellText(kGroupHeadingRows + 1 + static_cast<int>(meterRows[i]), column,
                        meter.points[i].error);
    }
  }
  writeGroupConclusion(table, meters);
}

QString nextProtocolNumber(const QString& number) {
  return numberToText(textToNumber(number) + 1).left(kProtocolNumberLength);
}
