#pragma once

#include <memory>

#include "ui/OpenedWindow.h"

class QDateEdit;

namespace Ui {
class InstallationDialog;
}

// The installation information dialog: number of the test installation, number
// and dates of its verification certificate (InstallationInfo). "OK" stores
// and writes the record; "Отмена" closes without storing.
class InstallationDialog : public OpenedWindow {
  Q_OBJECT
 public:
  explicit InstallationDialog(QWidget* parent = nullptr);
  ~InstallationDialog() override;

  // "Сведения об установке ": loads InstallationInfo, shows it, disables the
  // opener, shows the dialog and focuses the installation number.
  void open(QWidget* opener);

 public slots:
  void confirm();
  void cancel();

 protected:
  bool formKeyPress(QKeyEvent* event) override;

 private:
  void showInstallationInfo();
  void storeInstallationInfo();

  std::unique_ptr<Ui::InstallationDialog> ui;
};

// The short date format of the locale with the year always in four digits, so
// that a date picked or typed never loses its century.
QString shortDateFormatWithCentury();
