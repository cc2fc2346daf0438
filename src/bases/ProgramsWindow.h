#pragma once

#include <memory>

#include "ui/OpenedWindow.h"

class VerificationPrograms;

namespace Ui {
class ProgramsWindow;
}

// "Программы поверки": the verification programs as the program has read
// them from its file, read-only, by class and type, each program's points in
// their order, with the file's path and the lines it skipped, so the operator
// sees which points a verdict asks for.
class ProgramsWindow : public OpenedWindow {
  Q_OBJECT
 public:
  explicit ProgramsWindow(QWidget* parent = nullptr);
  ~ProgramsWindow() override;

  // Reads the program's programs file afresh, fills the table and shows the window.
  void open(QWidget* opener);
  // Shows these programs read from `path` (with the problems found reading it).
  void showPrograms(const QString& path, const VerificationPrograms& programs, const QStringList& problems);

 protected:
  bool formKeyPress(QKeyEvent* event) override;

 private:
  std::unique_ptr<Ui::ProgramsWindow> ui;
};
