// The verdicts of the verification protocols: what judges the points and the
// conclusion lines.
#include "database/DataModule.h"
#include "database/Rows.h"
#include "reports/ProgramProgress.h"
#include "reports/ProtocolContent.h"

namespace {

// The blank of the templates, left for the verifier's pen.
const QString kBlank = QStringLiteral("____________________");

QString serialList(const QStringList& serialNumbers) {
  QStringList numbered;
  for (const QString& number : serialNumbers) numbered << QStringLiteral("№") + number;
  return numbered.join(QStringLiteral(", "));
}

}  // namespace

JudgingBasis chosenBaseJudging(DataModule& dm, const AccuracyLimits& limits,
                               const VerificationPrograms* programs) {
  if (!dm.bases->isOpen() || dm.bases->isEmpty()) return {};
  return {&limits, Row::Base::read(*dm.bases).accuracyClass, programs};
}

MeterAssessment assessMarkedPoints(Dataset& slave, const JudgingBasis& basis, const QString& meterType) {
  if (!basis.limits) return assessMeter({}, {});
  const QList<ProgramPoint> program =
      basis.programs ? basis.programs->programFor(basis.accuracyClass, meterType) : QList<ProgramPoint>();
  return assessMeter(program, markedMeasuredPoints(slave, *basis.limits, basis.accuracyClass));
}

QString singleConclusionText(Verdict verdict) {
  const QString word = verdict == Verdict::Fit     ? QStringLiteral("годным")
                       : verdict == Verdict::Unfit ? QStringLiteral("негодным")
                                                   : kBlank;
  return QStringLiteral("счётчик признан %1 к применению.").arg(word);
}

QString programGapsText(const MeterAssessment& assessment) {
  if (!assessment.hasProgram() || assessment.verdict != Verdict::NotJudged) return {};
  QStringList unmeasured;
  QStringList unjudged;
  for (const ProgramPointResult& result : assessment.program) {
    if (result.state == ProgramPointState::Missing) unmeasured << programPointShortText(result.point);
    if (result.state == ProgramPointState::NotJudged) unjudged << programPointShortText(result.point);
  }
  QStringList parts;
  if (!unmeasured.isEmpty())
    parts << QStringLiteral("не измерены точки программы: ") + unmeasured.join(QStringLiteral("; "));
  if (!unjudged.isEmpty())
    parts << QStringLiteral("не оценены точки программы: ") + unjudged.join(QStringLiteral("; "));
  // "0,5 инд." already ends the sentence.
  const QString text = parts.join(QStringLiteral("; "));
  return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

QString groupConclusionText(const std::vector<GroupMeterColumn>& meters) {
  QStringList fit;
  QStringList unfit;
  QStringList unjudged;
  for (const GroupMeterColumn& meter : meters) {
    if (meter.verdict == Verdict::Fit) fit << meter.serialNumber;
    if (meter.verdict == Verdict::Unfit) unfit << meter.serialNumber;
    if (meter.verdict == Verdict::NotJudged) unjudged << meter.serialNumber;
  }
  if (fit.isEmpty() && unfit.isEmpty())
    return QStringLiteral("счётчики признаны %1 к применению.").arg(kBlank);
  QStringList parts;
  if (!fit.isEmpty()) parts << QStringLiteral("годными к применению: ") + serialList(fit);
  if (!unfit.isEmpty())
    parts << (fit.isEmpty() ? QStringLiteral("негодными к применению: ") : QStringLiteral("негодными: ")) +
                 serialList(unfit);
  if (!unjudged.isEmpty()) parts << QStringLiteral("не оценены: ") + serialList(unjudged);
  return QStringLiteral("счётчики признаны ") + parts.join(QStringLiteral("; ")) + QLatin1Char('.');
}
