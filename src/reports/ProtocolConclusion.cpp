// The verdicts of the verification protocols: what judges the points and the
// conclusion lines.
#include "database/DataModule.h"
#include "database/Rows.h"
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

JudgingBasis chosenBaseJudging(DataModule& dm, const AccuracyLimits& limits) {
  if (!dm.bases->isOpen() || dm.bases->isEmpty()) return {};
  return {&limits, Row::Base::read(*dm.bases).accuracyClass};
}

Verdict verdictOf(const std::vector<ProtocolPoint>& points) {
  QList<PointJudgement> judgements;
  judgements.reserve(static_cast<qsizetype>(points.size()));
  for (const ProtocolPoint& point : points) judgements.append(point.judgement);
  return meterVerdict(judgements);
}

QString singleConclusionText(Verdict verdict) {
  const QString word = verdict == Verdict::Fit     ? QStringLiteral("годным")
                       : verdict == Verdict::Unfit ? QStringLiteral("негодным")
                                                   : kBlank;
  return QStringLiteral("счётчик признан %1 к применению.").arg(word);
}

QString groupConclusionText(const std::vector<GroupMeterColumn>& meters) {
  QStringList fit;
  QStringList unfit;
  for (const GroupMeterColumn& meter : meters) {
    if (meter.verdict == Verdict::Fit) fit << meter.serialNumber;
    if (meter.verdict == Verdict::Unfit) unfit << meter.serialNumber;
  }
  if (fit.isEmpty() && unfit.isEmpty())
    return QStringLiteral("счётчики признаны %1 к применению.").arg(kBlank);
  if (unfit.isEmpty())
    return QStringLiteral("счётчики признаны годными к применению: %1.").arg(serialList(fit));
  if (fit.isEmpty())
    return QStringLiteral("счётчики признаны негодными к применению: %1.").arg(serialList(unfit));
  return QStringLiteral("счётчики признаны годными к применению: %1; негодными: %2.")
      .arg(serialList(fit), serialList(unfit));
}
