#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "reports/AccuracyLimits.h"

// Verification programs: the test points a verification prescribes for the
// meters of an accuracy class (or of one type), read from the lab's file
// sources/programs.csv, and the judgement of a meter on complete evidence:
// fit only when every prescribed point was measured and is within its limit.
// GUI-free.

// A prescribed test point: voltage and current in % of the base's nominal
// values, and the power factor.
struct ProgramPoint {
  double voltagePercent = 100;
  double currentPercent = 100;
  PowerFactor powerFactor;
};

// One line of the programs file.
struct ProgramRow {
  QString classText;
  double accuracyClass = 0;
  QString type;  // trimmed; empty: the program of every meter of the class
  ProgramPoint point;
};

class VerificationPrograms {
 public:
  // Reads the file text: UTF-8, ";"-separated columns "Класс;Тип;Напряжение,
  // %;Ток, %;cos φ", a header line, "#" comments. problems gets one line per
  // damaged line ("<file>, строка N: <reason>"); damaged lines are skipped.
  static VerificationPrograms parse(const QString& text, const QString& fileName, QStringList* problems);
  // A missing file gives no programs and no problem; one that cannot be read
  // or is too large for a table is a problem and gives no programs.
  static VerificationPrograms load(const QString& path, QStringList* problems);

  const QList<ProgramRow>& rows() const { return rows_; }
  bool isEmpty() const { return rows_.isEmpty(); }
  // The program of a meter of the class and type, in the file's order: the
  // rows of its class whose type is the meter's (trimmed, in any case) when
  // there are such, otherwise the rows of its class without a type. Empty:
  // the meter has no program.
  QList<ProgramPoint> programFor(double accuracyClass, const QString& type) const;

 private:
  QList<ProgramRow> rows_;
};

// Whether a point measured at these conditions covers the program point:
// voltage within ±1 %, current within ±max(1 %, 5 % of the prescribed
// current), and the power factor matching as for the limits.
bool covers(const ProgramPoint& programPoint, double voltagePercent, double currentPercent,
            const PowerFactor& powerFactor);
// The same for a power factor text as stored (an unreadable one covers nothing).
bool covers(const ProgramPoint& programPoint, double voltagePercent, double currentPercent,
            const QString& powerFactor);

// A point of a meter as stored, with its judgement against the limits.
struct MeasuredPoint {
  double voltagePercent = 0;
  double currentPercent = 0;
  QString powerFactor;
  std::optional<double> error;
  PointJudgement judgement;
};

// A marked point covers a program point when it covers its conditions and
// holds an error (the instrument showed a number).
enum class ProgramPointState {
  Passed,     // a covering point is within its limit, none beyond
  Failed,     // a covering point is beyond its limit
  NotJudged,  // covered only by points the limits do not judge
  Missing,    // no point covers it
};

struct ProgramPointResult {
  ProgramPoint point;
  ProgramPointState state = ProgramPointState::Missing;
  // The covering point the state rests on (the first beyond, else the first
  // within, else the first covering one); none when missing.
  std::optional<MeasuredPoint> covering;
  bool done() const { return state == ProgramPointState::Passed || state == ProgramPointState::Failed; }
};

// A meter judged against its program.
struct MeterAssessment {
  Verdict verdict = Verdict::NotJudged;
  std::vector<ProgramPointResult> program;  // in program order; empty: the meter has no program

  bool hasProgram() const { return !program.empty(); }
  int doneCount() const;
  // The program points still without a judged measurement, in order.
  QList<ProgramPoint> outstanding() const;
};

// The meter with these marked points. With a program: fit only when every
// program point is passed; unfit when any marked point is beyond (program
// point or not); otherwise not judged. Without a program the verdict over the
// marked points (meterVerdict).
MeterAssessment assessMeter(const QList<ProgramPoint>& program, const QList<MeasuredPoint>& markedPoints);

// "10 % Iном, cos φ = 0,5 инд., 100 % Uном", as the terminal window names the next point.
QString programPointText(const ProgramPoint& point);
// "10 % 0,5 инд.", "5 % cos φ = 1" (", 90 % Uном" added when the voltage is
// not the nominal one), as the protocols list points.
QString programPointShortText(const ProgramPoint& point);
// The power factor as the lab writes it: "1", "0,5 инд.", "0,8 емк.".
QString programPowerFactorText(const PowerFactor& powerFactor);
// "6 из 9 точек".
QString programProgressText(const MeterAssessment& assessment);
// The verdict for the status bar: "Годен", "Не годен", "Не оценён", and with a
// program "Не оценён: нет 3 из 9 точек".
QString assessmentText(const MeterAssessment& assessment);

// The program's verification programs: programPath("sources/programs.csv"),
// read when first asked and again when the file's path, modification time or
// size changes. The problems of a (re)read are reported once: to the reporter
// when one is set, otherwise to the first caller that passes newProblems.
// For the GUI thread only.
const VerificationPrograms& verificationPrograms(QStringList* newProblems = nullptr);
// The path verificationPrograms reads.
QString verificationProgramsPath();
void setProgramsProblemReporter(std::function<void(const QStringList&)> reporter);
