#pragma once

#include <memory>

class AboutDialog;
class ArchiveBrowser;
class BaseEditor;
class BaseNameDialog;
class DataModule;
class InstallationDialog;
class LimitsWindow;
class MainWindow;
class ProgramsWindow;
class ProtocolNumberDialog;
class Selection;
class TerminalWindow;

// The program's windows, one of each for the whole run: made in the start-up
// order on the data module (its tables open) and the selection, wired to each
// other, destroyed in reverse order (the main window last). Each window's
// destructor stops whatever it started (timers, threads, open ports), so that
// the program ends cleanly. The data module and the selection outlive the set.
//
// The wiring plugs into the main window the commands that other modules carry
// out (measurement, Word reports, archive, the small dialogs) and the archive
// browser behind the base editor's "Взять из архива>>>".
class WindowSet {
 public:
  WindowSet(DataModule& dataModule, Selection& selection);
  ~WindowSet();
  WindowSet(const WindowSet&) = delete;
  WindowSet& operator=(const WindowSet&) = delete;

  // The main window; the program ends when it closes. Shown by the start-up
  // once every window exists.
  MainWindow& mainWindow() { return *mainWindow_; }
  TerminalWindow& terminalWindow() { return *terminalWindow_; }
  BaseEditor& baseEditor() { return *baseEditor_; }
  ArchiveBrowser& archiveBrowser() { return *archiveBrowser_; }
  BaseNameDialog& baseNameDialog() { return *baseNameDialog_; }
  InstallationDialog& installationDialog() { return *installationDialog_; }
  AboutDialog& aboutDialog() { return *aboutDialog_; }
  ProtocolNumberDialog& protocolNumberDialog() { return *protocolNumberDialog_; }
  LimitsWindow& limitsWindow() { return *limitsWindow_; }
  ProgramsWindow& programsWindow() { return *programsWindow_; }

 private:
  void wire(DataModule& dataModule, Selection& selection);

  std::unique_ptr<MainWindow> mainWindow_;
  std::unique_ptr<TerminalWindow> terminalWindow_;
  std::unique_ptr<BaseEditor> baseEditor_;
  std::unique_ptr<InstallationDialog> installationDialog_;
  std::unique_ptr<ArchiveBrowser> archiveBrowser_;
  std::unique_ptr<BaseNameDialog> baseNameDialog_;
  std::unique_ptr<AboutDialog> aboutDialog_;
  std::unique_ptr<ProtocolNumberDialog> protocolNumberDialog_;
  std::unique_ptr<LimitsWindow> limitsWindow_;
  std::unique_ptr<ProgramsWindow> programsWindow_;
};
