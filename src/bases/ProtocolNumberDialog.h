#pragma once

#include <memory>

#include "ui/OpenedWindow.h"

namespace Ui {
class ProtocolNumberDialog;
}

// The protocol number dialog: the number of the next verification report and
// whether the reports raise it after each report (ProgramConfig). Whichever
// way it closes, the fields are stored; there is no way to discard an edit.
class ProtocolNumberDialog : public OpenedWindow {
  Q_OBJECT
 public:
  explicit ProtocolNumberDialog(QWidget* parent = nullptr);
  ~ProtocolNumberDialog() override;

  // "Номер протокола": loads ProgramConfig, fills the fields, disables the
  // opener, shows the dialog and focuses the number.
  void open(QWidget* opener);

 protected:
  void formClose() override;
  bool formKeyPress(QKeyEvent* event) override;
  bool controlKeyPress(QWidget* control, QKeyEvent* event) override;

 private:
  bool edit1KeyPress(QKeyEvent* event);

  std::unique_ptr<Ui::ProtocolNumberDialog> ui;
};
