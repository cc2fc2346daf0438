#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The limits of permissible error by accuracy class, power factor and current,
// read from the lab's file sources/limits.csv, and the judgement of test points
// and meters against them. GUI-free.

// A power factor as the instrument writes it into the test point field KM:
// "1.000", "0.5/L", "0.50/L", "0.8/C", "0.866/" (letter cut off), "1.0/L".
struct PowerFactor {
  double value = 1;
  QChar letter;  // 'L', 'C' or null
};

// Reads a power factor text; decimal point or comma, the letter after an
// optional "/". Empty or unreadable text gives nothing.
std::optional<PowerFactor> parsePowerFactor(const QString& km);

// One line of the limits file: for meters of the class, at the power factor,
// from currentFrom % (inclusive) up to currentTo % (exclusive; none = up to the
// maximum current) of the nominal current, the error stays within ±limit %.
struct LimitRow {
  QString classText;
  double accuracyClass = 0;
  PowerFactor powerFactor;
  double currentFrom = 0;
  std::optional<double> currentTo;
  double limit = 0;
};

class AccuracyLimits {
 public:
  // Reads the file text: UTF-8, ";"-separated, a header line, "#" comments.
  // problems gets one line per damaged line: "<file>, строка N: <reason>";
  // damaged lines are skipped. Overlapping rows are kept and reported as
  // "<file>, строки N и M: …".
  static AccuracyLimits parse(const QString& text, const QString& fileName, QStringList* problems);
  // A missing file gives empty limits and no problem; an unreadable or
  // oversized one is a problem.
  static AccuracyLimits load(const QString& path, QStringList* problems);

  const QList<LimitRow>& rows() const { return rows_; }
  bool isEmpty() const { return rows_.isEmpty(); }
  QList<LimitRow> rowsForClass(double accuracyClass) const;
  // The row that judges a point of a meter of the class at power factor km and
  // current currentPercent (% of the nominal current). Where rows overlap (a
  // problem of the file) the smallest limit among them judges.
  std::optional<LimitRow> rowFor(double accuracyClass, const QString& km, double currentPercent) const;

 private:
  QList<LimitRow> rows_;
};

// Whether a row's power factor covers a measured one: |cos φ − row| ≤ 0.02 and
// the same letter; the row "1" covers cos φ near 1 with any letter or none.
bool powerFactorMatches(const PowerFactor& row, const PowerFactor& measured);

enum class PointState { NotJudged, Within, Beyond };
struct PointJudgement {
  PointState state = PointState::NotJudged;
  double limit = 0;  // the limit that judged the point, when judged
};

// An empty error is not judged; |error| <= limit is within (equal is within).
PointJudgement judgePoint(const AccuracyLimits& limits, double accuracyClass, const QString& km,
                          double currentPercent, std::optional<double> error);

enum class Verdict { Fit, Unfit, NotJudged };
// Over a meter's points marked "R": Fit when there is at least one and every
// one is judged and within; Unfit when any is beyond; otherwise NotJudged.
Verdict meterVerdict(const QList<PointJudgement>& markedPoints);

// "±1,0": decimal comma, at least one decimal.
QString limitText(double limit);
// "Годен", "Не годен", "Не оценён".
QString verdictText(Verdict verdict);
// The word of the documents: "годен", "не годен", empty when not judged.
QString verdictWord(Verdict verdict);

// The program's limits: programPath("sources/limits.csv"), read when first
// asked and again when the file's path, modification time or size changes.
// The damaged lines of a (re)read are reported once: to the reporter when one
// is set, otherwise to the first caller that passes newProblems.
// For the GUI thread only.
const AccuracyLimits& programLimits(QStringList* newProblems = nullptr);
// The path programLimits reads.
QString programLimitsPath();
void setLimitsProblemReporter(std::function<void(const QStringList&)> reporter);
