#include "app/Windows.h"

#include <QWidget>

#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveTransfer.h"
#include "bases/AboutDialog.h"
#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "bases/InstallationDialog.h"
#include "bases/LimitsWindow.h"
#include "bases/ProtocolNumberDialog.h"
#include "link/TerminalWindow.h"
#include "reports/WordProtocols.h"
#include "workspace/MainWindow.h"

// Each window joins the start-up order here as it is built; the data module
// comes first (main): it prepares the database before any window exists.

void wireWindows() {
  if (theMainWindow) {
    MainWindow::CommandHooks& hooks = theMainWindow->Hooks;
    if (theTerminalWindow) {
      hooks.beginMeasurement = [] { theTerminalWindow->beginMeasurement(); };
      hooks.stopPolling = [] { theTerminalWindow->stopPolling(); };
    }
    if (theArchiveBrowser) {
      hooks.addToArchive = [] { addChosenMeterToArchive(theMainWindow); };
      hooks.openArchiveBrowser = [] { showWholeArchive(theMainWindow); };
    }
    hooks.singleWordReport = [] { theMainWindow->noteSavedDocument(singleWordReport()); };
    hooks.groupWordReport = [] { theMainWindow->noteSavedDocument(groupWordReport()); };
  }
  if (theBaseEditor && theArchiveBrowser) theBaseEditor->openArchiveBrowser = [] { theArchiveBrowser->openForTakeOver(); };
}

namespace {

template <typename Window>
void destroy(Window*& window) {
  delete window;
  window = nullptr;
}

}  // namespace

void createWindows() {
  theMainWindow = new MainWindow;  // the main window, first of the windows
  theTerminalWindow = new TerminalWindow;  // the terminal window, created hidden
  theBaseEditor = new BaseEditor;
  theInstallationDialog = new InstallationDialog;
  theArchiveBrowser = new ArchiveBrowser;
  theBaseNameDialog = new BaseNameDialog;
  theAboutDialog = new AboutDialog;
  theProtocolNumberDialog = new ProtocolNumberDialog;
  theLimitsWindow = new LimitsWindow;
  wireWindows();
  // The main window appears once every window exists.
  theMainWindow->show();
}

void destroyWindows() {
  destroy(theLimitsWindow);
  destroy(theProtocolNumberDialog);
  destroy(theAboutDialog);
  destroy(theBaseNameDialog);
  destroy(theArchiveBrowser);
  destroy(theInstallationDialog);
  destroy(theBaseEditor);
  destroy(theTerminalWindow);
  destroy(theMainWindow);
}

QWidget* mainWidget() { return theMainWindow; }
