#pragma once

#include <QWidget>

#include <optional>

#include "reports/VerificationProgram.h"

class QLabel;
class QTableWidget;

// The pane "Программа" beside the chart: the chosen meter's verification
// program, one row per program point with its conditions, the error of the
// point that covers it, that point's limit and the state: "✓" passed, "✗"
// failed (tinted and signed as the grid's errors), "нет" missing. The caption
// says how far the meter is ("6 из 9 точек").
class ProgramView : public QWidget {
  Q_OBJECT
 public:
  explicit ProgramView(QWidget* parent = nullptr);

  // Shows the meter's assessment; nothing: no meter is chosen.
  void showMeter(const std::optional<MeterAssessment>& assessment);

  QTableWidget* table() const { return table_; }
  QLabel* caption() const { return caption_; }

 private:
  void showRow(int row, const ProgramPointResult& result);

  QLabel* caption_;
  QTableWidget* table_;
};
