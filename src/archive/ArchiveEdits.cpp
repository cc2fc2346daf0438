#include "archive/ArchiveEdits.h"

#include "database/Dataset.h"

void RunAllOrNothing(Connection& connection, const std::function<void()>& changes,
                     std::initializer_list<Dataset*> shownDatasets) {
  try {
    Connection::Transaction transaction(connection);
    changes();
    transaction.commit();
  } catch (...) {
    for (Dataset* dataset : shownDatasets) {
      if (dataset->state() == DatasetState::Edit || dataset->state() == DatasetState::Insert)
        dataset->cancel();
      if (dataset->isOpen()) dataset->refresh();
    }
    throw;
  }
}
