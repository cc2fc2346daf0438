#include "reports/VerificationProgram.h"

#include <QHash>

#include <algorithm>
#include <cmath>

#include "reports/TableFile.h"
#include "settings/NumericText.h"
#include "settings/ProgramDir.h"

namespace {

// Compared numbers come from decimal texts; this absorbs their binary rounding.
constexpr double kRounding = 1e-9;
constexpr double kVoltageTolerance = 1;          // % of the nominal voltage
constexpr double kCurrentTolerance = 1;          // % of the nominal current, at least
constexpr double kCurrentShareTolerance = 0.05;  // of the prescribed current
constexpr int kFieldCount = 5;

using table_file::quoted;
using table_file::readDecimal;

bool isUnity(const PowerFactor& powerFactor) { return std::abs(powerFactor.value - 1) <= kRounding; }

// A positive number of a column, or the reason it is none.
std::optional<double> positiveField(const QString& field, const QString& column, QString* reason) {
  const std::optional<double> value = readDecimal(field);
  if (value && *value > 0) return value;
  *reason = QStringLiteral("%1 %2 не положительное число").arg(column, quoted(field));
  return std::nullopt;
}

std::optional<PowerFactor> powerFactorField(const QString& field, QString* reason) {
  const std::optional<PowerFactor> powerFactor = parsePowerFactor(field);
  if (!powerFactor || powerFactor->value <= 0 || powerFactor->value > 1 + kRounding) {
    *reason = QStringLiteral("cos φ %1 не распознан").arg(quoted(field));
    return std::nullopt;
  }
  // Measured power factors other than 1 carry the letter: a point without
  // one could never be measured.
  if (!isUnity(*powerFactor) && powerFactor->letter.isNull()) {
    *reason = QStringLiteral("у cos φ %1 нет буквы L (инд.) или C (емк.)").arg(quoted(field));
    return std::nullopt;
  }
  return powerFactor;
}

// The row of a data line, or the reason it is damaged.
std::optional<ProgramRow> readRow(const QString& line, QString* reason) {
  const std::optional<QStringList> split = table_file::splitFields(line, kFieldCount, reason);
  if (!split) return std::nullopt;
  const QStringList& fields = *split;
  ProgramRow row;
  row.classText = fields[0].trimmed();
  const std::optional<double> klass = table_file::readAccuracyClass(fields[0]);
  if (!klass || *klass <= 0) {
    *reason = QStringLiteral("класс точности %1 не распознан").arg(quoted(fields[0]));
    return std::nullopt;
  }
  row.accuracyClass = *klass;
  row.type = fields[1].trimmed();
  const std::optional<double> voltage = positiveField(fields[2], QStringLiteral("напряжение"), reason);
  if (!voltage) return std::nullopt;
  const std::optional<double> current = positiveField(fields[3], QStringLiteral("ток"), reason);
  if (!current) return std::nullopt;
  const std::optional<PowerFactor> powerFactor = powerFactorField(fields[4], reason);
  if (!powerFactor) return std::nullopt;
  row.point = {*voltage, *current, *powerFactor};
  return row;
}

QString decimalText(double value) { return numberToText(value).replace(QLatin1Char('.'), QLatin1Char(',')); }

}  // namespace

VerificationPrograms VerificationPrograms::parse(const QString& text, const QString& fileName,
                                                 QStringList* problems) {
  VerificationPrograms programs;
  table_file::forEachDataLine(text, [&](int number, const QString& line) {
    QString reason;
    if (const std::optional<ProgramRow> row = readRow(line, &reason))
      programs.rows_.append(*row);
    else if (problems)
      problems->append(table_file::lineProblem(fileName, number, reason));
  });
  return programs;
}

VerificationPrograms VerificationPrograms::load(const QString& path, QStringList* problems) {
  const std::optional<QString> text = table_file::readText(path, problems);
  return text ? parse(*text, path, problems) : VerificationPrograms();
}

QList<ProgramPoint> VerificationPrograms::programFor(double accuracyClass, const QString& type) const {
  const QString meterType = type.trimmed();
  QList<ProgramPoint> ofType;
  QList<ProgramPoint> ofClass;
  for (const ProgramRow& row : rows_) {
    if (!table_file::sameClass(row.accuracyClass, accuracyClass)) continue;
    if (row.type.isEmpty())
      ofClass.append(row.point);
    else if (!meterType.isEmpty() && row.type.compare(meterType, Qt::CaseInsensitive) == 0)
      ofType.append(row.point);
  }
  return ofType.isEmpty() ? ofClass : ofType;
}

bool covers(const ProgramPoint& programPoint, double voltagePercent, double currentPercent,
            const PowerFactor& powerFactor) {
  if (!std::isfinite(voltagePercent) || !std::isfinite(currentPercent)) return false;
  if (std::abs(voltagePercent - programPoint.voltagePercent) > kVoltageTolerance + kRounding) return false;
  const double currentTolerance =
      std::max(kCurrentTolerance, kCurrentShareTolerance * programPoint.currentPercent);
  if (std::abs(currentPercent - programPoint.currentPercent) > currentTolerance + kRounding) return false;
  return powerFactorMatches(programPoint.powerFactor, powerFactor);
}

bool covers(const ProgramPoint& programPoint, double voltagePercent, double currentPercent,
            const QString& powerFactor) {
  const std::optional<PowerFactor> measured = parsePowerFactor(powerFactor);
  return measured && covers(programPoint, voltagePercent, currentPercent, *measured);
}

