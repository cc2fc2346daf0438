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

void WireWindows() {
  if (theMainWindow) {
    MainWindow::CommandHooks& hooks = theMainWindow->Hooks;
    if (theTerminalWindow) {
      hooks.BeginMeasurement = [] { theTerminalWindow->BeginMeasurement(); };
      hooks.StopPolling = [] { theTerminalWindow->StopPolling(); };
    }
    if (theArchiveBrowser) {
      hooks.AddToArchive = [] { AddChosenMeterToArchive(theMainWindow); };
      hooks.OpenArchiveBrowser = [] { ShowWholeArchive(theMainWindow); };
    }
    hooks.SingleWordReport = [] { theMainWindow->NoteSavedDocument(SingleWordReport()); };
    hooks.GroupWordReport = [] { theMainWindow->NoteSavedDocument(GroupWordReport()); };
  }
  if (theBaseEditor && theArchiveBrowser) theBaseEditor->OpenArchiveBrowser = [] { theArchiveBrowser->OpenForTakeOver(); };
}

namespace {

template <typename Window>
void Destroy(Window*& window) {
  delete window;
  window = nullptr;
}

}  // namespace

void CreateWindows() {
  theMainWindow = new MainWindow;  // the main window, first of the windows
  theTerminalWindow = new TerminalWindow;  // the terminal window, created hidden
  theBaseEditor = new BaseEditor;
  theInstallationDialog = new InstallationDialog;
  theArchiveBrowser = new ArchiveBrowser;
  theBaseNameDialog = new BaseNameDialog;
  theAboutDialog = new AboutDialog;
  theProtocolNumberDialog = new ProtocolNumberDialog;
  theLimitsWindow = new LimitsWindow;
  WireWindows();
  // The main window appears once every window exists.
  theMainWindow->show();
}

void DestroyWindows() {
  Destroy(theLimitsWindow);
  Destroy(theProtocolNumberDialog);
  Destroy(theAboutDialog);
  Destroy(theBaseNameDialog);
  Destroy(theArchiveBrowser);
  Destroy(theInstallationDialog);
  Destroy(theBaseEditor);
  Destroy(theTerminalWindow);
  Destroy(theMainWindow);
}

QWidget* MainWidget() { return theMainWindow; }
