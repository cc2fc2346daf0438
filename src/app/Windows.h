#pragma once

// The single instance of each window is created at start-up in a fixed order
// and alive for the whole run; each window's header names its instance
// (theMainWindow, theTerminalWindow, ...).
class QWidget;

// Creates the windows in the start-up order: theMainWindow (the main window), theTerminalWindow,
// theBaseEditor, theInstallationDialog, theArchiveBrowser, theBaseNameDialog, theAboutDialog, theProtocolNumberDialog, theLimitsWindow.
void createWindows();
// Destroys them in reverse order (the main window last), after the message
// loop has ended. Each window's destructor stops whatever it started (timers,
// threads, open ports), so that the program ends cleanly.
void destroyWindows();
// Plugs the windows that exist into each other: the main window's commands
// that other modules carry out (measurement, reports, archive) and the archive
// browser behind the base editor's "Взять из архива>>>". createWindows runs it;
// tests that build some windows themselves run it too.
void wireWindows();
// The main window, theMainWindow; the program ends when it closes.
QWidget* mainWidget();