int MeterAssessment::doneCount() const {
  return static_cast<int>(std::count_if(program.begin(), program.end(),
                                        [](const ProgramPointResult& result) { return result.done(); }));
}

QList<ProgramPoint> MeterAssessment::outstanding() const {
  QList<ProgramPoint> points;
  for (const ProgramPointResult& result : program)
    if (!result.done()) points.append(result.point);
  return points;
}

MeterAssessment assessMeter(const QList<ProgramPoint>& program, const QList<MeasuredPoint>& markedPoints) {
  MeterAssessment assessment;
  QList<PointJudgement> judgements;
  judgements.reserve(markedPoints.size());
  for (const MeasuredPoint& point : markedPoints) judgements.append(point.judgement);
  const Verdict markedVerdict = meterVerdict(judgements);
  if (program.isEmpty()) {
    assessment.verdict = markedVerdict;
    return assessment;
  }
  // A handful of distinct power factor texts among many points: each is read once.
  QHash<QString, std::optional<PowerFactor>> powerFactors;
  std::vector<std::optional<PowerFactor>> measured;
  measured.reserve(static_cast<size_t>(markedPoints.size()));
  for (const MeasuredPoint& point : markedPoints) {
    auto found = powerFactors.constFind(point.powerFactor);
    if (found == powerFactors.cend())
      found = powerFactors.insert(point.powerFactor, parsePowerFactor(point.powerFactor));
    measured.push_back(*found);
  }
  bool allPassed = true;
  for (const ProgramPoint& programPoint : program) {
    const MeasuredPoint* beyond = nullptr;
    const MeasuredPoint* within = nullptr;
    const MeasuredPoint* covering = nullptr;
    for (qsizetype i = 0; i < markedPoints.size() && !beyond; ++i) {
      const MeasuredPoint& point = markedPoints[i];
      const std::optional<PowerFactor>& powerFactor = measured[static_cast<size_t>(i)];
      // A point without an error (the instrument showed none) is no evidence.
      if (!point.error || !powerFactor ||
          !covers(programPoint, point.voltagePercent, point.currentPercent, *powerFactor))
        continue;
      if (!covering) covering = &point;
      if (point.judgement.state == PointState::Beyond) beyond = &point;
      if (point.judgement.state == PointState::Within && !within) within = &point;
    }
    ProgramPointResult result{programPoint, ProgramPointState::Missing, std::nullopt};
    if (const MeasuredPoint* shown = beyond ? beyond : within ? within : covering) result.covering = *shown;
    result.state = beyond     ? ProgramPointState::Failed
                   : within   ? ProgramPointState::Passed
                   : covering ? ProgramPointState::NotJudged
                              : ProgramPointState::Missing;
    allPassed = allPassed && result.state == ProgramPointState::Passed;
    assessment.program.push_back(std::move(result));
  }
  assessment.verdict = markedVerdict == Verdict::Unfit ? Verdict::Unfit
                       : allPassed                     ? Verdict::Fit
                                                       : Verdict::NotJudged;
  return assessment;
}

QString programPowerFactorText(const PowerFactor& powerFactor) {
  if (isUnity(powerFactor)) return QStringLiteral("1");
  const QString value = decimalText(powerFactor.value);
  if (powerFactor.letter == QLatin1Char('L')) return value + QStringLiteral(" инд.");
  if (powerFactor.letter == QLatin1Char('C')) return value + QStringLiteral(" емк.");
  return value;
}

QString programPointText(const ProgramPoint& point) {
  return QStringLiteral("%1 % Iном, cos φ = %2, %3 % Uном")
      .arg(decimalText(point.currentPercent), programPowerFactorText(point.powerFactor),
           decimalText(point.voltagePercent));
}

QString programPointShortText(const ProgramPoint& point) {
  const QString powerFactor = point.powerFactor.letter.isNull()
                                  ? QStringLiteral("cos φ = ") + programPowerFactorText(point.powerFactor)
                                  : programPowerFactorText(point.powerFactor);
  QString text = QStringLiteral("%1 % %2").arg(decimalText(point.currentPercent), powerFactor);
  if (std::abs(point.voltagePercent - 100) > kRounding)
    text += QStringLiteral(", %1 % Uном").arg(decimalText(point.voltagePercent));
  return text;
}

QString programProgressText(const MeterAssessment& assessment) {
  return QStringLiteral("%1 из %2 точек").arg(assessment.doneCount()).arg(assessment.program.size());
}

QString assessmentText(const MeterAssessment& assessment) {
  if (!assessment.hasProgram() || assessment.verdict != Verdict::NotJudged)
    return verdictText(assessment.verdict);
  return QStringLiteral("%1: нет %2 из %3 точек")
      .arg(verdictText(assessment.verdict))
      .arg(assessment.program.size() - static_cast<size_t>(assessment.doneCount()))
      .arg(assessment.program.size());
}

namespace {

WatchedTableFile<VerificationPrograms>& watchedPrograms() {
  static WatchedTableFile<VerificationPrograms> file(&VerificationPrograms::load);
  return file;
}

}  // namespace

QString verificationProgramsPath() { return programPath(QStringLiteral("sources/programs.csv")); }

void setProgramsProblemReporter(std::function<void(const QStringList&)> reporter) {
  watchedPrograms().setReporter(std::move(reporter));
}

const VerificationPrograms& verificationPrograms(QStringList* newProblems) {
  return watchedPrograms().current(verificationProgramsPath(), newProblems);
}
