#pragma once

#include <memory>

#include "shell/OpenedWindow.h"

namespace Ui {
class TFNumberP;
}

// The protocol number dialog: the number of the next verification report and
// whether the reports raise it after each report (ProgramConfig). Whichever
// way it closes, the fields are stored; there is no way to discard an edit.
class TFNumberP : public OpenedWindow {
  Q_OBJECT
 public:
  explicit TFNumberP(QWidget* parent = nullptr);
  ~TFNumberP() override;

  // "Номер протокола": loads ProgramConfig, fills the fields, disables the
  // opener, shows the dialog and focuses the number.
  void open(QWidget* opener);

 protected:
  void formClose() override;
  bool formKeyPress(QKeyEvent* event) override;
  bool controlKeyPress(QWidget* control, QKeyEvent* event) override;

 private:
  bool Edit1KeyPress(QKeyEvent* event);

  std::unique_ptr<Ui::TFNumberP> ui;
};
