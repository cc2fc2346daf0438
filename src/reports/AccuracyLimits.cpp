#include "reports/AccuracyLimits.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

#include "reports/TableFile.h"
#include "settings/ProgramDir.h"

namespace {

// Compared numbers come from decimal texts; this absorbs their binary rounding.
constexpr double kRounding = 1e-9;
constexpr double kPowerFactorTolerance = 0.02;
constexpr int kFieldCount = 5;

using table_file::quoted;
using table_file::readDecimal;
using table_file::sameClass;

// The row of a data line, or the reason it is damaged.
std::optional<LimitRow> readRow(const QString& line, QString* reason) {
  const std::optional<QStringList> split = table_file::splitFields(line, kFieldCount, reason);
  if (!split) return std::nullopt;
  const QStringList& fields = *split;
  LimitRow row;
  row.classText = fields[0].trimmed();
  const std::optional<double> klass = table_file::readAccuracyClass(fields[0]);
  if (!klass || *klass <= 0) {
    *reason = QStringLiteral("класс точности %1 не распознан").arg(quoted(fields[0]));
    return std::nullopt;
  }
  row.accuracyClass = *klass;
  const std::optional<PowerFactor> powerFactor = parsePowerFactor(fields[1]);
  if (!powerFactor) {
    *reason = QStringLiteral("cos φ %1 не распознан").arg(quoted(fields[1]));
    return std::nullopt;
  }
  row.powerFactor = *powerFactor;
  const std::optional<double> from = readDecimal(fields[2]);
  if (!from || *from < 0) {
    *reason = QStringLiteral("ток от %1 не число не меньше 0").arg(quoted(fields[2]));
    return std::nullopt;
  }
  row.currentFrom = *from;
  if (!fields[3].trimmed().isEmpty()) {
    const std::optional<double> to = readDecimal(fields[3]);
    if (!to) {
      *reason = QStringLiteral("ток до %1 не число").arg(quoted(fields[3]));
      return std::nullopt;
    }
    if (*to <= *from) {
      *reason = QStringLiteral("ток до %1 не больше тока от %2").arg(quoted(fields[3]), quoted(fields[2]));
      return std::nullopt;
    }
    row.currentTo = *to;
  }
  const std::optional<double> limit = readDecimal(fields[4]);
  if (!limit || *limit <= 0) {
    *reason = QStringLiteral("предел %1 не положительное число").arg(quoted(fields[4]));
    return std::nullopt;
  }
  row.limit = *limit;
  return row;
}

// Rows judge the same points when their class and power factor are the same
// (the row "1" covers any letter) and their current ranges overlap.
using OverlapKey = std::tuple<double, double, QChar>;
OverlapKey overlapKey(const LimitRow& row) {
  const bool unity = std::abs(row.powerFactor.value - 1) <= kRounding;
  return {row.accuracyClass, row.powerFactor.value, unity ? QChar() : row.powerFactor.letter};
}

// One problem per pair of overlapping rows, by the file's line numbers. Rows
// are compared within their key only, ordered by where their range starts, so
// that a long file is checked quickly; a file with very many overlaps has the
// first kMaxOverlaps of them reported.
void reportOverlaps(const QList<LimitRow>& rows, const QList<qsizetype>& lines, const QString& fileName,
                    QStringList* problems) {
  constexpr qsizetype kMaxOverlaps = 1000;
  QList<qsizetype> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
    return std::tuple(overlapKey(rows[a]), rows[a].currentFrom) <
           std::tuple(overlapKey(rows[b]), rows[b].currentFrom);
  });
  QList<std::pair<qsizetype, qsizetype>> pairs;
  for (qsizetype i = 0; i < order.size() && pairs.size() < kMaxOverlaps; ++i) {
    const LimitRow& first = rows[order[i]];
    const double to = first.currentTo.value_or(std::numeric_limits<double>::infinity());
    for (qsizetype j = i + 1; j < order.size() && pairs.size() < kMaxOverlaps; ++j) {
      const LimitRow& second = rows[order[j]];
      if (overlapKey(second) != overlapKey(first) || second.currentFrom >= to - kRounding) break;
      pairs.append(std::minmax(lines[order[i]], lines[order[j]]));
    }
  }
  std::sort(pairs.begin(), pairs.end());
  for (const auto& [first, second] : pairs)
    problems->append(QStringLiteral("%1, строки %2 и %3: диапазоны тока пересекаются, точки в пересечении "
                                    "оцениваются по меньшему пределу")
                         .arg(fileName)
                         .arg(first)
                         .arg(second));
}

}  // namespace

namespace {

std::optional<PowerFactor> readPowerFactor(const QString& km) {
  static const QRegularExpression form(
      QStringLiteral("^\\s*([+-]?(?:\\d+(?:[.,]\\d*)?|[.,]\\d+))\\s*(?:/\\s*)?([LlCc]?)\\s*$"));
  const QRegularExpressionMatch match = form.match(km);
  if (!match.hasMatch()) return std::nullopt;
  const std::optional<double> value = readDecimal(match.captured(1));
  if (!value) return std::nullopt;
  PowerFactor result;
  result.value = *value;
  const QString letter = match.captured(2);
  if (!letter.isEmpty()) result.letter = letter.at(0).toUpper();
  return result;
}

}  // namespace

