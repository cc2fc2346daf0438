#pragma once

#include <functional>
#include <initializer_list>

class Connection;
class Dataset;

// Runs a group of archive changes as one transaction: either all of them are
// stored or none. When one fails, the given datasets drop the edit that failed
// and show the database as it is again. A clash with another bench (and, when
// `retryDuplicateKey`, a row another bench stored first under the same unique
// key) runs the changes again from the start; any other error passes on.
void runAllOrNothing(Connection& connection, const std::function<void()>& changes,
                     std::initializer_list<Dataset*> shownDatasets, bool retryDuplicateKey = false);
