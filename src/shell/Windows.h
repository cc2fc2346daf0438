#pragma once

// The single instance of each window, created at start-up in a fixed order and
// alive for the whole run. Windows reach each other through these pointers.
class TForm2;
class TForm1;
class TChOptions;
class TFUstanovka;
class TFDataBase;
class TFNameBase;
class TFInformation;
class TFNumberP;

extern TForm2* Form2;
extern TForm1* Form1;
extern TChOptions* ChOptions;
extern TFUstanovka* FUstanovka;
extern TFDataBase* FDataBase;
extern TFNameBase* FNameBase;
extern TFInformation* FInformation;
extern TFNumberP* FNumberP;

class QWidget;

// Creates the windows in the start-up order: Form2 (the main window), Form1,
// ChOptions, FUstanovka, FDataBase, FNameBase, FInformation, FNumberP.
void CreateWindows();
// Destroys them in reverse order (the main window last), after the message
// loop has ended. Each window's destructor stops whatever it started (timers,
// threads, open ports), so that the program ends cleanly.
void DestroyWindows();
// The main window, Form2; the program ends when it closes.
QWidget* MainWindow();
