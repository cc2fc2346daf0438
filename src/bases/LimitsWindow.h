#pragma once

#include <memory>

#include "ui/OpenedWindow.h"

class AccuracyLimits;

namespace Ui {
class LimitsWindow;
}

// "Пределы погрешности": the limits that judge the points, as the program has
// read them from its file, read-only, with the file's path, so the operator
// sees which limits judged a protocol. Damaged lines of the file are listed
// below the table.
class LimitsWindow : public OpenedWindow {
  Q_OBJECT
 public:
  explicit LimitsWindow(QWidget* parent = nullptr);
  ~LimitsWindow() override;

  // Reads the program's limits file afresh, fills the table and shows the window.
  void open(QWidget* opener);
  // Shows these limits read from `path` (with the problems found reading it).
  void showLimits(const QString& path, const AccuracyLimits& limits, const QStringList& problems);

 protected:
  bool formKeyPress(QKeyEvent* event) override;

 private:
  std::unique_ptr<Ui::LimitsWindow> ui;
};
