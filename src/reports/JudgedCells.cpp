#include "reports/JudgedCells.h"

#include <memory>

#include "database/Columns.h"
#include "database/Dataset.h"
#include "database/FieldValue.h"
#include "reports/PointJudging.h"

std::optional<CellLook> errorCellLook(const PointJudgement& judgement) {
  if (judgement.state == PointState::NotJudged) return std::nullopt;
  const bool within = judgement.state == PointState::Within;
  CellLook look;
  look.sign = within ? QStringLiteral(" ✓") : QStringLiteral(" ✗");
  look.background = within ? QColor(0xc8, 0xe6, 0xc9) : QColor(0xff, 0xcd, 0xd2);
  look.toolTip = QStringLiteral("Предел %1 %").arg(limitText(judgement.limit));
  return look;
}

namespace {

// An error stored as text that reads as no number: shown as stored, marked, not judged.
CellLook unreadableCellLook(const QVariant& stored) {
  CellLook look;
  look.background = QColor(0xff, 0xec, 0xb3);
  look.toolTip = QStringLiteral("Сохранённое значение «%1» не читается как число и не оценивается")
                     .arg(stored.toString());
  return look;
}

}  // namespace

void showPointJudgements(DatasetGrid* grid, std::function<std::optional<double>()> accuracyClass) {
  // What judges the rows, taken once per change of the data: the limits file
  // is looked at then, not at every paint.
  struct Basis {
    const AccuracyLimits* limits = nullptr;
    std::optional<double> accuracyClass;
  };
  const auto basis = std::make_shared<Basis>();
  CellLookSource source;
  source.prepare = [basis, accuracyClass = std::move(accuracyClass)] {
    basis->accuracyClass = accuracyClass();
    basis->limits = basis->accuracyClass ? &programLimits() : nullptr;
  };
  source.look = [grid, basis](int row, const QString& field) -> std::optional<CellLook> {
    // The archived points' error column has the test points' name.
    if (field.compare(Columns::TestPoint::error, Qt::CaseInsensitive) != 0) return std::nullopt;
    const Dataset* points = grid->dataset();
    if (!points || !points->isOpen()) return std::nullopt;
    const QVariant stored = points->valueAt(row, points->fieldIndex(field));
    if (FieldValue::isUnreadable(stored)) return unreadableCellLook(stored);
    if (!basis->limits) return std::nullopt;
    return errorCellLook(judgeDatasetRow(*points, row, *basis->limits, *basis->accuracyClass));
  };
  grid->setCellLooks(std::move(source));
}
