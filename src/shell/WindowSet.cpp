#include <QWidget>

#include "bases/UInformation.h"
#include "bases/UUsanovka.h"
#include "bases/UnumberP.h"
#include "shell/Windows.h"

// Each window joins the start-up order here as it is built. The data module
// DM1 comes first: it prepares the database before any window exists.

void CreateWindows() {
  // DM1
  // Form2, the main window: created first of the windows
  // Form1, the terminal window, created hidden
  // ChOptions
  FUstanovka = new TFUstanovka;
  // FDataBase
  // FNameBase
  FInformation = new TFInformation;
  FNumberP = new TFNumberP;
}

void DestroyWindows() {
  delete FNumberP;
  FNumberP = nullptr;
  delete FInformation;
  FInformation = nullptr;
  // FNameBase
  // FDataBase
  delete FUstanovka;
  FUstanovka = nullptr;
  // ChOptions
  // Form1
  // Form2
  // DM1
}

// Form2 once the main window joins the order above.
QWidget* MainWindow() { return nullptr; }
