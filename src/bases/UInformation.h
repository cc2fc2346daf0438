#pragma once

#include <memory>

#include "shell/OpenedWindow.h"

namespace Ui {
class TFInformation;
}

// The about box.
class TFInformation : public OpenedWindow {
  Q_OBJECT
 public:
  explicit TFInformation(QWidget* parent = nullptr);
  ~TFInformation() override;

  // "Общие сведения": disables the opener and shows the box.
  void open(QWidget* opener);

 public slots:
  void Button1Click();

 protected:
  bool formKeyPress(QKeyEvent* event) override;

 private:
  std::unique_ptr<Ui::TFInformation> ui;
};
