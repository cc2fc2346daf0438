#include "database/DataModule.h"
#include "app/Application.h"
#include "ui/MessageService.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  SingleInstance instance(QString::fromLatin1(kInstanceName));
  if (!AdmitFirstCopy(instance)) return 0;
  // The data module comes first: it opens and checks the tables the windows use.
  DataModule dataModule;
  theDataModule = &dataModule;
  // A database that cannot be reached ends the program: it never works on
  // another database than the one the lab chose.
  if (!dataModule.connectionError().isEmpty()) {
    MessageService::error(dataModule.connectionError());
    theDataModule = nullptr;
    return 1;
  }
  const QStringList tableProblems = dataModule.OpenTables();
  for (const QString& problem : tableProblems) MessageService::plain(problem);
  int result = 0;
  if (tableProblems.isEmpty()) result = RunProgram();
  theDataModule = nullptr;
  return result;
}
