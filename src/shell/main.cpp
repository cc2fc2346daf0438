#include "database/UDM.h"
#include "shell/Application.h"
#include "shell/MessageService.h"
#include "shell/SingleInstance.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  SingleInstance instance(QString::fromLatin1(kInstanceName));
  if (!AdmitFirstCopy(instance)) return 0;
  // The data module comes first: it opens and checks the tables the windows use.
  // It lives on this stack frame, so it is destroyed after the windows.
  TDM1 dataModule;
  DM1 = &dataModule;
  const QStringList tableProblems = dataModule.DataModuleCreate();
  for (const QString& problem : tableProblems) MessageService::plain(problem);
  if (!tableProblems.isEmpty()) return 0;
  return RunProgram();
}
