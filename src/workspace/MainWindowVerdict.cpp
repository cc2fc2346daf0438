// The verdicts against the accuracy limits in the main window: the error cells
// of the grid, the chosen meter's verdict in the status bar, every meter's in
// the tree.
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include "database/DataModule.h"
#include "database/Rows.h"
#include "reports/JudgedCells.h"
#include "reports/PointJudging.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "ui_MainWindow.h"
#include "workspace/MainWindow.h"

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

std::optional<double> accuracyClassOf(Connection* connection, const QString& baseName) {
  QueryDataset probe(connection);
  probe.reopen(Statements::baseByName(baseName));
  if (probe.isEmpty()) return std::nullopt;
  return Row::Base::read(probe).accuracyClass;
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

// The first problems of the file and how many more: the box fits the screen
// however damaged the file is.
QString limitProblemsText(const QStringList& problems) {
  constexpr qsizetype kShown = 10;
  QString text =
      QStringLiteral("Файл пределов погрешности содержит ошибки; повреждённые строки пропущены:\n") +
      problems.mid(0, kShown).join(QLatin1Char('\n'));
  if (const qsizetype more = problems.size() - kShown; more > 0)
    text += QStringLiteral("\nи ещё %1 %2").arg(countText(more), linesWord(more));
  return text;
}

void showLimitProblems(const QStringList& problems) {
  // Reported after the paint or command that read the file.
  QTimer::singleShot(0, [text = limitProblemsText(problems)] { MessageService::plain(text); });
}

}  // namespace

void MainWindow::setUpJudgements() {
  setLimitsProblemReporter(showLimitProblems);
  showPointJudgements(ui->pointGrid, [this] { return chosenAccuracyClass(); });
  // A base's meters show their verdicts once they are seen.
  connect(ui->baseTree, &QTreeWidget::itemExpanded, this, &MainWindow::showVerdicts);
}

std::optional<double> MainWindow::chosenAccuracyClass() const {
  QueryDataset* bases = dm_.bases;
  if (selection_.baseName().isEmpty() || !bases->isOpen() || bases->isEmpty()) return std::nullopt;
  const Row::Base base = Row::Base::read(*bases);
  if (base.name != selection_.baseName()) return std::nullopt;
  return base.accuracyClass;
}

void MainWindow::showVerdicts() {
  const AccuracyLimits& limits = programLimits();
  QString chosenVerdict;
  if (selection_.meterNum() != 0 && dm_.markedPoints->isOpen()) {
    const std::optional<double> klass = chosenAccuracyClass();
    chosenVerdict =
        verdictText(klass ? verdictOfPoints(*dm_.markedPoints, limits, *klass) : Verdict::NotJudged);
  }
  statusPanel(kVerdictPanel)->setText(chosenVerdict);

  for (int i = 1; i <= baseCount_; ++i) {
    QTreeWidgetItem* baseNode = baseNodes_[i];
    if (!baseNode || baseNode->childCount() == 0) continue;
    const QString baseName = baseNode->text(0);
    // The meters of a folded base are not seen: judged when it is unfolded.
    if (!baseNode->isExpanded() && baseName != selection_.baseName()) continue;
    const std::optional<double> klass = accuracyClassOf(dm_.connection(), baseName);
    const QHash<qint64, Verdict> verdicts =
        klass ? meterVerdictsOfBase(*dm_.connection(), baseName, *klass, limits) : QHash<qint64, Verdict>();
    QueryDataset meters(dm_.connection());
    meters.reopen(Statements::metersOfBaseInUse(baseName, true));
    QHash<int, Verdict> bySlot;
    for (meters.first(); !meters.eof(); meters.next()) {
      const Row::Meter meter = Row::Meter::read(meters);
      bySlot.insert(static_cast<int>(meter.slot), verdicts.value(meter.key, Verdict::NotJudged));
    }
    for (int child = 0; child < baseNode->childCount(); ++child) {
      QTreeWidgetItem* meterNode = baseNode->child(child);
      if (meterNode->data(0, kBaseNameRole).toString() != baseName) continue;
      const Verdict verdict = bySlot.value(meterNode->data(0, kSlotRole).toInt(), Verdict::NotJudged);
      meterNode->setForeground(0, verdictBrush(verdict));
      meterNode->setToolTip(0, verdictText(verdict));
    }
  }
  ui->pointGrid->refreshCellLooks();
}
