#include "bases/UUsanovka.h"

#include <QKeyEvent>
#include <QLocale>

#include "settings/DayCount.h"
#include "settings/SettingsRecords.h"
#include "ui_UUsanovka.h"

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

TFUstanovka::TFUstanovka(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::TFUstanovka>()) {
  ui->setupUi(this);
  for (QDateEdit* picker : {ui->EUDCheck1, ui->EUDCheck2})
    picker->setDisplayFormat(ShortDateFormatWithCentury());
  connect(ui->AClickOk, &QAction::triggered, this, &TFUstanovka::AClickOkExecute);
  connect(ui->AClickcancel, &QAction::triggered, this, &TFUstanovka::AClickcancelExecute);
  previewKeys();
}

TFUstanovka::~TFUstanovka() = default;

void TFUstanovka::open(QWidget* opener) {
  LoadInstallationInfo();
  ShowInstallationInfo();
  showFor(opener);
  ui->EUNumber->setFocus();
}

void TFUstanovka::ShowInstallationInfo() {
  ui->EUNumber->setText(Installation.InstallNumber);
  ui->EUNCheck->setText(Installation.CertNumber);
  ShowDays(ui->EUDCheck1, Installation.CertDate);
  ShowDays(ui->EUDCheck2, Installation.CertValidTo);
}

void TFUstanovka::StoreInstallationInfo() {
  Installation.InstallNumber = ui->EUNumber->text().left(kStoredCharacters);
  Installation.CertNumber = ui->EUNCheck->text().left(kStoredCharacters);
  Installation.CertDate = PickedDays(ui->EUDCheck1, Installation.CertDate);
  Installation.CertValidTo = PickedDays(ui->EUDCheck2, Installation.CertValidTo);
}

void TFUstanovka::AClickOkExecute() {
  StoreInstallationInfo();
  SaveInstallationInfo();
  close();
}

void TFUstanovka::AClickcancelExecute() { close(); }

bool TFUstanovka::formKeyPress(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    ui->AClickOk->trigger();
    return true;
  }
  if (IsEscapeKey(event)) {
    ui->AClickcancel->trigger();
    return true;
  }
  return false;
}
