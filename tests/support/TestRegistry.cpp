#include "support/TestRegistry.h"

#include "support/TestDatabase.h"

#include <QTest>

#include <cstdio>

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
  if (const QString reason = TestDatabase::unavailableReason(); !reason.isEmpty()) {
    std::fprintf(stderr, "SKIP: these tests run on PostgreSQL, but %s\n", qPrintable(reason));
    return kSkipped;
  }
  if (TestDatabase::usesPostgres()) std::fprintf(stderr, "Database engine of these tests: PostgreSQL\n");
  int failures = 0;
  // VT3417_TEST_CLASS=Name runs that class only (repeating one by hand).
  const QString only = qEnvironmentVariable("VT3417_TEST_CLASS");
  for (const Factory& factory : factories()) {
    const std::unique_ptr<QObject> test = factory();
    if (!only.isEmpty() && only != QLatin1String(test->metaObject()->className())) continue;
    failures += QTest::qExec(test.get(), argc, argv);
  }
  TestDatabase::dropProcessDatabase();
  return failures == 0 ? 0 : 1;
}

}  // namespace TestRegistry
