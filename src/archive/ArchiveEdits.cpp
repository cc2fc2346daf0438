#include "archive/ArchiveEdits.h"

#include "database/Dataset.h"

#include <vector>

void runAllOrNothing(Connection& connection, const std::function<void()>& changes,
                     std::initializer_list<Dataset*> shownDatasets, bool retryDuplicateKey) {
  const std::vector<Dataset*> datasets(shownDatasets);
  const auto showDatabase = [&datasets] {
    for (Dataset* dataset : datasets) {
      if (dataset->state() == DatasetState::Edit || dataset->state() == DatasetState::Insert)
        dataset->cancel();
      if (dataset->isOpen()) dataset->refresh();
    }
  };
  connection.runTransaction(changes, showDatabase, retryDuplicateKey);
}
