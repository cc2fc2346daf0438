#pragma once

#include "database/Connection.h"

#include <functional>
#include <memory>

// Several benches saving test points into one database at the same moment.
struct ConcurrentSavingResult {
  int connections = 0;
  qint64 saved = 0;   // points the benches saved
  qint64 stored = 0;  // points the database holds afterwards
  double pointsPerSecond = 0;
};

// `connections` threads, each with a connection of its own (made by `open`
// with the name it is given) posting `pointsEach` points through the test
// point dataset, one committed row at a time as the terminal window saves them.
ConcurrentSavingResult saveConcurrently(
    const std::function<std::unique_ptr<Connection>(const QString&)>& open, int connections, int pointsEach);
