#include "bases/InstallationDialog.h"

#include <QKeyEvent>
#include <QLocale>

#include "settings/DayCount.h"
#include "settings/SettingsRecords.h"
#include "ui_InstallationDialog.h"

namespace {

constexpr int kStoredCharacters = 10;

// The picker shows the date; the stored value also carries a time of day,
// which is kept when the operator picks another date.
void showDays(QDateEdit* picker, double days) { picker->setDate(dateFromDays(days)); }

double pickedDays(QDateEdit* picker, double storedDays) {
  picker->interpretText();
  const QDateTime stored = dateTimeFromDays(storedDays);
  if (picker->date() == stored.date()) return storedDays;
  return daysFromDateTime(QDateTime(picker->date(), stored.time(), Qt::UTC));
}

}  // namespace

QString shortDateFormatWithCentury() {
  QString format = QLocale().dateFormat(QLocale::ShortFormat);
  if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  return format;
}

InstallationDialog::InstallationDialog(QWidget* parent)
    : OpenedWindow(parent), ui(std::make_unique<Ui::InstallationDialog>()) {
  ui->setupUi(this);
  for (QDateEdit* picker : {ui->certificateDateEdit, ui->validUntilEdit})
    picker->setDisplayFormat(shortDateFormatWithCentury());
  connect(ui->okAction, &QAction::triggered, this, &InstallationDialog::confirm);
  connect(ui->cancelAction, &QAction::triggered, this, &InstallationDialog::cancel);
  previewKeys();
}

InstallationDialog::~InstallationDialog() = default;

void InstallationDialog::open(QWidget* opener) {
  loadInstallationInfo();
  showInstallationInfo();
  showFor(opener);
  ui->installationNumberEdit->setFocus();
}

void InstallationDialog::showInstallationInfo() {
  ui->installationNumberEdit->setText(Installation.InstallNumber);
  ui->certificateNumberEdit->setText(Installation.CertNumber);
  showDays(ui->certificateDateEdit, Installation.CertDate);
  showDays(ui->validUntilEdit, Installation.CertValidTo);
}

void InstallationDialog::storeInstallationInfo() {
  Installation.InstallNumber = ui->installationNumberEdit->text().left(kStoredCharacters);
  Installation.CertNumber = ui->certificateNumberEdit->text().left(kStoredCharacters);
  Installation.CertDate = pickedDays(ui->certificateDateEdit, Installation.CertDate);
  Installation.CertValidTo = pickedDays(ui->validUntilEdit, Installation.CertValidTo);
}

void InstallationDialog::confirm() {
  storeInstallationInfo();
  saveInstallationInfo();
  close();
}

void InstallationDialog::cancel() { close(); }

bool InstallationDialog::formKeyPress(QKeyEvent* event) {
  if (isEnterKey(event)) {
    ui->okAction->trigger();
    return true;
  }
  if (isEscapeKey(event)) {
    ui->cancelAction->trigger();
    return true;
  }
  return false;
}
