#pragma once

#include <QString>

class DataModule;
class QWidget;
class SingleInstance;

// The name of the system-wide marker and the caption of the refusal box.
inline constexpr char kInstanceName[] = "VT3417 v1.0";

// Takes the single-instance marker. When another copy holds it, shows the one
// error box "Запуск второй копии программы недопустим." on top of all windows
// and returns false: the caller then ends without creating a window.
bool admitFirstCopy(SingleInstance& instance);

// Chooses the program directory for this start (chooseProgramDir: the working
// directory when it holds "sources/", else the own folder in documentsDir),
// fills an own folder from the data shipped beside applicationDir and makes the
// program directory the working directory. Each problem is shown in a plain
// box, and so, in one box, are the shipped files that are missing from the
// own folder and could not be copied; returns false when the directory cannot
// be entered, and the program then ends.
bool enterProgramDir(const QString& documentsDir, const QString& applicationDir);
// The same with the user's documents folder and the executable's directory.
bool enterProgramDir();

// Runs the message loop until `mainWindow` has closed (whatever other windows
// are still shown) and returns the loop's exit code.
int runUntilMainWindowCloses(QWidget* mainWindow);

// The whole run on a data module whose tables are open: the selection and the
// windows in their creation order, the message loop, then the windows
// destroyed before the application object goes (also when creating them failed).
int runProgram(DataModule& dataModule);

// The program's start once the application object exists: the single-instance
// marker, the program directory's sources/ folder, the data module and its
// table checks, then runProgram. Every failure on the way is shown (an
// exception in the standard error box, as in any later handler) and ends the
// start with exit code 1; it never aborts. Returns the process's exit code.
int startProgram();
