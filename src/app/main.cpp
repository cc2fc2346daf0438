#include "database/DataModule.h"
#include "app/Application.h"
#include "ui/MessageService.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  SingleInstance instance(QString::fromLatin1(kInstanceName));
  if (!AdmitFirstCopy(instance)) return 0;
  if (!EnterProgramDir()) return 1;
  // The data module comes first: it opens and checks the tables the windows use.
  DataModule dataModule;
  theDataModule = &dataModule;
  const QStringList tableProblems = dataModule.OpenTables();
  for (const QString& problem : tableProblems) MessageService::plain(problem);
  int result = 0;
  if (tableProblems.isEmpty()) result = RunProgram();
  theDataModule = nullptr;
  return result;
}
