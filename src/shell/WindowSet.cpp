#include <QWidget>

#include "bases/UInformation.h"
#include "bases/UUsanovka.h"
#include "bases/UnumberP.h"
#include "link/Unit3417.h"
#include "shell/Windows.h"
#include "workspace/UExper.h"

// Each window joins the start-up order here as it is built. The data module
// DM1 comes first: it prepares the database before any window exists.

void CreateWindows() {
  // DM1
  // Form2, the main window: created first of the windows
  Form1 = new TForm1;  // the terminal window, created hidden
  if (Form2) {
    Form2->Hooks.BeginMeasurement = [] { Form1->BeginMeasurement(); };
    Form2->Hooks.StopPolling = [] { Form1->StopPolling(); };
  }
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
  delete Form1;
  Form1 = nullptr;
  // Form2
  // DM1
}

// Form2 once the main window joins the order above.
QWidget* MainWindow() { return nullptr; }
