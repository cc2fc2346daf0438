// Commands of the main window: deleting and clearing a base, the port choice,
// the small dialogs, and the commands whose work other modules plug in
// (measurement, Word reports, archive).
#include <QApplication>
#include <QDir>
#include <QLabel>

#include <stdexcept>

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

void MainWindow::runHook(const std::function<void()>& hook, const char* module) const {
  requireHook(hook, module);
  hook();
}

void MainWindow::requireHook(const std::function<void()>& hook, const char* module) const {
  if (!hook) throw std::runtime_error(std::string("Программа собрана без модуля «") + module + "».");
}

// The base name dialog creates the base and hands over to the meter base
// editor, whose closing rebuilds the tree.
void MainWindow::createBase() { runHook(hooks.openBaseNameDialog, "базы счетчиков"); }

void MainWindow::editBase() {
  if (!isBaseSelected()) return;
  runHook(hooks.openBaseEditor, "базы счетчиков");
}

void MainWindow::deleteBase() {
  if (!isBaseSelected()) return;
  if (!MessageService::confirm(this, QStringLiteral("Удаление базы счетчиков"),
                               QStringLiteral("Вы действительно хотите удалить базу - ") +
                                   selection_.baseName() + QStringLiteral(" ?")))
    return;
  dm_.bases->reopen(Statements::baseByName(selection_.baseName()));
  if (!dm_.bases->isEmpty()) {
    // chosenBase follows bases to the base's row; its delete rule takes the meters
    // and their test points along.
    if (!dm_.chosenBase->isOpen()) dm_.chosenBase->open();
    if (!dm_.chosenBase->isEmpty()) dm_.chosenBase->remove();
  }
  dm_.bases->reopen(Statements::allBases());
  selection_.setMeterNum(0);
  selection_.setBaseName(QString());
  buildBaseTree();
  showSelection();
}

void MainWindow::clearBase() {
  if (!isBaseSelected()) return;
  if (MessageService::confirm(this, QStringLiteral("Очистка базы счетчиков"),
                              QStringLiteral("Вы действительно хотите удалить все данные из базы - ") +
                                  selection_.baseName() + QStringLiteral(" ?")))
    clearBaseData();
  showSelection();
}

// The meters stay, in use or not; only their test points go, all or none.
void MainWindow::clearBaseData() {
  QueryDataset* meters = dm_.meters;
  meters->reopen(Statements::metersOfBase(selection_.baseName()));
  if (meters->isEmpty()) return;
  Connection::Transaction transaction(*dm_.connection());
  for (meters->first(); !meters->eof(); meters->next())
    dm_.script->run(Statements::deletePointsOfMeter(Row::Meter::read(*meters).key));
  transaction.commit();
}

void MainWindow::beginMeasurement() { runHook(hooks.beginMeasurement, "окно терминала"); }

void MainWindow::runWordReport(const std::function<void()>& report, const char* moduleName) {
  if (selection_.meterNum() == 0) {
    MessageService::notice(this, kReportCaption,
                           QStringLiteral("Для создания протокола необходимо выбрать счетчик !"));
    return;
  }
  if (selection_.markedCount() == 0) {
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
    statusPanel(kReportPanel)
        ->setText(QStringLiteral("Протокол сохранён: ") + QDir::toNativeSeparators(savedDocument_));
}

void MainWindow::writeSingleProtocol() { runWordReport(hooks.singleWordReport, "протокол поверки"); }

void MainWindow::writeGroupProtocol() { runWordReport(hooks.groupWordReport, "групповой протокол поверки"); }

void MainWindow::addToArchive() {
  if (selection_.markedCount() == 0) {
    MessageService::notice(
        this, QStringLiteral("Передача данных а архив"),
        QStringLiteral("Для передачи данных в архив необходимо выбрать хоть одну запись !"));
    return;
  }
  runHook(hooks.addToArchive, "архив");
}

void MainWindow::viewArchive() { runHook(hooks.openArchiveBrowser, "архив"); }

void MainWindow::editProtocolNumber() { runHook(hooks.openProtocolNumberDialog, "номер протокола"); }

void MainWindow::editInstallation() { runHook(hooks.openInstallationDialog, "сведения об установке"); }

void MainWindow::openProtocolsFolder() {
  const QString folder = programPath(QStringLiteral("protocols"));
  QDir().mkpath(folder);
  if (!openWithDesktop(folder))
    MessageService::notice(
        this, QStringLiteral("Папка протоколов"),
        QStringLiteral("Не удалось открыть папку %1.").arg(QDir::toNativeSeparators(folder)));
}

void MainWindow::showAbout() { runHook(hooks.openAboutDialog, "общие сведения"); }

void MainWindow::showLimits() { runHook(hooks.openLimitsWindow, "пределы погрешности"); }

void MainWindow::importFromLegacyProgram() {
  runHook(hooks.importFromLegacyProgram, "импорт из прежней программы");
}
void MainWindow::showPrograms() { runHook(hooks.openProgramsWindow, "программы поверки"); }

void MainWindow::exitProgram() { close(); }
