#include "workspace/ProgramView.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "database/FieldText.h"
#include "reports/JudgedCells.h"

namespace {

const QStringList kTitles = {QStringLiteral("U, %"),      QStringLiteral("I, %"),
                             QStringLiteral("cos φ"),     QStringLiteral("Погрешность, %"),
                             QStringLiteral("Предел, %"), QStringLiteral("Итог")};
enum Column { Voltage, Current, PowerFactorColumn, Error, Limit, State };

QString stateText(ProgramPointState state) {
  switch (state) {
    case ProgramPointState::Passed:
      return QStringLiteral("✓");
    case ProgramPointState::Failed:
      return QStringLiteral("✗");
    case ProgramPointState::NotJudged:
      return QStringLiteral("не оценена");
    case ProgramPointState::Missing:
      break;
  }
  return QStringLiteral("нет");
}

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignCenter);
  return item;
}

}  // namespace

ProgramView::ProgramView(QWidget* parent)
    : QWidget(parent), caption_(new QLabel(this)), table_(new QTableWidget(this)) {
  caption_->setObjectName(QStringLiteral("programCaption"));
  caption_->setWordWrap(true);
  table_->setObjectName(QStringLiteral("programTable"));
  table_->setColumnCount(static_cast<int>(kTitles.size()));
  table_->setHorizontalHeaderLabels(kTitles);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setFocusPolicy(Qt::NoFocus);
  table_->verticalHeader()->setVisible(false);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  // Columns fitted once per meter shown, not measured again for every cell set.
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(caption_);
  layout->addWidget(table_, 1);
  showMeter(std::nullopt);
}

void ProgramView::showMeter(const std::optional<MeterAssessment>& assessment) {
  if (!assessment)
    caption_->setText(QStringLiteral("Программа поверки: счетчик не выбран"));
  else if (!assessment->hasProgram())
    caption_->setText(QStringLiteral("Программа поверки: для класса и типа счетчика нет"));
  else
    caption_->setText(QStringLiteral("Программа поверки: ") + programProgressText(*assessment));
  const int rows = assessment ? static_cast<int>(assessment->program.size()) : 0;
  table_->setUpdatesEnabled(false);
  table_->setRowCount(rows);
  for (int row = 0; row < rows; ++row) showRow(row, assessment->program[static_cast<size_t>(row)]);
  table_->resizeColumnsToContents();
  table_->setUpdatesEnabled(true);
}

void ProgramView::showRow(int row, const ProgramPointResult& result) {
  const ProgramPoint& point = result.point;
  table_->setItem(row, Voltage, cell(realEditText(point.voltagePercent)));
  table_->setItem(row, Current, cell(realEditText(point.currentPercent)));
  table_->setItem(row, PowerFactorColumn, cell(programPowerFactorText(point.powerFactor)));
  const std::optional<MeasuredPoint>& covering = result.covering;
  const std::optional<CellLook> look =
      covering && result.done() ? errorCellLook(covering->judgement) : std::nullopt;
  QString error = covering && covering->error ? realEditText(*covering->error) : QString();
  if (look) error += look->sign;
  auto* errorItem = cell(error);
  auto* stateItem = cell(stateText(result.state));
  if (look) {
    for (QTableWidgetItem* item : {errorItem, stateItem}) {
      item->setBackground(look->background);
      item->setToolTip(look->toolTip);
    }
  }
  table_->setItem(row, Error, errorItem);
  table_->setItem(row, Limit, cell(look ? limitText(covering->judgement.limit) : QString()));
  table_->setItem(row, State, stateItem);
}
