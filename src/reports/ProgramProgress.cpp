#include "reports/ProgramProgress.h"

#include <QSqlQuery>

#include <algorithm>
#include <vector>

#include "database/Columns.h"
#include "database/Connection.h"
#include "database/QueryDataset.h"
#include "database/Rows.h"
#include "database/Statements.h"
#include "reports/PointJudging.h"

namespace {

const QString kMark = QStringLiteral("R");

// A meter in use of a base with the program it is verified by.
struct ProgramMeter {
  qint64 key = 0;
  QList<ProgramPoint> program;
};

// The base's meters in use, by slot.
std::vector<ProgramMeter> programMeters(Connection& connection, const QString& baseName, double accuracyClass,
                                        const VerificationPrograms& programs) {
  std::vector<ProgramMeter> meters;
  QueryDataset rows(&connection);
  rows.reopen(Statements::metersOfBaseInUse(baseName, true));
  for (rows.first(); !rows.eof(); rows.next()) {
    const Row::Meter meter = Row::Meter::read(rows);
    meters.push_back({meter.key, programs.programFor(accuracyClass, meter.type)});
  }
  return meters;
}

// The points of the base's meters in use by meter key: the marked ones
// judged against the limits, or all of them (not judged).
QHash<qint64, QList<MeasuredPoint>> pointsByMeter(Connection& connection, const QString& baseName,
                                                  bool markedOnly, const AccuracyLimits* limits,
                                                  double accuracyClass) {
  QHash<qint64, QList<MeasuredPoint>> points;
  QSqlQuery query = connection.execute(Statements::pointsOfBaseInUse(baseName, markedOnly));
  while (query.next()) {
    MeasuredPoint point;
    point.currentPercent = query.value(1).toDouble();
    point.powerFactor = query.value(2).toString();
    point.error = storedError(query.value(3));
    point.voltagePercent = query.value(4).toDouble();
    if (limits)
      point.judgement =
          judgeStoredPoint(*limits, accuracyClass, query.value(1), point.powerFactor, query.value(3));
    points[query.value(0).toLongLong()].append(std::move(point));
  }
  connection.recycle(std::move(query));
  return points;
}

// Which points of the program the meter has a measured point for (a stored
// point with an error, marked or not).
std::vector<bool> measuredPoints(const QList<ProgramPoint>& program, const QList<MeasuredPoint>& points) {
  std::vector<bool> measured(static_cast<size_t>(program.size()), false);
  for (const MeasuredPoint& point : points) {
    const std::optional<PowerFactor> powerFactor = parsePowerFactor(point.powerFactor);
    if (!point.error || !powerFactor) continue;
    for (qsizetype i = 0; i < program.size(); ++i)
      if (covers(program[i], point.voltagePercent, point.currentPercent, *powerFactor))
        measured[static_cast<size_t>(i)] = true;
  }
  return measured;
}

bool samePowerFactor(const PowerFactor& a, const PowerFactor& b) {
  return a.value == b.value && a.letter == b.letter;
}

bool sameProgram(const QList<ProgramPoint>& a, const QList<ProgramPoint>& b) {
  return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                    [](const ProgramPoint& x, const ProgramPoint& y) {
                      return x.voltagePercent == y.voltagePercent && x.currentPercent == y.currentPercent &&
                             samePowerFactor(x.powerFactor, y.powerFactor);
                    });
}

}  // namespace

std::optional<double> baseAccuracyClass(Connection& connection, const QString& baseName) {
  QueryDataset base(&connection);
  base.reopen(Statements::baseByName(baseName));
  if (base.isEmpty()) return std::nullopt;
  return Row::Base::read(base).accuracyClass;
}

