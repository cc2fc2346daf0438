// The programming tabs of the terminal window: programming the three
// measurement modes and keeping the tabs' parameters in ProgramConfig.
#include <array>

#include <QRadioButton>

#include "database/DataModule.h"
#include "database/Rows.h"
#include "link/TerminalWindow.h"
#include "settings/NumericText.h"
#include "settings/SettingsRecords.h"
#include "ui/MessageService.h"
#include "ui_TerminalWindow.h"

namespace {

using TabChoices = TerminalWindow::TabChoices;

PowerKind kindOf(const TabChoices& tab) {
  return tab.active->isChecked() ? PowerKind::Active : PowerKind::Reactive;
}

// The first checked scheme (1..5); 0 when none is checked.
int schemeNumber(const TabChoices& tab) {
  for (int i = 0; i < 5; ++i) {
    if (tab.schemes[i]->isChecked()) return i + 1;
  }
  return 0;
}

ConnectionScheme schemeOf(const TabChoices& tab) {
  const int number = schemeNumber(tab);
  return static_cast<ConnectionScheme>(number == 0 ? 1 : number);
}

// Stored values outside 1..2 and 1..5 change nothing.
void restoreChoices(const TabChoices& tab, quint8 kind, quint8 scheme) {
  if (kind == 1) tab.active->setChecked(true);
  if (kind == 2) tab.reactive->setChecked(true);
  if (scheme >= 1 && scheme <= 5) tab.schemes[scheme - 1]->setChecked(true);
}

void storeChoices(const TabChoices& tab, quint8& kind, quint8& scheme) {
  kind = tab.active->isChecked() ? 1 : 2;
  if (const int number = schemeNumber(tab)) scheme = static_cast<quint8>(number);
}

}  // namespace

TerminalWindow::TabChoices TerminalWindow::powerChoices() const {
  return {ui->powerActiveRadio,
          ui->powerReactiveRadio,
          {ui->powerPhase1Radio, ui->powerPhase2Radio, ui->powerPhase3Radio, ui->powerThreeWireRadio,
           ui->powerFourWireRadio}};
}

TerminalWindow::TabChoices TerminalWindow::energyChoices() const {
  return {ui->energyActiveRadio,
          ui->energyReactiveRadio,
          {ui->energyPhase1Radio, ui->energyPhase2Radio, ui->energyPhase3Radio, ui->energyThreeWireRadio,
           ui->energyFourWireRadio}};
}

TerminalWindow::TabChoices TerminalWindow::errorChoices() const {
  return {ui->errorActiveRadio,
          ui->errorReactiveRadio,
          {ui->errorPhase1Radio, ui->errorPhase2Radio, ui->errorPhase3Radio, ui->errorThreeWireRadio,
           ui->errorFourWireRadio}};
}

bool TerminalWindow::requireFilled(std::initializer_list<const QLineEdit*> edits, ProgrammingMode mode) {
  for (const QLineEdit* edit : edits) {
    if (edit->text().isEmpty()) {
      MessageService::notice(this, ProgrammingCaption, missingParametersText(mode));
      return false;
    }
  }
  return true;
}

void TerminalWindow::programPower() {
  if (!requireFilled({ui->powerVoltageEdit, ui->powerCurrentEdit, ui->divisionsEdit, ui->powerTimeEdit},
                     ProgrammingMode::Power))
    return;
  const TabChoices tab = powerChoices();
  engine_.program(powerModeRun(kindOf(tab), schemeOf(tab), ui->powerVoltageEdit->text(),
                               ui->powerCurrentEdit->text(), ui->divisionsEdit->text(),
                               ui->powerTimeEdit->text()));
}

void TerminalWindow::programEnergy() {
  if (!requireFilled({ui->energyVoltageEdit}, ProgrammingMode::Energy)) return;
  const TabChoices tab = energyChoices();
  engine_.program(energyModeRun(kindOf(tab), schemeOf(tab), ui->energyVoltageEdit->text()));
}

void TerminalWindow::programError() {
  if (!requireFilled({ui->errorVoltageEdit, ui->meterConstantEdit, ui->errorTimeEdit},
                     ProgrammingMode::Error))
    return;
  const TabChoices tab = errorChoices();
  engine_.program(errorModeRun(kindOf(tab), schemeOf(tab), ui->errorVoltageEdit->text(),
                               ui->meterConstantEdit->text(), ui->errorTimeEdit->text()));
}

void TerminalWindow::loadTabSettings() {
  loadProgramConfig();
  if (Config.ActiveTab <= 2) ui->programmingTabs->setCurrentIndex(Config.ActiveTab);
  restoreChoices(powerChoices(), Config.PowerKind, Config.PowerScheme);
  restoreChoices(energyChoices(), Config.EnergyKind, Config.EnergyScheme);
  restoreChoices(errorChoices(), Config.ErrorKind, Config.ErrorScheme);
  ui->powerVoltageEdit->setText(Config.PowerVoltage);
  ui->powerCurrentEdit->setText(Config.PowerCurrent);
  ui->divisionsEdit->setText(Config.PowerDivisions);
  ui->powerTimeEdit->setText(Config.PowerTime);
  ui->energyVoltageEdit->setText(Config.EnergyVoltage);
  ui->errorTimeEdit->setText(Config.ErrorTime);
  // The error mode's voltage and meter constant are the chosen base's.
  if (dm_.bases->isOpen() && !dm_.bases->isEmpty()) {
    ui->errorVoltageEdit->setText(numberToText(Row::Base::read(*dm_.bases).nominalVoltage));
    ui->meterConstantEdit->setText(numberToText(Row::Base::read(*dm_.bases).meterConstant));
  }
}

void TerminalWindow::storeTabSettings() {
  loadProgramConfig();
  Config.ActiveTab = static_cast<quint8>(ui->programmingTabs->currentIndex());
  storeChoices(powerChoices(), Config.PowerKind, Config.PowerScheme);
  storeChoices(energyChoices(), Config.EnergyKind, Config.EnergyScheme);
  storeChoices(errorChoices(), Config.ErrorKind, Config.ErrorScheme);
  Config.PowerVoltage = ui->powerVoltageEdit->text().left(10);
  Config.PowerCurrent = ui->powerCurrentEdit->text().left(10);
  Config.PowerDivisions = ui->divisionsEdit->text().left(5);
  Config.PowerTime = ui->powerTimeEdit->text().left(3);
  Config.EnergyVoltage = ui->energyVoltageEdit->text().left(10);
  Config.ErrorTime = ui->errorTimeEdit->text().left(3);
  saveProgramConfig();
}
