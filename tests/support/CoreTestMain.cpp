#include <QCoreApplication>

#include "support/TestRegistry.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return TestRegistry::runAll(argc, argv);
}
