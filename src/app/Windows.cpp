#include "app/Windows.h"

#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveTransfer.h"
#include "bases/AboutDialog.h"
#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "bases/InstallationDialog.h"
#include "bases/LimitsWindow.h"
#include "bases/ProgramsWindow.h"
#include "bases/ProtocolNumberDialog.h"
#include "database/DataModule.h"
#include "legacy/LegacyImportCommand.h"
#include "link/TerminalWindow.h"
#include "reports/ProgramProgress.h"
#include "reports/WordProtocols.h"
#include "workspace/MainWindow.h"

WindowSet::WindowSet(DataModule& dataModule, Selection& selection)
    : mainWindow_(std::make_unique<MainWindow>(dataModule, selection)),
      terminalWindow_(std::make_unique<TerminalWindow>(dataModule, selection, mainWindow_.get())),
      baseEditor_(std::make_unique<BaseEditor>(dataModule, selection, mainWindow_.get())),
      installationDialog_(std::make_unique<InstallationDialog>()),
      archiveBrowser_(std::make_unique<ArchiveBrowser>(dataModule, mainWindow_.get(), baseEditor_.get())),
      baseNameDialog_(std::make_unique<BaseNameDialog>(dataModule, selection, *baseEditor_)),
      aboutDialog_(std::make_unique<AboutDialog>()),
      protocolNumberDialog_(std::make_unique<ProtocolNumberDialog>()),
      limitsWindow_(std::make_unique<LimitsWindow>()),
      programsWindow_(std::make_unique<ProgramsWindow>()) {
  wire(dataModule, selection);
}

// The members go in reverse order of their declaration: the main window last.
WindowSet::~WindowSet() = default;

void WindowSet::wire(DataModule& dataModule, Selection& selection) {
  MainWindow* main = mainWindow_.get();
  MainWindow::CommandHooks& hooks = main->hooks;
  TerminalWindow* terminal = terminalWindow_.get();
  hooks.beginMeasurement = [terminal] { terminal->beginMeasurement(); };
  hooks.stopPolling = [terminal] { terminal->stopPolling(); };
  DataModule* dm = &dataModule;
  terminal->programGuide.nextPointLine = [dm](const QString& base) {
    return nextPointLine(*dm->connection(), base, verificationPrograms());
  };
  terminal->programGuide.outsideProgram = [dm](const QString& base, const QList<qint64>& meters,
                                               double voltage, double current, const QString& powerFactor) {
    return outsideProgram(*dm->connection(), base, meters, voltage, current, powerFactor,
                          verificationPrograms());
  };
  Selection* chosen = &selection;
  ArchiveBrowser* browser = archiveBrowser_.get();
  hooks.addToArchive = [dm, chosen, main] { addChosenMeterToArchive(*dm, *chosen, main); };
  hooks.openArchiveBrowser = [dm, browser, main] { showWholeArchive(*dm, *browser, main); };
  hooks.singleWordReport = [dm, chosen, main] { main->noteSavedDocument(singleWordReport(*dm, *chosen)); };
  hooks.groupWordReport = [dm, chosen, main] { main->noteSavedDocument(groupWordReport(*dm, *chosen)); };
  BaseNameDialog* nameDialog = baseNameDialog_.get();
  BaseEditor* editor = baseEditor_.get();
  hooks.openBaseNameDialog = [nameDialog, main] { nameDialog->open(main); };
  hooks.openBaseEditor = [editor, main] { editor->openForChosenBase(main); };
  ProtocolNumberDialog* numberDialog = protocolNumberDialog_.get();
  hooks.openProtocolNumberDialog = [numberDialog, main] { numberDialog->open(main); };
  InstallationDialog* installation = installationDialog_.get();
  hooks.openInstallationDialog = [installation, main] { installation->open(main); };
  AboutDialog* about = aboutDialog_.get();
  hooks.openAboutDialog = [about, main] { about->open(main); };
  LimitsWindow* limits = limitsWindow_.get();
  hooks.openLimitsWindow = [limits, main] { limits->open(main); };
  ProgramsWindow* programs = programsWindow_.get();
  hooks.openProgramsWindow = [programs, main] { programs->open(main); };
  editor->openArchiveBrowser = [browser] { browser->openForTakeOver(); };
  // The old bench's settings files may have been taken over: the port as stored.
  hooks.importFromLegacyProgram = [dm, chosen, main] {
    importFromLegacyProgram(*dm, *chosen, *main);
    main->applyPortChoice();
  };
}
