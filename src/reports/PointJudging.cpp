#include "reports/PointJudging.h"

#include <QSqlQuery>

#include "database/Columns.h"
#include "database/Connection.h"
#include "database/Dataset.h"
#include "database/FieldValue.h"
#include "database/Statements.h"

namespace {

const QString kMark = QStringLiteral("R");

struct PointColumns {
  int tok;
  int km;
  int opogr;
  int rep;
};

// Archived points and the queries of points name these columns as the test points do.
PointColumns columnsOf(const Dataset& points) {
  return {points.fieldIndex(Columns::TestPoint::currentPercent),
          points.fieldIndex(Columns::TestPoint::powerFactor), points.fieldIndex(Columns::TestPoint::error),
          points.fieldIndex(Columns::TestPoint::mark)};
}

PointJudgement judgeRow(const Dataset& points, int row, const PointColumns& columns,
                        const AccuracyLimits& limits, double accuracyClass) {
  if (columns.tok < 0 || columns.km < 0 || columns.opogr < 0) return {};
  return judgeStoredPoint(limits, accuracyClass, points.valueAt(row, columns.tok),
                          points.valueAt(row, columns.km).toString(), points.valueAt(row, columns.opogr));
}

}  // namespace

std::optional<double> storedError(const QVariant& opogr) {
  if (opogr.isNull() || !opogr.isValid()) return std::nullopt;
  // What does not read as a number (another tool's "5,0", a word) is not judged.
  const QVariant value = FieldValue::fromDatabase(opogr, FieldType::Real);
  if (value.typeId() != QMetaType::Double) return std::nullopt;
  return value.toDouble();
}

PointJudgement judgeStoredPoint(const AccuracyLimits& limits, double accuracyClass, const QVariant& tok,
                                const QString& km, const QVariant& opogr) {
  const std::optional<double> error = storedError(opogr);
  const std::optional<double> current = storedError(tok);  // read as strictly as the error
  if (!error || !current) return {};
  return judgePoint(limits, accuracyClass, km, *current, error);
}

PointJudgement judgeDatasetRow(const Dataset& points, int row, const AccuracyLimits& limits,
                               double accuracyClass) {
  return judgeRow(points, row, columnsOf(points), limits, accuracyClass);
}

Verdict verdictOfPoints(Dataset& points, const AccuracyLimits& limits, double accuracyClass) {
  if (!points.isOpen()) return Verdict::NotJudged;
  const int count = points.recordCount();
  const PointColumns columns = columnsOf(points);
  QList<PointJudgement> marked;
  for (int row = 0; row < count; ++row) {
    if (columns.rep >= 0 && points.valueAt(row, columns.rep).toString() != kMark) continue;
    marked.append(judgeRow(points, row, columns, limits, accuracyClass));
  }
  return meterVerdict(marked);
}

QHash<qint64, Verdict> meterVerdictsOfBase(Connection& connection, const QString& baseName,
                                           double accuracyClass, const AccuracyLimits& limits) {
  QHash<qint64, QList<PointJudgement>> judged;
  QSqlQuery query = connection.execute(Statements::markedPointsOfBaseInUse(baseName));
  while (query.next())
    judged[query.value(0).toLongLong()].append(
        judgeStoredPoint(limits, accuracyClass, query.value(1), query.value(2).toString(), query.value(3)));
  connection.recycle(std::move(query));
  QHash<qint64, Verdict> verdicts;
  for (auto it = judged.cbegin(); it != judged.cend(); ++it)
    verdicts.insert(it.key(), meterVerdict(it.value()));
  return verdicts;
}
