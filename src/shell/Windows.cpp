#include "shell/Windows.h"

TForm2* Form2 = nullptr;
TForm1* Form1 = nullptr;
TChOptions* ChOptions = nullptr;
TFUstanovka* FUstanovka = nullptr;
TFDataBase* FDataBase = nullptr;
TFNameBase* FNameBase = nullptr;
TFInformation* FInformation = nullptr;
TFNumberP* FNumberP = nullptr;
