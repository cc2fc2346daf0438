#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// One test executable per area runs every test class of that area: each class
// registers itself with VT3417_REGISTER_TEST(Class) at the end of its file.
namespace TestRegistry {

using Factory = std::function<std::unique_ptr<QObject>()>;
// What runAll returns when the tests cannot run here (CTest's SKIP_RETURN_CODE).
constexpr int kSkipped = 77;
int add(Factory factory);
int runAll(int argc, char** argv);

}  // namespace TestRegistry

#define VT3417_REGISTER_TEST(Class)                                \
  namespace {                                                      \
  [[maybe_unused]] const int registered##Class =                   \
      TestRegistry::add([] { return std::make_unique<Class>(); }); \
  }
