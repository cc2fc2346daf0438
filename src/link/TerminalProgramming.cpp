// The programming tabs of the terminal window: programming the three
// measurement modes and keeping the tabs' parameters in ProgramConfig.
#include <array>

#include <QRadioButton>

#include "database/UDM.h"
#include "link/Unit3417.h"
#include "settings/NumericText.h"
#include "settings/SettingsRecords.h"
#include "shell/MessageService.h"
#include "ui_Unit3417.h"

namespace {

using TabChoices = TForm1::TabChoices;

PowerKind KindOf(const TabChoices& tab) {
  return tab.active->isChecked() ? PowerKind::Active : PowerKind::Reactive;
}

// The first checked scheme (1..5); 0 when none is checked.
int SchemeNumber(const TabChoices& tab) {
  for (int i = 0; i < 5; ++i) {
    if (tab.schemes[i]->isChecked()) return i + 1;
  }
  return 0;
}

ConnectionScheme SchemeOf(const TabChoices& tab) {
  const int number = SchemeNumber(tab);
  return static_cast<ConnectionScheme>(number == 0 ? 1 : number);
}

// Stored values outside 1..2 and 1..5 change nothing.
void RestoreChoices(const TabChoices& tab, quint8 kind, quint8 scheme) {
  if (kind == 1) tab.active->setChecked(true);
  if (kind == 2) tab.reactive->setChecked(true);
  if (scheme >= 1 && scheme <= 5) tab.schemes[scheme - 1]->setChecked(true);
}

void StoreChoices(const TabChoices& tab, quint8& kind, quint8& scheme) {
  kind = tab.active->isChecked() ? 1 : 2;
  if (const int number = SchemeNumber(tab)) scheme = static_cast<quint8>(number);
}

}  // namespace

TForm1::TabChoices TForm1::PowerChoices() const {
  return {ui->RBActiv, ui->RBPassiv, {ui->RB1Fas, ui->RB2Fas, ui->RB3Fas, ui->RB3Pr, ui->RB4Pr}};
}

TForm1::TabChoices TForm1::EnergyChoices() const {
  return {ui->ERBActiv, ui->ERBPassiv, {ui->ERB1Fas, ui->ERB2Fas, ui->ERB3Fas, ui->ERB3Pr, ui->ERB4Pr}};
}

TForm1::TabChoices TForm1::ErrorChoices() const {
  return {ui->PRbActiv, ui->PRbPassiv, {ui->PRB1Fas, ui->PRB2Fas, ui->PRB3Fas, ui->PRB3Pr, ui->PRB4Pr}};
}

bool TForm1::RequireFilled(std::initializer_list<const QLineEdit*> edits, ProgrammingMode mode) {
  for (const QLineEdit* edit : edits) {
    if (edit->text().isEmpty()) {
      MessageService::notice(this, ProgrammingCaption, MissingParametersText(mode));
      return false;
    }
  }
  return true;
}

void TForm1::BitBtn1Click() {
  if (!RequireFilled({ui->MEdit1, ui->MEdit2, ui->MEdit3, ui->MEdit4}, ProgrammingMode::Power)) return;
  const TabChoices tab = PowerChoices();
  engine_.Program(PowerModeRun(KindOf(tab), SchemeOf(tab), ui->MEdit1->text(), ui->MEdit2->text(),
                               ui->MEdit3->text(), ui->MEdit4->text()));
}

void TForm1::BitBtn2Click() {
  if (!RequireFilled({ui->EEdit1}, ProgrammingMode::Energy)) return;
  const TabChoices tab = EnergyChoices();
  engine_.Program(EnergyModeRun(KindOf(tab), SchemeOf(tab), ui->EEdit1->text()));
}

void TForm1::BitBtn3Click() {
  if (!RequireFilled({ui->ENVoltage, ui->PEdit2, ui->PEdit3}, ProgrammingMode::Error)) return;
  const TabChoices tab = ErrorChoices();
  engine_.Program(ErrorModeRun(KindOf(tab), SchemeOf(tab), ui->ENVoltage->text(), ui->PEdit2->text(),
                               ui->PEdit3->text()));
}

void TForm1::LoadTabSettings() {
  LoadProgramConfig();
  if (Config.ActiveTab <= 2) ui->PageControl1->setCurrentIndex(Config.ActiveTab);
  RestoreChoices(PowerChoices(), Config.PowerKind, Config.PowerScheme);
  RestoreChoices(EnergyChoices(), Config.EnergyKind, Config.EnergyScheme);
  RestoreChoices(ErrorChoices(), Config.ErrorKind, Config.ErrorScheme);
  ui->MEdit1->setText(Config.PowerVoltage);
  ui->MEdit2->setText(Config.PowerCurrent);
  ui->MEdit3->setText(Config.PowerDivisions);
  ui->MEdit4->setText(Config.PowerTime);
  ui->EEdit1->setText(Config.EnergyVoltage);
  ui->PEdit3->setText(Config.ErrorTime);
  // The error mode's voltage and meter constant are the chosen base's.
  if (DM1->QBase->isOpen() && !DM1->QBase->isEmpty()) {
    ui->ENVoltage->setText(NumberToText(DM1->QBase->fieldByName(QStringLiteral("Nvoltage")).asReal()));
    ui->PEdit2->setText(NumberToText(DM1->QBase->fieldByName(QStringLiteral("Pered")).asReal()));
  }
}

void TForm1::StoreTabSettings() {
  LoadProgramConfig();
  Config.ActiveTab = static_cast<quint8>(ui->PageControl1->currentIndex());
  StoreChoices(PowerChoices(), Config.PowerKind, Config.PowerScheme);
  StoreChoices(EnergyChoices(), Config.EnergyKind, Config.EnergyScheme);
  StoreChoices(ErrorChoices(), Config.ErrorKind, Config.ErrorScheme);
  Config.PowerVoltage = ui->MEdit1->text().left(10);
  Config.PowerCurrent = ui->MEdit2->text().left(10);
  Config.PowerDivisions = ui->MEdit3->text().left(5);
  Config.PowerTime = ui->MEdit4->text().left(3);
  Config.EnergyVoltage = ui->EEdit1->text().left(10);
  Config.ErrorTime = ui->PEdit3->text().left(3);
  SaveProgramConfig();
}