QList<MeasuredPoint> markedMeasuredPoints(Dataset& points, const AccuracyLimits& limits,
                                          double accuracyClass) {
  QList<MeasuredPoint> result;
  if (!points.isOpen()) return result;
  const int count = points.recordCount();
  const int voltage = points.fieldIndex(Columns::TestPoint::voltagePercent);
  const int current = points.fieldIndex(Columns::TestPoint::currentPercent);
  const int powerFactor = points.fieldIndex(Columns::TestPoint::powerFactor);
  const int error = points.fieldIndex(Columns::TestPoint::error);
  const int mark = points.fieldIndex(Columns::TestPoint::mark);
  if (voltage < 0 || current < 0 || powerFactor < 0 || error < 0) return result;
  for (int row = 0; row < count; ++row) {
    if (mark >= 0 && points.valueAt(row, mark).toString() != kMark) continue;
    MeasuredPoint point;
    point.voltagePercent = points.valueAt(row, voltage).toDouble();
    point.currentPercent = points.valueAt(row, current).toDouble();
    point.powerFactor = points.valueAt(row, powerFactor).toString();
    point.error = storedError(points.valueAt(row, error));
    point.judgement = judgeDatasetRow(points, row, limits, accuracyClass);
    result.append(std::move(point));
  }
  return result;
}

QHash<qint64, MeterAssessment> assessMetersOfBase(Connection& connection, const QString& baseName,
                                                  double accuracyClass, const AccuracyLimits& limits,
                                                  const VerificationPrograms& programs) {
  const QHash<qint64, QList<MeasuredPoint>> marked =
      pointsByMeter(connection, baseName, true, &limits, accuracyClass);
  QHash<qint64, MeterAssessment> assessments;
  for (const ProgramMeter& meter : programMeters(connection, baseName, accuracyClass, programs))
    assessments.insert(meter.key, assessMeter(meter.program, marked.value(meter.key)));
  return assessments;
}

QString nextPointLine(Connection& connection, const QString& baseName, const VerificationPrograms& programs) {
  const std::optional<double> accuracyClass = baseAccuracyClass(connection, baseName);
  if (!accuracyClass || programs.isEmpty()) return {};
  const std::vector<ProgramMeter> meters = programMeters(connection, baseName, *accuracyClass, programs);
  if (std::all_of(meters.cbegin(), meters.cend(),
                  [](const ProgramMeter& meter) { return meter.program.isEmpty(); }))
    return {};
  const QHash<qint64, QList<MeasuredPoint>> stored =
      pointsByMeter(connection, baseName, false, nullptr, *accuracyClass);
  // Meters of one program go through it together, in its order; of several
  // programs (a type with a program of its own) the first meter's comes first.
  std::vector<const ProgramMeter*> programsSeen;
  for (const ProgramMeter& meter : meters) {
    if (meter.program.isEmpty()) continue;
    if (std::any_of(programsSeen.cbegin(), programsSeen.cend(),
                    [&](const ProgramMeter* other) { return sameProgram(other->program, meter.program); }))
      continue;
    programsSeen.push_back(&meter);
    std::vector<bool> measuredByAll(static_cast<size_t>(meter.program.size()), true);
    for (const ProgramMeter& other : meters) {
      if (!sameProgram(other.program, meter.program)) continue;
      const std::vector<bool> measured = measuredPoints(other.program, stored.value(other.key));
      for (size_t i = 0; i < measured.size(); ++i) measuredByAll[i] = measuredByAll[i] && measured[i];
    }
    const auto missing = std::find(measuredByAll.cbegin(), measuredByAll.cend(), false);
    if (missing != measuredByAll.cend())
      return QStringLiteral("Следующая точка: ") +
             programPointText(meter.program[static_cast<qsizetype>(missing - measuredByAll.cbegin())]);
  }
  return QStringLiteral("Программа выполнена");
}

bool outsideProgram(Connection& connection, const QString& baseName, const QList<qint64>& meters,
                    double voltagePercent, double currentPercent, const QString& powerFactor,
                    const VerificationPrograms& programs) {
  const std::optional<double> accuracyClass = baseAccuracyClass(connection, baseName);
  if (!accuracyClass || programs.isEmpty() || meters.isEmpty()) return false;
  for (const ProgramMeter& meter : programMeters(connection, baseName, *accuracyClass, programs)) {
    if (meter.program.isEmpty() || !meters.contains(meter.key)) continue;
    const bool covered =
        std::any_of(meter.program.cbegin(), meter.program.cend(), [&](const ProgramPoint& point) {
          return covers(point, voltagePercent, currentPercent, powerFactor);
        });
    if (!covered) return true;
  }
  return false;
}
