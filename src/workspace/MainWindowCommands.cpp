// Commands of the main window: deleting and clearing a base, the port choice,
// the small dialogs, and the commands whose work other modules plug in
// (measurement, Word reports, archive).
#include <QApplication>
#include <QDir>
#include <QLabel>

#include <stdexcept>

#include "bases/BaseEditor.h"
#include "bases/AboutDialog.h"
#include "bases/BaseNameDialog.h"
#include "bases/InstallationDialog.h"
#include "bases/LimitsWindow.h"
#include "bases/ProtocolNumberDialog.h"
#include "database/DataModule.h"
#include "database/Rows.h"
#include "reports/DesktopOpen.h"
#include "settings/ProgramDir.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

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

void MainWindow::requireHook(const std::function<void()>& hook, const char* module) const {
  if (!hook) throw std::runtime_error(std::string("Программа собрана без модуля «") + module + "».");
}

// The base name dialog creates the base and hands over to the meter base
// editor, whose closing rebuilds the tree.
void MainWindow::createBase() { theBaseNameDialog->open(this); }

void MainWindow::editBase() {
  if (!isBaseSelected()) return;
  theBaseEditor->openForChosenBase(this);
}

void MainWindow::deleteBase() {
  if (!isBaseSelected()) return;
  if (!MessageService::confirm(
          this, QStringLiteral("Удаление базы счетчиков"),
          QStringLiteral("Вы действительно хотите удалить базу - ") + ChosenBaseName + QStringLiteral(" ?")))
    return;
  theDataModule->bases->reopen(Statements::baseByName(ChosenBaseName));
  if (!theDataModule->bases->isEmpty()) {
    // chosenBase follows bases to the base's row; its delete rule takes the meters
    // and their test points along.
    if (!theDataModule->chosenBase->isOpen()) theDataModule->chosenBase->open();
    if (!theDataModule->chosenBase->isEmpty()) theDataModule->chosenBase->remove();
  }
  theDataModule->bases->reopen(Statements::allBases());
  ChosenMeterNum = 0;
  ChosenBaseName.clear();
  buildBaseTree();
  showSelection();
}

void MainWindow::clearBase() {
  if (!isBaseSelected()) return;
  if (MessageService::confirm(this, QStringLiteral("Очистка базы счетчиков"),
                              QStringLiteral("Вы действительно хотите удалить все данные из базы - ") +
                                  ChosenBaseName + QStringLiteral(" ?")))
    clearBaseData();
  showSelection();
}

// The meters stay, in use or not; only their test points go, all or none.
void MainWindow::clearBaseData() {
  QueryDataset* meters = theDataModule->meters;
  meters->reopen(Statements::metersOfBase(ChosenBaseName));
  if (meters->isEmpty()) return;
  Connection::Transaction transaction(*theDataModule->connection());
  for (meters->first(); !meters->eof(); meters->next())
    theDataModule->script->run(
        Statements::deletePointsOfMeter(Row::Meter::read(*meters).key));
  transaction.commit();
}

void MainWindow::beginMeasurement() {
  requireHook(Hooks.beginMeasurement, "окно терминала");
  Hooks.beginMeasurement();
}

void MainWindow::runWordReport(const std::function<void()>& report, const char* moduleName) {
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
  requireHook(report, moduleName);
  // The reports move the data module's rows; they are brought back to the
  // choice afterwards, also when a report fails (its error is the one shown).
  savedDocument_.clear();
  try {
    ReportProgress progress(this, statusPanel(kReportPanel));
    report();
  } catch (...) {
    try {
      showSelection();
    } catch (...) {
    }
    throw;
  }
  showSelection();
  if (!savedDocument_.isEmpty())
    statusPanel(kReportPanel)->setText(QStringLiteral("Протокол сохранён: ") + QDir::toNativeSeparators(savedDocument_));
}

void MainWindow::writeSingleProtocol() { runWordReport(Hooks.singleWordReport, "протокол поверки"); }

void MainWindow::writeGroupProtocol() { runWordReport(Hooks.groupWordReport, "групповой протокол поверки"); }

void MainWindow::addToArchive() {
  if (MarkedPointCount == 0) {
    MessageService::notice(
        this, QStringLiteral("Передача данных а архив"),
        QStringLiteral("Для передачи данных в архив необходимо выбрать хоть одну запись !"));
    return;
  }
  requireHook(Hooks.addToArchive, "архив");
  Hooks.addToArchive();
}

void MainWindow::viewArchive() {
  requireHook(Hooks.openArchiveBrowser, "архив");
  Hooks.openArchiveBrowser();
}

void MainWindow::editProtocolNumber() { theProtocolNumberDialog->open(this); }

void MainWindow::editInstallation() { theInstallationDialog->open(this); }

void MainWindow::openProtocolsFolder() {
  const QString folder = programPath(QStringLiteral("protocols"));
  QDir().mkpath(folder);
  if (!openWithDesktop(folder))
    MessageService::notice(this, QStringLiteral("Папка протоколов"),
                           QStringLiteral("Не удалось открыть папку %1.").arg(QDir::toNativeSeparators(folder)));
}

void MainWindow::showAbout() { theAboutDialog->open(this); }

void MainWindow::showLimits() { theLimitsWindow->open(this); }

void MainWindow::exitProgram() { close(); }
