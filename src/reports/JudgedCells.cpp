#include "reports/JudgedCells.h"

#include "database/Dataset.h"
#include "reports/PointJudging.h"

std::optional<CellLook> ErrorCellLook(const PointJudgement& judgement) {
  if (judgement.state == PointState::NotJudged) return std::nullopt;
  const bool within = judgement.state == PointState::Within;
  CellLook look;
  look.sign = within ? QStringLiteral(" ✓") : QStringLiteral(" ✗");
  look.background = within ? QColor(0xc8, 0xe6, 0xc9) : QColor(0xff, 0xcd, 0xd2);
  look.toolTip = QStringLiteral("Предел %1 %").arg(LimitText(judgement.limit));
  return look;
}

void ShowPointJudgements(DatasetGrid* grid, std::function<std::optional<double>()> accuracyClass) {
  grid->setCellLooks([grid, accuracyClass = std::move(accuracyClass)](
                         int row, const QString& field) -> std::optional<CellLook> {
    if (field.compare(QLatin1String("Opogr"), Qt::CaseInsensitive) != 0) return std::nullopt;
    const Dataset* points = grid->dataset();
    if (!points || !points->isOpen()) return std::nullopt;
    const std::optional<double> klass = accuracyClass();
    if (!klass) return std::nullopt;
    return ErrorCellLook(JudgeDatasetRow(*points, row, ProgramLimits(), *klass));
  });
}
