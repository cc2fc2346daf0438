#include "database/UDM.h"
#include "shell/Application.h"
#include "shell/MessageService.h"
#include "shell/SingleInstance.h"
#include "shell/Windows.h"

namespace {
const QString kInstanceName = QStringLiteral("VT3417 v1.0");
}

int main(int argc, char** argv) {
  Application app(argc, argv);
  SingleInstance instance(kInstanceName);
  if (!instance.acquire()) {
    MessageService::topmostError(kInstanceName, QStringLiteral("Запуск второй копии программы недопустим."));
    return 0;
  }
  // The data module comes first: it opens and checks the tables the windows use.
  TDM1 dataModule;
  DM1 = &dataModule;
  const QStringList tableProblems = dataModule.DataModuleCreate();
  for (const QString& problem : tableProblems) MessageService::plain(problem);
  if (!tableProblems.isEmpty()) return 0;
  CreateWindows();
  if (!Form2) return 0;
  const int result = Application::exec();
  DestroyWindows();
  return result;
}
