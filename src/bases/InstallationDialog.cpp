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
void ShowDays(QDateEdit* picker, double days) { picker->setDate(DateFromDays(days)); }

double PickedDays(QDateEdit* picker, double storedDays) {
  picker->interpretText();
  const QDateTime stored = DateTimeFromDays(storedDays);
  if (picker->date() == stored.date()) return storedDays;
  return DaysFromDateTime(QDateTime(picker->date(), stored.time(), Qt::UTC));
}

}  // namespace

QString ShortDateFormatWithCentury() {
  QString format = QLocale().dateFormat(QLocale::ShortFormat);
  if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  return format;
}

InstallationDialog::InstallationDialog(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::InstallationDialog>()) {
  ui->setupUi(this);
  for (QDateEdit* picker : {ui->certificateDateEdit, ui->validUntilEdit})
    picker->setDisplayFormat(ShortDateFormatWithCentury());
  connect(ui->okAction, &QAction::triggered, this, &InstallationDialog::confirm);
  connect(ui->cancelAction, &QAction::triggered, this, &InstallationDialog::cancel);
  previewKeys();
}

InstallationDialog::~InstallationDialog() = default;

void InstallationDialog::open(QWidget* opener) {
  LoadInstallationInfo();
  ShowInstallationInfo();
  showFor(opener);
  ui->installationNumberEdit->setFocus();
}

void InstallationDialog::ShowInstallationInfo() {
  ui->installationNumberEdit->setText(Installation.InstallNumber);
  ui->certificateNumberEdit->setText(Installation.CertNumber);
  ShowDays(ui->certificateDateEdit, Installation.CertDate);
  ShowDays(ui->validUntilEdit, Installation.CertValidTo);
}

void InstallationDialog::StoreInstallationInfo() {
  Installation.InstallNumber = ui->installationNumberEdit->text().left(kStoredCharacters);
  Installation.CertNumber = ui->certificateNumberEdit->text().left(kStoredCharacters);
  Installation.CertDate = PickedDays(ui->certificateDateEdit, Installation.CertDate);
  Installation.CertValidTo = PickedDays(ui->validUntilEdit, Installation.CertValidTo);
}

void InstallationDialog::confirm() {
  StoreInstallationInfo();
  SaveInstallationInfo();
  close();
}

void InstallationDialog::cancel() { close(); }

bool InstallationDialog::formKeyPress(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    ui->okAction->trigger();
    return true;
  }
  if (IsEscapeKey(event)) {
    ui->cancelAction->trigger();
    return true;
  }
  return false;
}
