#pragma once

#include <QStringList>

#include <functional>

// Runs `work(index)` for index 0 .. count - 1, each on a thread of its own,
// all released at the same moment (several benches at work at once); returns
// the errors they met, a database error with its code in brackets.
QStringList runTogether(int count, const std::function<void(int)>& work);
