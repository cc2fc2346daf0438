#pragma once

#include <memory>

#include "shell/OpenedWindow.h"

class QDateEdit;

namespace Ui {
class TFUstanovka;
}

// The installation information dialog: number of the test installation, number
// and dates of its verification certificate (InstallationInfo). "OK" stores
// and writes the record; "Отмена" closes without storing.
class TFUstanovka : public OpenedWindow {
  Q_OBJECT
 public:
  explicit TFUstanovka(QWidget* parent = nullptr);
  ~TFUstanovka() override;

  // "Сведения об установке ": loads InstallationInfo, shows it, disables the
  // opener, shows the dialog and focuses the installation number.
  void open(QWidget* opener);

 public slots:
  void AClickOkExecute();
  void AClickcancelExecute();

 protected:
  bool formKeyPress(QKeyEvent* event) override;

 private:
  void ShowInstallationInfo();
  void StoreInstallationInfo();

  std::unique_ptr<Ui::TFUstanovka> ui;
};

// The short date format of the locale with the year always in four digits, so
// that a date picked or typed never loses its century.
QString ShortDateFormatWithCentury();
