#include "shell/Application.h"
#include "shell/SingleInstance.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  SingleInstance instance(QString::fromLatin1(kInstanceName));
  if (!AdmitFirstCopy(instance)) return 0;
  return RunProgram();
}