std::optional<PowerFactor> parsePowerFactor(const QString& km) {
  // A base's thousands of points hold a handful of texts: each is read once.
  thread_local QHash<QString, std::optional<PowerFactor>> read;
  if (const auto known = read.constFind(km); known != read.constEnd()) return *known;
  if (read.size() >= 1024) read.clear();
  return *read.insert(km, readPowerFactor(km));
}

bool powerFactorMatches(const PowerFactor& row, const PowerFactor& measured) {
  if (std::abs(measured.value - row.value) > kPowerFactorTolerance + kRounding) return false;
  if (std::abs(row.value - 1) <= kRounding) return true;
  return row.letter == measured.letter;
}

AccuracyLimits AccuracyLimits::parse(const QString& text, const QString& fileName, QStringList* problems) {
  AccuracyLimits limits;
  QList<qsizetype> rowLines;
  table_file::forEachDataLine(text, [&](int number, const QString& line) {
    QString reason;
    if (const std::optional<LimitRow> row = readRow(line, &reason)) {
      limits.rows_.append(*row);
      rowLines.append(number);
    } else if (problems) {
      problems->append(table_file::lineProblem(fileName, number, reason));
    }
  });
  if (problems) reportOverlaps(limits.rows_, rowLines, fileName, problems);
  return limits;
}

AccuracyLimits AccuracyLimits::load(const QString& path, QStringList* problems) {
  const std::optional<QString> text = table_file::readText(path, problems);
  return text ? parse(*text, path, problems) : AccuracyLimits();
}

QList<LimitRow> AccuracyLimits::rowsForClass(double accuracyClass) const {
  QList<LimitRow> result;
  for (const LimitRow& row : rows_)
    if (sameClass(row.accuracyClass, accuracyClass)) result.append(row);
  return result;
}

std::optional<LimitRow> AccuracyLimits::rowFor(double accuracyClass, const QString& km,
                                               double currentPercent) const {
  const std::optional<PowerFactor> measured = parsePowerFactor(km);
  if (!measured || !std::isfinite(currentPercent)) return std::nullopt;
  std::optional<LimitRow> strictest;
  for (const LimitRow& row : rows_) {
    if (!sameClass(row.accuracyClass, accuracyClass)) continue;
    if (!powerFactorMatches(row.powerFactor, *measured)) continue;
    if (currentPercent < row.currentFrom - kRounding) continue;
    if (row.currentTo && currentPercent >= *row.currentTo - kRounding) continue;
    if (!strictest || row.limit < strictest->limit) strictest = row;
  }
  return strictest;
}

PointJudgement judgePoint(const AccuracyLimits& limits, double accuracyClass, const QString& km,
                          double currentPercent, std::optional<double> error) {
  if (!error || !std::isfinite(*error)) return {};
  const std::optional<LimitRow> row = limits.rowFor(accuracyClass, km, currentPercent);
  if (!row) return {};
  const bool within = std::abs(*error) <= row->limit + kRounding;
  return {within ? PointState::Within : PointState::Beyond, row->limit};
}

Verdict meterVerdict(const QList<PointJudgement>& markedPoints) {
  if (markedPoints.isEmpty()) return Verdict::NotJudged;
  bool allJudged = true;
  for (const PointJudgement& point : markedPoints) {
    if (point.state == PointState::Beyond) return Verdict::Unfit;
    if (point.state == PointState::NotJudged) allJudged = false;
  }
  return allJudged ? Verdict::Fit : Verdict::NotJudged;
}

QString limitText(double limit) {
  QString digits = QString::number(std::abs(limit), 'f', 6);
  while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
  if (digits.endsWith(QLatin1Char('.'))) digits += QLatin1Char('0');
  digits.replace(QLatin1Char('.'), QLatin1Char(','));
  return QStringLiteral("±") + digits;
}

QString verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Fit:
      return QStringLiteral("Годен");
    case Verdict::Unfit:
      return QStringLiteral("Не годен");
    case Verdict::NotJudged:
      break;
  }
  return QStringLiteral("Не оценён");
}

QString verdictWord(Verdict verdict) {
  return verdict == Verdict::NotJudged ? QString() : verdictText(verdict).toLower();
}

namespace {

WatchedTableFile<AccuracyLimits>& watchedLimits() {
  static WatchedTableFile<AccuracyLimits> file(&AccuracyLimits::load);
  return file;
}

}  // namespace

QString programLimitsPath() { return programPath(QStringLiteral("sources/limits.csv")); }

void setLimitsProblemReporter(std::function<void(const QStringList&)> reporter) {
  watchedLimits().setReporter(std::move(reporter));
}

const AccuracyLimits& programLimits(QStringList* newProblems) {
  return watchedLimits().current(programLimitsPath(), newProblems);
}
