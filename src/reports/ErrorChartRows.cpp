#include "reports/ErrorChartRows.h"

#include <QSqlQuery>
#include <QVariant>

#include "database/Columns.h"
#include "database/Connection.h"
#include "database/Statements.h"

namespace {

std::optional<double> numberOf(const QVariant& value) {
  if (value.isNull()) return std::nullopt;
  bool ok = false;
  const double number = value.toDouble(&ok);
  if (!ok) return std::nullopt;
  return number;
}

}  // namespace

std::vector<ErrorPointRow> readMeterErrorRows(Connection& connection, qint64 meterNum, bool markedOnly) {
  std::vector<ErrorPointRow> rows;
  QSqlQuery query = connection.execute(Statements::chartPointsOfMeter(meterNum, markedOnly));
  while (query.next()) {
    ErrorPointRow row;
    row.currentPercent = numberOf(query.value(0)).value_or(0);
    row.powerFactor = query.value(1).toString();
    row.error = numberOf(query.value(2));
    row.marked = query.value(3).toString() == QLatin1String("R");
    rows.push_back(row);
  }
  connection.recycle(std::move(query));
  return rows;
}

std::vector<MeterErrorRows> readBaseMarkedErrorRows(Connection& connection, const QString& baseName) {
  std::vector<std::pair<qint64, QString>> meters;
  QSqlQuery query = connection.execute(Statements::metersOfBaseInUse(baseName, true));
  while (query.next())
    meters.emplace_back(query.value(Columns::Meter::key).toLongLong(),
                        query.value(Columns::Meter::serialNumber).toString());
  connection.recycle(std::move(query));
  std::vector<MeterErrorRows> rows;
  for (const auto& [num, serialNumber] : meters)
    rows.push_back({serialNumber, readMeterErrorRows(connection, num, true)});
  return rows;
}

std::optional<double> readAccuracyClass(Connection& connection, const QString& baseName) {
  QSqlQuery query = connection.execute(Statements::baseByName(baseName));
  std::optional<double> accuracyClass;
  if (query.next()) accuracyClass = numberOf(query.value(Columns::Base::accuracyClass));
  connection.recycle(std::move(query));
  if (accuracyClass && *accuracyClass <= 0) return std::nullopt;
  return accuracyClass;
}
