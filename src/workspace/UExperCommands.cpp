// Commands of the main window: deleting and clearing a base, the port choice,
// the small dialogs, and the commands whose work other modules plug in
// (measurement, Word reports, archive).
#include <QApplication>
#include <QLabel>

#include <stdexcept>

#include "bases/OptionsForm.h"
#include "bases/UInformation.h"
#include "bases/UNameBase.h"
#include "bases/UUsanovka.h"
#include "bases/UnumberP.h"
#include "database/UDM.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

namespace {

const QString kReportCaption = QStringLiteral("Протокол в MSWord");

// Keeps the hourglass and the status text for the time a report runs.
class ReportProgress {
 public:
  explicit ReportProgress(QWidget* window, QLabel* panel) : panel_(panel) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    panel_->setText(QStringLiteral("Cоздание отчета в MSWord"));  // the first letter is a Latin C
    window->repaint();
  }
  ~ReportProgress() {
    panel_->clear();
    QApplication::restoreOverrideCursor();
  }
  ReportProgress(const ReportProgress&) = delete;
  ReportProgress& operator=(const ReportProgress&) = delete;

 private:
  QLabel* panel_;
};

}  // namespace

void TForm2::RequireHook(const std::function<void()>& hook, const char* module) const {
  if (!hook) throw std::runtime_error(std::string("Программа собрана без модуля «") + module + "».");
}

// The base name dialog creates the base and hands over to the meter base
// editor, whose closing rebuilds the tree.
void TForm2::ADDBaseExecute() { FNameBase->open(this); }

void TForm2::OptionsBaseExecute() {
  if (!IsBaseSelected()) return;
  ChOptions->OpenForChosenBase(this);
}

void TForm2::DELBaseExecute() {
  if (!IsBaseSelected()) return;
  if (!MessageService::confirm(
          this, QStringLiteral("Удаление базы счетчиков"),
          QStringLiteral("Вы действительно хотите удалить базу - ") + ChosenBaseName + QStringLiteral(" ?")))
    return;
  DM1->QBase->reopen(Statements::baseByName(ChosenBaseName));
  if (!DM1->QBase->isEmpty()) {
    // TBase follows QBase to the base's row; its delete rule takes the meters
    // and their test points along.
    if (!DM1->TBase->isOpen()) DM1->TBase->open();
    if (!DM1->TBase->isEmpty()) DM1->TBase->remove();
  }
  DM1->QBase->reopen(Statements::allBases());
  ChosenMeterNum = 0;
  ChosenBaseName.clear();
  BuildBaseTree();
  ShowSelection();
}

void TForm2::ClearBaseExecute() {
  if (!IsBaseSelected()) return;
  if (MessageService::confirm(this, QStringLiteral("Очистка базы счетчиков"),
                              QStringLiteral("Вы действительно хотите удалить все данные из базы - ") +
                                  ChosenBaseName + QStringLiteral(" ?")))
    ClearBaseData();
  ShowSelection();
}

// The meters stay, in use or not; only their test points go, all or none.
void TForm2::ClearBaseData() {
  QueryDataset* meters = DM1->QMaster;
  meters->reopen(Statements::metersOfBase(ChosenBaseName));
  if (meters->isEmpty()) return;
  Connection::Transaction transaction(*DM1->connection());
  for (meters->first(); !meters->eof(); meters->next())
    DM1->SQLScript->run(
        Statements::deletePointsOfMeter(meters->fieldByName(QStringLiteral("Num")).asInteger()));
  transaction.commit();
}

void TForm2::BeginTestExecute() {
  RequireHook(Hooks.BeginMeasurement, "окно терминала");
  Hooks.BeginMeasurement();
}

void TForm2::RunWordReport(const std::function<void()>& report, const char* moduleName) {
  if (ChosenMeterNum == 0) {
    MessageService::notice(this, kReportCaption,
                           QStringLiteral("Для создания протокола необходимо выбрать счетчик !"));
    return;
  }
  if (MarkedPointCount == 0) {
    MessageService::notice(this, kReportCaption,
                           QStringLiteral("Для создания протокола необходимо выбрать хоть одну запись !"));
    return;
  }
  RequireHook(report, moduleName);
  // The reports move the data module's rows; they are brought back to the
  // choice afterwards, also when a report fails (its error is the one shown).
  try {
    ReportProgress progress(this, StatusPanel(2));
    report();
  } catch (...) {
    try {
      ShowSelection();
    } catch (...) {
    }
    throw;
  }
  ShowSelection();
}

void TForm2::ReportBaseExecute() { RunWordReport(Hooks.SingleWordReport, "протокол поверки"); }

void TForm2::GReportBaseExecute() { RunWordReport(Hooks.GroupWordReport, "групповой протокол поверки"); }

void TForm2::AAddArhivExecute() {
  if (MarkedPointCount == 0) {
    MessageService::notice(
        this, QStringLiteral("Передача данных а архив"),
        QStringLiteral("Для передачи данных в архив необходимо выбрать хоть одну запись !"));
    return;
  }
  RequireHook(Hooks.AddToArchive, "архив");
  Hooks.AddToArchive();
}

void TForm2::AseeArhiveExecute() {
  RequireHook(Hooks.OpenArchiveBrowser, "архив");
  Hooks.OpenArchiveBrowser();
}

void TForm2::N8Click() { FNumberP->open(this); }

void TForm2::N15Click() { FUstanovka->open(this); }

void TForm2::N14Click() { FInformation->open(this); }

void TForm2::N5Click() { close(); }
