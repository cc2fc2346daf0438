#include "support/TestRegistry.h"

#include <QTest>

namespace TestRegistry {
namespace {
std::vector<Factory>& factories() {
  static std::vector<Factory> list;
  return list;
}
}  // namespace

int add(Factory factory) {
  factories().push_back(std::move(factory));
  return static_cast<int>(factories().size());
}

int runAll(int argc, char** argv) {
  int failures = 0;
  for (const Factory& factory : factories()) {
    const std::unique_ptr<QObject> test = factory();
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace TestRegistry
