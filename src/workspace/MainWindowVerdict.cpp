// The verdicts against the accuracy limits and the verification programs in
// the main window: the error cells of the grid, the chosen meter's verdict in
// the status bar and its program in the program view, every meter's verdict
// and progress in the tree.
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include "database/DataModule.h"
#include "database/Rows.h"
#include "reports/JudgedCells.h"
#include "reports/PointJudging.h"
#include "reports/ProgramProgress.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "ui_MainWindow.h"
#include "workspace/MainWindow.h"
#include "workspace/ProgramView.h"

namespace {

// Foreground colours of a meter node by verdict; the tooltip names it.
QBrush verdictBrush(Verdict verdict) {
  switch (verdict) {
    case Verdict::Fit:
      return QColor(0x1b, 0x5e, 0x20);
    case Verdict::Unfit:
      return QColor(0xb7, 0x1c, 0x1c);
    case Verdict::NotJudged:
      break;
  }
  return {};
}

// "Не оценён: 6 из 9 точек" for a meter with a program; the verdict alone without.
QString meterToolTip(const MeterAssessment& assessment) {
  const QString verdict = verdictText(assessment.verdict);
  return assessment.hasProgram() ? verdict + QStringLiteral(": ") + programProgressText(assessment) : verdict;
}

// "1 998": thousands apart by a space, as the messages write counts.
QString countText(qsizetype count) {
  QString digits = QString::number(count);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(' '));
  return digits;
}

QString linesWord(qsizetype count) {
  const qsizetype tens = count % 100;
  const qsizetype ones = count % 10;
  if (ones == 1 && tens != 11) return QStringLiteral("строка");
  if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14)) return QStringLiteral("строки");
  return QStringLiteral("строк");
}

// Reports a file's problems in a box after the paint or command that read the
// file: the first problems and how many more, so that the box fits the screen
// however damaged the file is.
std::function<void(const QStringList&)> problemBox(const QString& heading) {
  return [heading](const QStringList& problems) {
    constexpr qsizetype kShown = 10;
    QString text = heading + problems.mid(0, kShown).join(QLatin1Char('\n'));
    if (const qsizetype more = problems.size() - kShown; more > 0)
      text += QStringLiteral("\nи ещё %1 %2").arg(countText(more), linesWord(more));
    QTimer::singleShot(0, [text] { MessageService::plain(text); });
  };
}

}  // namespace

void MainWindow::setUpJudgements() {
  setLimitsProblemReporter(problemBox(
      QStringLiteral("Файл пределов погрешности содержит ошибки; повреждённые строки пропущены:\n")));
  setProgramsProblemReporter(
      problemBox(QStringLiteral("Файл программ поверки прочитан с ошибками, пропущено:\n")));
  showPointJudgements(ui->pointGrid, [this] { return chosenAccuracyClass(); });
  // A base's meters show their verdicts once they are seen.
  connect(ui->baseTree, &QTreeWidget::itemExpanded, this, &MainWindow::showVerdicts);
  // An edit of a point (its error, its conditions) judges again, once for a
  // burst of changes.
  verdictUpdate_ = new QTimer(this);
  verdictUpdate_->setSingleShot(true);
  verdictUpdate_->setInterval(0);
  connect(verdictUpdate_, &QTimer::timeout, this, &MainWindow::showVerdicts);
  const TableDataset* points = dm_.testPoints;
  connect(points, &Dataset::rowChanged, verdictUpdate_, qOverload<>(&QTimer::start));
  connect(points, &Dataset::rowInserted, verdictUpdate_, qOverload<>(&QTimer::start));
  connect(points, &Dataset::rowRemoved, verdictUpdate_, qOverload<>(&QTimer::start));
}

std::optional<double> MainWindow::chosenAccuracyClass() const {
  QueryDataset* bases = dm_.bases;
  if (selection_.baseName().isEmpty() || !bases->isOpen() || bases->isEmpty()) return std::nullopt;
  const Row::Base base = Row::Base::read(*bases);
  if (base.name != selection_.baseName()) return std::nullopt;
  return base.accuracyClass;
}

void MainWindow::showVerdicts() {
  verdictUpdate_->stop();
  const AccuracyLimits& limits = programLimits();
  const VerificationPrograms& programs = verificationPrograms();
  std::optional<MeterAssessment> chosen;
  if (selection_.meterNum() != 0) chosen = MeterAssessment();

  for (int i = 1; i <= baseCount_; ++i) {
    QTreeWidgetItem* baseNode = baseNodes_[i];
    if (!baseNode || baseNode->childCount() == 0) continue;
    const QString baseName = baseNode->text(0);
    // The meters of a folded base are not seen: judged when it is unfolded.
    if (!baseNode->isExpanded() && baseName != selection_.baseName()) continue;
    const std::optional<double> klass = baseAccuracyClass(*dm_.connection(), baseName);
    const QHash<qint64, MeterAssessment> assessments =
        klass ? assessMetersOfBase(*dm_.connection(), baseName, *klass, limits, programs)
              : QHash<qint64, MeterAssessment>();
    if (chosen && baseName == selection_.baseName()) chosen = assessments.value(selection_.meterNum());
    QueryDataset meters(dm_.connection());
    meters.reopen(Statements::metersOfBaseInUse(baseName, true));
    QHash<int, MeterAssessment> bySlot;
    for (meters.first(); !meters.eof(); meters.next()) {
      const Row::Meter meter = Row::Meter::read(meters);
      bySlot.insert(static_cast<int>(meter.slot), assessments.value(meter.key));
    }
    for (int child = 0; child < baseNode->childCount(); ++child) {
      QTreeWidgetItem* meterNode = baseNode->child(child);
      if (meterNode->data(0, kBaseNameRole).toString() != baseName) continue;
      const MeterAssessment assessment = bySlot.value(meterNode->data(0, kSlotRole).toInt());
      meterNode->setForeground(0, verdictBrush(assessment.verdict));
      meterNode->setToolTip(0, meterToolTip(assessment));
    }
  }
  statusPanel(kVerdictPanel)->setText(chosen ? assessmentText(*chosen) : QString());
  ui->programView->showMeter(chosen);
  ui->pointGrid->refreshCellLooks();
}
