#include <QApplication>

#include "shell/Application.h"
#include "support/TestRegistry.h"

// Windows are tested inside the program's own application object, so an
// exception escaping a handler reaches the error box as in the program.
int main(int argc, char** argv) {
  Application app(argc, argv);
  QApplication::setAttribute(Qt::AA_Use96Dpi, true);
  return TestRegistry::runAll(argc, argv);
}
