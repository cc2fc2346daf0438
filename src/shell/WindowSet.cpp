#include <QWidget>

#include "archive/ArchiveTransfer.h"
#include "archive/UdataBase.h"
#include "bases/OptionsForm.h"
#include "bases/UInformation.h"
#include "bases/UNameBase.h"
#include "bases/UUsanovka.h"
#include "bases/UnumberP.h"
#include "link/Unit3417.h"
#include "reports/UProtokol.h"
#include "shell/Windows.h"
#include "workspace/UExper.h"

// Each window joins the start-up order here as it is built. The data module
// DM1 comes first: it prepares the database before any window exists.

void CreateWindows() {
  // DM1
  Form2 = new TForm2;  // the main window, first of the windows
  Form1 = new TForm1;  // the terminal window, created hidden
  Form2->Hooks.BeginMeasurement = [] { Form1->BeginMeasurement(); };
  Form2->Hooks.StopPolling = [] { Form1->StopPolling(); };
  ChOptions = new TChOptions;
  FUstanovka = new TFUstanovka;
  FDataBase = new TFDataBase;
  PlugArchiveCommands();
  FNameBase = new TFNameBase;
  FInformation = new TFInformation;
  FNumberP = new TFNumberP;
  PlugReportCommands();
  // The main window appears once every window exists.
  Form2->show();
}

void DestroyWindows() {
  delete FNumberP;
  FNumberP = nullptr;
  delete FInformation;
  FInformation = nullptr;
  delete FNameBase;
  FNameBase = nullptr;
  delete FDataBase;
  FDataBase = nullptr;
  delete FUstanovka;
  FUstanovka = nullptr;
  delete ChOptions;
  ChOptions = nullptr;
  delete Form1;
  Form1 = nullptr;
  delete Form2;
  Form2 = nullptr;
  // DM1
}

QWidget* MainWindow() { return Form2; }
