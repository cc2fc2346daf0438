#pragma once

#include <memory>

#include "ui/OpenedWindow.h"

namespace Ui {
class AboutDialog;
}

// The about box.
class AboutDialog : public OpenedWindow {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  ~AboutDialog() override;

  // "Общие сведения": disables the opener and shows the box.
  void open(QWidget* opener);

 public slots:
  void closeBox();

 protected:
  bool formKeyPress(QKeyEvent* event) override;

 private:
  std::unique_ptr<Ui::AboutDialog> ui;
};
