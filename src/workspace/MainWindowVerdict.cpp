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

constexpr int kProblemsShown = 20;

// Reports a file's problems in a box after the paint or command that read the
// file; a file damaged throughout gives a box that still fits the screen.
std::function<void(const QStringList&)> problemBox(const QString& heading) {
  return [heading](const QStringList& problems) {
    QStringList shown = problems.mid(0, kProblemsShown);
    if (problems.size() > kProblemsShown)
      shown << QStringLiteral("… и ещё %1").arg(problems.size() - kProblemsShown);
    QTimer::singleShot(0, [text = heading + shown.join(QLatin1Char('\n'))] { MessageService::plain(text); });
  };
}

}  // namespace

void MainWindow::setUpJudgements() {
  setLimitsProblemReporter(
      problemBox(QStringLiteral("Файл пределов погрешности содержит ошибки, эти строки пропущены:\n")));
  setProgramsProblemReporter(
      problemBox(QStringLiteral("Файл программ поверки прочитан с ошибками, пропущено:\n")));
  showPointJudgements(ui->pointGrid, [this] { return chosenAccuracyClass(); });
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
