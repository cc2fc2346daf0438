#include <QApplication>

#include "app/Application.h"
#include "support/TestRegistry.h"

// Windows are tested inside the program's own application object, so an
// exception escaping a handler reaches the error box as in the program.
int main(int argc, char** argv) {
  // Takes effect only when set before the application object exists.
  QApplication::setAttribute(Qt::AA_Use96Dpi, true);
  Application app(argc, argv);
  return TestRegistry::runAll(argc, argv);
}
